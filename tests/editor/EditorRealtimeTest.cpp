// With the editor open, every processing call reports the meter to the editor on the audio
// thread (parameter 9 through GatePlugin to the meter control). That path must allocate nothing
// either: counted through the loaded plug-ins, whose operator new is this test's.
#include "platform/soft/SoftPlatform.h"
#include "tests/host/CountedAllocations.h"
#include "tests/host/PluginLibrary.h"
#include "tests/host/RecordingHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace kestrune::test {
namespace {

namespace pf = kestrune::platform;
namespace soft = kestrune::platform::soft;
using testhost::CountedAllocations;
using testhost::dispatch;
using testhost::PluginLibrary;
using testhost::RecordingHost;

TEST(EditorRealtime, MeterReportsToAnOpenEditorAllocateNothing) {
    for (const char* plugin : {"Kestrune_ST", "Kestrune_mono"}) {
        SCOPED_TRACE(plugin);
        soft::resetWorld();
        PluginLibrary library(PluginLibrary::builtPlugin(plugin));
        ASSERT_TRUE(library.loaded()) << library.error();
        RecordingHost host;
        AEffect* effect = library.create(RecordingHost::callback);
        ASSERT_NE(effect, nullptr);
        testhost::startEffect(effect);
        pf::Window window = soft::createHostWindow(pf::Rect{0, 0, 340, 190});
        ASSERT_EQ(dispatch(effect, effEditOpen, 0, 0, window), 1);
        soft::pumpMessages();

        std::vector<float> left(4096), right(4096), outLeft(4096), outRight(4096);
        for (int i = 0; i < 4096; ++i) {
            left[i] = right[i] = static_cast<float>(0.3 * std::sin(0.01 * i) * (i % 900 < 300));
        }
        float* inputs[] = {left.data(), right.data()};
        float* outputs[] = {outLeft.data(), outRight.data()};
        const int32_t sizes[] = {0, 1, 511, 512, 513, 700, 4096};
        long allocations = 0;
        {
            CountedAllocations counted;
            for (int round = 0; round < 300; ++round) {
                for (int32_t frames : sizes) {
                    effect->processReplacing(effect, inputs, outputs, frames);
                    effect->process(effect, inputs, outputs, frames);
                }
            }
            allocations = counted.count();
        }
        EXPECT_EQ(allocations, 0);
        dispatch(effect, effEditIdle); // the reports reached the meter: it repaints normally
        dispatch(effect, effEditClose);
        dispatch(effect, effClose);
    }
}

} // namespace
} // namespace kestrune::test
