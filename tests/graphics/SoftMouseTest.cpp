// The context's mouse queries and waits with a scripted cursor, buttons and clock, and the
// platform calls the context makes.
#include "graphics/Frame.h"
#include "graphics/GraphicsContext.h"
#include "platform/soft/SoftPlatform.h"
#include "shell/GuiEditor.h"
#include "tests/graphics/GraphicsTestSupport.h"
#include "tests/host/RecordingHost.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kestrune {
namespace {

namespace pf = platform;
namespace soft = platform::soft;
using soft::InputState;

class SoftMouse : public ::testing::Test {
protected:
    void SetUp() override {
        soft::resetWorld();
        testing::useTestModule();
        host = soft::createHostWindow({100, 100, 200, 200});
        frame = std::make_unique<Frame>(GuiRect{0, 0, 100, 100}, host, nullptr);
        soft::pumpMessages();
        dc = pf::acquireWindowDC(frame->window);
        ctx = std::make_unique<GraphicsContext>(frame.get(), dc, frame->window);
    }
    void TearDown() override {
        ctx.reset();
        if (frame)
            pf::releaseWindowDC(frame->window, dc);
        frame.reset();
        buttonsSwapped = false;
        soft::resetWorld();
    }
    // A press at window point (x, y) taken out of the queue, as the frame's procedure does.
    void takePress(int x, int y, uint32_t time) {
        soft::setTickCount(time);
        soft::setInput({{100 + x, 100 + y}, soft::leftButton});
        pf::Message m{};
        ASSERT_TRUE(pf::peekMessage(m, nullptr, pf::messageLeftButtonDown,
                                    pf::messageLeftButtonDown, pf::peekRemove));
    }

    pf::Window host = nullptr;
    std::unique_ptr<Frame> frame;
    pf::DeviceContext dc = nullptr;
    std::unique_ptr<GraphicsContext> ctx;
};

TEST_F(SoftMouse, ButtonsAreReportedAsTheUserSetThemUp) {
    struct Case {
        bool swapped;
        uint32_t held;
        int expected;
    };
    const Case cases[] = {
        {false, soft::leftButton, mouseLeft},
        {false, soft::rightButton, mouseRight},
        {true, soft::rightButton, mouseLeft},
        {true, soft::leftButton, mouseRight},
        {false, soft::middleButton | soft::shiftKey | soft::controlKey | soft::altKey,
         mouseMiddle | keyShift | keyControl | keyAlt},
        {false, 0, 0},
    };
    for (const Case& c : cases) {
        buttonsSwapped = c.swapped;
        soft::setInput({{0, 0}, c.held});
        EXPECT_EQ(ctx->queryMouseButtons(), c.expected) << "held " << c.held;
    }
}

TEST_F(SoftMouse, SwappedButtonsAreReadWhenTheClassIsRegistered) {
    ctx.reset();
    pf::releaseWindowDC(frame->window, dc);
    frame.reset(); // the class goes with the last frame
    soft::setSystemMetric(pf::metricSwapButton, 1);
    Frame swapped({0, 0, 10, 10}, host, nullptr);
    EXPECT_TRUE(buttonsSwapped);
}

TEST_F(SoftMouse, PositionIsInWindowCoordinatesWithoutTheDrawingOffset) {
    soft::setInput({{130, 145}, 0});
    ctx->drawOffset = {7, 7};
    GuiPoint p;
    ctx->queryMousePosition(p);
    EXPECT_EQ(p.h, 30);
    EXPECT_EQ(p.v, 45);
}

TEST_F(SoftMouse, DoubleClickIsASecondPressInTimeAndInPlace) {
    soft::setDoubleClickTime(500);
    takePress(20, 20, 1000);
    // Cursor reads pass, then the second press arrives at 1100.
    soft::scriptInput(
        {{{120, 120}, 0, 40, 1}, {{121, 119}, 0, 40, 1}, {{121, 119}, soft::leftButton, 20, 1}});
    EXPECT_TRUE(ctx->awaitDoubleClick());
    EXPECT_EQ(soft::queuedMessageCount(), 1u) << "the second press was taken, the release stays";
}

TEST_F(SoftMouse, DoubleClickFailsWhenTheTimeHasPassed) {
    soft::setDoubleClickTime(500);
    takePress(20, 20, 1000);
    soft::setTickCount(1500);
    EXPECT_FALSE(ctx->awaitDoubleClick());
    soft::setTickCount(1200);
    soft::scriptInput({{{120, 120}, 0, 200, 1}, {{120, 120}, 0, 200, 1}}); // time runs out
    EXPECT_FALSE(ctx->awaitDoubleClick());
}

TEST_F(SoftMouse, DoubleClickFailsWhenTheCursorMovesTwoPixels) {
    soft::setDoubleClickTime(500);
    takePress(20, 20, 1000);
    soft::scriptInput(
        {{{120, 120}, 0, 10, 1}, {{122, 120}, 0, 10, 1}, {{122, 120}, soft::leftButton, 10, 1}});
    EXPECT_FALSE(ctx->awaitDoubleClick());
    takePress(20, 20, 2000);
    soft::scriptInput({{{120, 120}, 0, 10, 1}, {{117, 120}, 0, 10, 1}});
    EXPECT_FALSE(ctx->awaitDoubleClick()) << "the box reaches two pixels left, not three";
}

TEST_F(SoftMouse, DragStartsWhenTheCursorLeavesTheBoxWithTheButtonHeld) {
    soft::scriptInput({{{150, 150}, soft::leftButton, 0, 2},
                       {{151, 151}, soft::leftButton, 0, 2},
                       {{152, 150}, soft::leftButton, 0, 2}});
    EXPECT_TRUE(ctx->awaitDragStart());
    soft::scriptInput({{{150, 150}, soft::leftButton, 0, 2},
                       {{151, 150}, soft::leftButton, 0, 1},
                       {{151, 150}, 0, 0, 1}});
    EXPECT_FALSE(ctx->awaitDragStart()) << "released inside the box";
    GraphicsContext noFrame(nullptr, dc, frame->window);
    soft::setInput({{150, 150}, soft::leftButton});
    EXPECT_FALSE(noFrame.awaitDragStart());
}

TEST_F(SoftMouse, DragWaitServicesTheEditor) {
    testhost::RecordingHost recording;
    testing::StubEffect effect(testhost::RecordingHost::callback);
    auto* editor = new GuiEditor(&effect); // the effect owns it
    frame->editor = editor;
    soft::setTickCount(5000);
    editor->nextIdleTicks = 0;
    soft::scriptInput({{{150, 150}, soft::leftButton, 0, 2}, {{160, 150}, soft::leftButton, 0, 1}});
    EXPECT_TRUE(ctx->awaitDragStart());
    EXPECT_EQ(recording.callsWith(audioMasterIdle).size(), 1u);
    frame->editor = nullptr;
}

TEST_F(SoftMouse, UnchangedRasterModeMakesNoPlatformCall) {
    soft::startCallLog();
    ctx->setRasterMode(copy);
    ctx->setRasterMode(RasterMode(7)); // unknown modes draw as copy, but are a change
    std::vector<std::string> calls = soft::stopCallLog();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "setMixMode"), 1);
    EXPECT_EQ(soft::mixMode(dc), pf::mixCopyPen);
    ctx->setRasterMode(merge);
    EXPECT_EQ(soft::mixMode(dc), pf::mixMergePen);
    ctx->setRasterMode(notXor);
    EXPECT_EQ(soft::mixMode(dc), pf::mixNotXorPen);
}

TEST_F(SoftMouse, SettersRecreateThePenEvenWithTheSameValue) {
    soft::startCallLog();
    ctx->setLineColor(ctx->lineColor);
    ctx->setPenWidth(ctx->penWidth);
    ctx->setLinePattern(dotted);
    std::vector<std::string> calls = soft::stopCallLog();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "createPen"), 3);
    pf::PenDescription pen{};
    ASSERT_TRUE(soft::describePen(pf::currentObject(dc, pf::objectPen), pen));
    EXPECT_EQ(pen.style, pf::penDot);
}

TEST_F(SoftMouse, SelectedFontFollowsTheTable) {
    ctx->selectFont(9, 0, 0);
    pf::FontDescription font{};
    ASSERT_TRUE(soft::describeFont(pf::currentObject(dc, pf::objectFont), font));
    EXPECT_EQ(font.height, -12);
    EXPECT_EQ(font.weight, 700);
    ctx->selectFont(7, 0, 0);
    ASSERT_TRUE(soft::describeFont(pf::currentObject(dc, pf::objectFont), font));
    EXPECT_STREQ(font.faceName, "Symbol");
    EXPECT_EQ(font.pitchAndFamily, 0x50);
    EXPECT_EQ(font.height, -13);
}

TEST_F(SoftMouse, ConstructionRecordsTheFramesBoundsAsClipAreaAndSelectsNoRegion) {
    EXPECT_EQ(ctx->clipArea.right, 100);
    pf::Rect clip{};
    EXPECT_FALSE(soft::clipArea(dc, clip));
    EXPECT_EQ(soft::backgroundMode(dc), pf::backgroundTransparent);
    EXPECT_EQ(ctx->windowOrigin.h, 100);
    ctx->setClipArea({1, 2, 3, 4});
    ASSERT_TRUE(soft::clipArea(dc, clip));
    EXPECT_EQ(clip.right, 3);
}

} // namespace
} // namespace kestrune
