// kestrune-render: renders sound files through a VST 2 plug-in library, lists the plug-in, and
// plots what it did. Without an input file it renders a built-in drum demo.
#include "AudioFile.h"
#include "DemoSignal.h"
#include "HostSystem.h"
#include "Plot.h"
#include "PluginHost.h"
#include "Render.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

using namespace kestrune::render;

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr double kProgressMinimumSeconds = 5.0;
constexpr int kMaxBlockSize = 1 << 20;

const char* const kUsage =
    "usage: kestrune-render PLUGIN [INPUT [OUTPUT]] [options]\n"
    "\n"
    "Renders INPUT through the VST 2 plug-in library PLUGIN into OUTPUT (default: INPUT's name\n"
    "with .rendered.wav). Without INPUT a built-in drum demo with quiet noise between the hits\n"
    "is rendered (to kestrune-demo.wav unless OUTPUT or -o is given).\n"
    "\n"
    "options:\n"
    "  --list                 print the plug-in's identity, parameters and programs and exit\n"
    "  --program N|NAME       select a program by index or name before rendering\n"
    "  --param NAME|INDEX=V   set a parameter to the normalised value V (0..1); repeatable,\n"
    "                         applied after --program, in the order given\n"
    "  --block N              frames per processing call (default 512)\n"
    "  --format F             output format: float (32-bit float WAV, default), pcm16, pcm24,\n"
    "                         or same (the input's container and encoding: name OUTPUT\n"
    "                         to match, e.g. .flac)\n"
    "  --plot FILE            write input/output waveforms, levels and gain (.svg or .png)\n"
    "  -o, --output FILE      output file (instead of the positional OUTPUT)\n"
    "  --save-input FILE      also write the signal as the plug-in received it (32-bit float)\n"
    "  --synth-drums          use synthesized drums for the demo even if the kit is installed\n"
    "  --quiet                print errors only\n"
    "  --help                 print this text\n"
    "\n"
    "Channels: a mono file is fed to every input of a multi-input plug-in; a stereo file is\n"
    "mixed to mono, (left + right) / 2, for a one-input plug-in. Other mismatches are refused.\n";

struct ParamSetting {
    std::string key;
    float value = 0.0f;
};

struct Options {
    std::string pluginPath;
    std::string inputPath;
    std::string outputPath;
    std::string plotPath;
    std::string saveInputPath;
    std::optional<std::string> program;
    std::vector<ParamSetting> params;
    int blockSize = 512;
    OutputFormat format = OutputFormat::Float32Wav;
    bool list = false;
    bool synthDrums = false;
    bool quiet = false;
};

// Every failure ends here: one line on stderr, a non-zero exit.
[[noreturn]] void fail(const std::string& message, int code = kExitFailure) {
    std::fprintf(stderr, "kestrune-render: %s\n", message.c_str());
    std::exit(code);
}

bool parseInteger(const std::string& text, long long low, long long high, long long& value) {
    if (text.empty() || text.size() > 18) {
        return false;
    }
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    value = std::strtoll(text.c_str(), nullptr, 10);
    return value >= low && value <= high;
}

bool isAllDigits(const std::string& text) {
    if (text.empty()) {
        return false;
    }
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

std::string lowered(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

ParamSetting parseParamSetting(const std::string& text) {
    std::size_t equals = text.rfind('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == text.size()) {
        fail("--param needs NAME=VALUE or INDEX=VALUE, got '" + text + "'", kExitUsage);
    }
    ParamSetting setting;
    setting.key = text.substr(0, equals);
    std::string valueText = text.substr(equals + 1);
    char* end = nullptr;
    errno = 0;
    double value = std::strtod(valueText.c_str(), &end);
    if (errno != 0 || !end || *end != '\0' || !std::isfinite(value)) {
        fail("--param value '" + valueText + "' is not a number", kExitUsage);
    }
    if (value < 0.0 || value > 1.0) {
        fail("--param value " + valueText + " for '" + setting.key +
                 "' is outside 0..1 (values are normalised)",
             kExitUsage);
    }
    setting.value = static_cast<float>(value);
    return setting;
}

OutputFormat parseFormat(const std::string& text) {
    if (text == "float") {
        return OutputFormat::Float32Wav;
    }
    if (text == "pcm16") {
        return OutputFormat::Pcm16Wav;
    }
    if (text == "pcm24") {
        return OutputFormat::Pcm24Wav;
    }
    if (text == "same") {
        return OutputFormat::SameAsInput;
    }
    fail("--format must be float, pcm16, pcm24 or same, got '" + text + "'", kExitUsage);
}

Options parseOptions(int argc, char** argv) {
    Options options;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        auto value = [&](const char* name) -> std::string {
            if (i + 1 >= argc) {
                fail(std::string(name) + " needs a value", kExitUsage);
            }
            return argv[++i];
        };
        if (argument == "--help" || argument == "-h") {
            std::fputs(kUsage, stdout);
            std::printf("\nThis build reads and writes sound files with %s and writes plots as "
                        "%s.\n",
                        audioFileBackendName().c_str(), canWritePng() ? "SVG and PNG" : "SVG only");
            std::exit(0);
        } else if (argument == "--list") {
            options.list = true;
        } else if (argument == "--program") {
            options.program = value("--program");
        } else if (argument == "--param") {
            options.params.push_back(parseParamSetting(value("--param")));
        } else if (argument == "--block") {
            std::string text = value("--block");
            long long blockSize = 0;
            if (!parseInteger(text, 1, kMaxBlockSize, blockSize)) {
                fail("--block must be a whole number from 1 to " + std::to_string(kMaxBlockSize) +
                         ", got '" + text + "'",
                     kExitUsage);
            }
            options.blockSize = static_cast<int>(blockSize);
        } else if (argument == "--format") {
            options.format = parseFormat(value("--format"));
        } else if (argument == "--plot") {
            options.plotPath = value("--plot");
        } else if (argument == "-o" || argument == "--output") {
            options.outputPath = value("--output");
        } else if (argument == "--save-input") {
            options.saveInputPath = value("--save-input");
        } else if (argument == "--synth-drums") {
            options.synthDrums = true;
        } else if (argument == "--quiet") {
            options.quiet = true;
        } else if (argument.size() > 1 && argument[0] == '-') {
            fail("unknown option '" + argument + "' (see --help)", kExitUsage);
        } else {
            positional.push_back(argument);
        }
    }
    if (positional.empty()) {
        fail("no plug-in given (see --help)", kExitUsage);
    }
    if (positional.size() > 3 || (positional.size() == 3 && !options.outputPath.empty())) {
        fail("too many file names (see --help)", kExitUsage);
    }
    options.pluginPath = positional[0];
    if (positional.size() > 1) {
        options.inputPath = positional[1];
    }
    if (positional.size() > 2) {
        options.outputPath = positional[2];
    }
    return options;
}

// ---- plug-in setup ----

int32_t findProgram(LoadedPlugin& plugin, const std::string& key) {
    int count = plugin.programCount();
    if (isAllDigits(key)) {
        long long index = 0;
        if (!parseInteger(key, 0, count - 1, index)) {
            fail("program " + key + " does not exist (the plug-in has " + std::to_string(count) +
                 " programs)");
        }
        return static_cast<int32_t>(index);
    }
    std::vector<std::string> names;
    for (int32_t index = 0; index < count; ++index) {
        names.push_back(plugin.programName(index));
    }
    for (bool caseSensitive : {true, false}) {
        for (int32_t index = 0; index < count; ++index) {
            if (caseSensitive ? names[index] == key : lowered(names[index]) == lowered(key)) {
                return index;
            }
        }
    }
    fail("the plug-in has no program named '" + key + "' (see --list)");
}

int32_t findParam(LoadedPlugin& plugin, const std::string& key) {
    int count = plugin.paramCount();
    if (isAllDigits(key)) {
        long long index = 0;
        if (!parseInteger(key, 0, count - 1, index)) {
            fail("parameter " + key + " does not exist (the plug-in has " + std::to_string(count) +
                 " parameters)");
        }
        return static_cast<int32_t>(index);
    }
    for (bool caseSensitive : {true, false}) {
        std::vector<int32_t> matches;
        for (int32_t index = 0; index < count; ++index) {
            std::string name = plugin.paramName(index);
            if (caseSensitive ? name == key : lowered(name) == lowered(key)) {
                matches.push_back(index);
            }
        }
        if (matches.size() == 1) {
            return matches[0];
        }
        if (matches.size() > 1) {
            std::string indices;
            for (int32_t index : matches) {
                indices += (indices.empty() ? "" : ", ") + std::to_string(index);
            }
            fail("parameter name '" + key + "' is ambiguous (indices " + indices +
                 "); give the index");
        }
    }
    fail("the plug-in has no parameter named '" + key + "' (see --list)");
}

void applySettings(LoadedPlugin& plugin, const Options& options) {
    if (options.program) {
        plugin.selectProgram(findProgram(plugin, *options.program));
    }
    for (const ParamSetting& setting : options.params) {
        plugin.setParamValue(findParam(plugin, setting.key), setting.value);
    }
}

std::string flagText(int32_t flags) {
    static const struct {
        int32_t bit;
        const char* name;
    } names[] = {{effFlagsHasEditor, "editor"},
                 {effFlagsHasClip, "clip"},
                 {effFlagsHasVu, "vu"},
                 {effFlagsCanMono, "mono"},
                 {effFlagsCanReplacing, "replacing"},
                 {effFlagsProgramChunks, "chunks"},
                 {effFlagsIsSynth, "synth"},
                 {effFlagsNoSoundInStop, "no-sound-in-stop"}};
    std::string text;
    for (const auto& entry : names) {
        if (flags & entry.bit) {
            text += (text.empty() ? "" : ", ") + std::string(entry.name);
        }
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%x", static_cast<unsigned>(flags));
    return (text.empty() ? "none" : text) + " (" + hex + ")";
}

void printList(LoadedPlugin& plugin) {
    AEffect* effect = plugin.effect();
    std::printf("plug-in     %s (entry %s)\n", plugin.path().c_str(), plugin.entryName().c_str());
    std::printf("name        %s\n", plugin.effectName().c_str());
    std::printf("vendor      %s\n", plugin.vendorName().c_str());
    std::printf("product     %s\n", plugin.productName().c_str());
    std::printf("identifier  %s, version %d\n", formatUniqueId(plugin.uniqueId()).c_str(),
                effect->version);
    std::printf("channels    %d in, %d out\n", plugin.inputCount(), plugin.outputCount());
    std::printf("flags       %s\n", flagText(effect->flags).c_str());
    std::printf("parameters  %d\n", plugin.paramCount());
    if (plugin.paramCount() > 0) {
        std::printf("  %5s  %-18s %-18s %-8s %s\n", "index", "name", "label", "value", "display");
    }
    for (int32_t index = 0; index < plugin.paramCount(); ++index) {
        std::printf("  %5d  %-18s %-18s %-8.4f %s\n", index, plugin.paramName(index).c_str(),
                    plugin.paramLabel(index).c_str(), plugin.paramValue(index),
                    plugin.paramDisplay(index).c_str());
    }
    int32_t current = plugin.currentProgram();
    std::printf("programs    %d (current %d)\n", plugin.programCount(), current);
    for (int32_t index = 0; index < plugin.programCount(); ++index) {
        std::printf("  %c%4d  %s\n", index == current ? '*' : ' ', index,
                    plugin.programName(index).c_str());
    }
}

// ---- progress ----

class ProgressBar {
public:
    explicit ProgressBar(bool enabled) : enabled(enabled) {}
    void update(double fraction) {
        if (!enabled) {
            return;
        }
        int percent = static_cast<int>(fraction * 100.0);
        if (percent == lastPercent) {
            return;
        }
        lastPercent = percent;
        int width = std::max(10, std::min(50, terminalColumns(stderr) - 20));
        int filled = static_cast<int>(fraction * width);
        std::string bar(static_cast<std::size_t>(filled), '#');
        bar.append(static_cast<std::size_t>(width - filled), '.');
        std::fprintf(stderr, "\rrendering [%s] %3d%%", bar.c_str(), percent);
        std::fflush(stderr);
    }
    void finish() {
        if (enabled && lastPercent >= 0) {
            // Clear the line so that the messages after it start clean.
            std::fprintf(stderr, "\r%*s\r",
                         std::max(10, std::min(50, terminalColumns(stderr) - 20)) + 20, "");
            std::fflush(stderr);
        }
    }

private:
    bool enabled;
    int lastPercent = -1;
};

std::string defaultOutputPath(const std::string& inputPath) {
    if (inputPath.empty()) {
        return "kestrune-demo.wav";
    }
    std::size_t slash = inputPath.find_last_of("/\\");
    std::size_t dot = inputPath.rfind('.');
    std::string stem = dot != std::string::npos && (slash == std::string::npos || dot > slash)
                           ? inputPath.substr(0, dot)
                           : inputPath;
    return stem + ".rendered.wav";
}

std::string fileName(const std::string& path) {
    std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A plot that cannot be written is refused before a long render, not after it.
void checkPlotName(const std::string& path) {
    std::string lower = lowered(path);
    auto endsWith = [&](const char* ending) {
        std::size_t length = std::strlen(ending);
        return lower.size() >= length && lower.compare(lower.size() - length, length, ending) == 0;
    };
    if (endsWith(".png") && !canWritePng()) {
        fail("this build of kestrune-render writes SVG plots only; use a .svg name for '" + path +
                 "'",
             kExitUsage);
    }
    if (!endsWith(".png") && !endsWith(".svg")) {
        fail("plot file '" + path + "' must end in .svg or .png", kExitUsage);
    }
}

std::string formatDb(double db) {
    if (std::isnan(db)) {
        return "n/a";
    }
    if (db < -200.0) {
        return "silent";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f dBFS", db);
    return text;
}

// "-49.3 dBFS before, -141.9 dBFS after (-92.6 dB)"
std::string beforeAfter(double before, double after) {
    std::string text = formatDb(before) + " before, " + formatDb(after) + " after";
    if (std::isfinite(before) && std::isfinite(after)) {
        double difference = after - before;
        if (std::fabs(difference) < 0.05) {
            difference = 0.0; // no "-0.0"
        }
        char change[32];
        std::snprintf(change, sizeof change, " (%+.1f dB)", difference);
        text += change;
    }
    return text;
}

} // namespace

int main(int argc, char** argv) {
    Options options = parseOptions(argc, argv);
    if (!options.plotPath.empty()) {
        checkPlotName(options.plotPath);
    }
    reportCrashesAs("kestrune-render");

    // ---- load and check the plug-in ----
    LoadedPlugin plugin;
    std::string error;
    setCrashStage("loading");
    if (!plugin.load(options.pluginPath, error)) {
        fail(error);
    }
    setCrashStage("opening");
    plugin.open();
    setCrashStage("taking the program and parameter settings");
    applySettings(plugin, options);
    if (options.list) {
        setCrashStage("answering the list questions");
        printList(plugin);
        setCrashStage("closing");
        plugin.unload();
        setCrashStage(nullptr);
        return 0;
    }

    // ---- the input: a file or the demo ----
    AudioBuffer input;
    std::optional<DemoSignal> demo;
    if (options.inputPath.empty()) {
        int channels = std::clamp(plugin.inputCount(), 1, 2);
        demo = makeDemoSignal(channels, options.synthDrums ? "" : defaultDrumKitFolder());
        input = demo->audio;
        if (!options.quiet) {
            std::fprintf(stderr, "demo input: %s, %.1f s, noise %.0f dBFS between the hits\n",
                         demo->source.c_str(), input.seconds(), demo->noiseLevelDb);
        }
    } else if (!readAudioFile(options.inputPath, input, error)) {
        fail(error);
    }
    if (input.frameCount() == 0) {
        fail("input '" + options.inputPath + "' has no samples");
    }

    ChannelPlan plan;
    if (!planChannels(input.channelCount(), plugin.inputCount(), plugin.outputCount(), plan,
                      error)) {
        fail(error);
    }
    if (!plan.note.empty() && !options.quiet) {
        std::fprintf(stderr, "note: %s\n", plan.note.c_str());
    }
    std::string outputPath =
        options.outputPath.empty() ? defaultOutputPath(options.inputPath) : options.outputPath;

    // ---- render ----
    ProgressBar bar(isTerminal(stderr) && !options.quiet &&
                    input.seconds() > kProgressMinimumSeconds);
    setCrashStage("rendering");
    RenderResult result = renderThrough(plugin, input, plan, options.blockSize,
                                        [&](double fraction) { bar.update(fraction); });
    bar.finish();
    std::string effectName = plugin.effectName();
    std::string programName =
        plugin.programCount() > 0 ? plugin.programName(plugin.currentProgram()) : "";
    setCrashStage("closing");
    plugin.unload();
    setCrashStage(nullptr);

    // ---- write what was asked for ----
    if (!writeAudioFile(outputPath, result.output, options.format, input, error)) {
        fail(error);
    }
    if (!options.saveInputPath.empty() && !writeAudioFile(options.saveInputPath, result.pluginInput,
                                                          OutputFormat::Float32Wav, input, error)) {
        fail(error);
    }
    if (!options.plotPath.empty()) {
        PlotData plot;
        plot.title = (effectName.empty() ? fileName(options.pluginPath) : effectName) +
                     (programName.empty() ? "" : " - program \"" + programName + "\"");
        for (const ParamSetting& setting : options.params) {
            char value[32];
            std::snprintf(value, sizeof value, "%g", setting.value);
            plot.title += ", " + setting.key + "=" + value;
        }
        plot.title += " - " + (demo ? std::string("demo drums") : fileName(options.inputPath));
        plot.input = &result.pluginInput;
        plot.output = &result.output;
        plot.blocks = &result.blocks;
        plot.hasMeter = result.hasMeter;
        if (!writePlot(options.plotPath, plot, error)) {
            fail(error);
        }
    }

    if (!options.quiet) {
        std::printf("rendered %.2f s (%zu frames, %d -> %d channels, %d Hz, blocks of %d) to %s\n",
                    input.seconds(), input.frameCount(), plan.fileChannels, plan.pluginOutputs,
                    input.sampleRate, options.blockSize, outputPath.c_str());
        if (!options.plotPath.empty()) {
            std::printf("plot: %s\n", options.plotPath.c_str());
        }
        if (demo) {
            std::vector<bool> hits = hitMask(*demo);
            std::printf("summary: noise between hits %s; hits %s\n",
                        beforeAfter(maskedLevelDb(result.pluginInput, demo->noiseOnly),
                                    maskedLevelDb(result.output, demo->noiseOnly))
                            .c_str(),
                        beforeAfter(maskedLevelDb(result.pluginInput, hits),
                                    maskedLevelDb(result.output, hits))
                            .c_str());
        }
    }
    return 0;
}
