// 24-bit BMP pictures for tests that compare pixels across systems: the Windows build has no PNG
// library, so pictures shared with it are kept as plain BMP files. Pixels are 0x00BBGGRR, rows
// top to bottom.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace kestrune::test {

inline std::FILE* openPicture(const std::string& path, const char* mode) {
#if defined(_WIN32)
    // Wine maps the Unix file system to drive Z:.
    if (!path.empty() && path[0] == '/') {
        return std::fopen(("Z:" + path).c_str(), mode);
    }
#endif
    return std::fopen(path.c_str(), mode);
}

inline void putLittle(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

inline bool writeBmp(const std::string& path, int width, int height,
                     const std::vector<uint32_t>& pixels) {
    if (width <= 0 || height <= 0 || pixels.size() != static_cast<size_t>(width) * height) {
        return false;
    }
    const uint32_t rowBytes = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    std::vector<uint8_t> file;
    file.push_back('B');
    file.push_back('M');
    putLittle(file, 54 + rowBytes * height, 4);
    putLittle(file, 0, 4);
    putLittle(file, 54, 4);
    putLittle(file, 40, 4);
    putLittle(file, static_cast<uint32_t>(width), 4);
    putLittle(file, static_cast<uint32_t>(height), 4);
    putLittle(file, 1, 2);
    putLittle(file, 24, 2);
    putLittle(file, 0, 4);
    putLittle(file, rowBytes * height, 4);
    putLittle(file, 2835, 4);
    putLittle(file, 2835, 4);
    putLittle(file, 0, 4);
    putLittle(file, 0, 4);
    for (int y = height - 1; y >= 0; --y) { // bottom-up rows
        for (int x = 0; x < width; ++x) {
            const uint32_t pixel = pixels[static_cast<size_t>(y) * width + x];
            file.push_back(static_cast<uint8_t>(pixel >> 16)); // blue
            file.push_back(static_cast<uint8_t>(pixel >> 8));  // green
            file.push_back(static_cast<uint8_t>(pixel));       // red
        }
        for (uint32_t pad = static_cast<uint32_t>(width) * 3; pad < rowBytes; ++pad) {
            file.push_back(0);
        }
    }
    std::FILE* out = openPicture(path, "wb");
    if (!out) {
        return false;
    }
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && written;
}

inline bool readBmp(const std::string& path, int& width, int& height,
                    std::vector<uint32_t>& pixels) {
    std::FILE* in = openPicture(path, "rb");
    if (!in) {
        return false;
    }
    std::vector<uint8_t> file;
    uint8_t chunk[4096];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, in)) > 0;) {
        file.insert(file.end(), chunk, chunk + n);
    }
    std::fclose(in);
    auto little = [&](size_t at, int bytes) {
        uint32_t value = 0;
        for (int i = 0; i < bytes; ++i) {
            value |= static_cast<uint32_t>(file[at + i]) << (8 * i);
        }
        return value;
    };
    if (file.size() < 54 || file[0] != 'B' || file[1] != 'M' || little(28, 2) != 24) {
        return false;
    }
    width = static_cast<int>(little(18, 4));
    height = static_cast<int>(little(22, 4));
    const uint32_t offset = little(10, 4);
    const uint32_t rowBytes = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    if (width <= 0 || height <= 0 || file.size() < offset + rowBytes * height) {
        return false;
    }
    pixels.assign(static_cast<size_t>(width) * height, 0);
    for (int y = 0; y < height; ++y) {
        const size_t row = offset + static_cast<size_t>(height - 1 - y) * rowBytes;
        for (int x = 0; x < width; ++x) {
            const size_t at = row + 3 * static_cast<size_t>(x);
            pixels[static_cast<size_t>(y) * width + x] =
                file[at + 2] | (file[at + 1] << 8) | (file[at] << 16);
        }
    }
    return true;
}

// The state both systems draw for the cross-system picture: the "init" program with release,
// key listen and the low-pass filter set by the host.
struct SharedState {
    int index;
    float value;
};
inline constexpr SharedState kSharedPanelState[] = {{3, 0.5f}, {6, 1.0f}, {7, 0.3f}};

// The readouts, where the text is drawn at run time (the systems' text anti-aliasing may differ).
struct PanelArea {
    int left, top, right, bottom;
};
inline constexpr PanelArea kReadoutAreas[] = {
    {20, 55, 70, 65},   {70, 55, 120, 65},  {120, 55, 170, 65},   {170, 55, 220, 65},
    {220, 55, 270, 65}, {270, 55, 320, 65}, {289, 144, 339, 154}, {289, 159, 339, 169},
};

inline bool inReadout(int x, int y) {
    for (const PanelArea& area : kReadoutAreas) {
        if (x >= area.left && x < area.right && y >= area.top && y < area.bottom) {
            return true;
        }
    }
    return false;
}

} // namespace kestrune::test
