#include "engine/OnePoleLowPass.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kestrune {
namespace {

constexpr double kPi = 3.14159265358979323846;

double measuredGainDb(OnePoleLowPass filter, double hertz) {
    double inputPower = 0.0;
    double outputPower = 0.0;
    for (int n = 0; n < 40000; ++n) {
        const float x =
            static_cast<float>(0.5 * std::sin(2.0 * kPi * hertz * n / filter.sampleRate));
        const float y = filter.filterSample(x);
        if (n >= 20000) {
            inputPower += static_cast<double>(x) * x;
            outputPower += static_cast<double>(y) * y;
        }
    }
    return 10.0 * std::log10(outputPower / inputPower);
}

TEST(OnePoleLowPass, IsMinusThreeDecibelsAtItsCutoff) {
    for (float cutoff : {100.0f, 1000.0f, 9000.0f}) {
        const OnePoleLowPass filter(44100.0f, cutoff);
        EXPECT_NEAR(measuredGainDb(filter, cutoff), -3.01, 0.05) << cutoff;
    }
}

TEST(OnePoleLowPass, CoefficientsAreTheBilinearFirstOrderSection) {
    const OnePoleLowPass filter(44100.0f, 1000.0f);
    const double t = std::tan(kPi * 1000.0 / 44100.0);
    EXPECT_NEAR(filter.inputCoefficient, t / (1 + t), 1e-7);
    EXPECT_NEAR(filter.feedbackCoefficient, (1 - t) / (1 + t), 1e-7);
}

TEST(OnePoleLowPass, ConstantInputSettlesOnItAndSubnormalsFlush) {
    OnePoleLowPass filter(44100.0f, 20000.0f);
    float y = 0.0f;
    for (int n = 0; n < 100; ++n) {
        y = filter.filterSample(0.25f);
    }
    EXPECT_NEAR(y, 0.25f, 1e-6f);
    for (int n = 0; n < 2000; ++n) {
        y = filter.filterSample(std::numeric_limits<float>::denorm_min());
    }
    EXPECT_EQ(y, 0.0f);
    EXPECT_EQ(filter.lastInput, 0.0f);
}

// The attack cutoff goes up to 20000 Hz, above half of rates below 40000 Hz; the smoother is
// then designed just below half the rate and stays a stable low-pass.
TEST(OnePoleLowPass, CutoffAboveHalfTheRateStaysStable) {
    for (float rate : {8000.0f, 22050.0f, 32000.0f}) {
        OnePoleLowPass filter(rate, 20000.0f);
        EXPECT_GT(filter.inputCoefficient, 0.0f);
        EXPECT_GT(filter.feedbackCoefficient, -1.0f);
        EXPECT_LT(filter.feedbackCoefficient, 1.0f);
        float largest = 0.0f;
        for (int n = 0; n < 10000; ++n) {
            largest = std::max(largest, std::fabs(filter.filterSample((n & 1) ? 1.0f : -1.0f)));
        }
        EXPECT_LE(largest, 1.0f) << rate;
    }
}

TEST(OnePoleLowPass, RecoversFromAnOverflow) {
    OnePoleLowPass filter(44100.0f, 20000.0f);
    for (int n = 0; n < 10; ++n) {
        filter.filterSample(std::numeric_limits<float>::max());
    }
    float y = 0.0f;
    for (int n = 0; n < 200; ++n) {
        y = filter.filterSample(0.5f);
        ASSERT_TRUE(std::isfinite(y));
    }
    EXPECT_NEAR(y, 0.5f, 1e-6f);
}

} // namespace
} // namespace kestrune
