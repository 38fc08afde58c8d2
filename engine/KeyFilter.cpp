#include "engine/KeyFilter.h"

#include "engine/FloatBits.h"
#include "engine/ValueMappings.h"

#include <cmath>

namespace kestrune {

namespace {

constexpr float kLowPassSwitchOut = 19999.99f;
constexpr float kHighPassSwitchOut = 20.01f;

float storedCoefficient(double value) {
    return flushSubnormal(static_cast<float>(value));
}

double angularFrequency(float cutoff, float sampleRate) {
    const double w = 6.283 * static_cast<double>(cutoff) / static_cast<double>(sampleRate);
    // The negated comparisons also catch a NaN from a degenerate rate or cutoff.
    if (!(w <= KeyFilter::kMaxAngularFrequency)) {
        return KeyFilter::kMaxAngularFrequency;
    }
    if (!(w >= 0.0)) {
        return 0.0;
    }
    return w;
}

} // namespace

KeyFilter::KeyFilter() {
    computeCoefficients();
    highPassEnabled = true;
    lowPassEnabled = true;
}

void KeyFilter::setSampleRate(float rate) {
    sampleRate = rate;
    computeCoefficients();
}

void KeyFilter::setCutoff(int section, float value) {
    if (section == kLowPass) {
        lowPassCutoff = frequencyFromValue(value);
        lowPassEnabled = lowPassCutoff < kLowPassSwitchOut;
    } else if (section == kHighPass) {
        highPassCutoff = frequencyFromValue(value);
        highPassEnabled = highPassCutoff > kHighPassSwitchOut;
    }
    computeCoefficients();
    if (!lowPassEnabled) {
        clearLowPassHistory();
    }
    if (!highPassEnabled) {
        clearHighPassHistory();
    }
}

void KeyFilter::computeCoefficients() {
    // Low-pass: only cos w is rounded to float32.
    {
        const double w = angularFrequency(lowPassCutoff, sampleRate);
        const double c = static_cast<float>(std::cos(w));
        const double s = std::sin(w);
        const double alpha = s / (2.0 * static_cast<double>(quality));
        const double a0 = 1.0 + alpha;
        const double b0 = ((1.0 - c) / 2.0) / a0;
        lowPassCoefficients[kB0] = storedCoefficient(b0);
        lowPassCoefficients[kB1] = storedCoefficient((1.0 - c) / a0);
        lowPassCoefficients[kB2] = storedCoefficient(b0);
        lowPassCoefficients[kA1] = storedCoefficient((-2.0 * c) / a0);
        lowPassCoefficients[kA2] = storedCoefficient((1.0 - alpha) / a0);
    }
    // High-pass: alpha and a0 are rounded to float32; its Q is fixed by the 0.7072136 factor.
    {
        const double w = angularFrequency(highPassCutoff, sampleRate);
        const double c = std::cos(w);
        const double s = std::sin(w);
        const double alpha = static_cast<float>(s * 0.7072136);
        const double a0 = static_cast<float>(1.0 + alpha);
        const double b0 = ((1.0 + c) / 2.0) / a0;
        highPassCoefficients[kB0] = storedCoefficient(b0);
        highPassCoefficients[kB1] = storedCoefficient(-(1.0 + c) / a0);
        highPassCoefficients[kB2] = storedCoefficient(b0);
        highPassCoefficients[kA1] = storedCoefficient((-2.0 * c) / a0);
        highPassCoefficients[kA2] = storedCoefficient((1.0 - alpha) / a0);
    }
}

float runFilterSection(const KeyFilter::Coefficients& c, KeyFilter::History& h, float x) {
    const double sum = static_cast<double>(c[KeyFilter::kB2]) * h[KeyFilter::kX2] +
                       static_cast<double>(c[KeyFilter::kB0]) * x +
                       static_cast<double>(c[KeyFilter::kB1]) * h[KeyFilter::kX1] -
                       static_cast<double>(c[KeyFilter::kA1]) * h[KeyFilter::kY1] -
                       static_cast<double>(c[KeyFilter::kA2]) * h[KeyFilter::kY2];
    const float y = static_cast<float>(sum);
    if (isNonFinite(y)) {
        h = {};
        return 0.0f;
    }
    const float out = flushSubnormal(y);
    h[KeyFilter::kX2] = h[KeyFilter::kX1];
    h[KeyFilter::kX1] = x;
    h[KeyFilter::kY2] = h[KeyFilter::kY1];
    h[KeyFilter::kY1] = out;
    return out;
}

float KeyFilter::filterSample(float x) {
    float y = flushSubnormal(x);
    if (lowPassEnabled) {
        y = runFilterSection(lowPassCoefficients, lowPassHistory, y);
    }
    if (highPassEnabled) {
        y = runFilterSection(highPassCoefficients, highPassHistory, flushSubnormal(y));
    }
    return y;
}

void KeyFilter::clearLowPassHistory() {
    lowPassHistory = {};
}

void KeyFilter::clearHighPassHistory() {
    highPassHistory = {};
}

} // namespace kestrune
