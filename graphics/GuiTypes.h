// Geometry and colour values shared by the toolkit and the controls.
#pragma once

#include <algorithm>
#include <cstdint>

namespace kestrune {

struct GuiPoint {
    int32_t h = 0; // grows to the right
    int32_t v = 0; // grows downwards
};

// `right` and `bottom` are the first column and row outside the area for filling, copying and
// containsPoint; outline drawing includes them.
struct GuiRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
    bool containsPoint(const GuiPoint& p) const {
        return left <= p.h && p.h < right && top <= p.v && p.v < bottom;
    }
    bool hasNoArea() const { return left >= right || top >= bottom; }
    // An empty intersection becomes a zero-size rectangle, never an inverted one.
    void clipTo(const GuiRect& r) {
        left = std::max(left, r.left);
        top = std::max(top, r.top);
        right = std::min(right, r.right);
        bottom = std::min(bottom, r.bottom);
        if (bottom < top)
            bottom = top;
        if (right < left)
            right = left;
    }
};

// Four bytes in memory order red, green, blue and one that no drawing operation reads.
struct GuiColor {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t unused = 0;

    // The platform's colour value: red + 256 green + 65536 blue.
    uint32_t platformValue() const {
        return uint32_t(red) | (uint32_t(green) << 8) | (uint32_t(blue) << 16);
    }
    static GuiColor fromPlatform(uint32_t value) {
        return {uint8_t(value & 0xFF), uint8_t((value >> 8) & 0xFF), uint8_t((value >> 16) & 0xFF),
                0};
    }
    bool sameRgb(const GuiColor& other) const {
        return red == other.red && green == other.green && blue == other.blue;
    }
};

static_assert(sizeof(GuiColor) == 4, "a colour travels as one 32-bit word");

inline constexpr GuiColor colorBlack{0, 0, 0, 0};
inline constexpr GuiColor colorWhite{255, 255, 255, 0};
inline constexpr GuiColor colorGrey{127, 127, 127, 0};
inline constexpr GuiColor colorRed{255, 0, 0, 0};
// The transparent key of a newly loaded bitmap.
inline constexpr GuiColor defaultKeyColor{255, 255, 255, 0};

enum LinePattern : int32_t { solid = 0, dotted = 1 };

enum RasterMode : int32_t { copy = 0, merge = 1, notXor = 2 };

enum TextAlign : int32_t { alignLeft = 0, alignCenter = 1, alignRight = 2 };

enum FontStyle : int32_t { styleBold = 1, styleItalic = 2, styleUnderline = 4 };

// Mouse buttons (primary and secondary as the user set them up) and modifier keys.
enum MouseState : int32_t {
    mouseLeft = 1,
    mouseMiddle = 2,
    mouseRight = 4,
    keyShift = 8,
    keyControl = 16,
    keyAlt = 32,
};

} // namespace kestrune
