#include "engine/GateDetector.h"
#include "engine/ValueMappings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kestrune {
namespace {

constexpr double kDt = static_cast<float>(1.0 / 44100.0);

TEST(GateDetector, SilenceAfterConstructionStaysClosed) {
    GateDetector detector;
    for (int n = 0; n < 1000; ++n) {
        const float excess = detector.gateStep(0.0f, 0.0f);
        EXPECT_EQ(excess, 0.0f);
        EXPECT_EQ(gateGain(excess, detector.threshold, 0.0f, 0.0f), 0.0f);
    }
    EXPECT_EQ(detector.envelope, 0.0f);
    GateDetector ducker;
    for (int n = 0; n < 1000; ++n) {
        EXPECT_EQ(duckGain(ducker.duckStep(0.0f, 0.0f), 0.25f), 1.0f);
    }
}

TEST(GateDetector, ImpulseHoldsThenReleasesExponentially) {
    GateDetector detector;
    detector.setHold(0.1f);
    detector.setRelease(0.1f);
    const double tau = releaseSecondsFromValue(0.1f);

    EXPECT_EQ(detector.envelopeStep(0.5f), 0.5f);
    // 4410 * dt is still below 0.1 s: hold counts 0 .. 4410, 4411 samples.
    for (int n = 0; n < 4411; ++n) {
        ASSERT_EQ(detector.envelopeStep(0.0f), 0.5f) << "hold sample " << n;
    }
    EXPECT_EQ(detector.holdCount, 4411u);
    for (int n = 0; n < 20000; ++n) {
        const double expected = 0.5 * std::exp(-n * kDt / tau);
        ASSERT_NEAR(detector.envelopeStep(0.0f), expected, expected * 1e-6) << "release " << n;
    }
}

TEST(GateDetector, ReleaseFreezesAfterTenSeconds) {
    GateDetector detector;
    detector.setHold(0.0f);
    detector.setRelease(1.0f); // tau = 2 s
    detector.envelopeStep(1.0f);
    float last = 0.0f;
    for (int n = 0; n <= 441000; ++n) {
        last = detector.envelopeStep(0.0f);
    }
    EXPECT_NEAR(last, std::exp(-5.0), 1e-6);
    for (int n = 0; n < 50000; ++n) {
        ASSERT_EQ(detector.envelopeStep(0.0f), last);
    }
    // The next rise starts a new release from its own peak.
    EXPECT_EQ(detector.envelopeStep(0.01f), 0.01f);
    EXPECT_EQ(detector.envelopeStep(0.0f), 0.01f);
    EXPECT_LT(detector.envelopeStep(0.0f), 0.01f);
}

TEST(GateDetector, EqualLevelIsNoRise) {
    GateDetector plain;
    GateDetector touched;
    for (GateDetector* d : {&plain, &touched}) {
        d->setHold(0.01f);
        d->setRelease(0.1f);
        d->envelopeStep(0.5f);
    }
    for (int n = 0; n < 3000; ++n) {
        const float a = plain.envelopeStep(0.0f);
        // The touched detector sees its own envelope again every 100 samples, in hold and in
        // the release: neither restarts.
        const float level = (n % 100 == 99) ? touched.envelope.load() : 0.0f;
        const float b = touched.envelopeStep(level);
        ASSERT_EQ(a, b) << "sample " << n;
    }
}

TEST(GateDetector, AttackSetsTheSmootherCutoff) {
    GateDetector detector;
    detector.setAttack(0.0f);
    EXPECT_EQ(detector.attackCutoff, 20000.0f);
    EXPECT_EQ(detector.smoother.cutoff, 20000.0f);
    detector.setAttack(1.0f);
    EXPECT_NEAR(detector.attackCutoff, 9.995f, 0.001f);
}

struct KneeCase {
    double position; // in units of T
    double excess;   // in units of T
};

TEST(GateDetector, KneeExcessFollowsTheQuadraticKnee) {
    const KneeCase cases[] = {{0.0, 0.0}, {0.29, 0.0}, {0.3, 0.0},  {1.0, 0.175},
                              {1.7, 0.7}, {2.0, 1.0},  {10.0, 9.0}, {0.65, 0.35 * 0.35 / 2.8}};
    for (float value : {0.0f, 0.05f, 0.5f, 0.9f}) {
        GateDetector detector;
        detector.setThreshold(value);
        const double t = detector.threshold;
        for (const KneeCase& c : cases) {
            const float x = static_cast<float>(c.position * t);
            EXPECT_NEAR(detector.kneeExcess(x), c.excess * t, 2e-6 * t)
                << "at " << c.position << " T, threshold value " << value;
        }
        // Zero up to the float32 rounding of the knee coefficients.
        EXPECT_NEAR(detector.kneeExcess(detector.kneeLow), 0.0, 2e-7 * t);
        EXPECT_EQ(detector.kneeExcess(std::numeric_limits<float>::quiet_NaN()), 0.0f);
    }
}

struct ShortReleaseCase {
    float peak;
    float factorBefore;
    float factorAfter;
};

TEST(GateDetector, ShortReleaseFactorFollowsThePeak) {
    const ShortReleaseCase cases[] = {
        {0.01f, 1.0f, 1.396f}, // quiet peaks release slowest
        {1.0f, 1.2f, 1.0f},    // full scale: 0.003 s
        {2.0f, 1.0f, 0.6f},    // above full scale the factor falls below 1 ...
        {0.5f, 0.6f, 1.0f},    // ... and the next rise resets it
        {5.0f, 1.0f, 0.01f},   // never below 0.01
    };
    for (const ShortReleaseCase& c : cases) {
        GateDetector detector;
        detector.setRelease(0.0f);
        detector.shortReleaseFactor = c.factorBefore;
        detector.envelopeStep(c.peak);
        EXPECT_NEAR(detector.shortReleaseFactor, c.factorAfter, 1e-6) << "peak " << c.peak;
    }
}

TEST(GateDetector, ShortReleaseScalesTheTimeConstant) {
    GateDetector detector;
    detector.setHold(0.0f);
    detector.setRelease(0.0f);
    detector.envelopeStep(1.0f); // factor 1.0: tau = 0.003 s
    detector.envelopeStep(0.0f);
    const double expected = std::exp(-100 * kDt / 0.003);
    for (int n = 1; n < 100; ++n) {
        detector.envelopeStep(0.0f);
    }
    EXPECT_NEAR(detector.envelopeStep(0.0f), expected, expected * 1e-5);

    // A normal release value ignores the factor.
    GateDetector normal;
    normal.setHold(0.0f);
    normal.setRelease(1e-6f);
    normal.shortReleaseFactor = 0.5f;
    EXPECT_NEAR(normal.releaseTimeConstant(), releaseSecondsFromValue(1e-6f), 1e-12);
}

TEST(GateGain, GateCurvePoints) {
    const double t = thresholdGainFromValue(0.5f);
    GateDetector detector;
    detector.setThreshold(0.5f);
    auto gainAt = [&](double position, float expand, float range) {
        const float s = static_cast<float>(position * t);
        return gateGain(detector.kneeExcess(s), detector.threshold, expand, range);
    };
    // Range 0, no expansion: closed below 0.3T, 0.7 at 1.7T, open from 2T on.
    EXPECT_EQ(gainAt(0.1, 0.0f, 0.0f), 0.0f);
    EXPECT_NEAR(gainAt(0.3, 0.0f, 0.0f), 0.0f, 1e-6f);
    EXPECT_NEAR(gainAt(1.7, 0.0f, 0.0f), 0.7f, 1e-5f);
    EXPECT_NEAR(gainAt(2.0, 0.0f, 0.0f), 1.0f, 1e-5f);
    EXPECT_EQ(gainAt(20.0, 0.0f, 0.0f), 1.0f);
    // Range 0.5: the floor is 0.5, the gate still opens fully at 2T.
    EXPECT_EQ(gainAt(0.01, 0.0f, 0.5f), 0.5f);
    EXPECT_NEAR(gainAt(2.0, 0.0f, 0.5f), 1.0f, 1e-5f);
    // Range 1: never below 1.
    for (double position : {0.0, 0.5, 1.0, 1.7, 2.0, 5.0}) {
        EXPECT_GE(gainAt(position, 0.0f, 1.0f), 1.0f - 1e-6f) << position;
    }
}

TEST(GateGain, UpwardExpansionReachesAlmostThreeTimesAtFullScale) {
    GateDetector detector;
    detector.setThreshold(0.0f);
    const float expand = ratioFromValue(0.2626f);
    const float gain = gateGain(detector.kneeExcess(1.0f), detector.threshold, expand, 0.0f);
    const double r = 1.0 / detector.threshold;
    EXPECT_NEAR(gain, 1.0 + expand * (r - 2.0) / (r - 1.0), 1e-5);
    EXPECT_NEAR(gain, 2.998f, 0.001f);
}

// At the top threshold (T = 1.0) the expansion slope would divide by zero for envelopes of 2.0
// and more; the gain stays at 1 there instead.
TEST(GateGain, TopThresholdKeepsTheGainFinite) {
    GateDetector detector;
    detector.setThreshold(1.0f);
    ASSERT_EQ(detector.threshold, 1.0f);
    for (float s : {1.9f, 2.0f, 2.5f, 100.0f}) {
        const float gain = gateGain(detector.kneeExcess(s), detector.threshold, 29.0f, 0.0f);
        EXPECT_TRUE(std::isfinite(gain)) << s;
        EXPECT_LE(gain, 1.0f) << s;
    }
    EXPECT_EQ(gateGain(detector.kneeExcess(2.0f), 1.0f, 0.0f, 0.0f), 1.0f);
}

TEST(DuckGain, OpenWhileQuietFloorWhileLoud) {
    for (float range : {0.0f, 0.3f, 1.0f}) {
        EXPECT_EQ(duckGain(1.0f, range), 1.0f);
    }
    GateDetector detector;
    detector.setThreshold(0.5f);
    const double t = detector.threshold;
    // Far above the threshold the duck value approaches T / s.
    const double s = 100.0 * t;
    const double duck = t / (detector.kneeExcess(static_cast<float>(s)) + t);
    EXPECT_NEAR(duck, t / s, 1e-6);
    EXPECT_NEAR(duckGain(static_cast<float>(duck), 0.25f), 0.25 + 0.75 * duck, 1e-6);
}

TEST(GateDetector, NonFiniteKeySamplesDoNotRaiseTheEnvelope) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(keyLevel(nan, -0.25f), 0.25f);
    EXPECT_EQ(keyLevel(0.25f, -inf), 0.25f);
    EXPECT_EQ(keyLevel(inf, nan), 0.0f);

    GateDetector detector;
    GateDetector reference;
    for (int n = 0; n < 5000; ++n) {
        const float x = (n % 500 == 0) ? 0.5f : 0.0f;
        const bool bad = n % 700 == 350;
        const float a = detector.gateStep(bad ? inf : x, bad ? nan : x);
        const float b = reference.gateStep(bad ? 0.0f : x, bad ? 0.0f : x);
        ASSERT_EQ(a, b) << "sample " << n;
    }
}

TEST(GateDetector, ResetClearsTheEnvelopeButNotTheHoldCountOrFactor) {
    GateDetector detector;
    detector.setRelease(0.0f);
    detector.setHold(0.1f);
    detector.gateStep(2.0f, 0.0f);
    detector.gateStep(0.0f, 0.0f);
    detector.reset();
    EXPECT_EQ(detector.envelope, 0.0f);
    EXPECT_EQ(detector.heldLevel, 0.0f);
    EXPECT_EQ(detector.releaseCount, 0u);
    EXPECT_EQ(detector.smoother.lastInput, 0.0f);
    EXPECT_EQ(detector.smoother.lastOutput, 0.0f);
    EXPECT_EQ(detector.holdCount, 1u);
    EXPECT_NEAR(detector.shortReleaseFactor, 0.6f, 1e-6f);
}

} // namespace
} // namespace kestrune
