// The generator reproduces the committed bitmap files byte for byte, and the resource scripts
// name exactly those files.
#include "tools/artwork/Artwork.h"
#include "tests/resources/BmpReader.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>

namespace kestrune::testing {
namespace {

namespace fs = std::filesystem;

std::string freetypeVersion() {
    return std::to_string(FREETYPE_MAJOR) + "." + std::to_string(FREETYPE_MINOR) + "." +
           std::to_string(FREETYPE_PATCH);
}

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "kestrune-artwork-XXXXXX").string();
        if (char* made = mkdtemp(pattern.data()))
            path = made;
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path.empty())
            fs::remove_all(path, ignored);
    }
    std::string path;
};

std::vector<artwork::ArtworkFile> render() {
    artwork::Typeface type(KESTRUNE_ARTWORK_FONT_DIR);
    std::string error;
    auto files = artwork::renderArtwork(type, error);
    EXPECT_FALSE(files.empty()) << error;
    return files;
}

TEST(Artwork, RegeneratesTheCommittedFilesByteForByte) {
    TempFolder folder;
    ASSERT_FALSE(folder.path.empty());
    std::string error;
    ASSERT_TRUE(artwork::writeArtwork(render(), folder.path, error)) << error;

    std::set<std::string> written;
    for (const auto& entry : fs::directory_iterator(folder.path)) {
        const std::string name = entry.path().filename().string();
        written.insert(name);
        auto fresh = readFileBytes(entry.path().string());
        auto committed = readFileBytes(bitmapPath(name));
        size_t first = 0;
        while (first < fresh.size() && first < committed.size() && fresh[first] == committed[first])
            ++first;
        EXPECT_TRUE(fresh == committed)
            << name << ": " << fresh.size() << " bytes drawn, " << committed.size()
            << " committed, first difference at byte " << first << " (FreeType "
            << freetypeVersion() << "); redraw with the target kestrune-artwork-update";
    }
    EXPECT_EQ(written.size(), 9u);

    // No committed picture is left that the generator no longer draws.
    for (const auto& entry : fs::directory_iterator(fs::path(bitmapPath(""))))
        EXPECT_TRUE(written.count(entry.path().filename().string()))
            << entry.path() << " is not drawn by the generator";
}

TEST(Artwork, DrawsTheSameBytesEveryTime) {
    auto first = render();
    auto second = render();
    ASSERT_EQ(first.size(), second.size());
    for (size_t i = 0; i < first.size(); ++i)
        EXPECT_TRUE(first[i].bytes == second[i].bytes) << first[i].name;
}

TEST(Artwork, ReportsMissingFontsInsteadOfDrawingWithoutLabels) {
    artwork::Typeface type("/nonexistent-font-folder");
    EXPECT_FALSE(type.ready());
    std::string error;
    EXPECT_TRUE(artwork::renderArtwork(type, error).empty());
    EXPECT_NE(error.find("LiberationSans"), std::string::npos) << error;
}

// Identifier -> file name of the BITMAP lines of a resource script.
std::map<int, std::string> scriptBitmaps(const std::string& script) {
    std::ifstream in(std::string(KESTRUNE_SOURCE_DIR) + "/resources/" + script);
    EXPECT_TRUE(in.good()) << script;
    std::map<int, std::string> out;
    const std::regex line(R"(^\s*(\d+)\s+BITMAP\s+"bitmaps/([^"]+)\")");
    std::string text;
    while (std::getline(in, text)) {
        std::smatch match;
        if (std::regex_search(text, match, line)) {
            int id = std::stoi(match[1]);
            EXPECT_FALSE(out.count(id)) << script << " names " << id << " twice";
            out[id] = match[2];
        }
    }
    return out;
}

TEST(ResourceScripts, GiveEachPlugInIdentifiers128To135WithItsOwnPanel) {
    std::map<int, std::string> expected;
    for (const auto& file : render())
        if (file.id != 128)
            expected[file.id] = file.name;
    expected[128] = "128-panel-stereo.bmp";
    EXPECT_EQ(scriptBitmaps("Kestrune_ST.rc"), expected);
    expected[128] = "128-panel-mono.bmp";
    EXPECT_EQ(scriptBitmaps("Kestrune_mono.rc"), expected);
}

} // namespace
} // namespace kestrune::testing
