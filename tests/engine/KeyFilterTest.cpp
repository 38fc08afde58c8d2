#include "engine/KeyFilter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace kestrune {
namespace {

constexpr double kPi = 3.14159265358979323846;

KeyFilter makeFilter(float lowPassValue, float highPassValue, float rate = 44100.0f) {
    KeyFilter filter;
    filter.setSampleRate(rate);
    filter.setCutoff(KeyFilter::kLowPass, lowPassValue);
    filter.setCutoff(KeyFilter::kHighPass, highPassValue);
    return filter;
}

// Steady-state gain in dB for a sine of the given frequency.
double measuredGainDb(KeyFilter filter, double hertz, double rate) {
    const int settle = 20000;
    const int measure = 20000;
    double inputPower = 0.0;
    double outputPower = 0.0;
    for (int n = 0; n < settle + measure; ++n) {
        const float x = static_cast<float>(0.5 * std::sin(2.0 * kPi * hertz * n / rate));
        const float y = filter.filterSample(x);
        if (n >= settle) {
            inputPower += static_cast<double>(x) * x;
            outputPower += static_cast<double>(y) * y;
        }
    }
    return 10.0 * std::log10(outputPower / inputPower);
}

TEST(KeyFilter, ConstructionRunsBothSectionsAtTheirDefaultCutoffs) {
    KeyFilter filter;
    EXPECT_TRUE(filter.lowPassEnabled);
    EXPECT_TRUE(filter.highPassEnabled);
    EXPECT_EQ(filter.lowPassCutoff, 15000.0f);
    EXPECT_EQ(filter.highPassCutoff, 200.0f);
    EXPECT_EQ(filter.quality, 0.707f);
    EXPECT_NE(filter.lowPassCoefficients[KeyFilter::kB0], 0.0f);
    EXPECT_NE(filter.highPassCoefficients[KeyFilter::kB0], 0.0f);
}

TEST(KeyFilter, InitProgramCutoffsRunBothSections) {
    const KeyFilter filter = makeFilter(0.9f, 0.05f);
    EXPECT_TRUE(filter.lowPassEnabled);
    EXPECT_TRUE(filter.highPassEnabled);
    EXPECT_NEAR(filter.lowPassCutoff, 12039.5f, 0.5f);
    EXPECT_NEAR(filter.highPassCutoff, 28.15f, 0.01f);
}

TEST(KeyFilter, RangeEndsSwitchTheSectionsOut) {
    KeyFilter filter = makeFilter(1.0f, 0.0f);
    EXPECT_FALSE(filter.lowPassEnabled);
    EXPECT_FALSE(filter.highPassEnabled);
    const float samples[] = {0.25f, -1.0f, 3.5f, 1e-30f};
    for (float x : samples) {
        EXPECT_EQ(filter.filterSample(x), x);
    }
    // Subnormal inputs come out as +0.
    const float subnormal = std::numeric_limits<float>::denorm_min() * 5.0f;
    EXPECT_EQ(std::signbit(filter.filterSample(-subnormal)), false);
    EXPECT_EQ(filter.filterSample(subnormal), 0.0f);
}

TEST(KeyFilter, JustBelowTheTopTheLowPassStaysIn) {
    const KeyFilter filter = makeFilter(0.999f, 0.05f);
    EXPECT_TRUE(filter.lowPassEnabled);
    EXPECT_NEAR(filter.lowPassCutoff, 19901.0f, 1.0f);
}

TEST(KeyFilter, SwitchingTheHighPassOutKeepsTheLowPassHistory) {
    KeyFilter filter = makeFilter(0.9f, 0.05f);
    for (int n = 0; n < 100; ++n) {
        filter.filterSample(static_cast<float>(std::sin(0.1 * n)));
    }
    const auto lowPassBefore = filter.lowPassHistory;
    ASSERT_NE(filter.highPassHistory[KeyFilter::kY1], 0.0f);
    filter.setCutoff(KeyFilter::kHighPass, 0.0f);
    EXPECT_EQ(filter.lowPassHistory, lowPassBefore);
    for (float value : filter.highPassHistory) {
        EXPECT_EQ(value, 0.0f);
    }
    EXPECT_TRUE(filter.lowPassEnabled);
    EXPECT_FALSE(filter.highPassEnabled);
}

TEST(KeyFilter, SampleRateChangeKeepsHistories) {
    KeyFilter filter = makeFilter(0.9f, 0.05f);
    for (int n = 0; n < 100; ++n) {
        filter.filterSample(static_cast<float>(std::sin(0.1 * n)));
    }
    const auto lowPassHistory = filter.lowPassHistory;
    const auto highPassHistory = filter.highPassHistory;
    const auto lowPassCoefficients = filter.lowPassCoefficients;
    filter.setSampleRate(48000.0f);
    EXPECT_EQ(filter.lowPassHistory, lowPassHistory);
    EXPECT_EQ(filter.highPassHistory, highPassHistory);
    EXPECT_NE(filter.lowPassCoefficients, lowPassCoefficients);
    EXPECT_TRUE(filter.lowPassEnabled);
    EXPECT_TRUE(filter.highPassEnabled);
}

struct ResponseCase {
    const char* name;
    float lowPassValue;
    float highPassValue;
    bool atLowPassCutoff; // otherwise at the high-pass cutoff
};

class KeyFilterResponse : public ::testing::TestWithParam<ResponseCase> {};

// Both sections are Butterworth-like (Q 0.707): about -3 dB at the cutoff.
TEST_P(KeyFilterResponse, IsAboutMinusThreeDecibelsAtTheCutoff) {
    const ResponseCase& c = GetParam();
    const KeyFilter filter = makeFilter(c.lowPassValue, c.highPassValue);
    const double cutoff = c.atLowPassCutoff ? filter.lowPassCutoff : filter.highPassCutoff;
    EXPECT_NEAR(measuredGainDb(filter, cutoff, 44100.0), -3.01, 0.1) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Sections, KeyFilterResponse,
                         ::testing::Values(ResponseCase{"lowPass 0.9", 0.9f, 0.0f, true},
                                           ResponseCase{"lowPass 0.5", 0.5f, 0.0f, true},
                                           ResponseCase{"highPass 0.25", 1.0f, 0.25f, false},
                                           ResponseCase{"highPass 0.5", 1.0f, 0.5f, false}));

TEST(KeyFilter, PassbandBetweenTheCutoffsIsFlat) {
    const KeyFilter filter = makeFilter(0.9f, 0.05f);
    EXPECT_NEAR(measuredGainDb(filter, 1000.0, 44100.0), 0.0, 0.05);
}

// Below 44100 Hz high parameter values put the cutoffs at or above half the sample rate; the
// sections are then designed just below it and stay stable.
TEST(KeyFilter, CutoffsAboveHalfTheSampleRateStayStable) {
    const float rates[] = {8000.0f, 22050.0f, 32000.0f, 40000.0f};
    for (float rate : rates) {
        KeyFilter filter = makeFilter(0.999f, 0.99f, rate);
        ASSERT_TRUE(filter.lowPassEnabled);
        ASSERT_TRUE(filter.highPassEnabled);
        std::mt19937 random(7);
        std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
        float largest = 0.0f;
        for (int n = 0; n < 200000; ++n) {
            largest = std::max(largest, std::fabs(filter.filterSample(noise(random))));
        }
        EXPECT_LT(largest, 10.0f) << "at " << rate << " Hz";
        // The clamped low-pass alone still passes the low range.
        EXPECT_NEAR(measuredGainDb(makeFilter(0.999f, 0.0f, rate), 100.0, rate), 0.0, 0.1)
            << "at " << rate << " Hz";
    }
}

struct BadSampleCase {
    const char* name;
    float value;
};

class KeyFilterBadSample : public ::testing::TestWithParam<BadSampleCase> {};

// A bad sample gives 0 and clears the section it broke; once the input is sane again the output
// converges to what a filter that had seen silence there gives (up to the rounding noise of
// two float32 filters that started from different states).
TEST_P(KeyFilterBadSample, DoesNotPoisonTheHistory) {
    KeyFilter filter = makeFilter(0.9f, 0.05f);
    KeyFilter reference = filter;
    std::mt19937 random(11);
    std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
    for (int n = 0; n < 20000; ++n) {
        const float x = noise(random);
        const bool bad = n >= 1000 && n < 1003;
        const float y = filter.filterSample(bad ? GetParam().value : x);
        const float expected = reference.filterSample(bad ? 0.0f : x);
        ASSERT_TRUE(std::isfinite(y)) << GetParam().name << " at " << n;
        if (n > 15000) {
            ASSERT_NEAR(y, expected, 1e-4f) << GetParam().name << " at " << n;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, KeyFilterBadSample,
    ::testing::Values(BadSampleCase{"NaN", std::numeric_limits<float>::quiet_NaN()},
                      BadSampleCase{"inf", std::numeric_limits<float>::infinity()},
                      BadSampleCase{"-inf", -std::numeric_limits<float>::infinity()}));

// The largest finite samples overflow the sections; they restart from silence instead of keeping
// an infinity, and the ringing of what did fit decays like any signal.
TEST(KeyFilter, OverflowingInputStaysFiniteAndDecays) {
    KeyFilter filter = makeFilter(0.9f, 0.05f);
    const float huge = std::numeric_limits<float>::max();
    for (int n = 0; n < 200000; ++n) {
        const float y = filter.filterSample(n < 3 ? huge : 0.0f);
        ASSERT_TRUE(std::isfinite(y)) << "at " << n;
    }
    EXPECT_LT(std::fabs(filter.filterSample(0.0f)), 1e-6f);
}

} // namespace
} // namespace kestrune
