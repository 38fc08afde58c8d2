// The same engine on both systems: the same input rendered through Kestrune_ST.so by the native
// renderer and through Kestrune_ST.dll by the Windows renderer under Wine gives the same samples
// (bit for bit, or within 1e-6 relative where the math libraries differ). Needs both presets
// built: the windows preset's build folder comes from the environment variable
// KESTRUNE_WINDOWS_BUILD_DIR (the windows preset's own test run sets it), else from the build
// setting of the same name.
#include "MathProbe.h"
#include "ToolRunner.h"
#include "WavFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace kestrune::render {
namespace {

using testing::makeBurstSignal;
using testing::runTool;
using testing::scratchFolder;
using testing::ToolResult;

std::string windowsBuildFolder() {
    const char* folder = std::getenv("KESTRUNE_WINDOWS_BUILD_DIR");
    return folder && *folder ? folder : KESTRUNE_WINDOWS_BUILD_DIR;
}

const std::string kWindowsBuild = windowsBuildFolder();
const std::string kEmulator = std::string(KESTRUNE_SOURCE_DIR) + "/cmake/wine-emulator.sh";
const std::string kWindowsRenderer = kWindowsBuild + "/tools/kestrune-render.exe";
const std::string kNativePlugin = std::string(KESTRUNE_PLUGIN_DIR) + "/Kestrune_ST.so";

std::string windowsPlugin(const std::string& name) {
    return kWindowsBuild + "/plugins/" + name + ".dll";
}
std::string nativePlugin(const std::string& name) {
    return std::string(KESTRUNE_PLUGIN_DIR) + "/" + name + ".so";
}

bool windowsBuildPresent() {
    return std::filesystem::exists(kWindowsRenderer) &&
           std::filesystem::exists(windowsPlugin("Kestrune_ST")) &&
           std::filesystem::exists(windowsPlugin("Kestrune_mono")) &&
           std::system("command -v wine >/dev/null 2>&1") == 0;
}

ToolResult runWindows(const std::string& program, std::vector<std::string> args,
                      const std::string& folder) {
    args.insert(args.begin(), program);
    return runTool(kEmulator, args, folder);
}

struct Comparison {
    std::size_t samples = 0;
    std::size_t differing = 0;
    double largestRelative = 0.0;
};

Comparison compare(const AudioBuffer& a, const AudioBuffer& b) {
    Comparison result;
    for (int channel = 0; channel < a.channelCount(); ++channel) {
        for (std::size_t i = 0; i < a.frameCount(); ++i) {
            float x = a.channels[channel][i];
            float y = b.channels[channel][i];
            ++result.samples;
            if (std::memcmp(&x, &y, sizeof x) == 0) {
                continue;
            }
            ++result.differing;
            double scale =
                std::max(std::fabs(static_cast<double>(x)), std::fabs(static_cast<double>(y)));
            double relative = scale > 0.0 ? std::fabs(static_cast<double>(x) - y) / scale : 1.0;
            result.largestRelative = std::max(result.largestRelative, relative);
        }
    }
    return result;
}

struct RenderCase {
    const char* label;
    const char* plugin;
    std::vector<std::string> args;
};

void PrintTo(const RenderCase& render, std::ostream* out) {
    *out << render.label;
}

class CrossSystem : public ::testing::TestWithParam<RenderCase> {};

TEST_P(CrossSystem, WindowsRendererMatchesNative) {
    if (!windowsBuildPresent()) {
        GTEST_SKIP() << "no Windows build in " << kWindowsBuild
                     << " (build the windows preset, or set KESTRUNE_WINDOWS_BUILD_DIR)";
    }
    const RenderCase& render = GetParam();
    std::string folder = scratchFolder(std::string("cross-") + render.label);

    // The input: the drum demo as the native renderer makes it, and generated bursts.
    std::string demoInput = folder + "/demo-input.wav";
    ToolResult made =
        runTool(KESTRUNE_RENDER_TOOL,
                {kNativePlugin, "-o", folder + "/unused.wav", "--save-input", demoInput, "--quiet"},
                folder);
    ASSERT_EQ(made.exitCode, 0) << made.err;
    std::string burstInput = folder + "/burst-input.wav";
    std::string error;
    ASSERT_TRUE(writeWavFile(burstInput, makeBurstSignal(2, 3 * 44100, 44100, 9),
                             SampleEncoding::Float32, error));

    for (const std::string& input : {demoInput, burstInput}) {
        std::vector<std::string> native = {nativePlugin(render.plugin), input,
                                           folder + "/native.wav", "--quiet"};
        std::vector<std::string> windows = {windowsPlugin(render.plugin), input,
                                            folder + "/windows.wav", "--quiet"};
        native.insert(native.end(), render.args.begin(), render.args.end());
        windows.insert(windows.end(), render.args.begin(), render.args.end());
        ToolResult nativeRun = runTool(KESTRUNE_RENDER_TOOL, native, folder);
        ASSERT_EQ(nativeRun.exitCode, 0) << nativeRun.err;
        ToolResult windowsRun = runWindows(kWindowsRenderer, windows, folder);
        ASSERT_EQ(windowsRun.exitCode, 0) << windowsRun.err << windowsRun.out;

        AudioBuffer nativeOutput;
        AudioBuffer windowsOutput;
        ASSERT_TRUE(readWavFile(folder + "/native.wav", nativeOutput, error)) << error;
        ASSERT_TRUE(readWavFile(folder + "/windows.wav", windowsOutput, error)) << error;
        ASSERT_EQ(nativeOutput.channelCount(), windowsOutput.channelCount());
        ASSERT_EQ(nativeOutput.frameCount(), windowsOutput.frameCount());
        Comparison result = compare(nativeOutput, windowsOutput);
        std::printf("%s, %s: %zu of %zu samples differ, largest relative difference %.3g\n",
                    render.label, std::filesystem::path(input).filename().string().c_str(),
                    result.differing, result.samples, result.largestRelative);
        EXPECT_LE(result.largestRelative, 1e-6)
            << render.label << " on " << input << ": outputs in " << folder;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Programs, CrossSystem,
    ::testing::Values(
        RenderCase{"sn_gate", "Kestrune_ST", {"--program", "sn gate"}},
        RenderCase{"kick_gate", "Kestrune_ST", {"--program", "kick gate", "--block", "700"}},
        RenderCase{"expand", "Kestrune_ST", {"--program", "3x Expand"}},
        RenderCase{"duck", "Kestrune_ST", {"--program", "sn gate", "--param", "Duck=1"}},
        // The stereo inputs are mixed down on the way in, the same way on both systems.
        RenderCase{"mono_sn_gate", "Kestrune_mono", {"--program", "sn gate"}},
        RenderCase{"mono_key_listen",
                   "Kestrune_mono",
                   {"--program", "kick gate", "--param", "KeyListen=1", "--block", "1"}}),
    [](const auto& info) { return std::string(info.param.label); });

// Not a pass or fail: says which of the math functions the engine uses give other results on
// Windows, for the record.
TEST(CrossSystemMath, ReportsWhichFunctionsDiffer) {
    std::string probe = kWindowsBuild + "/tests/tools/kestrune_math_probe.exe";
    if (!windowsBuildPresent() || !std::filesystem::exists(probe)) {
        GTEST_SKIP() << "no Windows math probe in " << kWindowsBuild;
    }
    std::string folder = scratchFolder("cross-math");
    ToolResult run = runWindows(probe, {}, folder);
    ASSERT_EQ(run.exitCode, 0) << run.err;

    std::vector<testing::MathSample> native = testing::mathProbe();
    std::istringstream lines(run.out);
    std::map<std::string, std::pair<int, int>> differing; // function: differing, total
    std::string function;
    std::string argumentText;
    std::string resultText;
    std::size_t index = 0;
    while (lines >> function >> argumentText >> resultText && index < native.size()) {
        double result = std::strtod(resultText.c_str(), nullptr);
        auto& [count, total] = differing[native[index].function];
        ++total;
        count += result != native[index].result;
        ++index;
    }
    ASSERT_EQ(index, native.size()) << "the Windows probe printed too little";
    for (const auto& [name, counts] : differing) {
        std::printf("%-6s %5d of %5d results differ between glibc and mingw-w64\n", name.c_str(),
                    counts.first, counts.second);
    }
}

} // namespace
} // namespace kestrune::render
