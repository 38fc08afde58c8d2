// Peak detector with hold, exponential release (with an automatic short release), attack
// smoother and soft-knee threshold; plus the gain curves of gate and duck mode.
#pragma once

#include "shell/Relaxed.h"

#include "engine/FloatBits.h"
#include "engine/OnePoleLowPass.h"

#include <cmath>

#include <cstdint>

namespace kestrune {

class GateDetector {
public:
    GateDetector();

    void setSampleRate(float rate);
    void setAttack(float value);
    void setHold(float value);
    void setRelease(float value);
    void setThreshold(float value);
    void reset();

    // One envelope step on key level x (the plain per-sample formula).
    float envelopeStep(float x);
    // Knee excess of the smoothed envelope of the louder key sample.
    float gateStep(float a, float b);
    // threshold / (excess + threshold) for the same excess.
    float duckStep(float a, float b);
    // Knee excess of a smoothed envelope value.
    float kneeExcess(float x) const;
    // The release time constant of the current mode, in seconds.
    double releaseTimeConstant() const;
    // The same for given settings. A time constant that is not positive (only from release
    // values far below 0) is taken as the shortest one, an immediate release, so that the
    // power stays at or below 1.
    static double timeConstantFor(float releaseSeconds, float releaseValue, float factor);

    // Release values below this select the short release.
    static constexpr double kShortReleaseLimit = 1e-7;
    // e as the float32 nearest it; the release is a power of this value.
    static constexpr float kE = 2.7182817f;

    Relaxed<float> heldLevel = 0.0f;
    Relaxed<std::uint32_t> releaseCount = 0u;
    Relaxed<std::uint32_t> holdCount = 0u;
    Relaxed<float> envelope = 0.0f;
    Relaxed<float> releaseSeconds = 0.003f;
    Relaxed<float> releaseValue = 0.0f;
    Relaxed<float> holdSeconds = 0.0f;
    Relaxed<float> threshold = 0.001f;
    Relaxed<float> kneeLow = 0.0f;
    Relaxed<float> kneeHigh = 0.0f;
    Relaxed<float> kneeA = 0.0f;
    Relaxed<float> kneeB = 0.0f;
    Relaxed<float> kneeC = 0.0f;
    Relaxed<float> sampleRate = 44100.0f;
    Relaxed<float> releaseLimit = 441000.0f;
    OnePoleLowPass smoother;
    Relaxed<float> attackCutoff = 20000.0f;
    Relaxed<float> shortReleaseFactor = 1.0f;
    // 1 / sampleRate rounded to float32: the time of one sample.
    Relaxed<float> sampleTime = static_cast<float>(1.0 / 44100.0);

private:
    float smoothedLevel(float a, float b);
};

// Key level of two key samples: the larger magnitude. A sample that is not finite contributes
// nothing, so a NaN or infinite input cannot raise the envelope.
inline float keyLevel(float a, float b) {
    float la = std::fabs(a);
    float lb = std::fabs(b);
    if (isNonFinite(la)) {
        la = 0.0f;
    }
    if (isNonFinite(lb)) {
        lb = 0.0f;
    }
    return la < lb ? lb : la;
}

// Gain in gate mode for a knee excess; thresholdGain is the detector's threshold.
float gateGain(float excess, float thresholdGain, float expandAmount, float rangeGain);
// Gain in duck mode for the result of duckStep.
float duckGain(float duckValue, float rangeGain);

} // namespace kestrune
