// The committed bitmap files: header, palette and the pixels the editor depends on.
#include "tests/resources/BmpReader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace kestrune::testing {
namespace {

const Color kPanel = greyLevel(102);
const Color kBlack = greyLevel(0);
const Color kDark = greyLevel(51);
const Color kWhite = greyLevel(255);
const Color kRed{153, 0, 0};
const Color kBlue{0, 0, 153};

BmpFile load(const std::string& name) {
    BmpFile file;
    EXPECT_TRUE(file.read(bitmapPath(name))) << name;
    return file;
}

// ---- headers ----

struct FileCase {
    const char* name;
    int width;
    int height;
};

void PrintTo(const FileCase& c, std::ostream* out) {
    *out << c.name;
}

class BitmapHeader : public ::testing::TestWithParam<FileCase> {};

TEST_P(BitmapHeader, IsUncompressedEightBitsWithItsPaletteBottomUpAndPadded) {
    const FileCase& c = GetParam();
    BmpFile file;
    ASSERT_TRUE(file.read(bitmapPath(c.name)));
    EXPECT_EQ(file.width, c.width);
    EXPECT_EQ(file.height, c.height); // positive: rows from the bottom up
    EXPECT_EQ(file.headerSize, 40u);
    EXPECT_EQ(file.planes, 1);
    EXPECT_EQ(file.bitsPerPixel, 8);
    EXPECT_EQ(file.compression, 0u);
    EXPECT_EQ(file.fileSize, file.bytes.size());
    EXPECT_EQ(file.dataOffset, 14u + 40u + 4u * file.colorsUsed);
    EXPECT_EQ(file.imageSize, file.stride() * uint32_t(c.height));
    EXPECT_EQ(file.bytes.size(), size_t(file.dataOffset) + file.imageSize);
    EXPECT_EQ(file.stride() % 4, 0u);
    // Every pixel names a palette entry; padding bytes are zero.
    for (int y = 0; y < file.height; ++y) {
        for (int x = 0; x < file.width; ++x)
            ASSERT_LT(file.index(x, y), file.colorsUsed) << c.name << " at " << x << ", " << y;
        for (uint32_t x = uint32_t(file.width); x < file.stride(); ++x)
            ASSERT_EQ(file.bytes[file.dataOffset + file.stride() * uint32_t(y) + x], 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Resources, BitmapHeader,
                         ::testing::Values(FileCase{"128-panel-stereo.bmp", 340, 190},
                                           FileCase{"128-panel-mono.bmp", 340, 190},
                                           FileCase{"129-fader-track.bmp", 130, 10},
                                           FileCase{"130-fader-handle.bmp", 20, 10},
                                           FileCase{"131-knob-strip.bmp", 30, 750},
                                           FileCase{"132-meter-unlit.bmp", 160, 5},
                                           FileCase{"133-meter-lit.bmp", 160, 5},
                                           FileCase{"134-button.bmp", 30, 20},
                                           FileCase{"135-routing.bmp", 114, 40}),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             std::string out;
                             for (char ch : name.substr(0, name.size() - 4))
                                 out += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                             return out;
                         });

// ---- panel ----

struct Rect {
    int left, top, right, bottom;
};

// Where the editor puts its controls and readouts: the panel must be plain grey there, so that
// nothing of a label is cut off or shows around a control.
const Rect kCoveredAreas[] = {
    {148, 30, 308, 35},                                             // meter
    {158, 145, 288, 155}, {158, 160, 288, 170},                     // faders
    {289, 144, 339, 154}, {289, 159, 339, 169},                     // fader readouts
    {20, 55, 70, 65},     {70, 55, 120, 65},    {120, 55, 170, 65}, // knob readouts
    {170, 55, 220, 65},   {220, 55, 270, 65},   {270, 55, 320, 65},
    {30, 70, 60, 100},    {80, 70, 110, 100},   {130, 70, 160, 100}, // knobs
    {180, 70, 210, 100},  {230, 70, 260, 100},  {280, 70, 310, 100},
};

class Panel : public ::testing::TestWithParam<const char*> {};

TEST_P(Panel, IsPlainPanelGreyUnderEveryControlAndReadout) {
    BmpFile panel = load(GetParam());
    for (const Rect& r : kCoveredAreas)
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                ASSERT_EQ(panel.at(x, y), kPanel) << GetParam() << " at " << x << ", " << y;
}

TEST_P(Panel, ShowsAnEmptyButtonFrameUnderEachButton) {
    BmpFile panel = load(GetParam());
    for (int left : {16, 61}) {
        const int top = 148, right = left + 30, bottom = top + 10;
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                bool border = x == left || x == right - 1 || y == top || y == bottom - 1;
                ASSERT_EQ(panel.at(x, y), border ? kDark : kPanel) << x << ", " << y;
            }
        }
    }
}

TEST_P(Panel, HasALabelUnderEveryKnobAndMarksUnderTheMeter) {
    BmpFile panel = load(GetParam());
    auto hasInk = [&](const Rect& r) {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (panel.at(x, y).r >= 200)
                    return true;
        return false;
    };
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(hasInk({20 + 50 * i, 101, 70 + 50 * i, 115})) << "knob " << i;
    EXPECT_TRUE(hasInk({220, 115, 270, 127})) << "second line of Expand Ratio";
    // Scale marks at the left end, a quarter, the middle and the right end of the meter.
    for (int x : {148, 188, 228, 307}) {
        EXPECT_GE(panel.at(x, 37).r, 200) << "mark at " << x;
        EXPECT_EQ(panel.at(x + (x == 307 ? -3 : 3), 37), kPanel) << "beside the mark at " << x;
    }
    EXPECT_TRUE(hasInk({120, 30, 146, 38})) << "Reduction label";
    EXPECT_TRUE(hasInk({95, 137, 156, 172})) << "fader labels";
    EXPECT_TRUE(hasInk({8, 136, 92, 147})) << "button labels";
}

TEST_P(Panel, UsesThePanelGreyExactly) {
    BmpFile panel = load(GetParam());
    EXPECT_EQ(panel.at(5, 60), kPanel);
    EXPECT_EQ(panel.at(320, 100), kPanel);
    bool inPalette = false;
    for (const Color& c : panel.palette)
        inPalette = inPalette || c == kPanel;
    EXPECT_TRUE(inPalette);
}

INSTANTIATE_TEST_SUITE_P(Resources, Panel,
                         ::testing::Values("128-panel-stereo.bmp", "128-panel-mono.bmp"));

TEST(PanelVariants, DifferOnlyInTheTitleLine) {
    BmpFile stereo = load("128-panel-stereo.bmp");
    BmpFile mono = load("128-panel-mono.bmp");
    bool titleDiffers = false;
    for (int y = 0; y < 190; ++y) {
        for (int x = 0; x < 340; ++x) {
            if (y < 20)
                titleDiffers = titleDiffers || !(stereo.at(x, y) == mono.at(x, y));
            else
                ASSERT_EQ(stereo.at(x, y), mono.at(x, y)) << x << ", " << y;
        }
    }
    EXPECT_TRUE(titleDiffers);
}

// ---- fader ----

TEST(FaderTrack, IsPanelGreyWithABlackLineAlongRowFive) {
    BmpFile track = load("129-fader-track.bmp");
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 130; ++x)
            ASSERT_EQ(track.at(x, y), y == 5 ? kBlack : kPanel) << x << ", " << y;
}

TEST(FaderHandle, IsDarkAndHasNoPixelOfTheSeeThroughWhite) {
    BmpFile handle = load("130-fader-handle.bmp");
    double sum = 0;
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 20; ++x) {
            ASSERT_FALSE(handle.at(x, y) == kWhite) << x << ", " << y;
            sum += handle.at(x, y).r;
        }
    }
    EXPECT_LT(sum / 200.0, 80.0);
}

// ---- meter ----

struct MeterCase {
    const char* name;
    Color lower; // segments 1 to 8
    Color upper; // segments 9 to 16
};

void PrintTo(const MeterCase& c, std::ostream* out) {
    *out << c.name;
}

class Meter : public ::testing::TestWithParam<MeterCase> {};

TEST_P(Meter, HasSixteenSegmentsOfOneBlackAndNineColouredPixels) {
    const MeterCase& c = GetParam();
    BmpFile meter = load(c.name);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 160; ++x) {
            Color expected = x % 10 == 0 ? kBlack : x < 80 ? c.lower : c.upper;
            ASSERT_EQ(meter.at(x, y), expected) << c.name << " at " << x << ", " << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Resources, Meter,
                         ::testing::Values(MeterCase{"132-meter-unlit.bmp", kRed, kDark},
                                           MeterCase{"133-meter-lit.bmp", kDark, kBlue}));

// ---- knob ----

constexpr double kPi = 3.14159265358979323846;

// Centre of the white dot of picture k: the mean position of its pure white pixels.
bool dotCentre(const BmpFile& strip, int k, double& x, double& y) {
    double sx = 0, sy = 0;
    int count = 0;
    for (int row = 0; row < 30; ++row) {
        for (int column = 0; column < 30; ++column) {
            if (strip.at(column, 30 * k + row) == kWhite) {
                sx += column + 0.5;
                sy += row + 0.5;
                ++count;
            }
        }
    }
    if (count == 0)
        return false;
    x = sx / count;
    y = sy / count;
    return true;
}

TEST(KnobStrip, DotTurnsClockwiseThroughTheSweepInTwentyFiveEqualSteps) {
    BmpFile strip = load("131-knob-strip.bmp");
    for (int k = 0; k < 25; ++k) {
        double x = 0, y = 0;
        ASSERT_TRUE(dotCentre(strip, k, x, y)) << "picture " << k;
        // Degrees clockwise from straight up.
        double angle = std::atan2(x - 15.0, 15.0 - y) * 180.0 / kPi;
        EXPECT_NEAR(angle, -135.0 + 11.25 * k, 1.5) << "picture " << k;
        EXPECT_NEAR(std::hypot(x - 15.0, y - 15.0), 7.2, 0.6) << "picture " << k;
    }
}

struct DotCase {
    int picture;
    int x, y;   // a pixel inside the dot
    int ox, oy; // the same distance on the opposite side: black knob
};

TEST(KnobStrip, FirstMiddleAndLastPicturesPointLowerLeftUpAndLowerRight) {
    BmpFile strip = load("131-knob-strip.bmp");
    const DotCase cases[] = {
        {0, 9, 20, 20, 9},   // lower left, -135 degrees
        {12, 15, 7, 15, 22}, // straight up
        {24, 20, 20, 9, 9},  // lower right, +135 degrees
    };
    for (const DotCase& c : cases) {
        EXPECT_EQ(strip.at(c.x, 30 * c.picture + c.y), kWhite) << "picture " << c.picture;
        EXPECT_LT(strip.at(c.ox, 30 * c.picture + c.oy).r, 40) << "picture " << c.picture;
    }
}

TEST(KnobStrip, EveryPictureSitsOnThePanelGreyAtItsCorners) {
    BmpFile strip = load("131-knob-strip.bmp");
    for (int k = 0; k < 25; ++k)
        for (auto [x, y] : {std::pair{0, 0}, {29, 0}, {0, 29}, {29, 29}})
            ASSERT_EQ(strip.at(x, 30 * k + y), kPanel) << "picture " << k;
}

// ---- button ----

TEST(Button, ShowsOffAboveAndOnBelowInWhiteInsideADarkBorder) {
    BmpFile button = load("134-button.bmp");
    std::string halves[2];
    for (int half = 0; half < 2; ++half) {
        int top = 10 * half;
        int white = 0;
        for (int y = top; y < top + 10; ++y) {
            for (int x = 0; x < 30; ++x) {
                bool border = x == 0 || x == 29 || y == top || y == top + 9;
                Color c = button.at(x, y);
                if (border) {
                    ASSERT_EQ(c, kDark) << x << ", " << y;
                }
                white += c == kWhite;
                halves[half] += char(button.index(x, y));
            }
        }
        EXPECT_GT(white, 8) << "letters of half " << half;
        EXPECT_EQ(button.at(2, top + 5), kPanel);
    }
    EXPECT_NE(halves[0], halves[1]);
    // "OFF" is wider than "ON": its letters reach further left.
    auto leftmostInk = [&](int top) {
        for (int x = 1; x < 29; ++x)
            for (int y = top + 1; y < top + 9; ++y)
                if (button.at(x, y).r > 150)
                    return x;
        return 30;
    };
    EXPECT_LT(leftmostInk(0), leftmostInk(10));
}

} // namespace
} // namespace kestrune::testing
