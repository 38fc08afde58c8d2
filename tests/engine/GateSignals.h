// Test and benchmark signals: drum-like bursts (a decaying low thump with a noisy attack) over
// quiet noise, generated from a fixed seed.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

namespace kestrune::enginetest {

// The seed of randomised tests: KESTRUNE_TEST_SEED if set, otherwise a fixed value.
inline std::uint32_t testSeed() {
    if (const char* text = std::getenv("KESTRUNE_TEST_SEED")) {
        return static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10));
    }
    return 20261211u;
}

// frames samples per channel; bursts every burstSpacing frames, each with its own level.
inline std::vector<std::vector<float>> drumSignal(int channels, int frames, std::uint32_t seed,
                                                  float rate = 44100.0f, int burstSpacing = 11025) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    std::uniform_real_distribution<float> level(0.2f, 1.0f);
    std::vector<std::vector<float>> signal(channels, std::vector<float>(frames));
    const double twoPi = 6.283185307179586;
    float burstLevel = 0.0f;
    int burstStart = 0;
    for (int n = 0; n < frames; ++n) {
        if (n % burstSpacing == 0) {
            burstLevel = level(random);
            burstStart = n;
        }
        const double t = (n - burstStart) / static_cast<double>(rate);
        const double body = std::sin(twoPi * 70.0 * t) * std::exp(-t / 0.08);
        const double click = std::exp(-t / 0.004);
        for (int c = 0; c < channels; ++c) {
            const double quiet = 0.002 * noise(random);
            const double value = burstLevel * (0.8 * body + 0.3 * click * noise(random)) + quiet;
            signal[c][n] = static_cast<float>(c == 0 ? value : 0.9 * value);
        }
    }
    return signal;
}

} // namespace kestrune::enginetest
