// A reader for the uncompressed BMP files of the artwork, independent of the code that writes
// them: header fields as stored, the palette, and pixels addressed from the top left.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

namespace kestrune::testing {

struct Color {
    int r = 0, g = 0, b = 0;
    friend bool operator==(const Color&, const Color&) = default;
};

inline std::ostream& operator<<(std::ostream& out, const Color& c) {
    return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

inline Color greyLevel(int level) {
    return Color{level, level, level};
}

inline std::vector<uint8_t> readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

struct BmpFile {
    std::vector<uint8_t> bytes;
    // Header fields.
    uint32_t fileSize = 0, dataOffset = 0, headerSize = 0, compression = 0, imageSize = 0,
             colorsUsed = 0;
    int32_t width = 0, height = 0;
    uint16_t planes = 0, bitsPerPixel = 0;
    std::vector<Color> palette;

    bool read(const std::string& path) {
        bytes = readFileBytes(path);
        if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M')
            return false;
        fileSize = u32(2);
        dataOffset = u32(10);
        headerSize = u32(14);
        width = int32_t(u32(18));
        height = int32_t(u32(22));
        planes = u16(26);
        bitsPerPixel = u16(28);
        compression = u32(30);
        imageSize = u32(34);
        colorsUsed = u32(46);
        if (bitsPerPixel != 8 || colorsUsed == 0 || colorsUsed > 256 ||
            14 + headerSize + 4 * colorsUsed > bytes.size())
            return false;
        for (uint32_t i = 0; i < colorsUsed; ++i) {
            size_t at = 14 + headerSize + 4 * i;
            palette.push_back(Color{bytes[at + 2], bytes[at + 1], bytes[at]});
        }
        return width > 0 && height > 0 &&
               size_t(dataOffset) + size_t(stride()) * height <= bytes.size();
    }

    uint32_t stride() const { return (uint32_t(width) + 3u) & ~3u; }

    // Palette index of the pixel at (x, y), y counted from the top (rows are stored bottom-up).
    uint8_t index(int x, int y) const {
        return bytes[dataOffset + size_t(stride()) * size_t(height - 1 - y) + size_t(x)];
    }
    Color at(int x, int y) const {
        uint8_t i = index(x, y);
        return i < palette.size() ? palette[i] : Color{-1, -1, -1};
    }

private:
    uint32_t u16(size_t at) const { return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8; }
    uint32_t u32(size_t at) const { return u16(at) | u16(at + 2) << 16; }
};

inline std::string bitmapPath(const std::string& name) {
    return std::string(KESTRUNE_SOURCE_DIR) + "/resources/bitmaps/" + name;
}

} // namespace kestrune::testing
