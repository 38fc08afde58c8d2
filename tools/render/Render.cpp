#include "Render.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kestrune::render {

namespace {

constexpr int32_t kMeterParam = 9;

double levelRatioDb(const std::vector<std::vector<float>>& inputs,
                    const std::vector<std::vector<float>>& outputs, std::size_t start,
                    std::size_t frames) {
    double inputEnergy = 0.0;
    double outputEnergy = 0.0;
    for (const auto& channel : inputs) {
        for (std::size_t i = start; i < start + frames; ++i) {
            inputEnergy += static_cast<double>(channel[i]) * channel[i];
        }
    }
    for (const auto& channel : outputs) {
        for (std::size_t i = start; i < start + frames; ++i) {
            outputEnergy += static_cast<double>(channel[i]) * channel[i];
        }
    }
    // Compare mean power per channel, so that one input into two outputs reads as 0 dB.
    inputEnergy /= std::max<std::size_t>(1, inputs.size());
    outputEnergy /= std::max<std::size_t>(1, outputs.size());
    if (!(inputEnergy > 1e-20) || !std::isfinite(inputEnergy) || !std::isfinite(outputEnergy)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return 10.0 * std::log10(std::max(outputEnergy, 1e-30) / inputEnergy);
}

AudioBuffer convertChannels(const AudioBuffer& input, const ChannelPlan& plan) {
    AudioBuffer converted;
    converted.sampleRate = input.sampleRate;
    std::size_t frames = input.frameCount();
    switch (plan.mode) {
    case ChannelMode::Direct:
        converted.channels = input.channels;
        break;
    case ChannelMode::MonoToAll:
        converted.channels.assign(static_cast<std::size_t>(plan.pluginInputs), input.channels[0]);
        break;
    case ChannelMode::MixdownToMono:
        converted.resize(1, frames);
        for (std::size_t i = 0; i < frames; ++i) {
            converted.channels[0][i] = static_cast<float>(
                (static_cast<double>(input.channels[0][i]) + input.channels[1][i]) * 0.5);
        }
        break;
    }
    return converted;
}

} // namespace

bool planChannels(int fileChannels, int pluginInputs, int pluginOutputs, ChannelPlan& plan,
                  std::string& error) {
    plan = ChannelPlan{};
    plan.fileChannels = fileChannels;
    plan.pluginInputs = pluginInputs;
    plan.pluginOutputs = pluginOutputs;
    if (pluginInputs < 1) {
        error = "wrong channel count: the plug-in has no audio inputs (is it an instrument?)";
        return false;
    }
    if (pluginOutputs < 1) {
        error = "wrong channel count: the plug-in has no audio outputs";
        return false;
    }
    if (fileChannels == pluginInputs) {
        plan.mode = ChannelMode::Direct;
        return true;
    }
    if (fileChannels == 1) {
        plan.mode = ChannelMode::MonoToAll;
        plan.note = "mono input fed to all " + std::to_string(pluginInputs) +
                    " inputs of the plug-in; the output has " + std::to_string(pluginOutputs) +
                    " channels";
        return true;
    }
    if (fileChannels == 2 && pluginInputs == 1) {
        plan.mode = ChannelMode::MixdownToMono;
        plan.note = "stereo input mixed to mono, (left + right) / 2, for the one-input plug-in; "
                    "the output has " +
                    std::to_string(pluginOutputs) + (pluginOutputs == 1 ? " channel" : " channels");
        return true;
    }
    error = "wrong channel count: the input has " + std::to_string(fileChannels) +
            " channels and the plug-in takes " + std::to_string(pluginInputs) +
            " (only mono to many and stereo to mono are converted)";
    return false;
}

bool hasGainMeter(LoadedPlugin& plugin) {
    return plugin.paramCount() > kMeterParam && plugin.paramName(kMeterParam) == "ReductionAmount";
}

RenderResult renderThrough(LoadedPlugin& plugin, const AudioBuffer& input, const ChannelPlan& plan,
                           int blockSize, const ProgressCallback& progress) {
    RenderResult result;
    result.pluginInput = convertChannels(input, plan);
    result.hasMeter = hasGainMeter(plugin);
    std::size_t frames = input.frameCount();
    int inputs = plan.pluginInputs;
    int outputs = plan.pluginOutputs;
    result.output.sampleRate = input.sampleRate;
    result.output.resize(outputs, frames);

    plugin.setSampleRate(static_cast<float>(input.sampleRate));
    plugin.setBlockSize(blockSize);
    plugin.switchOn(true);

    // The plug-in gets buffers of its own for every call: it may write to all its outputs and
    // must never see the file's memory. A plug-in that changes its channel counts once switched
    // on gets silent inputs and unread outputs for the extra channels rather than a stray
    // pointer.
    std::size_t block = static_cast<std::size_t>(blockSize);
    int inputBuffers = std::max(inputs, plugin.inputCount());
    int outputBuffers = std::max(outputs, plugin.outputCount());
    std::vector<std::vector<float>> inputBlocks(static_cast<std::size_t>(inputBuffers),
                                                std::vector<float>(block));
    std::vector<std::vector<float>> outputBlocks(static_cast<std::size_t>(outputBuffers),
                                                 std::vector<float>(block));
    std::vector<float*> inputPointers;
    std::vector<float*> outputPointers;
    for (auto& channel : inputBlocks) {
        inputPointers.push_back(channel.data());
    }
    for (auto& channel : outputBlocks) {
        outputPointers.push_back(channel.data());
    }

    double rate = input.sampleRate;
    std::size_t reportEvery = std::max<std::size_t>(block, frames / 200);
    std::size_t sinceReport = 0;
    for (std::size_t start = 0; start < frames; start += block) {
        std::size_t count = std::min(block, frames - start);
        for (int channel = 0; channel < inputs; ++channel) {
            std::copy_n(result.pluginInput.channels[channel].begin() + static_cast<long>(start),
                        count, inputBlocks[channel].begin());
        }
        plugin.process(inputPointers.data(), outputPointers.data(), static_cast<int32_t>(count));
        for (int channel = 0; channel < outputs; ++channel) {
            std::copy_n(outputBlocks[channel].begin(), count,
                        result.output.channels[channel].begin() + static_cast<long>(start));
        }

        BlockGain gain;
        gain.startSeconds = static_cast<double>(start) / rate;
        gain.endSeconds = static_cast<double>(start + count) / rate;
        gain.meterGainDb = std::numeric_limits<double>::quiet_NaN();
        if (result.hasMeter) {
            double meter = plugin.paramValue(kMeterParam);
            gain.meterGainDb = 20.0 * std::log10(std::max(2.0 * meter, 1e-10));
        }
        gain.levelGainDb =
            levelRatioDb(result.pluginInput.channels, result.output.channels, start, count);
        result.blocks.push_back(gain);

        sinceReport += count;
        if (progress && sinceReport >= reportEvery) {
            sinceReport = 0;
            progress(static_cast<double>(start + count) / static_cast<double>(frames));
        }
    }
    plugin.switchOn(false);
    if (progress) {
        progress(1.0);
    }
    return result;
}

} // namespace kestrune::render
