// The frame in the software window system: its window class, its child window, paint and press
// messages, idle redraws, the edit box colour request, cursors, resizing.
#include "graphics/Bitmap.h"
#include "graphics/Frame.h"
#include "graphics/GraphicsContext.h"
#include "platform/soft/SoftPlatform.h"
#include "tests/graphics/GraphicsTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace kestrune {
namespace {

namespace pf = platform;
namespace soft = platform::soft;

// A view that fills itself with a colour and counts its presses.
class Patch : public View {
public:
    Patch(const GuiRect& r, GuiColor color) : View(r), color_(color) {}
    void paint(GraphicsContext* context) override {
        ++paints;
        if (context) {
            context->setBrushColor(color_);
            context->paintRect({bounds.left - 1, bounds.top - 1, bounds.right, bounds.bottom});
        }
        View::paint(context);
    }
    void mouseDown(GraphicsContext* context, GuiPoint& where) override {
        ++presses;
        lastWhere = where;
        lastButtons = context ? context->queryMouseButtons() : -1;
    }

    int paints = 0;
    int presses = 0;
    GuiPoint lastWhere;
    int lastButtons = 0;

private:
    GuiColor color_;
};

class SoftFrame : public ::testing::Test {
protected:
    void SetUp() override {
        soft::resetWorld();
        testing::useTestModule();
        host = soft::createHostWindow({200, 100, 300, 180});
    }
    void TearDown() override { soft::resetWorld(); }

    pf::Window host = nullptr;
};

TEST_F(SoftFrame, ClassIsRegisteredOnceAndUnregisteredWithTheLastFrame) {
    auto first = std::make_unique<Frame>(GuiRect{0, 0, 60, 40}, host, nullptr);
    ASSERT_NE(first->window, nullptr);
    char expected[20];
    formatWindowClassName(moduleInstance, expected, sizeof expected);
    char name[32];
    pf::windowClassName(first->window, name, sizeof name);
    EXPECT_STREQ(name, expected);
    EXPECT_EQ(reinterpret_cast<Frame*>(pf::windowUserData(first->window)), first.get());
    auto second = std::make_unique<Frame>(GuiRect{0, 0, 60, 40}, host, nullptr);
    EXPECT_EQ(Frame::classUseCount, 2);
    first.reset();
    pf::Window other = pf::createWindow(0, expected, "", pf::styleChild, 0, 0, 1, 1, host,
                                        static_cast<pf::Module>(moduleInstance));
    EXPECT_NE(other, nullptr) << "the class stays while a frame uses it";
    pf::destroyWindow(other);
    second.reset();
    EXPECT_EQ(Frame::classUseCount, 0);
    pf::WindowClassDescription probe{};
    probe.name = expected;
    probe.module = static_cast<pf::Module>(moduleInstance);
    probe.procedure = pf::defaultWindowProcedure;
    EXPECT_TRUE(pf::registerWindowClass(probe)) << "the last frame unregistered its class";
    pf::unregisterWindowClass(expected, probe.module);
}

TEST_F(SoftFrame, PaintMessageDrawsTheBackgroundAndTheViews) {
    Frame frame({0, 0, 60, 40}, host, nullptr);
    Bitmap* panel = new Bitmap(testing::panelId);
    frame.setBackground(panel);
    panel->release();
    EXPECT_EQ(panel->referenceCount, 1) << "the frame holds its own reference";
    auto* patch = new Patch({30, 20, 40, 30}, colorRed);
    frame.addView(patch);
    soft::pumpMessages();
    EXPECT_FALSE(frame.awaitingFirstPaint);
    EXPECT_EQ(soft::windowPixel(frame.window, 15, 15), pf::colorValue(0, 153, 0))
        << soft::writeWindowPng(frame.window, testing::evidencePath("frame-paint"));
    EXPECT_EQ(soft::windowPixel(frame.window, 35, 25), colorRed.platformValue());
    EXPECT_EQ(soft::windowPixel(frame.window, 0, 0), pf::colorValue(51, 51, 51));
}

TEST_F(SoftFrame, PressesReachTheViewUnderTheCursorWithButtonsAndPosition) {
    Frame frame({0, 0, 60, 40}, host, nullptr);
    auto* patch = new Patch({10, 10, 30, 30}, colorRed);
    frame.addView(patch);
    soft::setInput({{200 + 12, 100 + 15}, soft::leftButton | soft::shiftKey});
    soft::pumpMessages();
    ASSERT_EQ(patch->presses, 1);
    EXPECT_EQ(patch->lastWhere.h, 12);
    EXPECT_EQ(patch->lastWhere.v, 15);
    EXPECT_EQ(patch->lastButtons, mouseLeft | keyShift);
}

TEST_F(SoftFrame, IdleRedrawsWaitForTheFirstPaintThenDrawMarkedViews) {
    Frame frame({0, 0, 60, 40}, host, nullptr);
    auto* patch = new Patch({10, 10, 30, 30}, colorRed);
    frame.addView(patch);
    patch->markForRepaint(true);
    frame.updateDirtyViews();
    EXPECT_EQ(patch->paints, 0);
    soft::pumpMessages(); // the first paint
    int afterPaint = patch->paints;
    frame.updateDirtyViews();
    EXPECT_EQ(patch->paints, afterPaint) << "nothing marked";
    patch->markForRepaint(true);
    frame.updateDirtyViews();
    EXPECT_EQ(patch->paints, afterPaint + 1);
}

TEST_F(SoftFrame, RedrawViewDrawsOneViewOrTheWholeFrame) {
    Frame frame({0, 0, 60, 40}, host, nullptr);
    auto* a = new Patch({0, 0, 10, 10}, colorRed);
    auto* b = new Patch({20, 0, 30, 10}, colorRed);
    frame.addView(a);
    frame.addView(b);
    frame.redrawView(a);
    EXPECT_EQ(a->paints, 1);
    EXPECT_EQ(b->paints, 0);
    Patch stranger({0, 0, 1, 1}, colorRed);
    frame.redrawView(&stranger);
    EXPECT_EQ(stranger.paints, 0);
    EXPECT_EQ(b->paints, 1) << "a view not in the list redraws the whole frame";
}

TEST_F(SoftFrame, AfterTheHostDestroysTheWindowIdleDrawsNothingAndResizeFails) {
    Frame frame({0, 0, 60, 40}, host, nullptr);
    auto* patch = new Patch({0, 0, 10, 10}, colorRed);
    frame.addView(patch);
    soft::pumpMessages();
    pf::destroyWindow(host);
    EXPECT_FALSE(frame.windowOpen);
    EXPECT_EQ(frame.parentWindow, nullptr);
    int paints = patch->paints;
    patch->markForRepaint(true);
    frame.updateDirtyViews();
    EXPECT_EQ(patch->paints, paints);
    EXPECT_FALSE(frame.resizeTo(100, 100));
}

TEST_F(SoftFrame, CursorShapesAndTheSavedCursorComeBack) {
    pf::setCursor(pf::systemCursor(pf::cursorArrow));
    {
        Frame frame({0, 0, 60, 40}, host, nullptr);
        frame.setCursorShape(2);
        EXPECT_EQ(soft::currentCursorId(), pf::cursorSizeWestEast);
        frame.setCursorShape(99);
        EXPECT_EQ(soft::currentCursorId(), pf::cursorSizeWestEast)
            << "unknown shapes change nothing";
        frame.setCursorShape(1);
        EXPECT_EQ(soft::currentCursorId(), pf::cursorWait);
    }
    EXPECT_EQ(soft::currentCursorId(), pf::cursorArrow);
}

TEST_F(SoftFrame, EditBoxAsksTheFrameForTheFocusFieldsColours) {
    static pf::DrawObject fieldBrush = nullptr;
    fieldBrush = nullptr;
    editBoxColorsOf = [](View*, EditBoxColors& out) {
        out.text = colorRed;
        out.background = colorGrey;
        out.brushSlot = &fieldBrush;
        return true;
    };
    {
        Frame frame({0, 0, 60, 40}, host, nullptr);
        View field({5, 5, 45, 20});
        frame.moveFocusTo(&field);
        pf::Window edit = pf::createWindow(0, "EDIT", "12.5", pf::styleChild | pf::styleVisible, 5,
                                           5, 41, 16, frame.window, nullptr);
        soft::pumpMessages();
        ASSERT_NE(fieldBrush, nullptr);
        EXPECT_EQ(soft::windowPixel(edit, 1, 1), colorGrey.platformValue());
        bool redInk = false;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 41; ++x)
                redInk |= soft::windowPixel(edit, x, y) == colorRed.platformValue();
        EXPECT_TRUE(redInk) << soft::writeWindowPng(edit, testing::evidencePath("edit-colours"));
        pf::destroyWindow(edit);
        frame.moveFocusTo(nullptr);
    }
    pf::deleteObject(fieldBrush);
    editBoxColorsOf = nullptr;
}

TEST_F(SoftFrame, ResizeWithoutTheHostsHelpGrowsTheCloseWrappers) {
    pf::Window wrapper = pf::createWindow(0, "SoftHost", "", pf::styleChild | pf::styleVisible, 0,
                                          0, 66, 46, host, nullptr);
    Frame frame({0, 0, 60, 40}, wrapper, nullptr);
    EXPECT_TRUE(frame.resizeTo(80, 50));
    EXPECT_EQ(frame.bounds.right, 80);
    EXPECT_EQ(frame.bounds.bottom, 50);
    pf::Rect r{};
    pf::windowRect(frame.window, r);
    EXPECT_EQ(r.right - r.left, 80);
    pf::windowRect(wrapper, r);
    EXPECT_EQ(r.right - r.left, 86) << "the wrapper keeps its margin around the frame";
    EXPECT_FALSE(frame.resizeTo(80, 50)) << "the same size again";
}

TEST_F(SoftFrame, HostWindowIsTheOutermostCloseWrapper) {
    pf::Window wrapper = pf::createWindow(0, "SoftHost", "", pf::styleChild | pf::styleVisible, 0,
                                          0, 70, 50, host, nullptr);
    Frame frame({0, 0, 60, 40}, wrapper, nullptr);
    EXPECT_EQ(frame.findHostWindow(), host) << "host is within 60 pixels and has no parent";
    int x = -1;
    int y = -1;
    EXPECT_TRUE(frame.hostWindowPosition(x, y));
    EXPECT_EQ(x, 200);
    EXPECT_EQ(y, 100);
}

} // namespace
} // namespace kestrune
