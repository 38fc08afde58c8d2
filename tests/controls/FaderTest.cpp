// Faders: the editor's geometry, jump-to-click and grab, fine mode, the vertical fader with its
// origin at the bottom, and the off-screen buffer that lives while the fader is attached.
#include "ControlsTestSupport.h"

#include "controls/Fader.h"

namespace kestrune::test {
namespace {

const GuiColor trackColour = guiColor(102, 102, 102);
const GuiColor handleColour = guiColor(30, 160, 60);

class FaderFixture : public ControlsFixture {
protected:
    static constexpr int tag = 7;
    void SetUp() override {
        ControlsFixture::SetUp();
        track = solidBitmap(130, 10, trackColour);
        handle = solidBitmap(20, 10, handleColour);
    }
    void TearDown() override {
        ControlsFixture::TearDown();
        track->release();
        handle->release();
    }
    // The editor's filter fader: track 130 x 10 at (158, 145), handle 20 x 10.
    HorizontalFader* addEditorFader() {
        auto* fader = new HorizontalFader({158, 145, 288, 155}, &listener, tag, 158,
                                          158 + track->width - handle->width, handle, track, {0, 0},
                                          originLeft);
        fader->setHandleOrigin({0, 0});
        frame->addView(fader);
        return fader;
    }
    // The columns of the window's row `y` between `from` and `to` that show the handle.
    std::pair<int, int> handleColumns(int y, int from, int to) const {
        int first = -1, last = -1;
        for (int x = from; x < to; ++x)
            if (pixel(x, y) == handleColour.platformValue()) {
                if (first < 0)
                    first = x;
                last = x;
            }
        return {first, last};
    }
    Bitmap* track = nullptr;
    Bitmap* handle = nullptr;
};

TEST_F(FaderFixture, EditorGeometryPutsTheHandleAtBothEnds) {
    HorizontalFader* fader = addEditorFader();
    EXPECT_EQ(fader->style, originLeft | faderHorizontal);
    EXPECT_EQ(fader->travelStart, 0);
    EXPECT_EQ(fader->travel, 110);
    EXPECT_EQ(fader->lowLimit, 0);
    EXPECT_EQ(fader->highLimit, 130);

    struct Case {
        float value;
        int firstColumn;
    };
    const Case cases[] = {{0.0f, 158}, {1.0f, 268}, {0.5f, 213}, {-0.5f, 158}, {1.5f, 268}};
    for (const Case& c : cases) {
        fader->putValue(c.value);
        frame->redrawView(fader);
        auto [first, last] = handleColumns(150, 150, 300);
        EXPECT_EQ(first, c.firstColumn) << c.value << " (" << savePicture("fader") << ")";
        EXPECT_EQ(last, std::min(c.firstColumn + 19, 287)) << c.value;
    }
    fader->putValue(0.0f);
    frame->redrawView(fader);
    EXPECT_EQ(pixel(200, 150), trackColour.platformValue()) << "the track shows beside it";
}

TEST_F(FaderFixture, ClickAtTheTrackCentreJumpsThere) {
    HorizontalFader* fader = addEditorFader();
    click({223, 150});
    // The pointer holds the handle's centre: (223 - (158 + 10 - 1)) / 110.
    EXPECT_NEAR(fader->readValue(), 56.0f / 110.0f, 1e-6f);
    ASSERT_FALSE(listener.reports.empty());
    EXPECT_EQ(listener.reports.back().tag, tag);
    expectOneEditOf(tag);
    EXPECT_EQ(frame->focusView, fader);
}

TEST_F(FaderFixture, ControlClickResetsWithoutAnEdit) {
    HorizontalFader* fader = addEditorFader();
    fader->putValue(0.1f);
    click({260, 150}, soft::leftButton | soft::controlKey);
    EXPECT_EQ(fader->readValue(), 0.5f);
    ASSERT_EQ(listener.reports.size(), 1u);
    expectNoEdit();
}

TEST_F(FaderFixture, GrabModeNeedsAPressOnTheHandle) {
    HorizontalFader* fader = addEditorFader();
    fader->setJumpToClick(false);
    EXPECT_FALSE(fader->readJumpToClick());
    fader->putValue(0.5f); // handle from 213 to 233
    click({250, 150});
    EXPECT_EQ(fader->readValue(), 0.5f);
    EXPECT_TRUE(listener.reports.empty());
    EXPECT_EQ(frame->focusView, nullptr);
    expectNoEdit();

    click({220, 150}); // on the handle, no movement
    EXPECT_NEAR(fader->readValue(), 0.5f, 1.0f / 110.0f) << "only the rounding to pixels";
    expectOneEditOf(tag);

    host->clear();
    fader->putValue(0.5f);
    drag({220, 150}, soft::leftButton, {{231, 150}, {242, 150}});
    EXPECT_NEAR(fader->readValue(), 0.5f + 22.0f / 110.0f, 1.0f / 110.0f);
    expectOneEditOf(tag);
}

TEST_F(FaderFixture, ShiftDragMovesAtOneTenth) {
    // A 220-pixel track with a 20-pixel handle: 200 pixels of travel.
    auto* fader = new HorizontalFader({10, 100, 230, 110}, &listener, tag, GuiPoint{0, 0}, 220,
                                      handle, nullptr, {0, 0}, originLeft);
    frame->addView(fader);
    EXPECT_EQ(fader->travel, 200);
    fader->putValue(0.25f);
    // The handle's centre at 0.25 is under 10 + 50 + 9.
    const uint32_t fine = soft::leftButton | soft::shiftKey;
    drag({69, 105}, fine, {{119, 105}, {169, 105}});
    EXPECT_NEAR(fader->readValue(), 0.25f + 0.05f, 1e-5f);
    expectOneEditOf(tag);
}

TEST_F(FaderFixture, ReleasingShiftReturnsToThePointer) {
    auto* fader = new HorizontalFader({10, 100, 230, 110}, &listener, tag, GuiPoint{0, 0}, 220,
                                      handle, nullptr, {0, 0}, originLeft);
    frame->addView(fader);
    fader->putValue(0.25f);
    const uint32_t left = soft::leftButton;
    const uint32_t fine = soft::leftButton | soft::shiftKey;
    run({at({69, 105}, left), at({69, 105}, fine), at({169, 105}, fine), at({169, 105}, left),
         at({169, 105}, 0)});
    EXPECT_NEAR(fader->readValue(), 0.75f, 1e-5f);
    bool sawFine = false;
    for (const Report& r : listener.reports)
        sawFine |= std::fabs(r.value - 0.30f) < 1e-5f;
    EXPECT_TRUE(sawFine);
    expectOneEditOf(tag);
}

TEST_F(FaderFixture, VerticalFaderWithBottomOriginGrowsUpwards) {
    auto* fader = new VerticalFader({300, 20, 310, 140}, &listener, 9, GuiPoint{0, 0}, 120, handle,
                                    track, {0, 0}, originBottom);
    EXPECT_EQ(fader->style, originBottom | faderVertical);
    EXPECT_EQ(fader->travel, 110);
    frame->addView(fader);

    fader->putValue(1.0f);
    frame->redrawView(fader);
    EXPECT_EQ(pixel(305, 20), handleColour.platformValue()) << savePicture("vertical-fader");
    EXPECT_EQ(pixel(305, 29), handleColour.platformValue());
    EXPECT_NE(pixel(305, 30), handleColour.platformValue());

    fader->putValue(0.0f);
    frame->redrawView(fader);
    EXPECT_EQ(pixel(305, 139), handleColour.platformValue());
    EXPECT_NE(pixel(305, 129), handleColour.platformValue());

    // The pointer holds the handle's centre: value 1 - (y - (20 + 5 - 1)) / 110, so 0.5 at 79.
    fader->putValue(0.5f);
    drag({305, 79}, soft::leftButton, {{305, 59}, {305, 39}});
    EXPECT_NEAR(fader->readValue(), 0.5f + 40.0f / 110.0f, 1.0f / 110.0f);
    expectOneEditOf(9);
}

TEST_F(FaderFixture, DetachAndAttachReplaceTheBuffer) {
    HorizontalFader* fader = addEditorFader();
    ASSERT_NE(fader->offscreen, nullptr);
    frame->removeView(fader, false);
    EXPECT_EQ(fader->offscreen, nullptr);
    fader->putValue(1.0f);
    GraphicsContext unattached(frame, nullptr, nullptr);
    fader->paint(&unattached); // a detached fader draws nothing
    EXPECT_FALSE(fader->needsRepaint());

    frame->addView(fader);
    ASSERT_NE(fader->offscreen, nullptr);
    EXPECT_EQ(fader->offscreen->bufferWidth, 130);
    EXPECT_EQ(fader->offscreen->bufferHeight, 10);
    fader->attachedTo(frame);
    ASSERT_NE(fader->offscreen, nullptr);
    frame->redrawView(fader);
    auto [first, last] = handleColumns(150, 150, 300);
    EXPECT_EQ(first, 268) << savePicture("fader-reattached");
    EXPECT_EQ(last, 287);
}

TEST_F(FaderFixture, WheelAndKeysStep) {
    HorizontalFader* fader = addEditorFader();
    fader->putValue(0.5f);
    VstKeyCode right{0, 13, 0};
    EXPECT_EQ(fader->handleKeyPress(right), 1);
    EXPECT_FLOAT_EQ(fader->readValue(), 0.6f);
    auto context = windowContext();
    GuiPoint unused{0, 0};
    soft::setInput(at({0, 0}, 0));
    EXPECT_TRUE(fader->handleWheel(context.get(), unused, -2.0f));
    EXPECT_FLOAT_EQ(fader->readValue(), 0.4f);
    releaseContext(context);
}

} // namespace
} // namespace kestrune::test
