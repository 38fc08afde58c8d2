// Knobs: the handle geometry, the angle of a point, following the mouse circularly and
// linearly with the host's edit bracket, and the film-strip picture chosen by the value.
#include "ControlsTestSupport.h"

#include "controls/RotaryKnob.h"

#include <cmath>

namespace kestrune::test {
namespace {

constexpr float pi = 3.14159265f;

// The point at `degrees` (counter-clockwise from the right, as in mathematics) 15 pixels from
// the centre of a 40-pixel knob.
GuiPoint pointAt(float degrees) {
    float a = degrees * pi / 180.0f;
    return {int32_t(std::lround(20.0f + 15.0f * std::cos(a))),
            int32_t(std::lround(20.0f - 15.0f * std::sin(a)))};
}

TEST(RotaryKnobGeometry, HandlePointsOfAFortyPixelKnob) {
    soft::resetWorld();
    auto* knob = new RotaryKnob({0, 0, 40, 40}, nullptr, 0, nullptr, nullptr, {0, 0});
    struct Case {
        float value;
        GuiPoint point;
    };
    const Case cases[] = {{0.0f, {8, 32}}, {0.5f, {20, 3}}, {1.0f, {32, 32}}};
    for (const Case& c : cases) {
        knob->putValue(c.value);
        GuiPoint p;
        knob->handlePointForValue(p);
        EXPECT_EQ(p.h, c.point.h) << c.value;
        EXPECT_EQ(p.v, c.point.v) << c.value;
    }
    knob->release();
}

TEST(RotaryKnobGeometry, PointsInTheGapGiveTheNearerEnd) {
    soft::resetWorld();
    auto* knob = new RotaryKnob({0, 0, 40, 40}, nullptr, 0, nullptr, nullptr, {0, 0});
    struct Case {
        float degrees;
        float value;
    };
    const Case cases[] = {{260.0f, 0.0f}, {280.0f, 1.0f},      {90.0f, 0.5f},        {225.0f, 0.0f},
                          {315.0f, 1.0f}, {0.0f, 5.0f / 6.0f}, {180.0f, 1.0f / 6.0f}};
    for (const Case& c : cases)
        EXPECT_NEAR(knob->valueAtPoint(pointAt(c.degrees)), c.value, 0.01f) << c.degrees;
    knob->release();
}

TEST(RotaryKnobGeometry, SweepChangesRecomputeTheMapping) {
    soft::resetWorld();
    auto* knob = new RotaryKnob({0, 0, 40, 40}, nullptr, 0, nullptr, nullptr, {0, 0});
    EXPECT_FLOAT_EQ(knob->deadHalfAngle, pi / 4.0f);
    // A counter-clockwise half turn from the right over the top to the left.
    knob->setSweepStart(0.0f);
    knob->setSweepSpan(pi);
    EXPECT_FLOAT_EQ(knob->deadHalfAngle, pi / 2.0f);
    EXPECT_NEAR(knob->valueAtPoint(pointAt(90.0f)), 0.5f, 0.01f);
    EXPECT_NEAR(knob->valueAtPoint(pointAt(10.0f)), 10.0f / 180.0f, 0.01f);
    EXPECT_EQ(knob->valueAtPoint(pointAt(300.0f)), 0.0f) << "the gap half next to the minimum";
    EXPECT_EQ(knob->valueAtPoint(pointAt(200.0f)), 1.0f) << "the gap half next to the maximum";
    knob->release();
}

class KnobDrag : public ControlsFixture {
protected:
    static constexpr int tag = 3;
    void SetUp() override {
        ControlsFixture::SetUp();
        knob = new RotaryKnob({100, 50, 140, 90}, &listener, tag, nullptr, nullptr, {0, 0});
        frame->addView(knob);
    }
    GuiPoint onKnob(GuiPoint local) const { return {100 + local.h, 50 + local.v}; }
    RotaryKnob* knob = nullptr;
};

TEST_F(KnobDrag, ControlClickResetsWithoutAnEdit) {
    knob->putValue(0.9f);
    click(onKnob({20, 5}), soft::leftButton | soft::controlKey);
    EXPECT_EQ(knob->readValue(), 0.5f);
    ASSERT_EQ(listener.reports.size(), 1u);
    EXPECT_EQ(listener.reports[0].value, 0.5f);
    expectNoEdit();
}

TEST_F(KnobDrag, RightButtonAloneDoesNothing) {
    knob->putValue(0.9f);
    click(onKnob({20, 5}), soft::rightButton);
    EXPECT_EQ(knob->readValue(), 0.9f);
    EXPECT_TRUE(listener.reports.empty());
    expectNoEdit();
}

struct LinearCase {
    const char* name;
    int knobMode;
    uint32_t held;
    GuiPoint move;
    float change;
};

class KnobLinearDrag : public KnobDrag, public ::testing::WithParamInterface<LinearCase> {};

TEST_P(KnobLinearDrag, MovesTheValueByTheDistance) {
    const LinearCase& c = GetParam();
    knobModeSetting = c.knobMode;
    knob->putValue(0.25f);
    GuiPoint start = onKnob({20, 20});
    GuiPoint end{start.h + c.move.h, start.v + c.move.v};
    drag(start, c.held, {{start.h + c.move.h / 2, start.v + c.move.v / 2}, end});
    EXPECT_NEAR(knob->readValue(), std::min(1.0f, 0.25f + c.change), 1e-5f);
    ASSERT_FALSE(listener.reports.empty());
    EXPECT_NEAR(listener.reports.back().value, knob->readValue(), 1e-6f);
    EXPECT_EQ(listener.reports.back().tag, tag);
    expectOneEditOf(tag);
    EXPECT_EQ(frame->focusView, knob);
}

const LinearCase linearCases[] = {
    {"Right", 2, soft::leftButton, {100, 0}, 0.5f},
    {"Up", 2, soft::leftButton, {0, -100}, 0.5f},
    {"DownLowers", 2, soft::leftButton, {0, 40}, -0.2f},
    {"ShiftFromTheStart", 2, soft::leftButton | soft::shiftKey, {100, 0}, 0.5f / 1.5f},
    {"AltInCircularMode", 0, soft::leftButton | soft::altKey, {100, 0}, 0.5f},
    {"ClampedAtTheTop", 2, soft::leftButton, {300, 0}, 0.75f},
};

INSTANTIATE_TEST_SUITE_P(Knob, KnobLinearDrag, ::testing::ValuesIn(linearCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(KnobDrag, ShiftPressedMidDragChangesSpeedWithoutAJump) {
    knobModeSetting = 2;
    knob->putValue(0.2f);
    GuiPoint s = onKnob({20, 20});
    const uint32_t left = soft::leftButton;
    const uint32_t fine = soft::leftButton | soft::shiftKey;
    run({at(s, left), at({s.h + 40, s.v}, left), at({s.h + 40, s.v}, fine),
         at({s.h + 41, s.v}, fine), at({s.h + 70, s.v}, fine), at({s.h + 70, s.v}, 0)});
    // The knob notices the keys when the pointer moves: the 41st pixel still counts at 1/200
    // (the value where shift took over), the 29 after it at 1/300.
    const float atShift = 0.2f + 41.0f / 200.0f;
    EXPECT_NEAR(knob->readValue(), atShift + 29.0f / 300.0f, 1e-5f);
    bool sawShiftPoint = false;
    for (const Report& r : listener.reports)
        sawShiftPoint |= std::fabs(r.value - atShift) < 1e-5f;
    EXPECT_TRUE(sawShiftPoint) << "the value does not jump when the speed changes";
    for (size_t i = 1; i < listener.reports.size(); ++i)
        EXPECT_LE(std::fabs(listener.reports[i].value - listener.reports[i - 1].value),
                  40.0f / 200.0f + 1e-5f)
            << "no jump at report " << i;
    expectOneEditOf(tag);
}

TEST_F(KnobDrag, CircularDragFollowsTheAngleAndStaysPinnedAcrossTheGap) {
    knob->putValue(0.0f);
    GuiPoint top = onKnob(pointAt(90.0f));
    GuiPoint left = onKnob(pointAt(180.0f));
    GuiPoint nearMax = onKnob(pointAt(300.0f));
    GuiPoint nearMin = onKnob(pointAt(240.0f));
    run({at(top, soft::leftButton), at(left, soft::leftButton), at(left, 0)});
    // The first pass jumps to the pointer's angle, then the value follows it.
    ASSERT_GE(listener.reports.size(), 2u);
    EXPECT_NEAR(listener.reports[0].value, 0.5f, 0.01f);
    EXPECT_NEAR(knob->readValue(), 1.0f / 6.0f, 0.02f);

    listener.reports.clear();
    host->clear();
    run({at(nearMax, soft::leftButton), at(nearMin, soft::leftButton), at(nearMin, 0)});
    EXPECT_EQ(knob->readValue(), 1.0f) << "crossing the gap from the maximum end pins the value";
    expectOneEditOf(tag);
}

TEST_F(KnobDrag, DragServicesTheHostWhileTheButtonIsHeld) {
    knobModeSetting = 2;
    GuiPoint s = onKnob({20, 20});
    std::vector<soft::InputState> states{at(s, soft::leftButton)};
    for (int i = 1; i <= 10; ++i) {
        soft::InputState step = at({s.h + i, s.v}, soft::leftButton);
        step.advance = 50;
        states.push_back(step);
    }
    states.push_back(at({s.h + 10, s.v}, 0));
    run(states);
    EXPECT_GE(host->callsWith(audioMasterIdle).size(), 3u);
    expectOneEditOf(tag);
}

TEST_F(KnobDrag, HandleIsATwoColourLineFromTheCentre) {
    knob->putValue(0.5f); // handle point (20, 3): straight up
    frame->redrawView(knob);
    // The grey line first, from the tip to the centre one pixel left of the middle; the white
    // one a pixel right and up.
    EXPECT_EQ(pixel(119, 60), colorGrey.platformValue()) << savePicture("knob-line");
    EXPECT_EQ(pixel(120, 60), colorWhite.platformValue());
    EXPECT_EQ(pixel(120, 52), colorWhite.platformValue());
    knob->setHandleLineColor(guiColor(0, 255, 0));
    EXPECT_TRUE(knob->needsRepaint());
    frame->redrawView(knob);
    EXPECT_EQ(pixel(120, 60), rgb(0, 255, 0));
}

TEST_F(KnobDrag, HandleBitmapSitsAtTheHandlePoint) {
    Bitmap* dot = solidBitmap(6, 6, guiColor(255, 0, 0));
    knob->replaceHandleBitmap(dot);
    EXPECT_EQ(knob->handleInset, 5); // truncate(6 / 2 + 2.5)
    EXPECT_EQ(dot->referenceCount, 2);
    knob->putValue(0.5f); // handle point (20, 5)
    frame->redrawView(knob);
    EXPECT_EQ(pixel(117, 52), rgb(255, 0, 0)) << savePicture("knob-dot");
    EXPECT_EQ(pixel(122, 57), rgb(255, 0, 0));
    EXPECT_NE(pixel(123, 57), rgb(255, 0, 0));
    knob->replaceHandleBitmap(nullptr);
    EXPECT_EQ(dot->referenceCount, 1);
    EXPECT_EQ(knob->handleInset, 5) << "no bitmap leaves the inset";
    dot->release();
}

// ---- the film strip ----

class FilmstripPicture : public ControlsFixture {
protected:
    static constexpr int pictures = 25;
    static constexpr int pictureHeight = 50;
    static platform::ColorValue colourOf(int picture) { return rgb(10 * picture, 40, 200); }

    void SetUp() override {
        ControlsFixture::SetUp();
        strip = stripedBitmap(50, pictures * pictureHeight, pictures, true,
                              [](int i) { return GuiColor::fromPlatform(colourOf(i)); });
        knob = new FilmstripKnob({30, 70, 80, 120}, &listener, 0, pictures, pictureHeight, strip,
                                 {0, 0});
        frame->addView(knob);
    }
    void TearDown() override {
        ControlsFixture::TearDown();
        strip->release();
    }
    // The picture shown at the knob's centre, -1 for none of the strip's colours.
    int shownPicture() {
        frame->redrawView(knob);
        platform::ColorValue c = pixel(55, 95);
        for (int i = 0; i < pictures; ++i)
            if (c == colourOf(i))
                return i;
        return -1;
    }
    Bitmap* strip = nullptr;
    FilmstripKnob* knob = nullptr;
};

TEST_F(FilmstripPicture, ValueChoosesThePictureOfTheStrip) {
    struct Case {
        float value;
        int32_t offset;
    };
    const Case cases[] = {{0.0f, 0},    {0.5f, 600},     {1.0f, 1200}, {0.99f, 1150},
                          {0.02f, 0},   {0.0417f, 50},   {-0.3f, 0},   {NAN, 0},
                          {1.7f, 1200}, {INFINITY, 1200}};
    for (const Case& c : cases) {
        knob->putValue(c.value);
        EXPECT_EQ(knob->pictureOffset(), c.offset) << c.value;
        EXPECT_EQ(shownPicture(), c.offset / pictureHeight)
            << c.value << " (" << savePicture("filmstrip-knob") << ")";
        EXPECT_FALSE(knob->needsRepaint() && c.value == c.value);
    }
}

TEST_F(FilmstripPicture, KeepsTheKnobBehaviour) {
    EXPECT_EQ(knob->handleInset, 0);
    knobModeSetting = 2;
    knob->putValue(0.1f);
    drag({55, 95}, soft::leftButton, {{75, 95}, {95, 95}});
    EXPECT_NEAR(knob->readValue(), 0.1f + 40.0f / 200.0f, 1e-5f);
    expectOneEditOf(0);
    EXPECT_EQ(shownPicture(), int((0.1f + 0.2f) * 24));
}

TEST(FilmstripKnobBadStrip, NoPicturesOrNoHeightShowTheTop) {
    soft::resetWorld();
    struct Case {
        int count;
        int height;
    };
    const Case cases[] = {{0, 30}, {1, 30}, {25, 0}, {25, -30}};
    for (const Case& c : cases) {
        auto* knob =
            new FilmstripKnob({0, 0, 30, 30}, nullptr, 0, c.count, c.height, nullptr, {0, 0});
        knob->putValue(0.7f);
        EXPECT_EQ(knob->pictureOffset(), 0) << c.count << " x " << c.height;
        knob->release();
    }
}

} // namespace
} // namespace kestrune::test
