// The editor's panel, drawn by the software window system, pixel for pixel against committed
// pictures. A mismatch leaves the picture drawn and a difference picture in the test output
// folder. KESTRUNE_UPDATE_GOLDEN=1 redraws the committed pictures instead.
#include "Snapshot.h"
#include "tests/editor/BmpPicture.h"
#include "tests/host/PluginLibrary.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace kestrune::test {
namespace {

using snapshot::Gesture;
using snapshot::Request;
using snapshot::Result;

struct GoldenCase {
    const char* name;
    const char* plugin;
    Request request;
};

Request withProgram(int program) {
    Request request;
    request.program = program;
    return request;
}

Request knobDragged() {
    Request request;
    // Release knob (180, 70, 210, 100): pressed at its centre, dragged up and to the right.
    Gesture drag{195, 85, 225, 60, 6, false, true};
    request.gestures.push_back(drag);
    return request;
}

Request meterReducing() {
    Request request;
    request.program = 1; // "sn gate": threshold -30 dB
    // A steady tone just under the threshold: the gate holds the gain down.
    request.toneSeconds = 1.0;
    request.toneAmplitude = 0.02f;
    request.idleTicks = 40;
    return request;
}

std::vector<GoldenCase> goldenCases() {
    return {
        {"init-stereo", "Kestrune_ST", withProgram(0)},
        {"init-mono", "Kestrune_mono", withProgram(0)},
        {"expand-stereo", "Kestrune_ST", withProgram(3)},
        {"knob-drag-stereo", "Kestrune_ST", knobDragged()},
        {"meter-reduction-stereo", "Kestrune_ST", meterReducing()},
    };
}

std::string goldenPath(const std::string& name, const char* extension = ".png") {
    return std::string(KESTRUNE_SOURCE_DIR) + "/tests/editor/golden/" + name + extension;
}

std::string outputPath(const std::string& name) {
    return std::string(KESTRUNE_TEST_OUTPUT_DIR) + "/" + name;
}

class GoldenImages : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenImages, PanelMatchesItsPicture) {
    GoldenCase golden = GetParam();
    golden.request.pluginPath = testhost::PluginLibrary::builtPlugin(golden.plugin);
    const Result drawn = snapshot::take(golden.request);
    ASSERT_TRUE(drawn.ok) << drawn.error;
    ASSERT_EQ(drawn.width, 340);
    ASSERT_EQ(drawn.height, 190);

    const std::string committed = goldenPath(golden.name);
    if (const char* update = std::getenv("KESTRUNE_UPDATE_GOLDEN"); update && *update == '1') {
        ASSERT_TRUE(snapshot::writePng(committed, drawn.width, drawn.height, drawn.pixels))
            << committed;
        GTEST_SKIP() << "redrew " << committed;
    }

    int width = 0;
    int height = 0;
    std::vector<uint32_t> expected;
    ASSERT_TRUE(snapshot::readPng(committed, width, height, expected))
        << "cannot read " << committed;
    ASSERT_EQ(width, drawn.width);
    ASSERT_EQ(height, drawn.height);

    std::vector<uint32_t> difference(expected.size(), 0);
    int mismatches = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
        if ((expected[i] & 0xFFFFFF) != (drawn.pixels[i] & 0xFFFFFF)) {
            ++mismatches;
            difference[i] = 0x0000FF; // red where they differ, black elsewhere
        }
    }
    if (mismatches > 0) {
        const std::string actual = outputPath(std::string(golden.name) + "-actual.png");
        const std::string diff = outputPath(std::string(golden.name) + "-difference.png");
        snapshot::writePng(actual, drawn.width, drawn.height, drawn.pixels);
        snapshot::writePng(diff, drawn.width, drawn.height, difference);
        FAIL() << mismatches << " pixels differ from " << committed << "; drawn: " << actual
               << ", difference: " << diff;
    }
}

INSTANTIATE_TEST_SUITE_P(Panels, GoldenImages, ::testing::ValuesIn(goldenCases()),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& c : name) {
                                 if (c == '-') {
                                     c = '_';
                                 }
                             }
                             return name;
                         });

// The picture the Windows build's real-window editor test compares its capture with: the same
// state drawn here, kept as BMP so the Windows side can read it.
TEST(GoldenImages, CrossSystemReferencePicture) {
    Request request;
    request.pluginPath = testhost::PluginLibrary::builtPlugin("Kestrune_ST");
    for (const SharedState& state : kSharedPanelState) {
        request.params.emplace_back(state.index, state.value);
    }
    const Result drawn = snapshot::take(request);
    ASSERT_TRUE(drawn.ok) << drawn.error;
    const std::string committed = goldenPath("cross-system-stereo", ".bmp");
    if (const char* update = std::getenv("KESTRUNE_UPDATE_GOLDEN"); update && *update == '1') {
        ASSERT_TRUE(writeBmp(committed, drawn.width, drawn.height, drawn.pixels)) << committed;
        GTEST_SKIP() << "redrew " << committed;
    }
    int width = 0;
    int height = 0;
    std::vector<uint32_t> expected;
    ASSERT_TRUE(readBmp(committed, width, height, expected)) << committed;
    ASSERT_EQ(width, drawn.width);
    ASSERT_EQ(height, drawn.height);
    int mismatches = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
        mismatches += (expected[i] & 0xFFFFFF) != (drawn.pixels[i] & 0xFFFFFF);
    }
    if (mismatches > 0) {
        const std::string actual = outputPath("cross-system-stereo-actual.png");
        snapshot::writePng(actual, drawn.width, drawn.height, drawn.pixels);
        FAIL() << mismatches << " pixels differ from " << committed << "; drawn: " << actual;
    }
}

} // namespace
} // namespace kestrune::test
