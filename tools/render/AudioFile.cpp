#include "AudioFile.h"

#include "WavFile.h"

#if KESTRUNE_RENDER_HAVE_SNDFILE
#include <sndfile.h>
#endif

#include <cstdio>
#include <memory>

namespace kestrune::render {

namespace {

#if KESTRUNE_RENDER_HAVE_SNDFILE

struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

SampleEncoding encodingOfSubtype(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_FLOAT:
        return SampleEncoding::Float32;
    case SF_FORMAT_PCM_16:
        return SampleEncoding::Pcm16;
    case SF_FORMAT_PCM_24:
        return SampleEncoding::Pcm24;
    default:
        return SampleEncoding::Other;
    }
}

std::string describeFormat(int format) {
    SF_FORMAT_INFO info{};
    info.format = format & SF_FORMAT_TYPEMASK;
    std::string text = "unknown";
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name) {
        text = info.name;
    }
    info.format = format & SF_FORMAT_SUBMASK;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name) {
        text += std::string(", ") + info.name;
    }
    return text;
}

int sndfileFormatFor(OutputFormat format, const AudioBuffer& source) {
    switch (format) {
    case OutputFormat::Pcm16Wav:
        return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    case OutputFormat::Pcm24Wav:
        return SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    case OutputFormat::SameAsInput:
        if (source.sourceFormatCode != 0) {
            return source.sourceFormatCode;
        }
        return SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    default:
        return SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    }
}

#endif

} // namespace

#if KESTRUNE_RENDER_HAVE_SNDFILE

std::string audioFileBackendName() {
    return sf_version_string();
}

bool readAudioFile(const std::string& path, AudioBuffer& buffer, std::string& error) {
    if (std::FILE* probe = std::fopen(path.c_str(), "rb")) {
        std::fclose(probe);
    } else {
        error = "cannot open '" + path + "'";
        return false;
    }
    SF_INFO info{};
    SndfileHandle file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file) {
        error = "cannot read '" + path + "' as a sound file (" + sf_strerror(nullptr) + ")";
        return false;
    }
    if (info.channels < 1 || info.samplerate < 1) {
        error = "'" + path + "' has no usable channels or sample rate";
        return false;
    }
    std::vector<float> interleaved(static_cast<std::size_t>(info.frames) * info.channels);
    sf_count_t framesRead = sf_readf_float(file.get(), interleaved.data(), info.frames);
    if (framesRead < 0) {
        error = "cannot read the samples of '" + path + "'";
        return false;
    }
    std::size_t frames = static_cast<std::size_t>(framesRead);
    buffer.sampleRate = info.samplerate;
    buffer.resize(info.channels, frames);
    for (std::size_t frame = 0; frame < frames; ++frame) {
        for (int channel = 0; channel < info.channels; ++channel) {
            buffer.channels[channel][frame] = interleaved[frame * info.channels + channel];
        }
    }
    buffer.sourceEncoding = encodingOfSubtype(info.format);
    buffer.sourceFormatCode = info.format;
    buffer.sourceFormatName = describeFormat(info.format);
    return true;
}

bool writeAudioFile(const std::string& path, const AudioBuffer& buffer, OutputFormat format,
                    const AudioBuffer& source, std::string& error) {
    SF_INFO info{};
    info.samplerate = buffer.sampleRate;
    info.channels = buffer.channelCount();
    info.format = sndfileFormatFor(format, source);
    if (!sf_format_check(&info)) {
        error = "cannot write " + std::to_string(info.channels) + " channels at " +
                std::to_string(info.samplerate) + " Hz as " + describeFormat(info.format);
        return false;
    }
    SndfileHandle file(sf_open(path.c_str(), SFM_WRITE, &info));
    if (!file) {
        error = "cannot create '" + path + "' (" + sf_strerror(nullptr) + ")";
        return false;
    }
    // Out-of-range samples are clipped in integer formats, not wrapped around.
    sf_command(file.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);
    std::size_t frames = buffer.frameCount();
    std::vector<float> interleaved(frames * static_cast<std::size_t>(info.channels));
    for (std::size_t frame = 0; frame < frames; ++frame) {
        for (int channel = 0; channel < info.channels; ++channel) {
            interleaved[frame * info.channels + channel] = buffer.channels[channel][frame];
        }
    }
    sf_count_t written =
        sf_writef_float(file.get(), interleaved.data(), static_cast<sf_count_t>(frames));
    if (written != static_cast<sf_count_t>(frames)) {
        error = "cannot write '" + path + "' (" + sf_strerror(file.get()) + ")";
        return false;
    }
    return true;
}

#else

namespace {

SampleEncoding encodingFor(OutputFormat format, const AudioBuffer& source) {
    switch (format) {
    case OutputFormat::Pcm16Wav:
        return SampleEncoding::Pcm16;
    case OutputFormat::Pcm24Wav:
        return SampleEncoding::Pcm24;
    case OutputFormat::SameAsInput:
        return source.sourceEncoding == SampleEncoding::Other ? SampleEncoding::Float32
                                                              : source.sourceEncoding;
    default:
        return SampleEncoding::Float32;
    }
}

} // namespace

std::string audioFileBackendName() {
    return "built-in WAV reader and writer";
}

bool readAudioFile(const std::string& path, AudioBuffer& buffer, std::string& error) {
    if (!readWavFile(path, buffer, error)) {
        if (error.find("is not a WAV file") != std::string::npos) {
            error += " (this build reads WAV files only)";
        }
        return false;
    }
    return true;
}

bool writeAudioFile(const std::string& path, const AudioBuffer& buffer, OutputFormat format,
                    const AudioBuffer& source, std::string& error) {
    return writeWavFile(path, buffer, encodingFor(format, source), error);
}

#endif

} // namespace kestrune::render
