// What the control tests share on the software backend: an effect whose edit brackets reach a
// recording host, a listener that does what the editor does with a change, a frame in a host
// window, scripted mouse input in frame coordinates, and pictures made of coloured stripes.
#pragma once

#include "controls/Control.h"
#include "graphics/Bitmap.h"
#include "graphics/Frame.h"
#include "graphics/GraphicsContext.h"
#include "platform/Platform.h"
#include "platform/soft/SoftPlatform.h"
#include "shell/GuiEditor.h"
#include "shell/PluginEffectExt.h"
#include "tests/host/RecordingHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace kestrune::test {

namespace soft = platform::soft;

// One change a control reported.
struct Report {
    int tag;
    float value;
    bool withContext;
};

// Records each change and, as the editor does, redraws a control moved with the mouse at once.
class ProbeListener : public ValueListener {
public:
    void controlChanged(GraphicsContext* context, Control* control) override {
        reports.push_back({control->readTag(), control->readValue(), context != nullptr});
        if (context)
            control->repaintIfNeeded(context);
    }
    std::vector<Report> reports;
};

// An effect that only asks its host: the edit brackets and the idle calls of a drag.
class EditEffect : public PluginEffectExt {
public:
    EditEffect() : PluginEffectExt(testhost::RecordingHost::callback, 1, 14) {}
    void processAccumulate(float**, float**, int32_t) override {}
};

// A control with nothing of its own, for the base behaviour.
class PlainControl : public Control {
public:
    explicit PlainControl(const GuiRect& bounds = {10, 20, 30, 40}, ValueListener* l = nullptr,
                          int tag = 0, Bitmap* background = nullptr)
        : Control(bounds, l, tag, background) {}
    void paint(GraphicsContext*) override { markForRepaint(false); }
};

inline platform::ColorValue rgb(int r, int g, int b) {
    return platform::colorValue(uint8_t(r), uint8_t(g), uint8_t(b));
}

inline GuiColor guiColor(int r, int g, int b) {
    return GuiColor{uint8_t(r), uint8_t(g), uint8_t(b), 0};
}

// A picture of `count` stripes of `stripeHeight` rows, stripe i in colour(i); horizontal stripes
// are columns of `stripeWidth` instead when `vertical` is false.
template <typename ColourOf>
Bitmap* stripedBitmap(int width, int height, int count, bool rows, ColourOf colourOf) {
    auto* bitmap = new Bitmap(width, height);
    GraphicsContext screen(nullptr, nullptr, nullptr);
    OffscreenBuffer buffer(screen, bitmap, true);
    for (int i = 0; i < count; ++i) {
        buffer.setBrushColor(colourOf(i));
        GuiRect r = rows ? GuiRect{-1, i * height / count - 1, width, (i + 1) * height / count}
                         : GuiRect{i * width / count - 1, -1, (i + 1) * width / count, height};
        buffer.paintRect(r);
    }
    return bitmap;
}

inline Bitmap* solidBitmap(int width, int height, GuiColor colour) {
    return stripedBitmap(width, height, 1, true, [&](int) { return colour; });
}

class ControlsFixture : public ::testing::Test {
protected:
    static constexpr int hostLeft = 200;
    static constexpr int hostTop = 100;

    void SetUp() override {
        soft::resetWorld();
        soft::setTickCount(10000);
        knobModeSetting = 0;
        host = std::make_unique<testhost::RecordingHost>();
        effect = std::make_unique<EditEffect>();
        editor = new GuiEditor(effect.get()); // owned by the effect
        hostWindow = soft::createHostWindow({hostLeft, hostTop, hostLeft + 400, hostTop + 300});
        frame = new Frame(GuiRect{0, 0, 340, 190}, hostWindow, editor);
        editor->frameView = frame;
        soft::pumpMessages(); // the first paint
        host->clear();
    }

    void TearDown() override {
        editor->frameView = nullptr;
        if (frame)
            frame->release();
        frame = nullptr;
        effect.reset();
        host.reset();
        soft::resetWorld();
        knobModeSetting = 0;
    }

    // The mouse and keys at a point of the frame's window. A tracking loop reads the buttons
    // at the top of a pass and the cursor at its end, so a state lasts two cursor reads for the
    // loop to see its buttons and its position together.
    soft::InputState at(GuiPoint p, uint32_t held, int polls = 2) const {
        platform::Rect r{};
        platform::windowRect(frame->window, r);
        soft::InputState state;
        state.cursor = {r.left + p.h, r.top + p.v};
        state.held = held;
        state.polls = polls;
        return state;
    }

    // A press at `from` with `held`, one poll at each of `path` (with the same keys unless a
    // step gives its own), and the release at the last point.
    void drag(GuiPoint from, uint32_t held, const std::vector<GuiPoint>& path) {
        std::vector<soft::InputState> states{at(from, held)};
        for (const GuiPoint& p : path)
            states.push_back(at(p, held));
        states.push_back(at(path.empty() ? from : path.back(), 0));
        run(states);
    }

    // A tracking loop polls until the button goes up, so every script ends released.
    void run(const std::vector<soft::InputState>& states) {
        ASSERT_FALSE(states.empty());
        ASSERT_EQ(states.back().held & (soft::leftButton | soft::rightButton), 0u)
            << "a script must end with the buttons up";
        soft::scriptInput(states);
        soft::pumpMessages();
    }

    // A press and release at one point; `held` names the button and the keys. A control that
    // tracks the mouse sees the release at its first poll; one that does not sees it after the
    // press has been handled.
    void click(GuiPoint p, uint32_t held = soft::leftButton) {
        run({at(p, held), at(p, 0)});
        if (soft::scriptStepsLeft() > 0) {
            soft::setInput(at(p, 0));
            soft::pumpMessages();
        }
    }

    int countCalls(int32_t opcode, int32_t index) const {
        int n = 0;
        for (const auto& call : host->callsWith(opcode))
            if (call.index == index)
                ++n;
        return n;
    }

    // The host saw exactly one begin and one end of the edit of `tag`, in that order, and no
    // edit of anything else.
    void expectOneEditOf(int tag) const {
        std::vector<int32_t> brackets;
        for (const auto& call : host->calls())
            if (call.opcode == audioMasterBeginEdit || call.opcode == audioMasterEndEdit) {
                EXPECT_EQ(call.index, tag);
                brackets.push_back(call.opcode);
            }
        EXPECT_EQ(brackets, (std::vector<int32_t>{audioMasterBeginEdit, audioMasterEndEdit}));
    }

    void expectNoEdit() const {
        EXPECT_TRUE(host->callsWith(audioMasterBeginEdit).empty());
        EXPECT_TRUE(host->callsWith(audioMasterEndEdit).empty());
    }

    // A context on the frame's window for direct calls (wheel, paint).
    std::unique_ptr<GraphicsContext> windowContext() {
        dc = platform::acquireWindowDC(frame->window);
        return std::make_unique<GraphicsContext>(frame, dc, frame->window);
    }
    void releaseContext(std::unique_ptr<GraphicsContext>& context) {
        context.reset();
        if (dc)
            platform::releaseWindowDC(frame->window, dc);
        dc = nullptr;
    }

    platform::ColorValue pixel(int x, int y) const {
        return soft::windowPixel(frame->window, x, y);
    }

    std::string savePicture(const std::string& name) const {
        std::string path = std::string(KESTRUNE_TEST_OUTPUT_DIR) + "/" + name + ".png";
        soft::writeWindowPng(frame->window, path);
        return path;
    }

    std::unique_ptr<testhost::RecordingHost> host;
    std::unique_ptr<EditEffect> effect;
    GuiEditor* editor = nullptr;
    platform::Window hostWindow = nullptr;
    Frame* frame = nullptr;
    platform::DeviceContext dc = nullptr;
    ProbeListener listener;
};

} // namespace kestrune::test
