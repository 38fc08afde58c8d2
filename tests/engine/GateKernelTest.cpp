// The fused processing loop against the plain per-sample formulas (ReferenceGate): bit for bit
// when the release power is computed exactly, within 1e-6 relative with the running product
// the deliverables use.
#include "engine/GateKernel.h"

#include "GateSignals.h"
#include "ReferenceGate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

namespace kestrune {
namespace {

using enginetest::ReferenceGate;

// Drives the loop the way the effect does: 512-frame slices of each host call.
template <int Channels, bool Accumulate, bool ExactRelease>
struct KernelGate {
    explicit KernelGate(float rate = 44100.0f) {
        detector.setSampleRate(rate);
        for (KeyFilter& f : filters) {
            f.setSampleRate(rate);
        }
    }

    void apply(const std::array<float, kGateParamCount>& values) {
        // The settings mapping is the reference's; only the loop differs.
        ReferenceGate mapping(Channels);
        mapping.filters = filters;
        mapping.detector = detector;
        mapping.apply(values);
        filters = mapping.filters;
        detector = mapping.detector;
        settings.thresholdGain = mapping.thresholdGain;
        settings.expandAmount = mapping.expandAmount;
        settings.rangeGain = mapping.rangeGain;
        settings.keyListen = mapping.keyListen;
        settings.duckMode = mapping.duckMode;
    }

    float process(float* const* inputs, float* const* outputs, int32_t frames) {
        float* keys[2] = {keyBuffers[0].data(), keyBuffers[1].data()};
        float meter = 0.0f;
        for (int32_t offset = 0; offset < frames; offset += 512) {
            const int32_t n = frames - offset < 512 ? frames - offset : 512;
            float* in[2] = {inputs[0] + offset, inputs[Channels - 1] + offset};
            float* out[2] = {outputs[0] + offset, outputs[Channels - 1] + offset};
            meter = runGateBlock<Channels, Accumulate, ExactRelease>(filters.data(), detector, keys,
                                                                     settings, in, out, n, meter);
            meter *= 0.5f;
            if (meter > 1.0f) {
                meter = 1.0f;
            }
        }
        return meter;
    }

    std::array<KeyFilter, 2> filters;
    GateDetector detector;
    GateSettings settings;
    std::array<std::array<float, 512>, 2> keyBuffers{};
};

struct Setting {
    std::string name;
    std::array<float, kGateParamCount> values;
};

std::vector<Setting> settingsUnderTest() {
    const auto bank = makeFactoryPrograms();
    std::vector<Setting> list;
    for (const GateProgram& p : bank) {
        list.push_back({p.name.data(), p.plainValues()});
    }
    Setting duck{"init, duck", bank[0].plainValues()};
    duck.values[kParamDuck] = 1.0f;
    duck.values[kParamRange] = 0.2f;
    list.push_back(duck);
    Setting listen{"init, key listen", bank[0].plainValues()};
    listen.values[kParamKeyListen] = 1.0f;
    list.push_back(listen);
    Setting shortRelease{"sn gate, short release", bank[1].plainValues()};
    shortRelease.values[kParamRelease] = 0.0f;
    shortRelease.values[kParamAttack] = 0.3f;
    shortRelease.values[kParamRange] = 0.25f;
    list.push_back(shortRelease);
    Setting highPassOnly{"init, low-pass off", bank[0].plainValues()};
    highPassOnly.values[kParamLowPass] = 1.0f;
    list.push_back(highPassOnly);
    Setting longRelease{"3x Expand, long release", bank[3].plainValues()};
    longRelease.values[kParamRelease] = 1.0f;
    longRelease.values[kParamExpandRatio] = 1.0f;
    list.push_back(longRelease);
    return list;
}

// Host calls of awkward sizes, repeated over the signal.
constexpr int32_t kCallSizes[] = {1, 511, 512, 513, 700, 4096, 64, 0};

struct Mismatch {
    bool found = false;
    std::string where;
};

// Compares sample by sample; tolerance 0 asks for identical bits.
template <int Channels, bool Accumulate, bool ExactRelease>
Mismatch compareWithReference(const Setting& setting, const std::vector<std::vector<float>>& signal,
                              double tolerance) {
    ReferenceGate reference(Channels);
    reference.apply(setting.values);
    KernelGate<Channels, Accumulate, ExactRelease> kernel;
    kernel.apply(setting.values);

    const int32_t frames = static_cast<int32_t>(signal[0].size());
    std::vector<std::vector<float>> expected(Channels, std::vector<float>(frames, 0.0f));
    std::vector<std::vector<float>> actual(Channels, std::vector<float>(frames, 0.0f));
    if (Accumulate) {
        for (int c = 0; c < Channels; ++c) {
            for (int32_t i = 0; i < frames; ++i) {
                expected[c][i] = actual[c][i] = 0.125f * signal[c][(i * 7) % frames];
            }
        }
    }
    int32_t position = 0;
    for (int call = 0; position < frames; ++call) {
        int32_t n = kCallSizes[call % std::size(kCallSizes)];
        if (n > frames - position) {
            n = frames - position;
        }
        float* in[2];
        float* ref[2];
        float* out[2];
        for (int c = 0; c < 2; ++c) {
            const int source = c < Channels ? c : 0;
            in[c] = const_cast<float*>(signal[source].data()) + position;
            ref[c] = expected[source].data() + position;
            out[c] = actual[source].data() + position;
        }
        const float meterExpected = reference.process(in, ref, n, Accumulate);
        const float meterActual = kernel.process(in, out, n);
        if (!(std::fabs(meterActual - meterExpected) <= tolerance * std::fabs(meterExpected))) {
            return {true, "meter of the call at frame " + std::to_string(position)};
        }
        position += n;
    }
    for (int c = 0; c < Channels; ++c) {
        for (int32_t i = 0; i < frames; ++i) {
            const float a = actual[c][i];
            const float e = expected[c][i];
            const bool same = tolerance == 0.0 ? std::memcmp(&a, &e, sizeof a) == 0
                                               : std::fabs(a - e) <= tolerance * std::fabs(e);
            if (!same) {
                return {true, "channel " + std::to_string(c) + " frame " + std::to_string(i) +
                                  ": " + std::to_string(a) + " instead of " + std::to_string(e)};
            }
        }
    }
    return {};
}

template <int Channels>
void checkAllSettings(const std::vector<std::vector<float>>& signal) {
    for (const Setting& setting : settingsUnderTest()) {
        SCOPED_TRACE(setting.name);
        Mismatch m = compareWithReference<Channels, false, true>(setting, signal, 0.0);
        EXPECT_FALSE(m.found) << "exact release, overwrite: " << m.where;
        m = compareWithReference<Channels, true, true>(setting, signal, 0.0);
        EXPECT_FALSE(m.found) << "exact release, accumulate: " << m.where;
        m = compareWithReference<Channels, false, false>(setting, signal, 1e-6);
        EXPECT_FALSE(m.found) << "running release product, overwrite: " << m.where;
        m = compareWithReference<Channels, true, false>(setting, signal, 1e-6);
        EXPECT_FALSE(m.found) << "running release product, accumulate: " << m.where;
    }
}

TEST(GateKernel, StereoLoopMatchesThePerSampleFormulas) {
    const std::uint32_t seed = enginetest::testSeed();
    SCOPED_TRACE("KESTRUNE_TEST_SEED=" + std::to_string(seed));
    checkAllSettings<2>(enginetest::drumSignal(2, 2 * 44100, seed));
}

TEST(GateKernel, MonoLoopMatchesThePerSampleFormulas) {
    const std::uint32_t seed = enginetest::testSeed();
    SCOPED_TRACE("KESTRUNE_TEST_SEED=" + std::to_string(seed));
    checkAllSettings<1>(enginetest::drumSignal(1, 2 * 44100, seed + 1));
}

// One burst and then eleven seconds of near silence: the whole release, its freeze after ten
// seconds and the running product's resynchronisation at every block.
TEST(GateKernel, LongReleaseAndFreezeMatchThePerSampleFormulas) {
    auto signal =
        enginetest::drumSignal(2, 11 * 44100, enginetest::testSeed(), 44100.0f, 11 * 44100);
    Setting setting{"long release", makeFactoryPrograms()[3].plainValues()};
    setting.values[kParamRelease] = 1.0f;
    setting.values[kParamThreshold] = 0.2f;
    Mismatch m = compareWithReference<2, false, true>(setting, signal, 0.0);
    EXPECT_FALSE(m.found) << m.where;
    m = compareWithReference<2, false, false>(setting, signal, 1e-6);
    EXPECT_FALSE(m.found) << m.where;
}

// The two key filters are always set alike by the effect; if they are not, the loop follows
// each one's own sections.
TEST(GateKernel, KeyFiltersWithDifferentSectionsFollowTheirOwnFlags) {
    const auto signal = enginetest::drumSignal(2, 20000, enginetest::testSeed());
    const auto values = makeFactoryPrograms()[0].plainValues();
    ReferenceGate reference(2);
    reference.apply(values);
    KernelGate<2, false, true> kernel;
    kernel.apply(values);
    reference.filters[1].setCutoff(KeyFilter::kLowPass, 1.0f);
    kernel.filters[1].setCutoff(KeyFilter::kLowPass, 1.0f);

    std::vector<std::vector<float>> expected(2, std::vector<float>(20000));
    std::vector<std::vector<float>> actual(2, std::vector<float>(20000));
    float* in[2] = {const_cast<float*>(signal[0].data()), const_cast<float*>(signal[1].data())};
    float* ref[2] = {expected[0].data(), expected[1].data()};
    float* out[2] = {actual[0].data(), actual[1].data()};
    EXPECT_EQ(kernel.process(in, out, 20000), reference.process(in, ref, 20000, false));
    EXPECT_EQ(actual, expected);
}

// The loop replaces the per-sample hold and release-limit tests by integer counts; they must
// give exactly the same answer as the double-precision tests for every count.
TEST(GateKernel, HoldAndReleaseCountsEqualTheTimeTests) {
    const double dt = static_cast<float>(1.0 / 44100.0);
    EXPECT_EQ(kernel::holdSampleCount(0.1f, dt), 4411u); // 4410 * dt is still below 0.1
    EXPECT_EQ(kernel::holdSampleCount(0.0, dt), 0u);
    EXPECT_EQ(kernel::holdSampleCount(-1.0, dt), 0u);
    EXPECT_EQ(kernel::holdSampleCount(1e30, dt), std::uint64_t{1} << 32);
    for (float hold : {0.01f, 0.15f, 0.3f, 1.0f, 1e-6f}) {
        for (double rate : {8000.0, 44100.0, 48000.0, 96000.0, 192000.0}) {
            const double step = static_cast<float>(1.0 / rate);
            const std::uint64_t count = kernel::holdSampleCount(hold, step);
            ASSERT_GT(count, 0u);
            EXPECT_TRUE((count - 1) * step < hold) << hold << " at " << rate;
            EXPECT_FALSE(count * step < hold) << hold << " at " << rate;
        }
    }
    EXPECT_EQ(kernel::lastReleaseCount(441000.0f), 441000);
    EXPECT_EQ(kernel::lastReleaseCount(10.5), 10);
    EXPECT_EQ(kernel::lastReleaseCount(0.0), 0);
    EXPECT_EQ(kernel::lastReleaseCount(-1.0), -1);
    EXPECT_EQ(kernel::lastReleaseCount(1e20), std::int64_t{1} << 32);
}

} // namespace
} // namespace kestrune
