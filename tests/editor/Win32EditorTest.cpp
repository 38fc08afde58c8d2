// Kestrune_ST.dll in a real top-level window on the real platform (Wine here): the editor opened
// by a host, the release knob turned and KeyListen clicked with real input (SetCursorPos and
// SendInput from a second thread while the control's tracking loop polls), a host parameter
// change shown at the next idle, and the window captured and compared with the software window
// system's picture of the same state.
#include "platform/Platform.h"
#include "platform/win32/Win32Testing.h"
#include "platform/win32/testing/InputScript.h"
#include "tests/editor/BmpPicture.h"
#include "tests/host/PluginLibrary.h"
#include "tests/host/RecordingHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

namespace kestrune::test {
namespace {

namespace pf = kestrune::platform;
namespace w = kestrune::platform::win32test;
using testhost::dispatch;
using testhost::PluginLibrary;
using testhost::RecordingHost;

constexpr int kWidth = 340;
constexpr int kHeight = 190;

class RealEditor : public ::testing::Test {
protected:
    void SetUp() override {
        host = std::make_unique<RecordingHost>();
        // The begin of an edit tells the input thread that the control's loop is running.
        host->answerWith([this](const testhost::HostCall& call) -> intptr_t {
            if (call.opcode == audioMasterVersion) {
                return 2400;
            }
            if (call.opcode == audioMasterBeginEdit) {
                tracking = true;
            }
            return 0;
        });
        library = std::make_unique<PluginLibrary>(PluginLibrary::builtPlugin("Kestrune_ST"));
        ASSERT_TRUE(library->loaded()) << library->error();
        effect = library->create(RecordingHost::callback);
        ASSERT_NE(effect, nullptr);
        testhost::startEffect(effect);

        hostWindow = w::createTopLevelWindow(120, 80, kWidth, kHeight);
        ASSERT_NE(hostWindow, nullptr);
        ASSERT_EQ(dispatch(effect, effEditOpen, 0, 0, hostWindow), 1);
        editorWindow = w::firstChildWindow(hostWindow);
        ASSERT_NE(editorWindow, nullptr);
        pf::Rect area{};
        ASSERT_TRUE(pf::windowRect(editorWindow, area));
        originX = area.left;
        originY = area.top;
        EXPECT_EQ(area.right - area.left, kWidth);
        EXPECT_EQ(area.bottom - area.top, kHeight);
        idle(32); // the meter settles one decay step per repaint
        host->clear();
    }

    void TearDown() override {
        if (effect) {
            dispatch(effect, effEditClose);
            dispatch(effect, effClose);
        }
        if (hostWindow) {
            pf::destroyWindow(hostWindow);
        }
        library.reset();
        host.reset();
    }

    void idle(int ticks) {
        for (int i = 0; i < ticks; ++i) {
            dispatch(effect, effEditIdle);
            w::pumpMessages(0);
        }
        w::pumpMessages(20);
    }

    w::InputStep at(int x, int y, uint32_t held, const std::atomic<bool>* waitFor = nullptr) {
        w::InputStep step;
        step.x = originX + x;
        step.y = originY + y;
        step.held = held;
        step.waitFor = waitFor;
        return step;
    }

    // A press at (fromX, fromY), moves once the control's loop runs, the release at the end.
    void drag(int fromX, int fromY, const std::vector<std::pair<int, int>>& path) {
        tracking = false;
        std::vector<w::InputStep> steps{at(fromX, fromY, w::holdLeft, &tracking)};
        for (const auto& [x, y] : path) {
            steps.push_back(at(x, y, w::holdLeft));
        }
        steps.push_back(at(path.back().first, path.back().second, 0));
        w::InputScript script(std::move(steps));
        for (int i = 0; i < 1000 && !script.done(); ++i) {
            w::pumpMessages(5);
        }
        w::pumpMessages(50);
        EXPECT_TRUE(script.done());
        EXPECT_TRUE(script.allWaitsMet()) << "the press never reached the control";
    }

    // A press and release; a button has no tracking loop to wait for.
    void click(int x, int y) {
        w::InputScript script({at(x, y, w::holdLeft), at(x, y, 0)});
        for (int i = 0; i < 1000 && !script.done(); ++i) {
            w::pumpMessages(5);
        }
        w::pumpMessages(50);
        EXPECT_TRUE(script.done());
    }

    std::vector<uint32_t> capture(int left = 0, int top = 0, int right = kWidth,
                                  int bottom = kHeight) {
        std::vector<uint32_t> pixels;
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                pixels.push_back(w::windowPixel(editorWindow, x, y) & 0xFFFFFF);
            }
        }
        return pixels;
    }

    std::unique_ptr<RecordingHost> host;
    std::unique_ptr<PluginLibrary> library;
    AEffect* effect = nullptr;
    pf::Window hostWindow = nullptr;
    pf::Window editorWindow = nullptr;
    int originX = 0;
    int originY = 0;
    std::atomic<bool> tracking{false};
};

TEST_F(RealEditor, TurningTheReleaseKnobAutomatesParameterThree) {
    const float before = effect->getParameter(effect, 3);
    const auto readoutBefore = capture(170, 55, 220, 65);
    drag(195, 85, {{200, 80}, {210, 70}, {220, 62}, {225, 60}, {225, 60}});

    const float after = effect->getParameter(effect, 3);
    EXPECT_NE(after, before);
    std::vector<int32_t> calls;
    for (const auto& call : host->calls()) {
        if (call.opcode == audioMasterBeginEdit || call.opcode == audioMasterEndEdit ||
            call.opcode == audioMasterAutomate) {
            EXPECT_EQ(call.index, 3) << "opcode " << call.opcode;
            if (calls.empty() || calls.back() != call.opcode) {
                calls.push_back(call.opcode);
            }
        }
    }
    EXPECT_EQ(calls, (std::vector<int32_t>{audioMasterBeginEdit, audioMasterAutomate,
                                           audioMasterEndEdit}));
    const auto automations = host->callsWith(audioMasterAutomate);
    ASSERT_FALSE(automations.empty());
    EXPECT_EQ(automations.back().opt, after);

    idle(1);
    EXPECT_NE(capture(170, 55, 220, 65), readoutBefore) << "the readout shows the new release";
}

TEST_F(RealEditor, KeyListenClickAndAHostFaderMove) {
    click(31, 153);
    EXPECT_EQ(effect->getParameter(effect, 6), 1.0f);
    const auto automations = host->callsWith(audioMasterAutomate);
    ASSERT_FALSE(automations.empty());
    EXPECT_EQ(automations.back().index, 6);

    const auto faderBefore = capture(158, 145, 288, 155);
    effect->setParameter(effect, 7, 0.3f);
    w::pumpMessages(20);
    EXPECT_EQ(capture(158, 145, 288, 155), faderBefore) << "the fader moves at the next idle";
    idle(1);
    EXPECT_NE(capture(158, 145, 288, 155), faderBefore);
}

// The real platform draws the same panel as the software window system, except for the
// anti-aliasing of the text the readouts draw at run time.
TEST_F(RealEditor, CaptureMatchesTheSoftwareWindowSystem) {
    for (const SharedState& state : kSharedPanelState) {
        effect->setParameter(effect, state.index, state.value);
    }
    idle(32);
    const std::vector<uint32_t> drawn = capture();
    const std::string output = std::string(KESTRUNE_TEST_OUTPUT_DIR) + "/win32-editor.bmp";
    writeBmp(output, kWidth, kHeight, drawn);

    const std::string reference =
        std::string(KESTRUNE_SOURCE_DIR) + "/tests/editor/golden/cross-system-stereo.bmp";
    int width = 0;
    int height = 0;
    std::vector<uint32_t> expected;
    ASSERT_TRUE(readBmp(reference, width, height, expected)) << reference;
    ASSERT_EQ(width, kWidth);
    ASSERT_EQ(height, kHeight);

    int outside = 0;
    int inside = 0;
    int readoutPixels = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const size_t i = static_cast<size_t>(y) * kWidth + x;
            const bool differs = (expected[i] & 0xFFFFFF) != drawn[i];
            if (inReadout(x, y)) {
                ++readoutPixels;
                inside += differs;
            } else {
                outside += differs;
            }
        }
    }
    std::printf("capture %s: %d of %d readout pixels differ (text anti-aliasing), %d elsewhere\n",
                output.c_str(), inside, readoutPixels, outside);
    EXPECT_EQ(outside, 0) << "see " << output;
    EXPECT_LT(inside, readoutPixels / 2) << "see " << output;
}

} // namespace
} // namespace kestrune::test
