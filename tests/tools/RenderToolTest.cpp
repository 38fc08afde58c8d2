// kestrune-render run as a user runs it: the one-line errors, the entry lookup, parameter and
// program selection, channel conversion, and renders of the deliverables compared with the same
// samples processed through the test host's own loader.
#include "ToolRunner.h"

#include "WavFile.h"
#include "tests/host/PluginLibrary.h"
#include "tests/host/RecordingHost.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace kestrune::render {
namespace {

using testhost::PluginLibrary;
using testing::makeBurstSignal;
using testing::runTool;
using testing::scratchFolder;
using testing::ToolResult;

constexpr int kRate = 44100;

std::string plugin(const std::string& target) {
    return PluginLibrary::builtPlugin(target);
}

ToolResult render(const std::vector<std::string>& args, const std::string& folder) {
    return runTool(KESTRUNE_RENDER_TOOL, args, folder);
}

std::string writeInput(const std::string& folder, const std::string& name, const AudioBuffer& audio,
                       SampleEncoding encoding = SampleEncoding::Float32) {
    std::string path = folder + "/" + name;
    std::string error;
    EXPECT_TRUE(writeWavFile(path, audio, encoding, error)) << error;
    return path;
}

AudioBuffer readOutput(const std::string& path) {
    AudioBuffer audio;
    std::string error;
    EXPECT_TRUE(readWavFile(path, audio, error)) << error;
    return audio;
}

// Index of the first differing sample, or -1.
long firstDifference(const std::vector<float>& a, const std::vector<float>& b) {
    if (a.size() != b.size()) {
        return 0;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

// ---- failures: one line, non-zero exit, no crash ----

struct ErrorCase {
    const char* label;
    std::vector<std::string> args; // $IN is a good stereo file, $DIR the scratch folder
    const char* expected;          // part of the one line
    // The renderer leaves a record it cannot trust alone, so the plug-in's object is never
    // freed: leak checkers in sanitizer builds are told so.
    bool leaksByDesign = false;
};

void PrintTo(const ErrorCase& errorCase, std::ostream* out) {
    *out << errorCase.label;
}

class RenderToolErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(RenderToolErrors, GiveOneLineAndFailingExit) {
    const ErrorCase& errorCase = GetParam();
    std::string folder = scratchFolder(std::string("errors-") + errorCase.label);
    std::string input = writeInput(folder, "in.wav", makeBurstSignal(2, 4410, kRate, 1));
    writeInput(folder, "six.wav", makeBurstSignal(6, 441, kRate, 2));
    writeInput(folder, "empty.wav", makeBurstSignal(2, 0, kRate, 2));
    std::ofstream(folder + "/text.so") << "not a library\n";
    std::vector<std::string> args;
    for (std::string arg : errorCase.args) {
        for (auto [token, value] : {std::pair<std::string, std::string>{"$IN", input},
                                    {"$DIR", folder},
                                    {"$ST", plugin("Kestrune_ST")},
                                    {"$TEST", plugin("kestrune_test_effect")}}) {
            if (auto at = arg.find(token); at != std::string::npos) {
                arg.replace(at, token.size(), value);
            }
        }
        args.push_back(arg);
    }

    ToolResult result =
        runTool(KESTRUNE_RENDER_TOOL, args, folder,
                errorCase.leaksByDesign ? std::vector<std::string>{"ASAN_OPTIONS=detect_leaks=0"}
                                        : std::vector<std::string>{});

    EXPECT_NE(result.exitCode, 0);
    EXPECT_LT(result.exitCode, 128) << "the renderer crashed";
    ASSERT_EQ(result.errLines().size(), 1u) << result.err;
    EXPECT_NE(result.err.find(errorCase.expected), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RenderToolErrors,
    ::testing::Values(
        ErrorCase{"missing_plugin", {"$DIR/nothing.so", "$IN", "$DIR/out.wav"}, "does not exist"},
        ErrorCase{"missing_input", {"$TEST", "$DIR/nothing.wav", "$DIR/out.wav"}, "cannot open"},
        ErrorCase{"input_not_audio", {"$TEST", "$DIR/text.so", "$DIR/out.wav"}, "text.so"},
        ErrorCase{"text_file_as_plugin", {"$DIR/text.so", "$IN"}, "not a loadable library"},
        ErrorCase{"library_without_entry",
                  {plugin("kestrune_not_a_plugin"), "$IN"},
                  "exports neither VSTPluginMain nor main"},
        ErrorCase{"wrong_magic", {plugin("kestrune_bad_magic_plugin"), "$IN"}, "wrong magic", true},
        ErrorCase{"plugin_crashes",
                  {plugin("kestrune_crashing_plugin"), "$IN", "$DIR/out.wav"},
                  "the plug-in crashed while rendering"},
        ErrorCase{"empty_input", {"$TEST", "$DIR/empty.wav", "$DIR/out.wav"}, "has no samples"},
        ErrorCase{"six_channels", {"$ST", "$DIR/six.wav", "$DIR/out.wav"}, "wrong channel count"},
        ErrorCase{"unknown_param", {"$TEST", "$IN", "--param", "Loudness=0.5"}, "no parameter"},
        ErrorCase{"param_index_too_big", {"$TEST", "$IN", "--param", "3=0.5"}, "does not exist"},
        ErrorCase{"param_outside_range", {"$TEST", "$IN", "--param", "Gain=1.5"}, "outside 0..1"},
        ErrorCase{"param_not_a_number", {"$TEST", "$IN", "--param", "Gain=loud"}, "not a number"},
        ErrorCase{"ambiguous_param", {"$ST", "$IN", "--param", "reserved param=0"}, "ambiguous"},
        ErrorCase{"unknown_program", {"$ST", "$IN", "--program", "nope"}, "no program named"},
        ErrorCase{"program_index_too_big", {"$ST", "$IN", "--program", "4"}, "does not exist"},
        ErrorCase{"zero_block", {"$TEST", "$IN", "--block", "0"}, "--block"},
        ErrorCase{"bad_plot_name", {"$TEST", "$IN", "$DIR/o.wav", "--plot", "$DIR/p.pdf"}, ".svg"},
        ErrorCase{"output_folder_missing", {"$TEST", "$IN", "$DIR/no/such/out.wav"}, "out.wav"},
        ErrorCase{"unknown_option", {"$TEST", "--loud"}, "unknown option"}),
    [](const auto& info) { return std::string(info.param.label); });

// ---- the entry is found whichever name the library exports ----

TEST(RenderTool, FindsEitherExportAndPrefersVstPluginMain) {
    struct Case {
        const char* target;
        const char* entry;
    } cases[] = {{"kestrune_test_effect", "main"},
                 {"kestrune_test_effect_VSTPluginMain", "VSTPluginMain"},
                 {"kestrune_test_effect_both", "VSTPluginMain"}};
    std::string folder = scratchFolder("exports");
    for (const Case& entry : cases) {
        ToolResult result = render({plugin(entry.target), "--list"}, folder);
        EXPECT_EQ(result.exitCode, 0) << entry.target << ": " << result.err;
        EXPECT_NE(result.out.find(std::string("(entry ") + entry.entry + ")"), std::string::npos)
            << entry.target << ":\n"
            << result.out;
        EXPECT_NE(result.out.find("Kestrune test effect"), std::string::npos) << result.out;
    }
}

TEST(RenderTool, ListsIdentityParametersAndPrograms) {
    std::string folder = scratchFolder("list");
    ToolResult result = render({plugin("Kestrune_ST"), "--list", "--program", "sn gate"}, folder);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    for (const char* expected :
         {"Kestrune-Expander ST v1.0.3", "Morvettle", "'QvSt' (0x51765374)", "2 in, 2 out",
          "ReleaseTime", "-30.00dB", "5321Hz", "Gate Mode", "*   1  sn gate", "3x Expand"}) {
        EXPECT_NE(result.out.find(expected), std::string::npos) << expected << "\n" << result.out;
    }
}

// ---- parameters by name and by index ----

TEST(RenderTool, ParamByNameOrIndexScalesTheTestEffect) {
    std::string folder = scratchFolder("params");
    AudioBuffer input = makeBurstSignal(2, 3000, kRate, 3);
    std::string inputPath = writeInput(folder, "in.wav", input);
    for (const char* setting : {"Gain=0.25", "gain=0.25", "0=0.25"}) {
        std::string outputPath = folder + "/out.wav";
        ToolResult result = render(
            {plugin("kestrune_test_effect"), inputPath, outputPath, "--param", setting}, folder);
        ASSERT_EQ(result.exitCode, 0) << setting << ": " << result.err;
        AudioBuffer output = readOutput(outputPath);
        ASSERT_EQ(output.channelCount(), 2);
        for (int channel = 0; channel < 2; ++channel) {
            std::vector<float> expected = input.channels[channel];
            for (float& sample : expected) {
                sample *= 0.25f;
            }
            EXPECT_EQ(firstDifference(output.channels[channel], expected), -1)
                << setting << ", channel " << channel;
        }
    }
}

TEST(RenderTool, LaterParamSettingsWin) {
    std::string folder = scratchFolder("params-order");
    AudioBuffer input = makeBurstSignal(2, 600, kRate, 4);
    std::string inputPath = writeInput(folder, "in.wav", input);
    ToolResult result = render({plugin("kestrune_test_effect"), inputPath, folder + "/out.wav",
                                "--param", "Gain=0.25", "--param", "0=0.5"},
                               folder);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    AudioBuffer output = readOutput(folder + "/out.wav");
    EXPECT_EQ(output.channels[1][10], input.channels[1][10] * 0.5f);
}

// ---- channel conversion ----

TEST(RenderTool, MonoFileFeedsBothInputsOfAStereoPlugin) {
    std::string folder = scratchFolder("mono-into-stereo");
    AudioBuffer input = makeBurstSignal(1, 2000, kRate, 5);
    std::string inputPath = writeInput(folder, "in.wav", input);
    ToolResult result = render(
        {plugin("kestrune_test_effect"), inputPath, folder + "/out.wav", "--param", "Gain=0.5"},
        folder);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("mono input fed to all 2 inputs"), std::string::npos) << result.err;
    AudioBuffer output = readOutput(folder + "/out.wav");
    ASSERT_EQ(output.channelCount(), 2);
    for (int channel = 0; channel < 2; ++channel) {
        std::vector<float> expected = input.channels[0];
        for (float& sample : expected) {
            sample *= 0.5f;
        }
        EXPECT_EQ(firstDifference(output.channels[channel], expected), -1) << channel;
    }
}

TEST(RenderTool, StereoFileIsMixedDownForAMonoPlugin) {
    std::string folder = scratchFolder("stereo-into-mono");
    AudioBuffer input = makeBurstSignal(2, 5000, kRate, 6);
    std::string inputPath = writeInput(folder, "in.wav", input);
    ToolResult result = render({plugin("Kestrune_mono"), inputPath, folder + "/out.wav",
                                "--save-input", folder + "/fed.wav"},
                               folder);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("stereo input mixed to mono"), std::string::npos) << result.err;
    AudioBuffer fed = readOutput(folder + "/fed.wav");
    ASSERT_EQ(fed.channelCount(), 1);
    for (std::size_t i = 0; i < fed.frameCount(); i += 97) {
        EXPECT_EQ(fed.channels[0][i],
                  static_cast<float>(
                      (static_cast<double>(input.channels[0][i]) + input.channels[1][i]) * 0.5))
            << i;
    }
    EXPECT_EQ(readOutput(folder + "/out.wav").channelCount(), 1);
}

// ---- the progress bar: on a terminal, for long files only ----

#ifndef _WIN32

TEST(RenderTool, ProgressBarOnlyOnATerminalAndForLongFiles) {
    if (std::system("command -v script >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "needs script(1) to give the renderer a terminal";
    }
    struct Case {
        int seconds;
        bool terminal;
        bool bar;
    } cases[] = {{8, true, true}, {8, false, false}, {2, true, false}};
    std::string folder = scratchFolder("progress");
    for (const Case& run : cases) {
        std::string input =
            writeInput(folder, "in.wav", makeBurstSignal(2, run.seconds * kRate, kRate, 8));
        std::vector<std::string> args = {plugin("kestrune_test_effect"), input,
                                         folder + "/out.wav"};
        ToolResult result;
        if (run.terminal) {
            // script(1) runs the command on a pseudo-terminal and copies what it shows.
            std::string command = std::string(KESTRUNE_RENDER_TOOL);
            for (const std::string& arg : args) {
                command += " '" + arg + "'";
            }
            result = runTool("script", {"-qec", command, "/dev/null"}, folder);
            result.err += result.out;
        } else {
            result = render(args, folder);
        }
        EXPECT_EQ(result.exitCode, 0) << result.err;
        bool shown = result.err.find("rendering [") != std::string::npos;
        EXPECT_EQ(shown, run.bar) << run.seconds << " s, terminal " << run.terminal << ":\n"
                                  << result.err;
        if (run.bar) {
            EXPECT_NE(result.err.find("100%"), std::string::npos) << result.err;
        }
    }
}

#endif

// ---- the deliverables: the renderer's output equals processing through the loader ----

struct Setup {
    const char* program;
    std::vector<std::pair<int32_t, float>> params;
    std::vector<std::string> args;
};

// Processes audio through the library with the test host's loader, in blocks as given.
AudioBuffer processDirectly(const std::string& path, const AudioBuffer& input, int blockSize,
                            int32_t program, const std::vector<std::pair<int32_t, float>>& params) {
    testhost::RecordingHost host;
    PluginLibrary library(path);
    AEffect* effect = library.create(testhost::RecordingHost::callback);
    AudioBuffer output;
    if (!effect) {
        ADD_FAILURE() << "cannot load " << path << ": " << library.error();
        return output;
    }
    testhost::dispatch(effect, effOpen);
    testhost::dispatch(effect, effSetSampleRate, 0, 0, nullptr,
                       static_cast<float>(input.sampleRate));
    testhost::dispatch(effect, effSetBlockSize, 0, blockSize);
    testhost::dispatch(effect, effSetProgram, 0, program);
    for (auto [index, value] : params) {
        effect->setParameter(effect, index, value);
    }
    testhost::dispatch(effect, effMainsChanged, 0, 1);
    output.sampleRate = input.sampleRate;
    output.resize(effect->numOutputs, input.frameCount());
    std::vector<float*> inputs(static_cast<std::size_t>(effect->numInputs));
    std::vector<float*> outputs(static_cast<std::size_t>(effect->numOutputs));
    std::vector<std::vector<float>> inputCopy = input.channels;
    for (std::size_t start = 0; start < input.frameCount(); start += blockSize) {
        std::size_t count = std::min<std::size_t>(blockSize, input.frameCount() - start);
        for (int channel = 0; channel < effect->numInputs; ++channel) {
            inputs[channel] = inputCopy[channel].data() + start;
        }
        for (int channel = 0; channel < effect->numOutputs; ++channel) {
            outputs[channel] = output.channels[channel].data() + start;
        }
        effect->processReplacing(effect, inputs.data(), outputs.data(),
                                 static_cast<int32_t>(count));
    }
    testhost::dispatch(effect, effMainsChanged, 0, 0);
    testhost::dispatch(effect, effClose);
    return output;
}

struct DeliverableCase {
    const char* target;
    int channels;
    int blockSize;
    Setup setup;
    SampleEncoding fileEncoding;
};

void PrintTo(const DeliverableCase& deliverable, std::ostream* out) {
    *out << deliverable.target << ", program " << deliverable.setup.program << ", blocks of "
         << deliverable.blockSize;
}

class RenderToolDeliverables : public ::testing::TestWithParam<DeliverableCase> {};

TEST_P(RenderToolDeliverables, OutputEqualsProcessingThroughTheLoader) {
    const DeliverableCase& deliverable = GetParam();
    std::string folder = scratchFolder(std::string("deliverable-") + deliverable.target + "-" +
                                       std::to_string(deliverable.blockSize) + "-" +
                                       std::to_string(static_cast<int>(deliverable.fileEncoding)));
    std::string inputPath =
        writeInput(folder, "in.wav", makeBurstSignal(deliverable.channels, 2 * kRate, kRate, 7),
                   deliverable.fileEncoding);
    // The loader gets the samples exactly as the file holds them.
    AudioBuffer input = readOutput(inputPath);
    std::string outputPath = folder + "/out.wav";
    std::vector<std::string> args = {plugin(deliverable.target),
                                     inputPath,
                                     outputPath,
                                     "--block",
                                     std::to_string(deliverable.blockSize),
                                     "--program",
                                     deliverable.setup.program};
    args.insert(args.end(), deliverable.setup.args.begin(), deliverable.setup.args.end());

    ToolResult result = render(args, folder);
    ASSERT_EQ(result.exitCode, 0) << result.err;

    AudioBuffer rendered = readOutput(outputPath);
    int32_t program = std::string(deliverable.setup.program) == "sn gate" ? 1 : 2;
    AudioBuffer direct = processDirectly(plugin(deliverable.target), input, deliverable.blockSize,
                                         program, deliverable.setup.params);
    ASSERT_EQ(rendered.channelCount(), direct.channelCount());
    // The comparison means something only if the plug-in changed the signal.
    std::size_t changed = 0;
    for (std::size_t i = 0; i < input.frameCount(); ++i) {
        changed += rendered.channels[0][i] != input.channels[0][i];
    }
    EXPECT_GT(changed, input.frameCount() / 4);
    for (int channel = 0; channel < direct.channelCount(); ++channel) {
        EXPECT_EQ(firstDifference(rendered.channels[channel], direct.channels[channel]), -1)
            << "channel " << channel << "; rendered file: " << outputPath;
    }
}

const Setup kSnareGate{"sn gate", {}, {}};
const Setup kKickGateDuck{
    "kick gate", {{10, 1.0f}, {5, 0.25f}}, {"--param", "Duck=1", "--param", "5=0.25"}};

INSTANTIATE_TEST_SUITE_P(
    Cases, RenderToolDeliverables,
    ::testing::Values(
        DeliverableCase{"Kestrune_ST", 2, 512, kSnareGate, SampleEncoding::Float32},
        DeliverableCase{"Kestrune_ST", 2, 700, kKickGateDuck, SampleEncoding::Float32},
        DeliverableCase{"Kestrune_ST", 2, 1, kSnareGate, SampleEncoding::Pcm16},
        DeliverableCase{"Kestrune_mono", 1, 511, kSnareGate, SampleEncoding::Pcm24},
        DeliverableCase{"Kestrune_mono", 1, 4096, kKickGateDuck, SampleEncoding::Float32}),
    [](const auto& info) {
        return std::string(info.param.target) + "_block" + std::to_string(info.param.blockSize);
    });

} // namespace
} // namespace kestrune::render
