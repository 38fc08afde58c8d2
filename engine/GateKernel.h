// The processing loop of one block: key filtering, detector step, gain and output write, fused
// into one pass per sample with the filter and detector state held in locals for the block.
//
// The arithmetic of every value is that of KeyFilter::filterSample, GateDetector::gateStep /
// duckStep, gateGain and duckGain; only the release power differs: instead of one std::pow per
// sample it is carried as a running product, resynchronised with an exact power at the start
// of every block and at the start of every release (so at most 512 products accumulate, a
// relative error below 1e-13 before the float32 rounding). ExactRelease = true computes the
// power every sample; the tests use it to compare this loop bit for bit with the plain
// per-sample formulas.
#pragma once

#include "engine/FloatBits.h"
#include "engine/GateDetector.h"
#include "engine/KeyFilter.h"

#include <cmath>
#include <cstdint>

namespace kestrune {

// The engine fields the gain step reads, taken once per block.
struct GateSettings {
    float thresholdGain = 0.0f;
    float expandAmount = 0.0f;
    float rangeGain = 0.0f;
    bool keyListen = false;
    bool duckMode = false;
};

namespace kernel {

// One filter section with coefficients and history widened to double (the history values are
// float32 values, so widening and narrowing them is exact).
struct Section {
    double b0, b1, b2, a1, a2;
    double x1, x2, y1, y2;
    bool enabled;

    void load(const KeyFilter::Coefficients& c, const KeyFilter::History& h, bool on) {
        b0 = c[KeyFilter::kB0];
        b1 = c[KeyFilter::kB1];
        b2 = c[KeyFilter::kB2];
        a1 = c[KeyFilter::kA1];
        a2 = c[KeyFilter::kA2];
        x1 = h[KeyFilter::kX1];
        x2 = h[KeyFilter::kX2];
        y1 = h[KeyFilter::kY1];
        y2 = h[KeyFilter::kY2];
        enabled = on;
    }

    void store(KeyFilter::History& h) const {
        h[KeyFilter::kX1] = static_cast<float>(x1);
        h[KeyFilter::kX2] = static_cast<float>(x2);
        h[KeyFilter::kY1] = static_cast<float>(y1);
        h[KeyFilter::kY2] = static_cast<float>(y2);
    }

    // x and the result are float32 values carried in double.
    double run(double x) {
        const double sum = b2 * x2 + b0 * x + b1 * x1 - a1 * y1 - a2 * y2;
        float y = static_cast<float>(sum);
        if (!isNormalFinite(y)) [[unlikely]] {
            if (isNonFinite(y)) {
                x1 = x2 = y1 = y2 = 0.0;
                return 0.0;
            }
            y = 0.0f;
        }
        const double yd = y;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = yd;
        return yd;
    }
};

struct Filter {
    Section lowPass, highPass;

    void load(const KeyFilter& f) {
        lowPass.load(f.lowPassCoefficients, f.lowPassHistory, f.lowPassEnabled);
        highPass.load(f.highPassCoefficients, f.highPassHistory, f.highPassEnabled);
    }

    void store(KeyFilter& f) const {
        lowPass.store(f.lowPassHistory);
        highPass.store(f.highPassHistory);
    }

    // KeyFilter::filterSample; the high-pass input needs no second flush here, since both
    // the flushed input and the low-pass output are already free of subnormal values.
    // Sections selects the running sections at compile time, or kDynamic for the flags.
    template <int Sections>
    float run(float x) {
        double y = flushSubnormal(x);
        if (Sections == kDynamic ? lowPass.enabled : (Sections & kLowPassBit) != 0) {
            y = lowPass.run(y);
        }
        if (Sections == kDynamic ? highPass.enabled : (Sections & kHighPassBit) != 0) {
            y = highPass.run(y);
        }
        return static_cast<float>(y);
    }

    static constexpr int kLowPassBit = 1;
    static constexpr int kHighPassBit = 2;
    static constexpr int kDynamic = 4;

    int sections() const {
        return (lowPass.enabled ? kLowPassBit : 0) | (highPass.enabled ? kHighPassBit : 0);
    }
};

// The hold lasts while holdCount * dt < holdSeconds (in double). That test is monotonic in the
// count, so it equals holdCount < the first count for which it fails; found here exactly.
inline std::uint64_t holdSampleCount(double holdSeconds, double dt) {
    constexpr std::uint64_t kMax = std::uint64_t{1} << 32; // beyond every uint32 count
    auto holds = [&](std::uint64_t count) { return static_cast<double>(count) * dt < holdSeconds; };
    const double estimate = holdSeconds / dt;
    std::uint64_t count = 0;
    if (estimate >= static_cast<double>(kMax)) {
        count = kMax;
    } else if (estimate > 0.0) {
        count = static_cast<std::uint64_t>(estimate);
    }
    while (count > 0 && !holds(count - 1)) {
        --count;
    }
    while (count < kMax && holds(count)) {
        ++count;
    }
    return count;
}

// The release runs while releaseCount <= releaseLimit: the largest count that still runs, or -1
// for none.
inline std::int64_t lastReleaseCount(double releaseLimit) {
    if (!(releaseLimit >= 0.0)) {
        return -1;
    }
    constexpr double kMax = 4294967296.0; // beyond every uint32 count
    return static_cast<std::int64_t>(releaseLimit < kMax ? std::floor(releaseLimit) : kMax);
}

// The loop for one combination of running filter sections.
template <int Channels, bool Accumulate, bool ExactRelease, int Sections>
float runBlock(KeyFilter* filters, GateDetector& detector, float* const* keyBuffers,
               const GateSettings& settings, float* const* inputs, float* const* outputs, int32_t n,
               float meter) {
    Filter filter[Channels];
    for (int c = 0; c < Channels; ++c) {
        filter[c].load(filters[c]);
    }

    // ---- detector state and settings ----
    GateDetector& d = detector;
    float envelope = d.envelope;
    double heldLevel = d.heldLevel;
    std::uint32_t releaseCount = d.releaseCount;
    std::uint32_t holdCount = d.holdCount;
    float shortReleaseFactor = d.shortReleaseFactor;
    // float32 values carried in double: widening and narrowing them is exact.
    double smoothedInput = d.smoother.lastInput;
    double smoothedOutput = d.smoother.lastOutput;

    const double smootherA = d.smoother.inputCoefficient;
    const double smootherB = d.smoother.feedbackCoefficient;
    const double dt = d.sampleTime;
    const std::uint64_t holdSamples = holdSampleCount(d.holdSeconds, dt);
    const std::int64_t lastRelease = lastReleaseCount(d.releaseLimit);
    const bool shortRelease = d.releaseValue < GateDetector::kShortReleaseLimit;
    const float kneeLow = d.kneeLow;
    const float kneeHigh = d.kneeHigh;
    const double kneeA = d.kneeA;
    const double kneeB = d.kneeB;
    const double kneeC = d.kneeC;
    const double threshold = d.threshold;
    const double e = GateDetector::kE;

    auto timeConstant = [&]() {
        return GateDetector::timeConstantFor(d.releaseSeconds, d.releaseValue, shortReleaseFactor);
    };
    double tau = timeConstant();
    double decayStep = ExactRelease ? 0.0 : std::pow(e, -dt / tau);
    double decay = ExactRelease ? 0.0 : std::pow(e, -static_cast<double>(releaseCount) * dt / tau);
    bool stepStale = false;

    // ---- gain settings ----
    const bool duckMode = settings.duckMode;
    const bool keyListen = settings.keyListen;
    const double range = settings.rangeGain;
    const double expand = settings.expandAmount;
    const double gainThreshold = settings.thresholdGain;
    const double r = 1.0 / gainThreshold;
    const double expandDivisor = static_cast<double>(static_cast<float>(r)) - 1.0;
    const bool canExpand = expandDivisor > 0.0;

    float* key0 = keyBuffers[0];
    float* key1 = keyBuffers[Channels - 1];
    const float* in0 = inputs[0];
    const float* in1 = inputs[Channels - 1];
    float* out0 = outputs[0];
    float* out1 = outputs[Channels - 1];

    for (int32_t i = 0; i < n; ++i) {
        // ---- key ----
        const float k0 = filter[0].template run<Sections>(in0[i]);
        float k1 = k0;
        if constexpr (Channels == 2) {
            k1 = filter[1].template run<Sections>(in1[i]);
        }
        key0[i] = k0;
        if constexpr (Channels == 2) {
            key1[i] = k1;
        }

        // ---- envelope ----
        const float level = keyLevel(k0, k1);
        float env;
        if (envelope < level) {
            envelope = level;
            heldLevel = level;
            releaseCount = 0;
            holdCount = 0;
            if (shortRelease) {
                if (shortReleaseFactor < 1.0f) {
                    shortReleaseFactor = 1.0f;
                } else {
                    float factor =
                        static_cast<float>(1.0 - 0.4 * (static_cast<double>(level) - 1.0));
                    if (factor < 0.01) {
                        factor = 0.01f;
                    }
                    shortReleaseFactor = factor;
                }
                stepStale = true;
            }
            env = level;
        } else if (holdCount < holdSamples) {
            holdCount += 1;
            env = envelope;
        } else {
            if (static_cast<std::int64_t>(releaseCount) <= lastRelease) {
                double power;
                if constexpr (ExactRelease) {
                    power = std::pow(e, -static_cast<double>(releaseCount) * dt / timeConstant());
                } else {
                    if (releaseCount == 0) {
                        if (stepStale) {
                            tau = timeConstant();
                            decayStep = std::pow(e, -dt / tau);
                            stepStale = false;
                        }
                        decay = 1.0;
                    }
                    power = decay;
                    decay *= decayStep;
                    // Far below anything a float32 envelope can show; keeps the product out
                    // of the slow subnormal range.
                    if (decay < 1e-200) {
                        decay = 0.0;
                    }
                }
                envelope = static_cast<float>(heldLevel * power);
                releaseCount += 1;
            }
            env = envelope;
        }

        // ---- smoother ----
        const float sx = flushSubnormal(env);
        const double sxd = sx;
        float s =
            static_cast<float>((sxd + smoothedInput) * smootherA + smoothedOutput * smootherB);
        double nextInput = sxd;
        if (!isNormalFinite(s)) [[unlikely]] {
            // Subnormal: flushed. Not finite: the history restarts from silence.
            if (isNonFinite(s)) {
                nextInput = 0.0;
            }
            s = 0.0f;
        }
        smoothedOutput = s;
        smoothedInput = nextInput;

        // ---- knee ----
        float excess = 0.0f;
        if (s < kneeLow) {
            excess = 0.0f;
        } else if (s <= kneeHigh) {
            const double v = s;
            excess = static_cast<float>(v - (v * (v * kneeA + kneeB) + kneeC));
        } else if (s > kneeHigh) {
            excess = static_cast<float>(static_cast<double>(s) - threshold);
        }

        // ---- gain ----
        float g;
        if (duckMode) {
            const float duck = static_cast<float>(threshold / (excess + threshold));
            g = static_cast<float>(range + (1.0 - range) * static_cast<double>(duck));
        } else {
            const double u = static_cast<double>(excess) * r;
            if (u < 1.0) {
                g = static_cast<float>(range + (1.0 - range) * u);
            } else if (canExpand) {
                g = static_cast<float>(1.0 + expand * (u - 1.0) / expandDivisor);
            } else {
                g = 1.0f;
            }
        }

        // ---- output ----
        float y0 = g * in0[i];
        float y1 = g * in1[i];
        if (keyListen) {
            y0 = k0;
            y1 = k1;
        }
        if constexpr (Accumulate) {
            out0[i] += y0;
            if constexpr (Channels == 2) {
                out1[i] += y1;
            }
        } else {
            out0[i] = y0;
            if constexpr (Channels == 2) {
                out1[i] = y1;
            }
        }
        if (meter < g) {
            meter = g;
        }
    }

    // ---- write the state back ----
    for (int c = 0; c < Channels; ++c) {
        filter[c].store(filters[c]);
    }
    d.envelope = envelope;
    d.heldLevel = static_cast<float>(heldLevel);
    d.releaseCount = releaseCount;
    d.holdCount = holdCount;
    d.shortReleaseFactor = shortReleaseFactor;
    d.smoother.lastInput = static_cast<float>(smoothedInput);
    d.smoother.lastOutput = static_cast<float>(smoothedOutput);
    return meter;
}

} // namespace kernel

// Processes frames [0, n) of the given channel arrays (already offset to the block) and returns
// the larger of meter and the largest gain of the block. Channels is 1 or 2; with 1 only
// inputs[0], outputs[0], filters[0] and keyBuffers[0] are used.
template <int Channels, bool Accumulate, bool ExactRelease = false>
float runGateBlock(KeyFilter* filters, GateDetector& detector, float* const* keyBuffers,
                   const GateSettings& settings, float* const* inputs, float* const* outputs,
                   int32_t n, float meter) {
    static_assert(Channels == 1 || Channels == 2);
    using kernel::Filter;
    // The running sections are fixed for the block; the key filters of both channels are always
    // set alike, and the loop is compiled for each combination.
    int sections = (filters[0].lowPassEnabled ? Filter::kLowPassBit : 0) |
                   (filters[0].highPassEnabled ? Filter::kHighPassBit : 0);
    if (Channels == 2 && (filters[1].lowPassEnabled != filters[0].lowPassEnabled ||
                          filters[1].highPassEnabled != filters[0].highPassEnabled)) {
        sections = Filter::kDynamic;
    }
    constexpr int kBoth = Filter::kLowPassBit | Filter::kHighPassBit;
    switch (sections) {
    case kBoth:
        return kernel::runBlock<Channels, Accumulate, ExactRelease, kBoth>(
            filters, detector, keyBuffers, settings, inputs, outputs, n, meter);
    case Filter::kLowPassBit:
        return kernel::runBlock<Channels, Accumulate, ExactRelease, Filter::kLowPassBit>(
            filters, detector, keyBuffers, settings, inputs, outputs, n, meter);
    case Filter::kHighPassBit:
        return kernel::runBlock<Channels, Accumulate, ExactRelease, Filter::kHighPassBit>(
            filters, detector, keyBuffers, settings, inputs, outputs, n, meter);
    case 0:
        return kernel::runBlock<Channels, Accumulate, ExactRelease, 0>(
            filters, detector, keyBuffers, settings, inputs, outputs, n, meter);
    default:
        return kernel::runBlock<Channels, Accumulate, ExactRelease, Filter::kDynamic>(
            filters, detector, keyBuffers, settings, inputs, outputs, n, meter);
    }
}

} // namespace kestrune
