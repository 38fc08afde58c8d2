// Software backend: text through FreeType with the Liberation fonts.
//
// Implements: fonts by description (height negative = character height, positive = cell height,
// weight 700 and up bold, italic, underline, strike-out); every face is drawn with Liberation Sans
// (metric-compatible with Arial), which also stands in for Symbol and the system font; one-line
// text extents from the hinted advances (no kerning, like the platform); drawText for single
// lines with left, centred and right alignment, vertical centring, clipping to the rectangle, the
// opaque background behind the text's cell, and "&" drawn as a character. Glyphs are rendered
// without anti-aliasing, so every text pixel has exactly the text colour.
// Not yet: multi-line layout and word breaks, prefix underlining, tabs, character sets other than
// Windows-1252.
#include "platform/soft/SoftInternal.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

namespace kestrune::platform {

namespace {

const char* const fontFolders[] = {"/usr/share/fonts/truetype/liberation2/",
                                   "/usr/share/fonts/truetype/liberation/"};

class FontLibrary {
public:
    ~FontLibrary() { close(); }

    FT_Face face(bool bold, bool italic) {
        if (!library_ && FT_Init_FreeType(&library_) != 0) {
            library_ = nullptr;
            return nullptr;
        }
        int index = (bold ? 1 : 0) + (italic ? 2 : 0);
        if (faces_[index])
            return faces_[index];
        static const char* const names[] = {"LiberationSans-Regular.ttf", "LiberationSans-Bold.ttf",
                                            "LiberationSans-Italic.ttf",
                                            "LiberationSans-BoldItalic.ttf"};
        for (const char* folder : fontFolders) {
            std::string path = std::string(folder) + names[index];
            FT_Face face = nullptr;
            if (FT_New_Face(library_, path.c_str(), 0, &face) == 0) {
                faces_[index] = face;
                return face;
            }
        }
        return nullptr;
    }

    void close() {
        for (FT_Face& face : faces_)
            if (face) {
                FT_Done_Face(face);
                face = nullptr;
            }
        if (library_) {
            FT_Done_FreeType(library_);
            library_ = nullptr;
        }
    }

private:
    FT_Library library_ = nullptr;
    FT_Face faces_[4] = {};
};

FontLibrary& fonts() {
    static FontLibrary library;
    return library;
}

// Windows-1252 to Unicode for the bytes that differ from Latin-1.
uint32_t unicodeOf(unsigned char c) {
    static const uint16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    if (c >= 0x80 && c < 0xA0)
        return high[c - 0x80];
    return c;
}

// A font made ready for one call: face at its pixel size and the line metrics.
struct SizedFont {
    FT_Face face = nullptr;
    int ascent = 0;
    int descent = 0;
    bool underline = false;
    bool strikeOut = false;
    int underlinePosition = 0;
    int underlineThickness = 1;

    int height() const { return ascent + descent; }
};

bool prepare(DeviceContext dc, SizedFont& out) {
    FontDescription description{};
    if (dc->font)
        description = dc->font->font;
    bool bold = description.weight >= 600;
    bool italic = description.italic != 0;
    FT_Face face = fonts().face(bold, italic);
    if (!face)
        return false;
    // Cell heights (positive) include the internal leading: scale by the face's line height.
    double unitsPerEm = face->units_per_EM;
    double lineUnits = double(face->ascender - face->descender);
    int pixels;
    if (description.height < 0)
        pixels = -description.height;
    else if (description.height > 0)
        pixels = int(std::lround(description.height * unitsPerEm / lineUnits));
    else
        pixels = 12;
    pixels = std::clamp(pixels, 1, 1000);
    if (FT_Set_Pixel_Sizes(face, 0, FT_UInt(pixels)) != 0)
        return false;
    out.face = face;
    // Rounded as the platform rounds its scaled ascent and descent.
    out.ascent = int(std::lround(face->ascender * pixels / unitsPerEm));
    out.descent = int(std::lround(-face->descender * pixels / unitsPerEm));
    out.underline = description.underline != 0;
    out.strikeOut = description.strikeOut != 0;
    out.underlinePosition =
        std::max(1, int(std::lround(-face->underline_position * pixels / unitsPerEm)));
    out.underlineThickness =
        std::max(1, int(std::lround(face->underline_thickness * pixels / unitsPerEm)));
    return true;
}

// Advances come from the normally hinted outline (as the platform measures), the pixels from
// the outline hinted for one-bit rendering.
int advanceOf(const SizedFont& font, unsigned char c) {
    FT_UInt glyph = FT_Get_Char_Index(font.face, unicodeOf(c));
    if (FT_Load_Glyph(font.face, glyph, FT_LOAD_DEFAULT) != 0)
        return 0;
    return int((font.face->glyph->advance.x + 32) >> 6);
}

int widthOf(const SizedFont& font, const char* text, int length) {
    int width = 0;
    for (int i = 0; i < length; ++i)
        width += advanceOf(font, static_cast<unsigned char>(text[i]));
    return width;
}

int lengthOf(const char* text, int length) {
    return length < 0 ? int(std::strlen(text)) : length;
}

Rect intersect(const Rect& a, const Rect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

void fillArea(Surface& surface, const Rect& r, ColorValue color) {
    uint32_t value = surface.mono ? monoOf(color) : color;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            surface.at(x, y) = value;
}

} // namespace

void shutdownFonts() {
    fonts().close();
}

bool textExtent(DeviceContext dc, const char* text, int length, Size& out) {
    trace("textExtent");
    if (!isContext(dc) || !text)
        return false;
    SizedFont font;
    if (!prepare(dc, font))
        return false;
    out.width = widthOf(font, text, lengthOf(text, length));
    out.height = font.height();
    return true;
}

int drawText(DeviceContext dc, const char* text, int length, Rect& area, uint32_t format) {
    trace("drawText");
    if (!isContext(dc) || !text)
        return 0;
    SizedFont font;
    if (!prepare(dc, font))
        return 0;
    length = lengthOf(text, length);
    int width = widthOf(font, text, length);
    int height = font.height();

    // Place the line as the platform does for one line of text.
    int x = area.left;
    int y = area.top;
    if (format & textCenter)
        x = (area.left + area.right - width) / 2;
    else if (format & textRight)
        x = area.right - width;
    if (format & textSingleLine) {
        if (format & textVerticalCenter)
            y = area.top + (area.bottom - area.top) / 2 - height / 2;
        else if (format & 0x8) // bottom
            y = area.bottom - height;
    }

    Surface* surface = surfaceOf(dc);
    if (!surface)
        return height;
    Rect clip = drawableArea(dc);
    if (!(format & 0x100)) // without "no clip" the text stays inside the rectangle
        clip = intersect(clip, area);
    if (clip.right <= clip.left || clip.bottom <= clip.top)
        return height;

    if (dc->backgroundMode == backgroundOpaque) {
        Rect cell = intersect({x, y, x + width, y + height}, clip);
        if (cell.right > cell.left && cell.bottom > cell.top)
            fillArea(*surface, cell, dc->background);
    }

    uint32_t ink = surface->mono ? monoOf(dc->text) : dc->text;
    int baseline = y + font.ascent;
    int penX = x;
    for (int i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        int advance = advanceOf(font, c);
        FT_UInt glyph = FT_Get_Char_Index(font.face, unicodeOf(c));
        if (FT_Load_Glyph(font.face, glyph, FT_LOAD_TARGET_MONO) != 0 ||
            FT_Render_Glyph(font.face->glyph, FT_RENDER_MODE_MONO) != 0) {
            penX += advance;
            continue;
        }
        FT_GlyphSlot slot = font.face->glyph;
        const FT_Bitmap& bits = slot->bitmap;
        int left = penX + slot->bitmap_left;
        int top = baseline - slot->bitmap_top;
        for (unsigned row = 0; row < bits.rows; ++row) {
            const unsigned char* line = bits.buffer + int(row) * bits.pitch;
            for (unsigned column = 0; column < bits.width; ++column) {
                if (!(line[column >> 3] & (0x80 >> (column & 7))))
                    continue;
                int px = left + int(column);
                int py = top + int(row);
                if (px >= clip.left && px < clip.right && py >= clip.top && py < clip.bottom)
                    surface->at(px, py) = ink;
            }
        }
        penX += advance;
    }

    auto rule = [&](int top, int thickness) {
        Rect line = intersect({x, top, x + width, top + thickness}, clip);
        if (line.right > line.left && line.bottom > line.top)
            fillArea(*surface, line, dc->text);
    };
    if (font.underline)
        rule(baseline + font.underlinePosition - font.underlineThickness / 2,
             font.underlineThickness);
    if (font.strikeOut)
        rule(baseline - font.ascent / 3, font.underlineThickness);
    return height;
}

} // namespace kestrune::platform
