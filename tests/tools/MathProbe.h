// The math library results the gate engine depends on, over arguments like the ones it uses:
// the same list computed by a native and a Windows program shows where the two systems' math
// libraries differ.
#pragma once

#include <cmath>
#include <string>
#include <vector>

namespace kestrune::render::testing {

struct MathSample {
    const char* function;
    double argument;
    double result;
};

inline std::vector<MathSample> mathProbe() {
    std::vector<MathSample> samples;
    const double pi = static_cast<double>(3.14159265f);
    const double e = static_cast<double>(2.7182817f);
    // Key filter and smoother prewarping: tan, sin and cos of pi * f / rate.
    for (double rate : {44100.0, 48000.0, 96000.0}) {
        for (int i = 0; i < 2000; ++i) {
            double hertz = 20.0 * std::pow(1000.0, i / 2000.0);
            double w = pi * hertz / rate;
            samples.push_back({"tan", w, std::tan(w)});
            samples.push_back({"sin", 2.0 * w, std::sin(2.0 * w)});
            samples.push_back({"cos", 2.0 * w, std::cos(2.0 * w)});
        }
    }
    // Release: powers of e for up to ten seconds of samples.
    for (int i = 0; i < 6000; ++i) {
        double exponent = -static_cast<double>(i * 73) * static_cast<double>(1.0f / 44100.0f) /
                          (0.0005 + 0.001 * (i % 97));
        samples.push_back({"pow", exponent, std::pow(e, exponent)});
    }
    // Value mappings: 1000^x, 19981^sqrt(x), and the dB texts' log10.
    for (int i = 0; i <= 1000; ++i) {
        double x = static_cast<double>(static_cast<float>(i / 1000.0));
        samples.push_back({"pow", x, std::pow(1000.0, x)});
        samples.push_back({"sqrt", x, std::sqrt(x)});
        samples.push_back({"pow", std::sqrt(x), std::pow(19981.0, std::sqrt(x))});
        samples.push_back({"log10", x + 1e-6, std::log10(x + 1e-6)});
    }
    return samples;
}

} // namespace kestrune::render::testing
