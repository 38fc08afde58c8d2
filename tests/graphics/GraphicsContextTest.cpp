// The drawing context on a memory bitmap: which pixels each figure touches, what the context
// selects and gives back, the font table, text placement. These run on both backends: where the
// platform's own rasterisation decides a pixel, the expectation is what the platform draws.
#include "graphics/GraphicsContext.h"
#include "tests/graphics/GraphicsTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace {
int arrayAllocations = 0;
bool countingArrays = false;
} // namespace

// Counts the heap arrays made while a test listens.
void* operator new[](std::size_t size) {
    if (countingArrays)
        ++arrayAllocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (countingArrays)
        ++arrayAllocations;
    return std::malloc(size ? size : 1);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}

namespace kestrune {
namespace {

namespace pf = platform;
using testing::Canvas;

constexpr pf::ColorValue background = 0x000000;

class ContextOnCanvas : public ::testing::Test {
protected:
    ContextOnCanvas() : canvas(40, 30, background), ctx(nullptr, canvas.dc, nullptr) {}

    Canvas canvas;
    GraphicsContext ctx;
};

TEST_F(ContextOnCanvas, OutlineIncludesRightAndBottomAndFillStaysInside) {
    ctx.setLineColor(colorWhite);
    ctx.setBrushColor(colorRed);
    ctx.paintRect({0, 0, 10, 10});
    ctx.outlineRect({0, 0, 10, 10});
    EXPECT_EQ(canvas.pixel(10, 10), 0xFFFFFFu) << canvas.save("outline-fill");
    EXPECT_EQ(canvas.pixel(0, 10), 0xFFFFFFu);
    EXPECT_EQ(canvas.pixel(10, 0), 0xFFFFFFu);
    EXPECT_EQ(canvas.pixel(11, 11), background);
    for (int y = 1; y <= 9; ++y)
        for (int x = 1; x <= 9; ++x)
            ASSERT_EQ(canvas.pixel(x, y), colorRed.platformValue()) << x << "," << y;
}

TEST_F(ContextOnCanvas, FillDoesNotTouchTheOutlineRowAndColumn) {
    ctx.setBrushColor(colorRed);
    ctx.paintRect({0, 0, 10, 10});
    for (int i = 0; i <= 10; ++i) {
        EXPECT_EQ(canvas.pixel(i, 0), background);
        EXPECT_EQ(canvas.pixel(0, i), background);
        EXPECT_EQ(canvas.pixel(i, 10), background);
        EXPECT_EQ(canvas.pixel(10, i), background);
    }
}

TEST_F(ContextOnCanvas, DrawingOffsetShiftsFiguresButNotTheClipRegion) {
    ctx.drawOffset = {5, 3};
    ctx.setBrushColor(colorRed);
    ctx.paintRect({0, 0, 4, 4});
    pf::Rect box{};
    ASSERT_TRUE(canvas.inkBox(background, box));
    EXPECT_EQ(box.left, 6);
    EXPECT_EQ(box.top, 4);
    EXPECT_EQ(box.right, 9);
    EXPECT_EQ(box.bottom, 7);

    canvas.paint(background);
    ctx.setClipArea({0, 0, 8, 30}); // device coordinates
    ctx.paintRect({0, 0, 20, 20});
    ctx.clearClipArea();
    ASSERT_TRUE(canvas.inkBox(background, box));
    EXPECT_EQ(box.right, 8);
    EXPECT_EQ(ctx.clipArea.right, 1000) << "without a frame the clip area is 1000 x 1000";
}

TEST_F(ContextOnCanvas, FiguresMatchWhatThePlatformDrawsForTheSameCalls) {
    // Ellipses, arcs and pies are rasterised by the platform: the context must ask for exactly
    // the rectangles it states.
    GuiRect r{4, 4, 20, 16};
    ctx.setBrushColor(colorRed);
    ctx.setLineColor(colorWhite);
    ctx.paintEllipse(r);
    ctx.outlineEllipse(r);
    ctx.paintPie({22, 4, 38, 20}, {30, 4}, {38, 12});
    ctx.outlineArc({22, 4, 38, 20}, {38, 12}, {30, 20});

    Canvas direct(40, 30, background);
    pf::DrawObject brush = pf::createSolidBrush(colorRed.platformValue());
    pf::DrawObject pen = pf::createPen({pf::penSolid, {1, 1}, 0xFFFFFF});
    pf::DrawObject oldBrush = pf::selectObject(direct.dc, brush);
    pf::DrawObject oldPen = pf::selectObject(direct.dc, pf::stockObject(pf::stockNullPen));
    pf::ellipse(direct.dc, 5, 5, 21, 17);
    pf::pie(direct.dc, 23, 5, 38, 20, 30, 4, 38, 12);
    pf::selectObject(direct.dc, pen);
    pf::arc(direct.dc, 4, 4, 21, 17, 12, 4, 12, 4);
    pf::arc(direct.dc, 22, 4, 39, 21, 38, 12, 30, 20);
    pf::selectObject(direct.dc, oldPen);
    pf::selectObject(direct.dc, oldBrush);
    pf::deleteObject(brush);
    pf::deleteObject(pen);
    EXPECT_EQ(canvas.pixels(), direct.pixels())
        << canvas.save("figures-context") << " " << direct.save("figures-direct");
}

TEST_F(ContextOnCanvas, ContextGivesTheDeviceContextItsObjectsBack) {
    pf::DrawObject pen = pf::currentObject(canvas.dc, pf::objectPen);
    pf::DrawObject brush = pf::currentObject(canvas.dc, pf::objectBrush);
    pf::DrawObject font = pf::currentObject(canvas.dc, pf::objectFont);
    {
        GraphicsContext inner(nullptr, canvas.dc, nullptr);
        inner.setLineColor(colorRed);
        inner.setPenWidth(3);
        inner.setLinePattern(dotted);
        inner.setBrushColor(colorGrey);
        inner.selectFont(2, 0, styleBold);
        EXPECT_NE(pf::currentObject(canvas.dc, pf::objectPen), pen);
        EXPECT_NE(pf::currentObject(canvas.dc, pf::objectFont), font);
    }
    EXPECT_EQ(pf::currentObject(canvas.dc, pf::objectPen), pen);
    EXPECT_EQ(pf::currentObject(canvas.dc, pf::objectBrush), brush);
    EXPECT_EQ(pf::currentObject(canvas.dc, pf::objectFont), font);
}

TEST_F(ContextOnCanvas, ThirtyPointsNeedNoHeapArrayThirtyOneNeedOne) {
    GuiPoint points[31];
    for (int i = 0; i < 31; ++i)
        points[i] = {i, (i % 2) * 5};
    struct Case {
        int count;
        int arrays;
    };
    for (const Case& c : {Case{30, 0}, Case{31, 1}}) {
        arrayAllocations = 0;
        countingArrays = true;
        ctx.drawPolyline(points, c.count);
        ctx.paintPolygon(points, c.count);
        countingArrays = false;
        EXPECT_EQ(arrayAllocations, 2 * c.arrays) << c.count << " points";
    }
}

TEST_F(ContextOnCanvas, PolylineAndPolygonHonourTheDrawingOffset) {
    ctx.drawOffset = {10, 10};
    ctx.setLineColor(colorWhite);
    const GuiPoint line[] = {{0, 0}, {5, 0}};
    ctx.drawPolyline(line, 2);
    EXPECT_EQ(canvas.pixel(10, 10), 0xFFFFFFu);
    EXPECT_EQ(canvas.pixel(14, 10), 0xFFFFFFu);
    EXPECT_EQ(canvas.pixel(15, 10), background) << "the last point is left out";
    ctx.drawPolyline(nullptr, 5); // nothing to draw, nothing to crash
    ctx.paintPolygon(line, 0);
}

TEST_F(ContextOnCanvas, PixelsAndFloodFill) {
    ctx.setPixelColor({3, 4}, colorRed);
    GuiColor read = ctx.readPixelColor({3, 4});
    EXPECT_TRUE(read.sameRgb(colorRed));
    EXPECT_EQ(read.unused, 0);
    ctx.setLineColor(colorWhite);
    ctx.outlineRect({10, 10, 20, 20});
    ctx.setBrushColor(colorGrey);
    ctx.floodFillAt({15, 15});
    EXPECT_EQ(canvas.pixel(11, 11), colorGrey.platformValue());
    EXPECT_EQ(canvas.pixel(19, 19), colorGrey.platformValue());
    EXPECT_EQ(canvas.pixel(21, 21), background) << "the outline holds the fill in";
}

TEST_F(ContextOnCanvas, NotXorDrawnTwiceRestoresThePicture) {
    canvas.paint(0x336699);
    std::vector<pf::ColorValue> before = canvas.pixels();
    ctx.setLineColor(colorWhite);
    ctx.setRasterMode(notXor);
    for (int pass = 0; pass < 2; ++pass) {
        ctx.setPenPosition({2, 2});
        ctx.drawLineTo({30, 20});
    }
    EXPECT_EQ(canvas.pixels(), before);
}

TEST(FontTable, IndexHeightAndStyleMakeTheFontDescription) {
    struct Case {
        int index, height, style;
        int expectHeight, expectWeight;
        uint8_t italic, underline, family;
        const char* face;
    };
    const Case cases[] = {
        {9, 0, 0, -12, 700, 0, 0, 0x22, "Arial"}, // out of range: index 0, always bold
        {-1, 0, 0, -12, 700, 0, 0, 0x22, "Arial"},
        {7, 0, 0, -13, 400, 0, 0, 0x50, "Symbol"}, // decorative family
        {1, 0, styleItalic | styleUnderline, -18, 400, 1, 1, 0x22, "Arial"},
        {3, 20, styleBold, -20, 700, 0, 0, 0x22, "Arial"},
        {6, 0, 0, -9, 400, 0, 0, 0x22, "Arial"},
    };
    for (const Case& c : cases) {
        platform::FontDescription f = describeTableFont(c.index, c.height, c.style);
        EXPECT_EQ(f.height, c.expectHeight) << "index " << c.index;
        EXPECT_EQ(f.weight, c.expectWeight) << "index " << c.index;
        EXPECT_EQ(f.italic, c.italic);
        EXPECT_EQ(f.underline, c.underline);
        EXPECT_EQ(f.pitchAndFamily, c.family);
        EXPECT_STREQ(f.faceName, c.face);
        EXPECT_EQ(f.clipPrecision, 2);
        EXPECT_EQ(f.outPrecision, 1);
        EXPECT_EQ(f.quality, 0);
        EXPECT_EQ(f.charSet, 0);
    }
}

class TextInRect : public ContextOnCanvas {
protected:
    pf::Rect drawn(const char* text, TextAlign align, const GuiRect& r) {
        canvas.paint(background);
        ctx.selectFont(3, 0, 0);
        ctx.setTextColor(colorWhite);
        ctx.setBrushColor(colorRed);
        ctx.drawTextInRect(text, r, true, align); // the opaque cell shows where the text is
        pf::Rect box{};
        EXPECT_TRUE(canvas.inkBox(background, box)) << canvas.save("text-in-rect");
        return box;
    }
};

TEST_F(TextInRect, AlignmentLeftCentreRightAndOthers) {
    GuiRect r{2, 4, 38, 26};
    ctx.selectFont(3, 0, 0);
    int width = ctx.measureTextWidth("0.5");
    ASSERT_GT(width, 5);
    EXPECT_EQ(drawn("0.5", alignLeft, r).left, 3) << "one pixel in from the left edge";
    EXPECT_EQ(drawn("0.5", TextAlign(5), r).left, 3) << "unknown alignments draw left";
    EXPECT_EQ(drawn("0.5", alignRight, r).right, 38);
    pf::Rect centred = drawn("0.5", alignCenter, r);
    EXPECT_EQ(centred.left, (2 + 38 - width) / 2);
    EXPECT_EQ(centred.right - centred.left, width);
    // Vertically centred in the rectangle.
    int cell = centred.bottom - centred.top;
    EXPECT_EQ(centred.top, 4 + 22 / 2 - cell / 2);
}

TEST_F(TextInRect, NullTextDrawsNothingAndBackgroundModeReturnsToTransparent) {
    ctx.drawTextInRect(nullptr, {0, 0, 40, 30}, true, alignLeft);
    pf::Rect box{};
    EXPECT_FALSE(canvas.inkBox(background, box));
    EXPECT_EQ(ctx.measureTextWidth(nullptr), 0);
    ctx.setBrushColor(colorRed);
    ctx.drawTextInRect("x", {0, 0, 40, 30}, true, alignLeft);
    canvas.paint(background);
    ctx.setTextColor(colorWhite);
    pf::Rect area{0, 0, 40, 30};
    pf::drawText(canvas.dc, "x", 1, area, pf::textSingleLine);
    ASSERT_TRUE(canvas.inkBox(background, box));
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x)
            EXPECT_NE(canvas.pixel(x, y), colorRed.platformValue()) << "no opaque cell left on";
}

TEST(GraphicsContextWithoutDevice, DrawsNothingAndCreatesNothing) {
    GraphicsContext ctx(nullptr, nullptr, nullptr);
    EXPECT_EQ(ctx.ownPen, nullptr);
    EXPECT_EQ(ctx.ownBrush, nullptr);
    ctx.outlineRect({0, 0, 5, 5});
    ctx.paintRect({0, 0, 5, 5});
    ctx.drawTextInRect("text", {0, 0, 5, 5}, false, alignLeft);
    EXPECT_EQ(ctx.measureTextWidth("text"), 0);
    EXPECT_TRUE(colorWhite.sameRgb(ctx.lineColor));
    EXPECT_TRUE(colorBlack.sameRgb(ctx.brushColor));
}

} // namespace
} // namespace kestrune
