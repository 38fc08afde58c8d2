#include "engine/GateDetector.h"

#include "engine/FloatBits.h"
#include "engine/ValueMappings.h"

#include <cmath>

namespace kestrune {

GateDetector::GateDetector() : smoother(44100.0f, 1000.0f) {
    smoother.setSampleRate(44100.0f);
    smoother.setCutoff(20000.0f);
    setThreshold(0.0f);
}

void GateDetector::setSampleRate(float rate) {
    sampleRate = rate;
    releaseLimit = static_cast<float>(10.0 * static_cast<double>(rate));
    sampleTime = static_cast<float>(1.0 / static_cast<double>(rate));
    smoother.setSampleRate(rate);
    smoother.setCutoff(attackCutoff);
}

void GateDetector::setAttack(float value) {
    attackCutoff = static_cast<float>(1.0 / (0.1 * static_cast<double>(value) + 0.00005));
    smoother.setCutoff(attackCutoff);
}

void GateDetector::setHold(float value) {
    holdSeconds = holdSecondsFromValue(value);
}

void GateDetector::setRelease(float value) {
    releaseSeconds = releaseSecondsFromValue(value);
    releaseValue = value;
}

void GateDetector::setThreshold(float value) {
    const double t = thresholdGainExact(value);
    threshold = static_cast<float>(t);
    kneeLow = static_cast<float>(0.3 * t);
    kneeHigh = static_cast<float>(2.0 * t - 0.3 * t);
    kneeA = static_cast<float>(1.0 / (4.0 * (0.3 * t - t)));
    const double a = kneeA;
    const double high = kneeHigh;
    kneeB = static_cast<float>(-2.0 * a * high);
    kneeC = static_cast<float>(t + a * high * high);
}

void GateDetector::reset() {
    envelope = 0.0f;
    heldLevel = 0.0f;
    releaseCount = 0;
    smoother.reset();
}

double GateDetector::timeConstantFor(float releaseSeconds, float releaseValue, float factor) {
    double tau = releaseSeconds;
    if (releaseValue < kShortReleaseLimit) {
        tau = static_cast<double>(factor) * tau;
    }
    constexpr double kShortestTimeConstant = 1e-30;
    if (!(tau >= kShortestTimeConstant)) {
        tau = kShortestTimeConstant;
    }
    return tau;
}

double GateDetector::releaseTimeConstant() const {
    return timeConstantFor(releaseSeconds, releaseValue, shortReleaseFactor);
}

float GateDetector::envelopeStep(float x) {
    const double dt = sampleTime;
    // Rise: the envelope follows every new peak at once.
    if (envelope < x) {
        envelope = x;
        heldLevel = x;
        releaseCount = 0;
        holdCount = 0;
        if (releaseValue < kShortReleaseLimit) {
            if (shortReleaseFactor < 1.0f) {
                shortReleaseFactor = 1.0f;
            } else {
                float factor = static_cast<float>(1.0 - 0.4 * (static_cast<double>(x) - 1.0));
                if (factor < 0.01) {
                    factor = 0.01f;
                }
                shortReleaseFactor = factor;
            }
        }
        return x;
    }
    // Hold.
    if (static_cast<double>(holdCount) * dt < holdSeconds) {
        holdCount += 1;
        return envelope;
    }
    // Release, for at most releaseLimit samples; then the envelope stays until the next rise.
    if (static_cast<double>(releaseCount) <= static_cast<double>(releaseLimit)) {
        const double exponent = -static_cast<double>(releaseCount) * dt / releaseTimeConstant();
        envelope = static_cast<float>(heldLevel * std::pow(static_cast<double>(kE), exponent));
        releaseCount += 1;
    }
    return envelope;
}

float GateDetector::kneeExcess(float x) const {
    const double v = x;
    if (x < kneeLow) {
        return 0.0f;
    }
    if (x <= kneeHigh) {
        const double a = kneeA;
        return static_cast<float>(v - (v * (v * a + kneeB) + kneeC));
    }
    if (x > kneeHigh) {
        return static_cast<float>(v - threshold);
    }
    return 0.0f; // not a number
}

float GateDetector::smoothedLevel(float a, float b) {
    const float env = envelopeStep(keyLevel(a, b));
    return smoother.filterSample(env);
}

float GateDetector::gateStep(float a, float b) {
    return kneeExcess(smoothedLevel(a, b));
}

float GateDetector::duckStep(float a, float b) {
    const double excess = kneeExcess(smoothedLevel(a, b));
    const double t = threshold;
    return static_cast<float>(t / (excess + t));
}

float gateGain(float excess, float thresholdGain, float expandAmount, float rangeGain) {
    const double r = 1.0 / static_cast<double>(thresholdGain);
    const double u = static_cast<double>(excess) * r;
    if (u < 1.0) {
        const double range = rangeGain;
        return static_cast<float>(range + (1.0 - range) * u);
    }
    const double divisor = static_cast<double>(static_cast<float>(r)) - 1.0;
    if (!(divisor > 0.0)) {
        // A threshold at (or above) full scale leaves no room for upward expansion.
        return 1.0f;
    }
    return static_cast<float>(1.0 + static_cast<double>(expandAmount) * (u - 1.0) / divisor);
}

float duckGain(float duckValue, float rangeGain) {
    const double range = rangeGain;
    return static_cast<float>(range + (1.0 - range) * static_cast<double>(duckValue));
}

} // namespace kestrune
