#include "tools/artwork/Canvas.h"

#include <algorithm>
#include <cmath>

namespace kestrune::artwork {

namespace {

uint8_t mixChannel(uint8_t a, uint8_t b, double t) {
    double value = double(a) + (double(b) - double(a)) * t;
    return uint8_t(std::clamp(std::lround(value), 0L, 255L));
}

} // namespace

Rgb mix(Rgb a, Rgb b, double t) {
    return Rgb{mixChannel(a.r, b.r, t), mixChannel(a.g, b.g, t), mixChannel(a.b, b.b, t)};
}

Canvas::Canvas(int width, int height, Rgb fill)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      pixels_(size_t(width_) * size_t(height_), fill) {}

void Canvas::set(int x, int y, Rgb color) {
    if (contains(x, y))
        pixels_[size_t(y) * size_t(width_) + size_t(x)] = color;
}

void Canvas::blend(int x, int y, Rgb color, double opacity) {
    if (!contains(x, y) || opacity <= 0.0)
        return;
    set(x, y, opacity >= 1.0 ? color : mix(at(x, y), color, opacity));
}

void Canvas::fillRect(int left, int top, int right, int bottom, Rgb color) {
    for (int y = std::max(top, 0); y < std::min(bottom, height_); ++y)
        for (int x = std::max(left, 0); x < std::min(right, width_); ++x)
            set(x, y, color);
}

void Canvas::frameRect(int left, int top, int right, int bottom, Rgb color) {
    horizontalLine(left, right, top, color);
    horizontalLine(left, right, bottom - 1, color);
    verticalLine(left, top, bottom, color);
    verticalLine(right - 1, top, bottom, color);
}

void Canvas::horizontalLine(int left, int right, int y, Rgb color) {
    fillRect(left, y, right, y + 1, color);
}

void Canvas::verticalLine(int x, int top, int bottom, Rgb color) {
    fillRect(x, top, x + 1, bottom, color);
}

void Canvas::paste(const Canvas& source, int x, int y) {
    for (int row = 0; row < source.height(); ++row)
        for (int column = 0; column < source.width(); ++column)
            set(x + column, y + row, source.at(column, row));
}

void Canvas::paintShape(int left, int top, int right, int bottom,
                        const std::function<bool(double, double)>& inside,
                        const std::function<Rgb(double, double)>& colorAt, int samples) {
    const double step = 1.0 / samples;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            if (!contains(x, y))
                continue;
            // Average the colour over the covered samples; the coverage is the opacity.
            double r = 0, g = 0, b = 0;
            int covered = 0;
            for (int sy = 0; sy < samples; ++sy) {
                for (int sx = 0; sx < samples; ++sx) {
                    double px = x + (sx + 0.5) * step;
                    double py = y + (sy + 0.5) * step;
                    if (!inside(px, py))
                        continue;
                    Rgb c = colorAt(px, py);
                    r += c.r;
                    g += c.g;
                    b += c.b;
                    ++covered;
                }
            }
            if (covered == 0)
                continue;
            Rgb average{uint8_t(std::lround(r / covered)), uint8_t(std::lround(g / covered)),
                        uint8_t(std::lround(b / covered))};
            blend(x, y, average, double(covered) / double(samples * samples));
        }
    }
}

} // namespace kestrune::artwork
