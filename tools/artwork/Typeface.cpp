#include "tools/artwork/Typeface.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <vector>

namespace kestrune::artwork {

namespace {

// Coverage is rounded to this many steps between the canvas and the ink.
constexpr int kCoverageSteps = 8;

std::vector<char32_t> decodeUtf8(std::string_view text) {
    std::vector<char32_t> out;
    for (size_t i = 0; i < text.size();) {
        auto byte = static_cast<unsigned char>(text[i]);
        int extra = byte < 0x80 ? 0 : byte < 0xE0 ? 1 : byte < 0xF0 ? 2 : 3;
        char32_t code = extra == 0 ? byte : byte & (0x3F >> extra);
        ++i;
        for (int k = 0; k < extra && i < text.size(); ++k, ++i)
            code = (code << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
        out.push_back(code);
    }
    return out;
}

} // namespace

struct Typeface::Faces {
    FT_Library library = nullptr;
    FT_Face regular = nullptr;
    FT_Face bold = nullptr;

    ~Faces() {
        if (regular)
            FT_Done_Face(regular);
        if (bold)
            FT_Done_Face(bold);
        if (library)
            FT_Done_FreeType(library);
    }

    FT_Face sized(const TextStyle& style) const {
        FT_Face face = style.weight == Weight::bold ? bold : regular;
        FT_Set_Pixel_Sizes(face, 0, FT_UInt(style.pixelSize));
        return face;
    }
};

Typeface::Typeface(const std::string& fontFolder) : faces_(std::make_unique<Faces>()) {
    if (FT_Init_FreeType(&faces_->library) != 0) {
        error_ = "FreeType did not start";
        return;
    }
    std::string folder = fontFolder;
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    const std::string regular = folder + "LiberationSans-Regular.ttf";
    const std::string bold = folder + "LiberationSans-Bold.ttf";
    if (FT_New_Face(faces_->library, regular.c_str(), 0, &faces_->regular) != 0)
        error_ = "cannot open " + regular;
    else if (FT_New_Face(faces_->library, bold.c_str(), 0, &faces_->bold) != 0)
        error_ = "cannot open " + bold;
}

Typeface::~Typeface() = default;

bool Typeface::ready() const {
    return error_.empty() && faces_->regular && faces_->bold;
}

int Typeface::width(std::string_view text, const TextStyle& style) const {
    if (!ready())
        return 0;
    FT_Face face = faces_->sized(style);
    int total = 0;
    for (char32_t code : decodeUtf8(text)) {
        if (FT_Load_Char(face, code, FT_LOAD_DEFAULT) != 0)
            continue;
        total += int((face->glyph->advance.x + 32) >> 6) + style.tracking;
    }
    return total - (total > 0 ? style.tracking : 0);
}

int Typeface::capHeight(const TextStyle& style) const {
    if (!ready())
        return 0;
    FT_Face face = faces_->sized(style);
    if (FT_Load_Char(face, 'H', FT_LOAD_DEFAULT) != 0)
        return 0;
    return int((face->glyph->metrics.horiBearingY + 32) >> 6);
}

void Typeface::draw(Canvas& canvas, std::string_view text, int x, int baseline, Align align,
                    const TextStyle& style) const {
    if (!ready())
        return;
    int pen = x;
    if (align == Align::centre)
        pen = x - width(text, style) / 2;
    else if (align == Align::right)
        pen = x - width(text, style);
    FT_Face face = faces_->sized(style);
    for (char32_t code : decodeUtf8(text)) {
        if (FT_Load_Char(face, code, FT_LOAD_DEFAULT | FT_LOAD_RENDER) != 0)
            continue;
        const FT_GlyphSlot glyph = face->glyph;
        const FT_Bitmap& bitmap = glyph->bitmap;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            for (unsigned column = 0; column < bitmap.width; ++column) {
                int coverage = bitmap.buffer[int(row) * bitmap.pitch + int(column)];
                int steps = int(std::lround(coverage * kCoverageSteps / 255.0));
                canvas.blend(pen + glyph->bitmap_left + int(column),
                             baseline - glyph->bitmap_top + int(row), style.ink,
                             double(steps) / kCoverageSteps);
            }
        }
        pen += int((glyph->advance.x + 32) >> 6) + style.tracking;
    }
}

} // namespace kestrune::artwork
