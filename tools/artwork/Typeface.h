// Labels for the artwork: FreeType rendering of the Liberation Sans faces, hinted at the pixel
// size and blended into a canvas with the coverage rounded to a few steps, so that a label adds
// only a handful of colours to a picture's palette.
#pragma once

#include "tools/artwork/Canvas.h"

#include <memory>
#include <string>
#include <string_view>

namespace kestrune::artwork {

enum class Weight { regular, bold };
enum class Align { left, centre, right };

struct TextStyle {
    Weight weight = Weight::regular;
    int pixelSize = 11; // the em size in pixels
    Rgb ink = grey(255);
    int tracking = 0; // extra pixels after every character
};

class Typeface {
public:
    // Opens LiberationSans-Regular.ttf and LiberationSans-Bold.ttf in `fontFolder`.
    explicit Typeface(const std::string& fontFolder);
    ~Typeface();
    Typeface(const Typeface&) = delete;
    Typeface& operator=(const Typeface&) = delete;

    bool ready() const;
    const std::string& error() const { return error_; }

    // Advance width of a UTF-8 text in whole pixels.
    int width(std::string_view text, const TextStyle& style) const;
    // Ascent of capitals (the height of "H") in whole pixels.
    int capHeight(const TextStyle& style) const;
    // Draws a UTF-8 text with its baseline at `baseline`; `x` is the left end, the centre or the
    // right end as `align` says.
    void draw(Canvas& canvas, std::string_view text, int x, int baseline, Align align,
              const TextStyle& style) const;

private:
    struct Faces;
    std::unique_ptr<Faces> faces_;
    std::string error_;
};

} // namespace kestrune::artwork
