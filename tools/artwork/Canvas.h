// An RGB picture to draw the artwork into, with the few primitives the pictures need.
//
// Coordinates are pixels with the origin at the top left; rectangles are (left, top, right,
// bottom) with the right and bottom edges excluded. Shapes with curved edges are drawn by
// supersampling so that the result depends on arithmetic only, never on a rasteriser library.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace kestrune::artwork {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

constexpr Rgb grey(int level) {
    return Rgb{uint8_t(level), uint8_t(level), uint8_t(level)};
}

// A linear mix: t = 0 gives a, t = 1 gives b; channels rounded to the nearest integer.
Rgb mix(Rgb a, Rgb b, double t);

class Canvas {
public:
    Canvas(int width, int height, Rgb fill);

    int width() const { return width_; }
    int height() const { return height_; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    Rgb at(int x, int y) const { return pixels_[size_t(y) * size_t(width_) + size_t(x)]; }

    void set(int x, int y, Rgb color);
    // Covers the pixel with `color` at the given opacity (0..1).
    void blend(int x, int y, Rgb color, double opacity);
    void fillRect(int left, int top, int right, int bottom, Rgb color);
    void frameRect(int left, int top, int right, int bottom, Rgb color);
    void horizontalLine(int left, int right, int y, Rgb color);
    void verticalLine(int x, int top, int bottom, Rgb color);
    // Copies `source` with its top-left corner at (x, y).
    void paste(const Canvas& source, int x, int y);

    // Paints every pixel of the rectangle with coverage from `inside`, a test of a point in
    // continuous coordinates (pixel (x, y) spans x..x+1, y..y+1), sampled `samples` x `samples`
    // times per pixel. `colorAt` gives the colour at a covered point.
    void paintShape(int left, int top, int right, int bottom,
                    const std::function<bool(double, double)>& inside,
                    const std::function<Rgb(double, double)>& colorAt, int samples = 8);

private:
    int width_;
    int height_;
    std::vector<Rgb> pixels_;
};

} // namespace kestrune::artwork
