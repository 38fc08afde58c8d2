// Running an audio buffer through a loaded plug-in block by block, with the channel conversion
// the plug-in's inputs need and a per-block record of the gain it applied.
#pragma once

#include "AudioBuffer.h"
#include "PluginHost.h"

#include <functional>
#include <string>
#include <vector>

namespace kestrune::render {

// How the file's channels reach the plug-in's inputs.
enum class ChannelMode {
    Direct,        // as many file channels as plug-in inputs
    MonoToAll,     // one file channel fed to every input
    MixdownToMono, // two file channels mixed to one, (left + right) / 2
};

struct ChannelPlan {
    ChannelMode mode = ChannelMode::Direct;
    int fileChannels = 0;
    int pluginInputs = 0;
    int pluginOutputs = 0;
    // A sentence for the user saying what is done, empty for Direct.
    std::string note;
};

// Decides how a file with fileChannels channels is fed to the plug-in. Fails (with a one-line
// reason) for counts that have no obvious conversion.
bool planChannels(int fileChannels, int pluginInputs, int pluginOutputs, ChannelPlan& plan,
                  std::string& error);

// The gain seen in one processing call.
struct BlockGain {
    double startSeconds = 0.0;
    double endSeconds = 0.0;
    // From the plug-in's own gain meter (twice parameter 9, in dB); NaN without a meter.
    double meterGainDb = 0.0;
    // Output level over input level of the block in dB; NaN when the input block is silent.
    double levelGainDb = 0.0;
};

struct RenderResult {
    AudioBuffer pluginInput; // the signal as the plug-in received it (after channel conversion)
    AudioBuffer output;
    std::vector<BlockGain> blocks;
    bool hasMeter = false;
};

// Called with the fraction done, now and then.
using ProgressCallback = std::function<void(double fraction)>;

// Sets sample rate and block size, switches the plug-in on, processes input in blocks of
// blockSize frames and switches it off. The plug-in must be loaded and opened.
RenderResult renderThrough(LoadedPlugin& plugin, const AudioBuffer& input, const ChannelPlan& plan,
                           int blockSize, const ProgressCallback& progress = {});

// Whether the plug-in publishes its gain as parameter 9 "ReductionAmount" (one half of the
// largest gain of a call), as the Kestrune gate does.
bool hasGainMeter(LoadedPlugin& plugin);

} // namespace kestrune::render
