// The toggle button's clicks and pictures, and the level meter's segments and decay.
#include "ControlsTestSupport.h"

#include "controls/LevelMeter.h"
#include "controls/ToggleButton.h"

#include <cmath>

namespace kestrune::test {
namespace {

const GuiColor offColour = guiColor(60, 60, 60);
const GuiColor onColour = guiColor(0, 180, 255);

class ToggleFixture : public ControlsFixture {
protected:
    static constexpr int tag = 6;
    void SetUp() override {
        ControlsFixture::SetUp();
        picture = stripedBitmap(30, 20, 2, true, [](int i) { return i ? onColour : offColour; });
        button = new ToggleButton({16, 148, 46, 158}, &listener, tag, picture);
        frame->addView(button);
    }
    void TearDown() override {
        ControlsFixture::TearDown();
        picture->release();
    }
    platform::ColorValue shown() {
        frame->redrawView(button);
        return pixel(30, 153);
    }
    Bitmap* picture = nullptr;
    ToggleButton* button = nullptr;
};

TEST_F(ToggleFixture, ClicksFlipBetweenOffAndOn) {
    EXPECT_EQ(shown(), offColour.platformValue()) << savePicture("toggle-off");
    click({30, 153});
    EXPECT_EQ(button->readValue(), 1.0f);
    EXPECT_EQ(shown(), onColour.platformValue()) << savePicture("toggle-on");
    click({30, 153});
    EXPECT_EQ(button->readValue(), 0.0f);
    EXPECT_EQ(shown(), offColour.platformValue());
    ASSERT_EQ(listener.reports.size(), 2u);
    EXPECT_EQ(listener.reports[0].tag, tag);
    EXPECT_EQ(listener.reports[0].value, 1.0f);
    EXPECT_TRUE(listener.reports[0].withContext);
    EXPECT_EQ(listener.reports[1].value, 0.0f);
    expectNoEdit();
    EXPECT_EQ(frame->focusView, nullptr) << "a click changes no focus";
}

TEST_F(ToggleFixture, ValuesThatTruncateToZeroBecomeOne) {
    struct Case {
        float before;
        float after;
    };
    const Case cases[] = {{0.6f, 1.0f}, {-0.6f, 1.0f}, {0.0f, 1.0f}, {1.0f, 0.0f},
                          {1.4f, 0.0f}, {-1.0f, 0.0f}, {NAN, 1.0f}};
    for (const Case& c : cases) {
        button->putValue(c.before);
        click({30, 153});
        EXPECT_EQ(button->readValue(), c.after) << c.before;
    }
}

TEST_F(ToggleFixture, ModifiersToggleTooButTheRightButtonDoesNot) {
    click({30, 153}, soft::leftButton | soft::controlKey);
    EXPECT_EQ(button->readValue(), 1.0f);
    click({30, 153}, soft::rightButton);
    EXPECT_EQ(button->readValue(), 1.0f);
    EXPECT_EQ(listener.reports.size(), 1u);
}

TEST_F(ToggleFixture, ReportsEvenWhenTheValueIsTheOneShown) {
    // A listener that does not redraw leaves the shown value behind; the click reports anyway.
    button->putValue(1.0f);
    button->markForRepaint(false);
    button->putValue(0.0f);
    button->putShownValue(1.0f);
    click({30, 153});
    EXPECT_EQ(listener.reports.size(), 1u);
}

// ---- the level meter ----

const GuiColor litColour = guiColor(0, 0, 153);
const GuiColor unlitColour = guiColor(51, 51, 51);

class MeterFixture : public ControlsFixture {
protected:
    void SetUp() override {
        ControlsFixture::SetUp();
        lit = solidBitmap(128, 5, litColour);
        unlit = solidBitmap(128, 5, unlitColour);
    }
    void TearDown() override {
        ControlsFixture::TearDown();
        lit->release();
        unlit->release();
    }
    // The idle update: the frame repaints what needs it.
    void idle() { frame->updateDirtyViews(); }
    // Lit columns of row 32 from the meter's left edge.
    int litColumns() const {
        int n = 0;
        while (n < 128 && pixel(148 + n, 32) == litColour.platformValue())
            ++n;
        return n;
    }
    Bitmap* lit = nullptr;
    Bitmap* unlit = nullptr;
};

TEST_F(MeterFixture, FallsBySteadyStepsAndRisesAtOnce) {
    auto* meter = new LevelMeter({148, 30, 276, 35}, lit, unlit, 64, meterHorizontal);
    meter->setDecayStep(0.05f);
    frame->addView(meter);
    meter->putShownValue(0.0f); // the meter shows an empty bar
    meter->putValue(1.0f);
    idle();
    EXPECT_EQ(meter->litArea.right - 148, 128);
    EXPECT_EQ(litColumns(), 128) << savePicture("meter-full");

    meter->putValue(0.0f);
    std::vector<int> positions;
    for (int paint = 0; paint < 25 && meter->needsRepaint(); ++paint) {
        idle();
        positions.push_back(meter->litArea.right - 148);
        EXPECT_EQ(litColumns(), positions.back()) << paint << " " << savePicture("meter-fall");
        EXPECT_EQ(meter->unlitArea.left, meter->litArea.right);
    }
    ASSERT_EQ(positions.size(), 20u) << "twenty paints of 0.05 reach the value";
    EXPECT_EQ(positions[0], 122); // 0.95: truncate(61 / 64 * 128)
    EXPECT_EQ(positions[1], 116); // 0.90: 58 segments
    EXPECT_EQ(positions[19], 0);
    for (size_t i = 1; i < positions.size(); ++i)
        EXPECT_LE(positions[i], positions[i - 1]);
    EXPECT_EQ(pixel(150, 32), unlitColour.platformValue());
    EXPECT_FALSE(meter->needsRepaint());

    meter->putValue(0.5f);
    idle();
    EXPECT_EQ(meter->litArea.right - 148, 64) << "a rise shows at once";
}

TEST_F(MeterFixture, ValueAboveOneIsClampedAtThePaint) {
    auto* meter = new LevelMeter({148, 30, 276, 35}, lit, unlit, 64, meterHorizontal);
    frame->addView(meter);
    meter->putValue(3.0f);
    idle();
    EXPECT_EQ(meter->readValue(), 1.0f);
    EXPECT_EQ(meter->readShownValue(), 1.0f);
    EXPECT_EQ(meter->litArea.right - 148, 128);
}

TEST_F(MeterFixture, VerticalBarGrowsFromTheBottom) {
    Bitmap* tallLit = solidBitmap(5, 100, litColour);
    auto* meter = new LevelMeter({300, 40, 305, 140}, tallLit, nullptr, 10, 0);
    frame->addView(meter);
    meter->putShownValue(0.0f);
    meter->putValue(0.3f);
    idle();
    EXPECT_EQ(meter->litArea.top, 40 + 70);
    EXPECT_EQ(pixel(302, 139), litColour.platformValue()) << savePicture("meter-vertical");
    EXPECT_EQ(pixel(302, 110), litColour.platformValue());
    EXPECT_NE(pixel(302, 109), litColour.platformValue());
    tallLit->release();
}

TEST_F(MeterFixture, WithoutALitBitmapItNeverDrawsAndKeepsAsking) {
    platform::ColorValue before = pixel(150, 32);
    auto* meter = new LevelMeter({148, 30, 276, 35}, nullptr, unlit, 64, meterHorizontal);
    frame->addView(meter);
    meter->putValue(0.4f);
    for (int i = 0; i < 3; ++i) {
        idle();
        EXPECT_TRUE(meter->needsRepaint());
    }
    EXPECT_EQ(pixel(150, 32), before);
    EXPECT_EQ(meter->readShownValue(), 1.0f);
}

TEST(LevelMeterMark, MarkingKeepsTheShownLevel) {
    soft::resetWorld();
    auto* meter = new LevelMeter({-10, 20, -40, 10}, nullptr, nullptr, 8, 0);
    EXPECT_EQ(meter->litArea.left, -40);
    EXPECT_EQ(meter->litArea.right, -10);
    EXPECT_EQ(meter->litArea.top, 10);
    EXPECT_EQ(meter->litArea.bottom, 20);
    meter->putShownValue(0.7f);
    meter->markForRepaint(true);
    EXPECT_EQ(meter->readShownValue(), 0.7f);
    meter->markForRepaint(false);
    EXPECT_EQ(meter->readShownValue(), 0.7f);
    EXPECT_EQ(meter->decayStep, 0.1f);
    meter->release();
}

} // namespace
} // namespace kestrune::test
