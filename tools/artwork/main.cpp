// kestrune-artwork: draws the editor's bitmap resources and writes them as BMP files.
//
//     kestrune-artwork [--fonts <folder>] <output folder>
//
// The same fonts and FreeType version give the same bytes on every run.
#include "tools/artwork/Artwork.h"

#include <cstdio>
#include <cstring>
#include <string>

#ifndef KESTRUNE_ARTWORK_FONT_DIR
#define KESTRUNE_ARTWORK_FONT_DIR "/usr/share/fonts/truetype/liberation2"
#endif

int main(int argc, char** argv) {
    std::string fonts = KESTRUNE_ARTWORK_FONT_DIR;
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--fonts") == 0 && i + 1 < argc) {
            fonts = argv[++i];
        } else if (argv[i][0] == '-' || !folder.empty()) {
            std::fprintf(stderr, "usage: kestrune-artwork [--fonts <folder>] <output folder>\n");
            return 2;
        } else {
            folder = argv[i];
        }
    }
    if (folder.empty()) {
        std::fprintf(stderr, "usage: kestrune-artwork [--fonts <folder>] <output folder>\n");
        return 2;
    }
    kestrune::artwork::Typeface type(fonts);
    std::string error;
    auto files = kestrune::artwork::renderArtwork(type, error);
    if (files.empty() || !kestrune::artwork::writeArtwork(files, folder, error)) {
        std::fprintf(stderr, "kestrune-artwork: %s\n", error.c_str());
        return 1;
    }
    for (const auto& file : files)
        std::printf("%s/%s  (%d, %zu bytes)\n", folder.c_str(), file.name.c_str(), file.id,
                    file.bytes.size());
    return 0;
}
