// The built-in demo: quiet noise between hits at the stated level, hits far above it, the same
// signal on every run, and synthesized drums when the recordings are missing.
#include "DemoSignal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace kestrune::render {
namespace {

struct DemoCase {
    const char* label;
    bool recorded;
    int channels;
};

void PrintTo(const DemoCase& demo, std::ostream* out) {
    *out << demo.label;
}

class DemoSignalCases : public ::testing::TestWithParam<DemoCase> {
protected:
    DemoSignal make() const {
        const DemoCase& demo = GetParam();
        return makeDemoSignal(demo.channels, demo.recorded ? defaultDrumKitFolder() : "");
    }
};

TEST_P(DemoSignalCases, NoiseBetweenHitsIsQuietAndWhereTheMaskSaysItIs) {
    if (GetParam().recorded &&
        !std::filesystem::exists(defaultDrumKitFolder() + "/Kick-Hard.wav")) {
        GTEST_SKIP() << "the GMRockKit recordings (Debian package hydrogen-data) are missing";
    }
    DemoSignal demo = make();
    EXPECT_EQ(demo.audio.channelCount(), GetParam().channels);
    EXPECT_EQ(demo.audio.sampleRate, 44100);
    EXPECT_NE(demo.source.find(GetParam().recorded ? "GMRockKit" : "synthesized"),
              std::string::npos)
        << demo.source;
    EXPECT_EQ(demo.onsets.size(), 10u);

    std::size_t noiseFrames = 0;
    for (bool frame : demo.noiseOnly) {
        noiseFrames += frame;
    }
    // Enough room between the hits for a gate to close and stay closed.
    EXPECT_GT(noiseFrames, demo.audio.frameCount() / 4);

    double noise = maskedLevelDb(demo.audio, demo.noiseOnly);
    EXPECT_NEAR(noise, demo.noiseLevelDb, 1.0);
    EXPECT_NEAR(demo.noiseLevelDb, -49.4, 0.5);
    double hits = maskedLevelDb(demo.audio, hitMask(demo));
    EXPECT_GT(hits - noise, 30.0);

    float peak = 0.0f;
    for (const auto& channel : demo.audio.channels) {
        for (float sample : channel) {
            peak = std::max(peak, std::fabs(sample));
        }
    }
    EXPECT_GT(peak, 0.5f);
    EXPECT_LT(peak, 0.75f);
}

TEST_P(DemoSignalCases, IsTheSameOnEveryRun) {
    DemoSignal first = make();
    DemoSignal second = make();
    EXPECT_EQ(first.audio.channels, second.audio.channels);
}

INSTANTIATE_TEST_SUITE_P(Cases, DemoSignalCases,
                         ::testing::Values(DemoCase{"synthesized_stereo", false, 2},
                                           DemoCase{"synthesized_mono", false, 1},
                                           DemoCase{"recorded_stereo", true, 2},
                                           DemoCase{"recorded_mono", true, 1}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(DemoSignal, MissingKitFallsBackToSynthesizedDrums) {
    DemoSignal demo = makeDemoSignal(2, "/nonexistent/drumkit");
    EXPECT_NE(demo.source.find("synthesized"), std::string::npos);
    EXPECT_GT(demo.audio.frameCount(), 0u);
}

TEST(DemoSignal, MaskedLevelOfSilenceAndOfNothing) {
    AudioBuffer silence;
    silence.resize(1, 100);
    EXPECT_EQ(maskedLevelDb(silence, std::vector<bool>(100, true)),
              -std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isnan(maskedLevelDb(silence, std::vector<bool>(100, false))));
}

} // namespace
} // namespace kestrune::render
