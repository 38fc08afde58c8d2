// Readouts: the texts, the formatter precedence, the background, edges and bevels, the colour
// rule and the readout that draws nothing.
#include "ControlsTestSupport.h"

#include "controls/ValueReadout.h"

#include <cstring>
#include <string>

namespace kestrune::test {
namespace {

const GuiColor fill = guiColor(102, 102, 102);
const GuiColor edge = guiColor(20, 20, 200);
const GuiColor ink = guiColor(255, 255, 255);

int plainCalls = 0;
int dataCalls = 0;

void plainFormatter(float value, char* text) {
    ++plainCalls;
    std::snprintf(text, 256, "plain %g", double(value));
}

void dataFormatter(float value, char* text, void* data) {
    ++dataCalls;
    std::snprintf(text, 256, "%s %g", static_cast<const char*>(data), double(value));
}

void silentFormatter(float, char*) {
    ++plainCalls;
}

std::string shownText(ValueReadout& readout) {
    char text[readoutTextCapacity];
    readout.formatValue(text);
    return text;
}

TEST(ValueReadoutText, DefaultFormatHasTwoDecimals) {
    soft::resetWorld();
    auto* readout = new ValueReadout({0, 0, 50, 10}, nullptr, 0);
    struct Case {
        float value;
        const char* text;
    };
    const Case cases[] = {
        {0.5f, "0.50"}, {1.0f, "1.00"}, {0.0f, "0.00"}, {-0.25f, "-0.25"}, {12.345f, "12.35"}};
    for (const Case& c : cases) {
        readout->putValue(c.value);
        EXPECT_EQ(shownText(*readout), c.text) << c.value;
    }
    readout->release();
}

TEST(ValueReadoutText, FormatterWithDataTakesPrecedence) {
    soft::resetWorld();
    auto* readout = new ValueReadout({0, 0, 50, 10}, nullptr, 0);
    static char label[] = "gain";
    readout->setFormatter(plainFormatter);
    readout->putValue(0.5f);
    EXPECT_EQ(shownText(*readout), "plain 0.5");
    readout->setFormatterWithData(dataFormatter, label);
    plainCalls = dataCalls = 0;
    EXPECT_EQ(shownText(*readout), "gain 0.5");
    EXPECT_EQ(plainCalls, 0);
    EXPECT_EQ(dataCalls, 1);
    readout->release();
}

TEST(ValueReadoutText, SettingAFormatterDoesNotMark) {
    soft::resetWorld();
    auto* readout = new ValueReadout({0, 0, 50, 10}, nullptr, 0);
    readout->markForRepaint(false);
    readout->setFormatter(plainFormatter);
    readout->setFormatterWithData(dataFormatter, nullptr);
    EXPECT_FALSE(readout->needsRepaint());
    readout->release();
}

TEST(ValueReadoutSettings, OnlyVisibleChangesMark) {
    soft::resetWorld();
    auto* readout = new ValueReadout({0, 0, 50, 10}, nullptr, 0);
    struct Case {
        const char* name;
        void (*change)(ValueReadout&);
        bool marks;
    };
    const Case cases[] = {
        {"ink, fourth byte only",
         [](ValueReadout& r) {
             r.setInkColor({255, 255, 255, 9});
         },
         false},
        {"fill, fourth byte only",
         [](ValueReadout& r) {
             r.setFillColor({0, 0, 0, 1});
         },
         false},
        {"edge, fourth byte only",
         [](ValueReadout& r) {
             r.setEdgeColor({0, 0, 0, 1});
         },
         false},
        {"shade, fourth byte only",
         [](ValueReadout& r) {
             r.setShadeColor({255, 0, 0, 7});
         },
         false},
        {"ink",
         [](ValueReadout& r) {
             r.setInkColor({255, 254, 255, 0});
         },
         true},
        {"shade",
         [](ValueReadout& r) {
             r.setShadeColor({0, 0, 1, 0});
         },
         true},
        {"same font", [](ValueReadout& r) { r.setFontIndex(3); }, false},
        {"font", [](ValueReadout& r) { r.setFontIndex(4); }, true},
        {"same alignment", [](ValueReadout& r) { r.setTextAlign(alignCenter); }, false},
        {"alignment", [](ValueReadout& r) { r.setTextAlign(alignLeft); }, true},
        {"same style", [](ValueReadout& r) { r.setDisplayStyle(0); }, false},
        {"style", [](ValueReadout& r) { r.setDisplayStyle(bevelIn); }, true},
        {"font style", [](ValueReadout& r) { r.setFontStyle(styleBold); }, true},
    };
    for (const Case& c : cases) {
        auto* fresh = new ValueReadout({0, 0, 50, 10}, nullptr, 0);
        fresh->markForRepaint(false);
        c.change(*fresh);
        EXPECT_EQ(fresh->needsRepaint(), c.marks) << c.name;
        fresh->release();
    }
    readout->setInkColor({1, 2, 3, 4});
    EXPECT_EQ(readout->inkColor.unused, 4) << "all four bytes are stored";
    readout->release();
}

TEST(ValueReadoutSettings, NoPaintIsCurrentFromTheStart) {
    soft::resetWorld();
    auto* readout = new ValueReadout({0, 0, 50, 10}, nullptr, noPaint);
    EXPECT_FALSE(readout->needsRepaint());
    EXPECT_EQ(readout->listener, nullptr);
    EXPECT_EQ(readout->readTag(), 0);
    readout->release();
}

class ReadoutPicture : public ControlsFixture {
protected:
    // Every pixel of the window inside `r` (edges excluded by `inset`) has colour c.
    bool allPixels(const GuiRect& r, platform::ColorValue c) const {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (pixel(x, y) != c)
                    return false;
        return true;
    }
    bool anyPixel(const GuiRect& r, platform::ColorValue c) const {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (pixel(x, y) == c)
                    return true;
        return false;
    }
    ValueReadout* addReadout(int style) {
        auto* readout = new ValueReadout({20, 30, 80, 44}, nullptr, style);
        readout->setFillColor(fill);
        readout->setEdgeColor(edge);
        readout->setInkColor(ink);
        frame->addView(readout);
        return readout;
    }
    platform::ColorValue screenBefore(int x, int y) const { return pixel(x, y); }
};

TEST_F(ReadoutPicture, EmptyTextDrawsTheFilledOutlinedBackgroundOnly) {
    ValueReadout* readout = addReadout(0);
    plainCalls = 0;
    readout->setFormatter(silentFormatter);
    frame->redrawView(readout);
    EXPECT_EQ(plainCalls, 1);
    EXPECT_TRUE(allPixels({21, 31, 80, 44}, fill.platformValue())) << savePicture("readout-empty");
    EXPECT_EQ(pixel(20, 30), edge.platformValue());
    EXPECT_EQ(pixel(80, 44), edge.platformValue()) << "the outline includes right and bottom";
    EXPECT_FALSE(readout->needsRepaint());
}

TEST_F(ReadoutPicture, TextIsDrawnInTheInkColour) {
    ValueReadout* readout = addReadout(0);
    readout->putValue(0.5f);
    frame->redrawView(readout);
    EXPECT_TRUE(anyPixel({21, 31, 80, 44}, ink.platformValue())) << savePicture("readout-text");
    readout->setDisplayStyle(noText);
    frame->redrawView(readout);
    EXPECT_FALSE(anyPixel({21, 31, 80, 44}, ink.platformValue()));
}

TEST_F(ReadoutPicture, ShadowIsDrawnInTheShadeColour) {
    ValueReadout* readout = addReadout(textShadow);
    readout->putValue(0.5f);
    frame->redrawView(readout);
    EXPECT_TRUE(anyPixel({21, 31, 81, 45}, colorRed.platformValue()))
        << savePicture("readout-shadow");
    EXPECT_TRUE(anyPixel({21, 31, 80, 44}, ink.platformValue()));
}

TEST_F(ReadoutPicture, NoPaintDrawsNothingButStillFormats) {
    platform::ColorValue before = pixel(50, 37);
    ValueReadout* readout = addReadout(noPaint);
    plainCalls = 0;
    readout->setFormatter(plainFormatter);
    readout->putValue(0.7f);
    EXPECT_TRUE(readout->needsRepaint());
    frame->redrawView(readout);
    EXPECT_EQ(plainCalls, 1);
    EXPECT_EQ(pixel(50, 37), before);
    EXPECT_EQ(pixel(20, 30), before);
    EXPECT_FALSE(readout->needsRepaint());
}

TEST_F(ReadoutPicture, BevelsReplaceTheOutline) {
    struct Case {
        int style;
        platform::ColorValue topLeft;
        platform::ColorValue bottomRight;
    };
    const Case cases[] = {{bevelIn, fill.platformValue(), edge.platformValue()},
                          {bevelOut, edge.platformValue(), fill.platformValue()},
                          {bevelIn | bevelOut, fill.platformValue(), edge.platformValue()}};
    for (const Case& c : cases) {
        ValueReadout* readout = addReadout(c.style | noText);
        frame->redrawView(readout);
        EXPECT_EQ(pixel(20, 35), c.topLeft) << c.style << " " << savePicture("readout-bevel");
        EXPECT_EQ(pixel(50, 30), c.topLeft) << c.style;
        EXPECT_EQ(pixel(80, 30), c.topLeft) << c.style << ": the top line reaches right + 1";
        EXPECT_EQ(pixel(80, 35), c.bottomRight) << c.style;
        EXPECT_EQ(pixel(50, 44), c.bottomRight) << c.style;
        EXPECT_TRUE(allPixels({21, 31, 80, 44}, fill.platformValue())) << c.style;
        frame->removeView(readout, true);
    }
}

TEST_F(ReadoutPicture, BackgroundBitmapFromItsOffset) {
    Bitmap* picture = stripedBitmap(200, 50, 2, false, [](int i) {
        return i == 0 ? guiColor(200, 0, 0) : guiColor(0, 200, 0);
    });
    auto* readout = new ValueReadout({20, 30, 80, 44}, picture, noText);
    frame->addView(readout);
    frame->redrawView(readout);
    EXPECT_EQ(pixel(30, 37), rgb(200, 0, 0)) << savePicture("readout-bitmap");
    readout->putBackgroundOffset({120, 0});
    readout->markForRepaint(true);
    frame->redrawView(readout);
    EXPECT_EQ(pixel(30, 37), rgb(0, 200, 0));
    readout->alignBackgroundOffset();
    EXPECT_EQ(readout->backgroundOffset.h, 20);
    EXPECT_EQ(readout->backgroundOffset.v, 30);
    picture->release();
}

} // namespace
} // namespace kestrune::test
