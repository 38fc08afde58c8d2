#include "engine/OnePoleLowPass.h"

#include "engine/FloatBits.h"

#include <cmath>

namespace kestrune {

namespace {
constexpr float kPi = 3.14159265358979323846f;
constexpr float kTwoPi = 6.28318530717958647692f;
} // namespace

OnePoleLowPass::OnePoleLowPass(float rate, float hertz) : sampleRate(rate), cutoff(hertz) {
    computeCoefficients();
}

void OnePoleLowPass::setSampleRate(float rate) {
    sampleRate = rate;
    computeCoefficients();
}

void OnePoleLowPass::setCutoff(float hertz) {
    cutoff = hertz;
    computeCoefficients();
}

void OnePoleLowPass::reset() {
    lastInput = 0.0f;
    lastOutput = 0.0f;
}

void OnePoleLowPass::computeCoefficients() {
    const double rate = sampleRate;
    double hertz = cutoff;
    // The negated comparisons also catch NaN cutoffs and rates.
    if (!(hertz <= kMaxCutoffRatio * rate)) {
        hertz = kMaxCutoffRatio * rate;
    }
    if (!(hertz >= kMinCutoffHertz)) {
        hertz = kMinCutoffHertz;
    }
    const double t = std::tan(static_cast<double>(kPi) * hertz / rate);
    const double k = 2.0 * rate * t * static_cast<double>(kPi);
    const double f = static_cast<double>(kTwoPi) * rate;
    inputCoefficient = static_cast<float>(k / (k + f));
    feedbackCoefficient = static_cast<float>((f - k) / (f + k));
    if (!(std::isfinite(inputCoefficient) && std::isfinite(feedbackCoefficient))) {
        // Only a rate that is itself not usable gets here: hold the output instead.
        inputCoefficient = 0.0f;
        feedbackCoefficient = 1.0f;
    }
}

float OnePoleLowPass::filterSample(float x) {
    x = flushSubnormal(x);
    const float y = static_cast<float>((static_cast<double>(x) + lastInput) * inputCoefficient +
                                       static_cast<double>(lastOutput) * feedbackCoefficient);
    if (isNonFinite(y)) {
        // An overflow must not stay in the history; start again from silence.
        reset();
        return 0.0f;
    }
    lastOutput = flushSubnormal(y);
    lastInput = x;
    return lastOutput;
}

} // namespace kestrune
