// Drawing follows the platform's pixel rules: these run on both backends, so the software
// backend is held to what the real platform does. Software-only checks are marked.
#include "platform/Platform.h"
#include "tests/platform/PlatformTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kestrune {
namespace {

namespace pf = platform;
using testing::Canvas;

constexpr pf::ColorValue black = 0x000000;
constexpr pf::ColorValue white = 0xFFFFFF;
constexpr pf::ColorValue red = 0x0000FF;
constexpr pf::ColorValue green = 0x00FF00;
constexpr pf::ColorValue blue = 0xFF0000;

class PlatformDrawing : public ::testing::Test {
protected:
#if !defined(_WIN32)
    void SetUp() override {
        objectsBefore = pf::soft::liveObjectCount();
    }
    void TearDown() override {
        EXPECT_EQ(pf::soft::liveObjectCount(), objectsBefore) << "drawing objects leaked";
    }
#endif

    // Selects a pen for the canvas and hands back the previous one.
    static pf::DrawObject usePen(Canvas& c, uint32_t style, int width, pf::ColorValue color) {
        return pf::selectObject(c.dc, pf::createPen({style, {width, width}, color}));
    }
    static void dropPen(Canvas& c, pf::DrawObject previous) {
        pf::deleteObject(pf::selectObject(c.dc, previous));
    }

    size_t objectsBefore = 0;
};

TEST_F(PlatformDrawing, LinesLeaveOutTheirEndPoint) {
    struct Case {
        pf::Point from, to;
        int pixels;
    };
    const Case cases[] = {{{2, 5}, {12, 5}, 10},
                          {{5, 2}, {5, 9}, 7},
                          {{1, 1}, {8, 8}, 7},
                          {{12, 12}, {2, 7}, 10},
                          {{4, 4}, {4, 4}, 0}};
    for (const Case& c : cases) {
        Canvas canvas(16, 16, black);
        pf::DrawObject previous = usePen(canvas, pf::penSolid, 1, white);
        pf::moveTo(canvas.dc, c.from.x, c.from.y);
        pf::lineTo(canvas.dc, c.to.x, c.to.y);
        dropPen(canvas, previous);
        int lit = 0;
        for (pf::ColorValue p : canvas.pixels())
            lit += p == white;
        EXPECT_EQ(lit, c.pixels) << "line to " << c.to.x << "," << c.to.y << " "
                                 << canvas.save("line");
        EXPECT_EQ(canvas.pixel(c.to.x, c.to.y), black);
        if (c.pixels) {
            EXPECT_EQ(canvas.pixel(c.from.x, c.from.y), white);
        }
    }
}

#if !defined(_WIN32) // the software backend's dotted pattern (Wine draws these pens solid)
TEST_F(PlatformDrawing, DottedPenDrawsThreeOnThreeOff) {
    Canvas canvas(20, 3, black);
    pf::DrawObject previous = usePen(canvas, pf::penDot, 1, white);
    pf::moveTo(canvas.dc, 0, 1);
    pf::lineTo(canvas.dc, 18, 1);
    dropPen(canvas, previous);
    for (int x = 0; x < 18; ++x)
        EXPECT_EQ(canvas.pixel(x, 1), (x % 6) < 3 ? white : black) << "x " << x;
}
#endif

TEST_F(PlatformDrawing, WidePenIsSolidAndCentredOnTheLine) {
    Canvas canvas(20, 20, black);
    pf::DrawObject previous = usePen(canvas, pf::penDot, 3, white); // wide dotted pens are solid
    pf::moveTo(canvas.dc, 5, 10);
    pf::lineTo(canvas.dc, 15, 10);
    dropPen(canvas, previous);
    for (int x = 5; x <= 15; ++x)
        for (int y = 9; y <= 11; ++y)
            EXPECT_EQ(canvas.pixel(x, y), white) << x << "," << y;
    EXPECT_EQ(canvas.pixel(10, 8), black);
    EXPECT_EQ(canvas.pixel(10, 12), black);
}

TEST_F(PlatformDrawing, PenMixesCombineWithThePixelsBelow) {
    struct Case {
        int mix;
        pf::ColorValue below, pen, result;
    };
    const Case cases[] = {
        {pf::mixCopyPen, 0x123456, red, red},
        {pf::mixMergePen, 0x00FF00, 0x0000FF, 0x00FFFF},
        {pf::mixNotXorPen, 0x0F0F0F, 0x00FF00, 0xF00FF0},
        {pf::mixNotXorPen, 0xABCDEF, white, 0xABCDEF},
        {1, 0x777777, white, black},     // black
        {16, 0x777777, black, white},    // white
        {11, 0x777777, white, 0x777777}, // no operation
    };
    for (const Case& c : cases) {
        Canvas canvas(4, 4, c.below);
        pf::DrawObject previous = usePen(canvas, pf::penSolid, 1, c.pen);
        pf::setMixMode(canvas.dc, c.mix);
        pf::moveTo(canvas.dc, 0, 1);
        pf::lineTo(canvas.dc, 3, 1);
        dropPen(canvas, previous);
        EXPECT_EQ(canvas.pixel(1, 1), c.result) << "mix " << c.mix;
    }
}

TEST_F(PlatformDrawing, FilledRectangleIgnoresTheMixAndExcludesRightAndBottom) {
    Canvas canvas(12, 12, black);
    pf::setMixMode(canvas.dc, pf::mixNotXorPen);
    pf::DrawObject brush = pf::createSolidBrush(green);
    pf::fillRect(canvas.dc, {2, 3, 8, 9}, brush);
    pf::deleteObject(brush);
    pf::Rect box{};
    ASSERT_TRUE(canvas.inkBox(black, box));
    EXPECT_EQ(box.left, 2);
    EXPECT_EQ(box.top, 3);
    EXPECT_EQ(box.right, 8);
    EXPECT_EQ(box.bottom, 9);
    EXPECT_EQ(canvas.pixel(5, 5), green);
}

TEST_F(PlatformDrawing, EllipseStaysInsideItsBoxAndTouchesEverySide) {
    struct Case {
        bool pen;
        pf::Rect box;
        pf::Rect ink;
    };
    const Case cases[] = {{true, {2, 3, 14, 11}, {2, 3, 14, 11}},
                          {false, {2, 3, 14, 11}, {2, 3, 14, 11}},
                          {true, {5, 5, 6, 6}, {0, 0, 0, 0}}}; // too small to draw
    for (const Case& c : cases) {
        Canvas canvas(16, 16, black);
        pf::DrawObject brush = pf::createSolidBrush(red);
        pf::DrawObject oldBrush = pf::selectObject(canvas.dc, brush);
        pf::DrawObject oldPen =
            c.pen ? usePen(canvas, pf::penSolid, 1, white)
                  : pf::selectObject(canvas.dc, pf::stockObject(pf::stockNullPen));
        pf::ellipse(canvas.dc, c.box.left, c.box.top, c.box.right, c.box.bottom);
        if (c.pen) {
            dropPen(canvas, oldPen);
        } else {
            pf::selectObject(canvas.dc, oldPen);
        }
        pf::selectObject(canvas.dc, oldBrush);
        pf::deleteObject(brush);
        pf::Rect box{};
        bool drawn = canvas.inkBox(black, box);
        ASSERT_EQ(drawn, c.ink.right > 0) << canvas.save("ellipse");
        if (!drawn)
            continue;
        EXPECT_EQ(box.left, c.ink.left) << canvas.save("ellipse");
        EXPECT_EQ(box.top, c.ink.top);
        EXPECT_EQ(box.right, c.ink.right);
        EXPECT_EQ(box.bottom, c.ink.bottom);
        if (c.pen && c.box.right - c.box.left > 4) {
            int cx = (c.box.left + c.box.right) / 2;
            int cy = (c.box.top + c.box.bottom) / 2;
            EXPECT_EQ(canvas.pixel(cx, cy), red);                  // filled by the brush
            EXPECT_EQ(canvas.pixel(c.box.left, cy), white);        // outlined by the pen
            EXPECT_EQ(canvas.pixel(c.box.left, c.box.top), black); // corners stay free
        }
    }
}

TEST_F(PlatformDrawing, ArcRunsCounterClockwiseFromStartToEnd) {
    Canvas canvas(21, 21, black);
    pf::DrawObject previous = usePen(canvas, pf::penSolid, 1, white);
    // From the right (3 o'clock) counter-clockwise to the top (12 o'clock): the upper right.
    pf::arc(canvas.dc, 0, 0, 21, 21, 20, 10, 10, 0);
    dropPen(canvas, previous);
    EXPECT_EQ(canvas.pixel(17, 3), white) << canvas.save("arc");
    EXPECT_EQ(canvas.pixel(3, 3), black);
    EXPECT_EQ(canvas.pixel(3, 17), black);
    EXPECT_EQ(canvas.pixel(17, 17), black);
}

TEST_F(PlatformDrawing, PieFillsOnlyItsSector) {
    Canvas canvas(21, 21, black);
    pf::DrawObject brush = pf::createSolidBrush(blue);
    pf::DrawObject oldBrush = pf::selectObject(canvas.dc, brush);
    pf::DrawObject oldPen = pf::selectObject(canvas.dc, pf::stockObject(pf::stockNullPen));
    // From the top counter-clockwise to the right: three quarters, the upper right left out.
    pf::pie(canvas.dc, 0, 0, 21, 21, 10, 0, 20, 10);
    pf::selectObject(canvas.dc, oldPen);
    pf::selectObject(canvas.dc, oldBrush);
    pf::deleteObject(brush);
    EXPECT_EQ(canvas.pixel(14, 6), black) << canvas.save("pie");
    EXPECT_EQ(canvas.pixel(6, 6), blue);
    EXPECT_EQ(canvas.pixel(6, 14), blue);
    EXPECT_EQ(canvas.pixel(14, 14), blue);
}

TEST_F(PlatformDrawing, PolygonFollowsTheTopLeftRuleWithoutAPen) {
    Canvas canvas(12, 12, black);
    pf::DrawObject brush = pf::createSolidBrush(green);
    pf::DrawObject oldBrush = pf::selectObject(canvas.dc, brush);
    pf::DrawObject oldPen = pf::selectObject(canvas.dc, pf::stockObject(pf::stockNullPen));
    const pf::Point square[] = {{2, 2}, {9, 2}, {9, 9}, {2, 9}};
    pf::polygon(canvas.dc, square, 4);
    pf::selectObject(canvas.dc, oldPen);
    pf::selectObject(canvas.dc, oldBrush);
    pf::deleteObject(brush);
    pf::Rect box{};
    ASSERT_TRUE(canvas.inkBox(black, box));
    EXPECT_EQ(box.left, 2);
    EXPECT_EQ(box.top, 2);
    EXPECT_EQ(box.right, 9);
    EXPECT_EQ(box.bottom, 9);
}

TEST_F(PlatformDrawing, FloodFillReplacesTheConnectedAreaOnly) {
    Canvas canvas(12, 12, black);
    pf::DrawObject previous = usePen(canvas, pf::penSolid, 1, white);
    pf::moveTo(canvas.dc, 6, 0);
    pf::lineTo(canvas.dc, 6, 12); // a wall down the middle
    dropPen(canvas, previous);
    pf::DrawObject brush = pf::createSolidBrush(red);
    pf::DrawObject oldBrush = pf::selectObject(canvas.dc, brush);
    EXPECT_TRUE(pf::floodFill(canvas.dc, 2, 2, black, pf::floodFillSurface));
    EXPECT_FALSE(pf::floodFill(canvas.dc, 6, 2, black, pf::floodFillSurface)); // not that colour
    pf::selectObject(canvas.dc, oldBrush);
    pf::deleteObject(brush);
    EXPECT_EQ(canvas.pixel(0, 11), red);
    EXPECT_EQ(canvas.pixel(5, 5), red);
    EXPECT_EQ(canvas.pixel(6, 5), white);
    EXPECT_EQ(canvas.pixel(7, 5), black);
}

TEST_F(PlatformDrawing, ClipRegionLimitsEveryKindOfDrawing) {
    Canvas canvas(10, 10, black);
    pf::DrawObject region = pf::createRectRegion(2, 2, 5, 5);
    pf::selectClipRegion(canvas.dc, region);
    pf::deleteObject(region); // the context keeps its own copy
    pf::DrawObject brush = pf::createSolidBrush(white);
    pf::fillRect(canvas.dc, {0, 0, 10, 10}, brush);
    pf::deleteObject(brush);
    pf::setPixel(canvas.dc, 7, 7, red);
#if !defined(_WIN32) // Wine answers both calls as if there were no clip region
    EXPECT_EQ(pf::setPixel(canvas.dc, 7, 7, red), pf::invalidColor);
    EXPECT_EQ(canvas.pixel(7, 7), pf::invalidColor);
#endif
    pf::selectClipRegion(canvas.dc, nullptr);
    EXPECT_EQ(canvas.pixel(7, 7), black);
    pf::Rect box{};
    ASSERT_TRUE(canvas.inkBox(black, box));
    EXPECT_EQ(box.left, 2);
    EXPECT_EQ(box.top, 2);
    EXPECT_EQ(box.right, 5);
    EXPECT_EQ(box.bottom, 5);
}

TEST_F(PlatformDrawing, CopiesBetweenOneBitAndColourFollowBackgroundAndTextColours) {
    Canvas colour(4, 1, black);
    pf::setPixel(colour.dc, 0, 0, red);
    pf::setPixel(colour.dc, 1, 0, green);
    pf::DrawObject bits = pf::createMonoBitmap(4, 1);
    pf::DeviceContext monoDC = pf::createMemoryDC(colour.dc);
    pf::DrawObject previous = pf::selectObject(monoDC, bits);

    // Colour to one bit: the source's background colour becomes 1, every other colour 0.
    pf::setBackgroundColor(colour.dc, green);
    pf::copyPixels(monoDC, 0, 0, 4, 1, colour.dc, 0, 0, pf::rasterSourceCopy);
    EXPECT_EQ(pf::getPixel(monoDC, 0, 0), black);
    EXPECT_EQ(pf::getPixel(monoDC, 1, 0), white);
    EXPECT_EQ(pf::getPixel(monoDC, 2, 0), black);

    // One bit to colour: 1 takes the target's background colour, 0 its text colour.
    pf::setBackgroundColor(colour.dc, blue);
    pf::setTextColor(colour.dc, red);
    pf::copyPixels(colour.dc, 0, 0, 4, 1, monoDC, 0, 0, pf::rasterSourceCopy);
    EXPECT_EQ(colour.pixel(0, 0), red);
    EXPECT_EQ(colour.pixel(1, 0), blue);

    pf::selectObject(monoDC, previous);
    pf::deleteMemoryDC(monoDC);
    pf::deleteObject(bits);
}

TEST_F(PlatformDrawing, InvertAndMaskRasterOperations) {
    Canvas target(2, 1, 0x0F0F0F);
    Canvas source(2, 1, 0x00FF0F);
    pf::copyPixels(target.dc, 0, 0, 1, 1, source.dc, 0, 0, pf::rasterSourceInvert);
    pf::copyPixels(target.dc, 1, 0, 1, 1, source.dc, 1, 0, pf::rasterSourceAnd);
    EXPECT_EQ(target.pixel(0, 0), 0x0FF000u);
    EXPECT_EQ(target.pixel(1, 0), 0x000F0Fu);
}

TEST_F(PlatformDrawing, MemoryContextMakesOneBitBitmapsUntilItHoldsAColourOne) {
    pf::DeviceContext dc = pf::createMemoryDC(nullptr);
    pf::BitmapDescription description{};
    pf::DrawObject first = pf::createCompatibleBitmap(dc, 4, 4);
    ASSERT_TRUE(pf::describeBitmap(first, description));
    EXPECT_EQ(description.bitsPerPixel, 1); // the platform's well-known trap
    pf::DeviceContext screen = pf::acquireWindowDC(nullptr);
    pf::DrawObject colour = pf::createCompatibleBitmap(screen, 4, 4);
    pf::releaseWindowDC(nullptr, screen);
    pf::DrawObject previous = pf::selectObject(dc, colour);
    pf::DrawObject second = pf::createCompatibleBitmap(dc, 4, 4);
    ASSERT_TRUE(pf::describeBitmap(second, description));
    EXPECT_GT(description.bitsPerPixel, 1); // 24 in software, 32 under Wine
    pf::selectObject(dc, previous);
    pf::deleteMemoryDC(dc);
    for (pf::DrawObject b : {first, colour, second})
        pf::deleteObject(b);
}

#if !defined(_WIN32) // stale handles are refused by the software backend
TEST_F(PlatformDrawing, SelectedObjectsCannotBeDeletedAndBitmapsLiveInOneContext) {
    Canvas canvas(4, 4);
    pf::DeviceContext other = pf::createMemoryDC(canvas.dc);
    EXPECT_EQ(pf::selectObject(other, canvas.bitmap), nullptr);
    EXPECT_FALSE(pf::deleteObject(canvas.bitmap));
    pf::DrawObject pen = pf::createPen({pf::penSolid, {1, 1}, red});
    pf::DrawObject previous = pf::selectObject(canvas.dc, pen);
    EXPECT_FALSE(pf::deleteObject(pen));
    pf::selectObject(canvas.dc, previous);
    EXPECT_TRUE(pf::deleteObject(pen));
    EXPECT_FALSE(pf::deleteObject(pen)); // gone: a stale handle is refused, not followed
    pf::deleteMemoryDC(other);
}
#endif

TEST_F(PlatformDrawing, ImageLibraryBlendsWithConstantOpacityAndLeavesOutTheKey) {
    pf::Module library = pf::loadLibrary("MSIMG32.DLL");
    ASSERT_NE(library, nullptr);
    auto blend = reinterpret_cast<pf::AlphaBlendEntry>(pf::findEntry(library, "AlphaBlend"));
    auto keyed =
        reinterpret_cast<pf::TransparentBltEntry>(pf::findEntry(library, "TransparentBlt"));
    ASSERT_NE(blend, nullptr);
    ASSERT_NE(keyed, nullptr);

    Canvas target(3, 1, 0x000000);
    Canvas source(3, 1, 0xFFFFFF);
    pf::setPixel(source.dc, 1, 0, 0x204080);
    EXPECT_TRUE(blend(target.dc, 0, 0, 1, 1, source.dc, 0, 0, 1, 1, {0, 0, 128, 0}));
    EXPECT_EQ(target.pixel(0, 0), 0x808080u); // (255 * 128 + 127) / 255
    EXPECT_FALSE(blend(target.dc, 0, 0, 2, 1, source.dc, 2, 0, 2, 1, {0, 0, 255, 0}))
        << "a source area outside the picture is refused";

    target.paint(0x000000);
    EXPECT_TRUE(keyed(target.dc, 0, 0, 3, 1, source.dc, 0, 0, 3, 1, 0xFFFFFF));
    EXPECT_EQ(target.pixel(0, 0), 0u);
    EXPECT_EQ(target.pixel(1, 0), 0x204080u);
    EXPECT_TRUE(pf::freeLibrary(library));
}

#if !defined(_WIN32) // PNG output of the software backend
TEST_F(PlatformDrawing, BitmapsAndWindowsCanBeWrittenAsPng) {
    Canvas canvas(5, 3, red);
    std::string path = testing::evidencePath("soft-png-check");
    ASSERT_TRUE(pf::soft::writeBitmapPng(canvas.bitmap, path));
    FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    unsigned char signature[8] = {};
    EXPECT_EQ(std::fread(signature, 1, 8, file), 8u);
    std::fclose(file);
    EXPECT_EQ(std::memcmp(signature, "\x89PNG\r\n\x1a\n", 8), 0);
}
#endif

} // namespace
} // namespace kestrune
