#include "tools/artwork/BmpFile.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace kestrune::artwork {

namespace {

void put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(uint8_t(value & 0xFF));
    out.push_back(uint8_t((value >> 8) & 0xFF));
}

void put32(std::vector<uint8_t>& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

struct ColorOrder {
    bool operator()(const Rgb& a, const Rgb& b) const {
        return std::tie(a.r, a.g, a.b) < std::tie(b.r, b.g, b.b);
    }
};

} // namespace

std::optional<std::vector<uint8_t>> encodeBmp8(const Canvas& canvas) {
    const int width = canvas.width();
    const int height = canvas.height();
    if (width <= 0 || height <= 0)
        return std::nullopt;

    std::map<Rgb, uint8_t, ColorOrder> palette;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            palette.emplace(canvas.at(x, y), 0);
    if (palette.size() > 256)
        return std::nullopt;
    uint8_t next = 0;
    for (auto& entry : palette)
        entry.second = next++;

    const uint32_t colors = uint32_t(palette.size());
    const uint32_t stride = (uint32_t(width) + 3u) & ~3u;
    const uint32_t imageSize = stride * uint32_t(height);
    const uint32_t dataOffset = 14 + 40 + 4 * colors;

    std::vector<uint8_t> out;
    out.reserve(dataOffset + imageSize);
    // File header.
    out.push_back('B');
    out.push_back('M');
    put32(out, dataOffset + imageSize);
    put32(out, 0); // reserved
    put32(out, dataOffset);
    // Information header.
    put32(out, 40);
    put32(out, uint32_t(width));
    put32(out, uint32_t(height)); // positive: bottom-up rows
    put16(out, 1);                // planes
    put16(out, 8);                // bits per pixel
    put32(out, 0);                // no compression
    put32(out, imageSize);
    put32(out, 2835); // 72 dots per inch, horizontally
    put32(out, 2835); // and vertically
    put32(out, colors);
    put32(out, 0); // all colours important
    // Palette: blue, green, red, reserved.
    for (const auto& entry : palette) {
        out.push_back(entry.first.b);
        out.push_back(entry.first.g);
        out.push_back(entry.first.r);
        out.push_back(0);
    }
    // Rows from the bottom up.
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x)
            out.push_back(palette.at(canvas.at(x, y)));
        for (uint32_t pad = uint32_t(width); pad < stride; ++pad)
            out.push_back(0);
    }
    return out;
}

} // namespace kestrune::artwork
