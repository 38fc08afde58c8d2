// Canvases and evidence files for the platform and graphics tests (both backends).
#pragma once

#include "platform/Platform.h"
#if !defined(_WIN32)
#include "platform/soft/SoftPlatform.h"
#endif

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kestrune::testing {

// Where a failing test leaves its pictures.
inline std::string evidencePath(const std::string& name) {
    std::filesystem::path folder(KESTRUNE_TEST_OUTPUT_DIR);
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    return (folder / (name + ".png")).string();
}

// A colour bitmap selected into a memory device context compatible with the screen.
class Canvas {
public:
    Canvas(int width, int height, platform::ColorValue fill = 0) : width_(width), height_(height) {
        platform::DeviceContext screen = platform::acquireWindowDC(nullptr);
        dc = platform::createMemoryDC(screen);
        bitmap = platform::createCompatibleBitmap(screen, width, height);
        platform::releaseWindowDC(nullptr, screen);
        previous = platform::selectObject(dc, bitmap);
        paint(fill);
    }
    ~Canvas() {
        platform::selectObject(dc, previous);
        platform::deleteMemoryDC(dc);
        platform::deleteObject(bitmap);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    void paint(platform::ColorValue color) {
        platform::DrawObject brush = platform::createSolidBrush(color);
        platform::Rect all{0, 0, width_, height_};
        platform::fillRect(dc, all, brush);
        platform::deleteObject(brush);
    }
    platform::ColorValue pixel(int x, int y) const { return platform::getPixel(dc, x, y); }
    std::vector<platform::ColorValue> pixels() const {
        std::vector<platform::ColorValue> all;
        all.reserve(size_t(width_) * size_t(height_));
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                all.push_back(pixel(x, y));
        return all;
    }
    // Pixels that differ from `background`, as their bounding box; false when there are none.
    bool inkBox(platform::ColorValue background, platform::Rect& out) const {
        bool any = false;
        out = {width_, height_, -1, -1};
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (pixel(x, y) != background) {
                    any = true;
                    out.left = x < out.left ? x : out.left;
                    out.top = y < out.top ? y : out.top;
                    out.right = x + 1 > out.right ? x + 1 : out.right;
                    out.bottom = y + 1 > out.bottom ? y + 1 : out.bottom;
                }
        return any;
    }
    // Writes the canvas as a PNG (software backend) and answers the file name for messages.
    std::string save(const std::string& name) const {
        std::string path = evidencePath(name);
#if !defined(_WIN32)
        platform::soft::writeBitmapPng(bitmap, path);
        return path;
#else
        return name + " (no picture on this platform)";
#endif
    }
    int width() const {
        return width_;
    }
    int height() const {
        return height_;
    }

    platform::DeviceContext dc = nullptr;
    platform::DrawObject bitmap = nullptr;
    platform::DrawObject previous = nullptr;

private:
    int width_;
    int height_;
};

} // namespace kestrune::testing
