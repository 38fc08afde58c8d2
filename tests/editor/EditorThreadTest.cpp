// The audio thread and the editor's thread at the same time, as hosts run them: one thread
// processes blocks (and so reports the meter to the editor) while the other opens the editor,
// idles it, moves controls, changes parameters and programs, and closes it again. Built with the
// thread sanitizer, this proves the shared values are exchanged without data races.
#include "Snapshot.h"
#include "platform/soft/SoftPlatform.h"
#include "tests/host/PluginLibrary.h"
#include "tests/host/RecordingHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

namespace kestrune::test {
namespace {

namespace pf = kestrune::platform;
namespace soft = kestrune::platform::soft;
using testhost::dispatch;
using testhost::PluginLibrary;
using testhost::RecordingHost;

using snapshot::kScreenX;
using snapshot::kScreenY;

void idle(AEffect* effect, int ticks) {
    snapshot::idleEditor(effect, ticks);
}

// Knob `knob` pressed at its centre and dragged by `dy` pixels, then released.
void dragKnob(int knob, int dy) {
    const int x = 45 + 50 * knob;
    snapshot::playGesture(snapshot::Gesture{x, 85, x + 10, 85 + dy, 4, false, false});
}

TEST(EditorThreads, ProcessingWhileTheEditorOpensIdlesMovesAndCloses) {
    for (const char* plugin : {"Kestrune_ST", "Kestrune_mono"}) {
        SCOPED_TRACE(plugin);
        soft::resetWorld();
        PluginLibrary library(PluginLibrary::builtPlugin(plugin));
        ASSERT_TRUE(library.loaded()) << library.error();
        RecordingHost host;
        AEffect* effect = library.create(RecordingHost::callback);
        ASSERT_NE(effect, nullptr);
        testhost::startEffect(effect, 44100.0f, 256);

        std::atomic<bool> running{true};
        std::atomic<int> blocks{0};
        std::thread audio([&] {
            std::vector<float> left(256), right(256), outLeft(256), outRight(256);
            float* inputs[] = {left.data(), right.data()};
            float* outputs[] = {outLeft.data(), outRight.data()};
            long frame = 0;
            while (running.load()) {
                for (int i = 0; i < 256; ++i, ++frame) {
                    const double envelope = (frame / 4410) % 2 ? 0.5 : 0.001;
                    left[i] = right[i] = static_cast<float>(envelope * std::sin(0.05 * frame));
                }
                effect->processReplacing(effect, inputs, outputs, 256);
                blocks.fetch_add(1);
            }
        });

        pf::Window hostWindow =
            soft::createHostWindow(pf::Rect{kScreenX, kScreenY, kScreenX + 340, kScreenY + 190});
        for (int round = 0; round < 4; ++round) {
            ASSERT_EQ(dispatch(effect, effEditOpen, 0, 0, hostWindow), 1);
            soft::pumpMessages();
            idle(effect, 5);
            dragKnob(round % 6, round % 2 ? 30 : -30);
            effect->setParameter(effect, 7, 0.2f * round);
            dispatch(effect, effSetProgram, 0, round % 4);
            idle(effect, 5);
            dispatch(effect, effEditClose);
            effect->setParameter(effect, 3, 0.1f * round);
        }
        // Let the audio thread run for a while in any case.
        while (blocks.load() < 200) {
            std::this_thread::yield();
        }
        running.store(false);
        audio.join();

        EXPECT_GE(blocks.load(), 200);
        EXPECT_FALSE(host.callsWith(audioMasterBeginEdit).empty());
        EXPECT_EQ(host.callsWith(audioMasterBeginEdit).size(),
                  host.callsWith(audioMasterEndEdit).size());
        dispatch(effect, effMainsChanged, 0, 0);
        EXPECT_EQ(dispatch(effect, effClose), 1);
    }
}

} // namespace
} // namespace kestrune::test
