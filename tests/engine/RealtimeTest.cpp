// The gate effect linked directly (one executable per channel count): processing allocates
// nothing, whatever the block size, mode or program, and parameter changes between calls do not
// allocate either. Heap use is counted by replacing the global operator new.
#include "engine/GateEffect.h"

#include "GateSignals.h"
#include "tests/host/CountedAllocations.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

namespace kestrune {
namespace {

using testhost::CountedAllocations;

TEST(GateEffectRealtime, ProcessingAllocatesNothing) {
    GateEffect effect(nullptr);
    ASSERT_EQ(effect.hostRecord.numInputs, GateEffect::channelCount());
    const int channels = GateEffect::channelCount();
    const auto signal = enginetest::drumSignal(2, 4096, enginetest::testSeed());
    std::vector<std::vector<float>> input = signal;
    std::vector<std::vector<float>> output(2, std::vector<float>(4096, 0.0f));
    float* in[2] = {input[0].data(), input[1].data()};
    float* out[2] = {output[0].data(), output[1].data()};
    const int32_t sizes[] = {0, 1, 511, 512, 513, 700, 4096};

    long calls = 0;
    CountedAllocations counted;
    for (int program = 0; program < 4; ++program) {
        effect.selectProgram(program);
        for (int round = 0; round < 150; ++round) {
            for (int32_t frames : sizes) {
                if (round % 2 == 0) {
                    effect.processOverwrite(in, out, frames);
                } else {
                    effect.processAccumulate(in, out, frames);
                }
                ++calls;
            }
            // Settings change between calls as automation would change them.
            effect.applyParam(kParamThreshold, 0.002f * static_cast<float>(round));
            effect.applyParam(kParamLowPass, 0.5f + 0.003f * static_cast<float>(round));
            effect.applyParam(kParamDuck, round % 3 == 0 ? 1.0f : 0.0f);
            effect.applyParam(kParamRelease, round % 5 == 0 ? 0.0f : 0.1f);
        }
    }
    effect.changeSampleRate(48000.0f);
    effect.processOverwrite(in, out, 4096);
    EXPECT_EQ(counted.count(), 0) << "over " << calls << " processing calls of " << channels
                                  << " channel(s)";
    EXPECT_GT(calls, 4000);
}

TEST(GateEffectRealtime, TheCounterSeesAllocations) {
    static std::vector<int>* volatile probe = nullptr;
    CountedAllocations counted;
    probe = new std::vector<int>(16);
    delete probe;
    EXPECT_GE(counted.count(), 2);
}

} // namespace
} // namespace kestrune
