// Text through FreeType with Liberation Sans, placed by the one-line layout rules.
#include "platform/Platform.h"
#include "platform/soft/SoftPlatform.h"
#include "tests/platform/PlatformTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kestrune {
namespace {

namespace pf = platform;
using testing::Canvas;

constexpr uint32_t oneLine = pf::textVerticalCenter | pf::textSingleLine | pf::textNoPrefix;

pf::FontDescription arial(int height, int weight = pf::weightNormal) {
    pf::FontDescription font{};
    font.height = -height;
    font.weight = weight;
    std::strcpy(font.faceName, "Arial");
    return font;
}

class SoftText : public ::testing::Test {
protected:
    SoftText() : canvas(120, 30, 0) {
        font = pf::createFont(arial(12));
        previous = pf::selectObject(canvas.dc, font);
        pf::setTextColor(canvas.dc, 0xFFFFFF);
        pf::setBackgroundMode(canvas.dc, pf::backgroundTransparent);
    }
    ~SoftText() override {
        pf::selectObject(canvas.dc, previous);
        pf::deleteObject(font);
    }
    int widthOf(const char* text) {
        pf::Size size{};
        EXPECT_TRUE(pf::textExtent(canvas.dc, text, -1, size));
        return size.width;
    }

    Canvas canvas;
    pf::DrawObject font;
    pf::DrawObject previous;
};

TEST_F(SoftText, CellHeightHoldsTheCharacterHeightAndIsTheOpaqueBackground) {
    int previousCell = 0;
    for (int height : {9, 10, 11, 12, 13, 14, 18}) {
        pf::DrawObject f = pf::createFont(arial(height));
        pf::DrawObject old = pf::selectObject(canvas.dc, f);
        pf::Size size{};
        EXPECT_TRUE(pf::textExtent(canvas.dc, "Hg", -1, size));
        // Arial's ascent and descent are 0.905 and 0.212 of the character height.
        EXPECT_GE(size.height, height + 1) << "height " << height;
        EXPECT_LE(size.height, height * 1117 / 1000 + 2) << "height " << height;
        EXPECT_GT(size.height, previousCell);
        previousCell = size.height;
        canvas.paint(0);
        pf::setBackgroundMode(canvas.dc, pf::backgroundOpaque);
        pf::setBackgroundColor(canvas.dc, 0x0000FF);
        pf::Rect r{0, 0, 120, 30};
        pf::drawText(canvas.dc, "Hg", -1, r, pf::textLeft | pf::textSingleLine);
        pf::Rect box{};
        ASSERT_TRUE(canvas.inkBox(0, box));
        EXPECT_EQ(box.bottom - box.top, size.height);
        EXPECT_EQ(box.right - box.left, size.width);
        pf::selectObject(canvas.dc, old);
        pf::deleteObject(f);
    }
}

TEST_F(SoftText, BoldTextIsWiderAndWidthsAddUp) {
    int regular = widthOf("Threshold");
    EXPECT_EQ(widthOf("Thresh") + widthOf("old"), regular); // no kerning between characters
    pf::DrawObject bold = pf::createFont(arial(12, pf::weightBold));
    pf::DrawObject old = pf::selectObject(canvas.dc, bold);
    EXPECT_GT(widthOf("Threshold"), regular);
    pf::selectObject(canvas.dc, old);
    pf::deleteObject(bold);
    EXPECT_EQ(widthOf(""), 0);
}

TEST_F(SoftText, OneLineAlignmentPlacesTheTextInItsRectangle) {
    const char* text = "0.50";
    int width = widthOf(text);
    struct Case {
        uint32_t format;
        int left; // where the text's advance box starts
    };
    pf::Rect area{10, 5, 110, 25};
    const Case cases[] = {
        {pf::textLeft, 10}, {pf::textCenter, (10 + 110 - width) / 2}, {pf::textRight, 110 - width}};
    for (const Case& c : cases) {
        canvas.paint(0);
        pf::Rect r = area;
        pf::setBackgroundMode(canvas.dc, pf::backgroundOpaque); // shows the text's cell
        pf::setBackgroundColor(canvas.dc, 0x0000FF);
        pf::drawText(canvas.dc, text, -1, r, c.format | oneLine);
        pf::Rect box{};
        ASSERT_TRUE(canvas.inkBox(0, box));
        EXPECT_EQ(box.left, c.left) << canvas.save("text-align");
        EXPECT_EQ(box.right, c.left + width);
        // Centred vertically: a 14-pixel cell in a 20-pixel rectangle starts 3 pixels down.
        EXPECT_EQ(box.top, 5 + 20 / 2 - 14 / 2);
        EXPECT_EQ(box.bottom - box.top, 14);
    }
}

TEST_F(SoftText, TextStaysInsideItsRectangleAndDrawsAmpersands) {
    pf::Rect r{0, 0, 12, 30};
    pf::drawText(canvas.dc, "Release&Hold", -1, r, pf::textLeft | oneLine);
    pf::Rect box{};
    ASSERT_TRUE(canvas.inkBox(0, box));
    EXPECT_LE(box.right, 12);
    canvas.paint(0);
    pf::Rect all{0, 0, 120, 30};
    pf::drawText(canvas.dc, "&", -1, all, pf::textLeft | oneLine);
    EXPECT_TRUE(canvas.inkBox(0, box)) << "an ampersand is drawn as a character";
}

TEST_F(SoftText, TransparentTextOnlyTouchesGlyphPixelsInTheTextColour) {
    canvas.paint(0x336699);
    pf::setTextColor(canvas.dc, 0x00FF00);
    pf::Rect r{0, 0, 120, 30};
    pf::drawText(canvas.dc, "Hold", -1, r, pf::textCenter | oneLine);
    int ink = 0;
    for (pf::ColorValue p : canvas.pixels()) {
        EXPECT_TRUE(p == 0x336699 || p == 0x00FF00);
        ink += p == 0x00FF00;
    }
    EXPECT_GT(ink, 20);
}

} // namespace
} // namespace kestrune
