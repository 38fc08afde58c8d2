// The frame's view list and event dispatch, on a frame without a window (both backends).
#include "graphics/Frame.h"
#include "shell/VstInterface.h"
#include "tests/graphics/GraphicsTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrune {
namespace {

// A view that records what reaches it.
class Recorder : public View {
public:
    Recorder(const GuiRect& r, std::vector<std::string>* log, std::string name,
             int32_t keyAnswer = -1, bool takesDrops = false)
        : View(r), log_(log), name_(std::move(name)), keyAnswer_(keyAnswer),
          takesDrops_(takesDrops) {}
    void mouseDown(GraphicsContext*, GuiPoint&) override { log_->push_back(name_ + ":down"); }
    int32_t handleKeyPress(VstKeyCode&) override {
        log_->push_back(name_ + ":key");
        return keyAnswer_;
    }
    int32_t handleKeyRelease(VstKeyCode&) override {
        log_->push_back(name_ + ":release");
        return keyAnswer_;
    }
    bool handleDrop(void**, int, int, GuiPoint&) override {
        log_->push_back(name_ + ":drop");
        return takesDrops_;
    }
    void focusLost(GraphicsContext*) override { log_->push_back(name_ + ":focusLost"); }
    bool attachedTo(View*) override {
        log_->push_back(name_ + ":attached");
        return true;
    }
    bool detachedFrom(View*) override {
        log_->push_back(name_ + ":detached");
        return true;
    }
    void paint(GraphicsContext* context) override {
        log_->push_back(name_ + ":paint");
        View::paint(context);
    }

private:
    std::vector<std::string>* log_;
    std::string name_;
    int32_t keyAnswer_;
    bool takesDrops_;
};

class FrameLogic : public ::testing::Test {
protected:
    void SetUp() override { testing::useTestModule(); }

    std::vector<std::string> log; // outlives the frame, whose views write to it when it goes
    Frame frame{{0, 0, 100, 80}, nullptr, nullptr};
};

TEST_F(FrameLogic, WithoutAParentThereIsNoWindowAndNothingIsDrawn) {
    EXPECT_EQ(frame.window, nullptr);
    EXPECT_FALSE(frame.dropRegistered);
    auto* view = new Recorder({0, 0, 10, 10}, &log, "a");
    frame.addView(view);
    view->markForRepaint(true);
    frame.paint(nullptr); // the first paint
    log.clear();
    view->markForRepaint(true);
    frame.updateDirtyViews();
    frame.redrawView(nullptr);
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(frame.enableDropTarget(true));
    EXPECT_TRUE(frame.enableDropTarget(false)) << "nothing to do when drops are off";
}

TEST_F(FrameLogic, AddedViewsAreAttachedAndTheTwentyFirstGrowsTheList) {
    for (int i = 0; i < 21; ++i) {
        EXPECT_TRUE(frame.addView(new View({i, 0, i + 1, 1})));
        EXPECT_EQ(frame.viewCapacity, i < 20 ? 20 : 40);
    }
    EXPECT_EQ(frame.viewCount(), 21);
    EXPECT_EQ(frame.viewAt(0)->frame, &frame);
    EXPECT_EQ(frame.viewAt(0)->countReferences(), 1) << "the frame keeps the creator's reference";
    EXPECT_EQ(frame.viewAt(-1), nullptr);
    EXPECT_EQ(frame.viewAt(21), nullptr);
    EXPECT_NE(frame.viewAt(20), nullptr);
    EXPECT_FALSE(frame.addView(nullptr));
}

TEST_F(FrameLogic, RemovingAViewClosesTheGapAndAnUnknownViewChangesNothing) {
    auto* a = new Recorder({0, 0, 1, 1}, &log, "a");
    auto* b = new Recorder({0, 0, 1, 1}, &log, "b");
    frame.addView(a);
    frame.addView(b);
    View stranger({0, 0, 1, 1});
    EXPECT_TRUE(frame.removeView(&stranger, true));
    EXPECT_EQ(frame.viewCount(), 2);
    EXPECT_TRUE(frame.removeView(a, false));
    EXPECT_EQ(frame.viewCount(), 1);
    EXPECT_EQ(frame.viewAt(0), b);
    EXPECT_FALSE(frame.containsView(a));
    EXPECT_EQ(log, (std::vector<std::string>{"a:attached", "b:attached", "a:detached"}));
    a->release();
}

TEST_F(FrameLogic, PressesGoToTheTopmostViewUnderThePoint) {
    frame.addView(new Recorder({0, 0, 50, 50}, &log, "under"));
    frame.addView(new Recorder({20, 20, 60, 60}, &log, "over"));
    auto* off = new Recorder({0, 0, 100, 80}, &log, "off");
    off->enableMouse(false);
    frame.addView(off);
    GuiPoint where{30, 30};
    frame.mouseDown(nullptr, where);
    where = {5, 5};
    frame.mouseDown(nullptr, where);
    where = {50, 50}; // an edge counts
    frame.mouseDown(nullptr, where);
    EXPECT_EQ(log, (std::vector<std::string>{"under:attached", "over:attached", "off:attached",
                                             "over:down", "under:down", "over:down"}));
}

TEST_F(FrameLogic, ModalViewTakesThePressesAndAPressOutsideItReachesNoOneButEndsTheFocus) {
    frame.addView(new Recorder({0, 0, 100, 80}, &log, "view"));
    Recorder modal({10, 10, 20, 20}, &log, "modal");
    Recorder focus({0, 0, 5, 5}, &log, "focus");
    EXPECT_TRUE(frame.setModalView(&modal));
    EXPECT_FALSE(frame.setModalView(&focus)) << "one modal view at a time";
    frame.moveFocusTo(&focus);
    log.clear();
    GuiPoint where{50, 50};
    frame.mouseDown(nullptr, where);
    EXPECT_EQ(log, (std::vector<std::string>{"focus:focusLost"}));
    EXPECT_EQ(frame.focusView, nullptr);
    where = {15, 15};
    frame.mouseDown(nullptr, where);
    EXPECT_EQ(log.back(), "modal:down");
    EXPECT_TRUE(frame.hasDirtyViews()) << "a modal view keeps the frame updating";
    EXPECT_TRUE(frame.setModalView(nullptr));
    EXPECT_EQ(log.back(), "modal:detached");
}

TEST_F(FrameLogic, KeysGoToFocusThenModalThenViewsFromTheTop) {
    Recorder focus({0, 0, 1, 1}, &log, "focus", -1);
    Recorder modal({0, 0, 1, 1}, &log, "modal", 5);
    frame.addView(new Recorder({0, 0, 1, 1}, &log, "bottom", 7));
    frame.addView(new Recorder({0, 0, 1, 1}, &log, "top", -1));
    VstKeyCode key{0, 11, 0};
    frame.moveFocusTo(&focus);
    frame.setModalView(&modal);
    log.clear();
    EXPECT_EQ(frame.handleKeyPress(key), 5);
    EXPECT_EQ(log, (std::vector<std::string>{"focus:key", "modal:key"}));
    frame.setModalView(nullptr);
    log.clear();
    EXPECT_EQ(frame.handleKeyRelease(key), 7);
    EXPECT_EQ(log, (std::vector<std::string>{"focus:release", "top:release", "bottom:release"}));
    frame.moveFocusTo(nullptr);
}

TEST_F(FrameLogic, NoViewTakingTheKeyAnswersMinusOne) {
    frame.addView(new Recorder({0, 0, 1, 1}, &log, "a", -1));
    VstKeyCode key{'x', 0, 0};
    EXPECT_EQ(frame.handleKeyPress(key), -1);
}

TEST_F(FrameLogic, DropsAreRefusedWhileAFocusOrModalViewIsSet) {
    frame.addView(new Recorder({0, 0, 50, 50}, &log, "taker", -1, true));
    Recorder field({0, 0, 5, 5}, &log, "field");
    GuiPoint where{50, 50};
    EXPECT_TRUE(frame.handleDrop(nullptr, 0, 1, where));
    frame.moveFocusTo(&field);
    log.clear();
    EXPECT_FALSE(frame.handleDrop(nullptr, 0, 1, where));
    EXPECT_TRUE(log.empty());
    frame.moveFocusTo(nullptr);
    where = {51, 10};
    EXPECT_FALSE(frame.handleDrop(nullptr, 0, 1, where)) << "outside every view";
}

TEST_F(FrameLogic, IdleRedrawWaitsForTheFirstPaint) {
    auto* view = new Recorder({0, 0, 10, 10}, &log, "v");
    frame.addView(view);
    EXPECT_TRUE(frame.awaitingFirstPaint);
    frame.paintArea(nullptr, {0, 0, 5, 5});
    EXPECT_FALSE(frame.awaitingFirstPaint);
    EXPECT_EQ(log.back(), "v:paint");
}

TEST_F(FrameLogic, PaintAreaReachesOnlyOverlappingViews) {
    frame.addView(new Recorder({0, 0, 10, 10}, &log, "left"));
    frame.addView(new Recorder({50, 0, 60, 10}, &log, "right"));
    log.clear();
    frame.paintArea(nullptr, {0, 0, 20, 20});
    EXPECT_EQ(log, (std::vector<std::string>{"left:paint"}));
}

TEST_F(FrameLogic, MarkDirtyInMarksOverlappingViewsEdgesIncluded) {
    auto* a = new View({0, 0, 10, 10});
    auto* b = new View({20, 0, 30, 10});
    frame.addView(a);
    frame.addView(b);
    frame.markDirtyIn({10, 10, 15, 15});
    EXPECT_TRUE(a->needsRepaint());
    EXPECT_FALSE(b->needsRepaint());
}

TEST(WindowClassName, IsPluginWithTheModuleInEightHexDigits) {
    char name[20];
    formatWindowClassName(reinterpret_cast<void*>(uintptr_t(0x10000000)), name, sizeof name);
    EXPECT_STREQ(name, "Plugin10000000");
    formatWindowClassName(reinterpret_cast<void*>(uintptr_t(0xABC)), name, sizeof name);
    EXPECT_STREQ(name, "Plugin00000abc");
}

} // namespace
} // namespace kestrune
