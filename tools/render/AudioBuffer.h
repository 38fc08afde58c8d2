// Audio held in memory by the renderer: one float array per channel.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kestrune::render {

// How samples are stored in a file.
enum class SampleEncoding { Float32, Pcm16, Pcm24, Other };

struct AudioBuffer {
    int sampleRate = 44100;
    std::vector<std::vector<float>> channels;

    // What the file the buffer was read from looked like, so that the output can copy it.
    SampleEncoding sourceEncoding = SampleEncoding::Float32;
    int sourceFormatCode = 0; // the file library's own format code (0: none)
    std::string sourceFormatName;

    int channelCount() const { return static_cast<int>(channels.size()); }
    std::size_t frameCount() const { return channels.empty() ? 0 : channels[0].size(); }
    double seconds() const {
        return sampleRate > 0 ? static_cast<double>(frameCount()) / sampleRate : 0.0;
    }
    void resize(int channelCount, std::size_t frames) {
        channels.assign(static_cast<std::size_t>(channelCount), std::vector<float>(frames, 0.0f));
    }
};

} // namespace kestrune::render
