// The control base: defaults, the repaint rule, clamping, the double-click test, and the wheel
// and arrow-key stepping that the knob and the fader share.
#include "ControlsTestSupport.h"

#include "controls/RotaryKnob.h"
#include "shell/VstInterface.h"

#include <cmath>
#include <limits>

namespace kestrune::test {
namespace {

TEST(ControlBase, NewControlHasTheDefaultsAndNeedsARepaint) {
    soft::resetWorld();
    PlainControl control;
    EXPECT_EQ(control.readValue(), 0.0f);
    EXPECT_EQ(control.readMinimum(), 0.0f);
    EXPECT_EQ(control.readMaximum(), 1.0f);
    EXPECT_EQ(control.readResetValue(), 0.5f);
    EXPECT_EQ(control.readWheelStep(), 0.1f);
    EXPECT_EQ(control.readShownValue(), 1.0f);
    EXPECT_EQ(control.lastClickTime, -1);
    EXPECT_FALSE(control.isSeeThrough());
    EXPECT_TRUE(control.acceptsMouse());
    EXPECT_FALSE(control.repaintPending);
    EXPECT_TRUE(control.needsRepaint());
}

TEST(ControlBase, PutValueShowsAtTheNextRepaintWithoutAMark) {
    soft::resetWorld();
    PlainControl control;
    control.putValue(0.3f);
    control.markForRepaint(false);
    EXPECT_FALSE(control.needsRepaint());
    control.putValue(0.4f);
    EXPECT_TRUE(control.needsRepaint());
    control.putValue(std::numeric_limits<float>::quiet_NaN());
    control.markForRepaint(false);
    EXPECT_TRUE(control.needsRepaint()) << "a NaN never equals the value last shown";
}

TEST(ControlBase, MarkingMovesTheShownValueAwayFromTheValue) {
    soft::resetWorld();
    PlainControl control;
    control.putValue(-1.0f);
    control.markForRepaint(true);
    EXPECT_EQ(control.readShownValue(), 0.0f);
    EXPECT_TRUE(control.needsRepaint());
    control.putValue(0.25f);
    control.markForRepaint(true);
    EXPECT_EQ(control.readShownValue(), -1.0f);
    control.markForRepaint(false);
    EXPECT_EQ(control.readShownValue(), 0.25f);
    EXPECT_FALSE(control.needsRepaint());
}

TEST(ControlBase, ClampValueKeepsTheBoundsAndLeavesANaN) {
    soft::resetWorld();
    struct Case {
        float in;
        float out;
    };
    const Case cases[] = {{1.5f, 1.0f}, {-0.2f, 0.0f},    {0.7f, 0.7f},
                          {1.0f, 1.0f}, {INFINITY, 1.0f}, {-INFINITY, 0.0f}};
    for (const Case& c : cases) {
        PlainControl control;
        control.putValue(c.in);
        control.clampValue();
        EXPECT_EQ(control.readValue(), c.out) << c.in;
    }
    PlainControl control;
    control.putValue(NAN);
    control.clampValue();
    EXPECT_TRUE(std::isnan(control.readValue()));
}

TEST(ControlBase, DoubleClickTimeHasAFloorOf250Milliseconds) {
    struct Case {
        uint32_t platform;
        int32_t control;
    };
    const Case cases[] = {{200, 250}, {0, 250}, {250, 250}, {500, 500}, {900, 900}};
    for (const Case& c : cases) {
        soft::resetWorld();
        soft::setDoubleClickTime(c.platform);
        PlainControl control;
        EXPECT_EQ(control.doubleClickTime, c.control) << c.platform;
    }
    soft::resetWorld();
}

TEST(ControlBase, ReplacingTheBackgroundMovesTheReference) {
    soft::resetWorld();
    auto* first = new Bitmap(4, 4);
    auto* second = new Bitmap(4, 4);
    {
        auto* control = new PlainControl({0, 0, 4, 4}, nullptr, 0, first);
        EXPECT_EQ(first->referenceCount, 2);
        control->replaceBackground(second);
        EXPECT_EQ(first->referenceCount, 1);
        EXPECT_EQ(second->referenceCount, 2);
        EXPECT_EQ(control->readBackground(), second);
        control->release();
        EXPECT_EQ(second->referenceCount, 1);
    }
    first->release();
    second->release();
}

TEST(ControlBase, NoSecondClickOutsideAFrame) {
    soft::resetWorld();
    PlainControl control;
    EXPECT_FALSE(control.isSecondClick());
    EXPECT_FALSE(control.isSecondClick());
    EXPECT_EQ(control.lastClickTime, -1);
}

class ControlInFrame : public ControlsFixture {};

TEST_F(ControlInFrame, SecondClickComesInPairs) {
    auto* control = new PlainControl;
    frame->addView(control);
    control->doubleClickTime = 500;
    soft::setTickCount(800);
    EXPECT_FALSE(control->isSecondClick());
    soft::setTickCount(1000);
    EXPECT_TRUE(control->isSecondClick());
    soft::setTickCount(1100);
    EXPECT_FALSE(control->isSecondClick()) << "the third click starts a new pair";
    soft::setTickCount(1700);
    EXPECT_FALSE(control->isSecondClick()) << "too late for a pair with the third";
    soft::setTickCount(1800);
    EXPECT_TRUE(control->isSecondClick());
}

TEST_F(ControlInFrame, WheelStepsWithShiftAtOneTenthAndClampsAtTheTop) {
    auto* knob = new RotaryKnob({10, 10, 50, 50}, &listener, 4, nullptr, nullptr, {0, 0});
    frame->addView(knob);
    auto context = windowContext();
    GuiPoint unused{0, 0};

    knob->putValue(0.5f);
    soft::setInput(at({20, 20}, soft::shiftKey));
    EXPECT_TRUE(knob->handleWheel(context.get(), unused, 1.0f));
    EXPECT_FLOAT_EQ(knob->readValue(), 0.51f);

    knob->putValue(0.95f);
    soft::setInput(at({20, 20}, 0));
    EXPECT_TRUE(knob->handleWheel(context.get(), unused, 1.0f));
    EXPECT_EQ(knob->readValue(), 1.0f);

    ASSERT_EQ(listener.reports.size(), 2u);
    EXPECT_EQ(listener.reports[1].tag, 4);
    EXPECT_EQ(listener.reports[1].value, 1.0f);

    knob->enableMouse(false);
    EXPECT_FALSE(knob->handleWheel(context.get(), unused, 1.0f));
    releaseContext(context);
}

TEST_F(ControlInFrame, ArrowKeysStepAndOtherKeysAreNotHandled) {
    auto* knob = new RotaryKnob({10, 10, 50, 50}, &listener, 2, nullptr, nullptr, {0, 0});
    frame->addView(knob);
    struct Case {
        uint8_t virt;
        uint8_t modifier;
        int32_t answer;
        float change;
    };
    const Case cases[] = {{11, 0, 1, -0.1f}, {14, 0, 1, -0.1f}, {12, 0, 1, 0.1f},
                          {13, 0, 1, 0.1f},  {13, 1, 1, 0.01f}, {11, 1, 1, -0.01f},
                          {13, 2, 1, 0.1f},  {10, 0, -1, 0.0f}, {15, 0, -1, 0.0f},
                          {0, 0, -1, 0.0f},  {65, 1, -1, 0.0f}};
    for (const Case& c : cases) {
        knob->putValue(0.5f);
        knob->enableMouse(c.virt != 12); // keys do not ask whether the mouse is active
        listener.reports.clear();
        VstKeyCode key{0, c.virt, c.modifier};
        EXPECT_EQ(knob->handleKeyPress(key), c.answer) << int(c.virt);
        EXPECT_FLOAT_EQ(knob->readValue(), 0.5f + c.change) << int(c.virt);
        if (c.answer == 1) {
            ASSERT_EQ(listener.reports.size(), 1u);
            EXPECT_FALSE(listener.reports[0].withContext) << "a key change has no context";
        } else {
            EXPECT_TRUE(listener.reports.empty());
        }
    }
    expectNoEdit();
}

TEST_F(ControlInFrame, NoReportWhenTheValueIsTheOneShown) {
    auto* knob = new RotaryKnob({10, 10, 50, 50}, &listener, 2, nullptr, nullptr, {0, 0});
    frame->addView(knob);
    knob->putValue(1.0f);
    knob->markForRepaint(false);
    VstKeyCode up{0, 12, 0};
    EXPECT_EQ(knob->handleKeyPress(up), 1); // clamped back to 1.0, the value shown
    EXPECT_TRUE(listener.reports.empty());
}

} // namespace
} // namespace kestrune::test
