// The built-in WAV reader and writer (the Windows renderer's only file path): exact round trips,
// the same samples libsndfile reads and writes, and defined answers for damaged files.
#include "WavFile.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#if KESTRUNE_RENDER_HAVE_SNDFILE
#include <sndfile.h>
#endif

namespace kestrune::render {
namespace {

using testing::makeBurstSignal;
using testing::scratchFolder;

// What the reader gives back for a sample written with the encoding.
float expectedAfterRoundTrip(float sample, SampleEncoding encoding) {
    if (encoding == SampleEncoding::Float32) {
        return sample;
    }
    double scale = encoding == SampleEncoding::Pcm16 ? 32767.0 : 8388607.0;
    double low = encoding == SampleEncoding::Pcm16 ? -32768.0 : -8388608.0;
    double step = encoding == SampleEncoding::Pcm16 ? 32768.0 : 8388608.0;
    double value = std::isnan(sample) ? 0.0 : std::nearbyint(static_cast<double>(sample) * scale);
    value = std::clamp(value, low, scale);
    return static_cast<float>(value / step);
}

AudioBuffer withEdgeSamples(AudioBuffer buffer) {
    // Full scale, beyond it, and NaN: PCM must clip, not wrap.
    const float edges[] = {1.0f,  -1.0f, 1.5f, -1.5f, std::numeric_limits<float>::quiet_NaN(),
                           1e-9f, -0.0f};
    for (auto& channel : buffer.channels) {
        for (std::size_t i = 0; i < std::size(edges) && i < channel.size(); ++i) {
            channel[i] = edges[i];
        }
    }
    return buffer;
}

struct RoundTrip {
    SampleEncoding encoding;
    int channels;
    int frames;
};

void PrintTo(const RoundTrip& trip, std::ostream* out) {
    *out << "encoding " << static_cast<int>(trip.encoding) << ", " << trip.channels << " channels, "
         << trip.frames << " frames";
}

class WavRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(WavRoundTrip, ReadsBackWhatWasWritten) {
    const RoundTrip& trip = GetParam();
    std::string folder = scratchFolder("wav-round-trip");
    AudioBuffer written = withEdgeSamples(makeBurstSignal(trip.channels, trip.frames, 48000, 11));
    std::string path = folder + "/file.wav";
    std::string error;
    ASSERT_TRUE(writeWavFile(path, written, trip.encoding, error)) << error;

    AudioBuffer read;
    ASSERT_TRUE(readWavFile(path, read, error)) << error;
    EXPECT_EQ(read.sampleRate, 48000);
    ASSERT_EQ(read.channelCount(), trip.channels);
    ASSERT_EQ(read.frameCount(), static_cast<std::size_t>(trip.frames));
    EXPECT_EQ(read.sourceEncoding, trip.encoding);
    for (int channel = 0; channel < trip.channels; ++channel) {
        for (int i = 0; i < trip.frames; ++i) {
            float expected = expectedAfterRoundTrip(written.channels[channel][i], trip.encoding);
            float actual = read.channels[channel][i];
            if (std::isnan(expected)) {
                ASSERT_TRUE(std::isnan(actual)) << "channel " << channel << " frame " << i;
            } else {
                ASSERT_EQ(actual, expected) << "channel " << channel << " frame " << i;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, WavRoundTrip,
                         ::testing::Values(RoundTrip{SampleEncoding::Float32, 2, 1001},
                                           RoundTrip{SampleEncoding::Pcm16, 1, 1001},
                                           RoundTrip{SampleEncoding::Pcm24, 1, 1001},
                                           RoundTrip{SampleEncoding::Pcm24, 3, 513},
                                           RoundTrip{SampleEncoding::Pcm16, 2, 1},
                                           RoundTrip{SampleEncoding::Float32, 1, 0}));

// ---- damaged files get an answer, never a crash ----

std::vector<unsigned char> wavBytes(SampleEncoding encoding, int channels, int frames) {
    std::string folder = scratchFolder("wav-bytes");
    std::string path = folder + "/file.wav";
    std::string error;
    EXPECT_TRUE(writeWavFile(path, makeBurstSignal(channels, frames, 44100, 3), encoding, error));
    std::ifstream file(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(file), {});
}

void putU32(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

struct Damage {
    const char* label;
    void (*apply)(std::vector<unsigned char>&);
    bool readable;
    std::size_t frames;  // when readable
    const char* message; // part of the error when not
};

void PrintTo(const Damage& damage, std::ostream* out) {
    *out << damage.label;
}

class WavDamage : public ::testing::TestWithParam<Damage> {};

TEST_P(WavDamage, HasADefinedAnswer) {
    const Damage& damage = GetParam();
    // 16-bit stereo, 100 frames: fmt at 12 (16 bytes of body), data header at 36, samples at 44.
    std::vector<unsigned char> bytes = wavBytes(SampleEncoding::Pcm16, 2, 100);
    damage.apply(bytes);
    std::string folder = scratchFolder(std::string("wav-damage-") + damage.label);
    std::string path = folder + "/file.wav";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));

    AudioBuffer read;
    std::string error;
    bool ok = readWavFile(path, read, error);
    EXPECT_EQ(ok, damage.readable) << error;
    if (damage.readable) {
        EXPECT_EQ(read.frameCount(), damage.frames);
    } else {
        EXPECT_NE(error.find(damage.message), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, WavDamage,
                         ::testing::Values(Damage{"intact", [](std::vector<unsigned char>&) {},
                                                  true, 100, ""},
                                           Damage{"empty",
                                                  [](std::vector<unsigned char>& b) { b.clear(); },
                                                  false, 0, "not a WAV"},
                                           Damage{"not_riff",
                                                  [](std::vector<unsigned char>& b) { b[0] = 'X'; },
                                                  false, 0, "not a WAV"},
                                           Damage{
                                               "header_only",
                                               [](std::vector<unsigned char>& b) { b.resize(12); },
                                               false, 0, "no WAV format"},
                                           // A streaming writer leaves the data size unknown: read
                                           // what is there.
                                           Damage{"data_size_past_end",
                                                  [](std::vector<unsigned char>& b) {
                                                      putU32(b, 40, 0xFFFFFFFF);
                                                  },
                                                  true, 100, ""},
                                           Damage{"cut_mid_frame",
                                                  [](std::vector<unsigned char>& b) {
                                                      b.resize(44 + 4 * 60 + 3);
                                                  },
                                                  true, 60, ""},
                                           Damage{"twelve_bits",
                                                  [](std::vector<unsigned char>& b) { b[34] = 12; },
                                                  false, 0, "12 bits"},
                                           Damage{"no_channels",
                                                  [](std::vector<unsigned char>& b) { b[22] = 0; },
                                                  false, 0, "0 channels"},
                                           Damage{"compressed",
                                                  [](std::vector<unsigned char>& b) { b[20] = 2; },
                                                  false, 0, "sample format 2"},
                                           Damage{"zero_rate",
                                                  [](std::vector<unsigned char>& b) {
                                                      putU32(b, 24, 0);
                                                  },
                                                  false, 0, "sample rate"},
                                           Damage{"huge_fmt_chunk",
                                                  [](std::vector<unsigned char>& b) {
                                                      putU32(b, 16, 0x7FFFFFF0);
                                                  },
                                                  false, 0, "damaged"},
                                           // An odd-sized chunk before the format is skipped with
                                           // its pad byte.
                                           Damage{"odd_chunk_first",
                                                  [](std::vector<unsigned char>& b) {
                                                      const unsigned char chunk[] = {
                                                          'L', 'I', 'S', 'T', 3,   0,
                                                          0,   0,   'a', 'b', 'c', 0};
                                                      b.insert(b.begin() + 12, std::begin(chunk),
                                                               std::end(chunk));
                                                  },
                                                  true, 100, ""}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(WavFile, MissingFileAndUnwritablePathAreErrors) {
    AudioBuffer buffer;
    std::string error;
    EXPECT_FALSE(readWavFile("/nonexistent/x.wav", buffer, error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);
    buffer.resize(1, 10);
    EXPECT_FALSE(writeWavFile("/nonexistent/x.wav", buffer, SampleEncoding::Float32, error));
    EXPECT_NE(error.find("cannot create"), std::string::npos);
}

#if KESTRUNE_RENDER_HAVE_SNDFILE

// ---- the same samples as libsndfile, in both directions ----

AudioBuffer readWithSndfile(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    AudioBuffer buffer;
    if (!file) {
        ADD_FAILURE() << "libsndfile cannot read " << path << ": " << sf_strerror(nullptr);
        return buffer;
    }
    std::vector<float> interleaved(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(file, interleaved.data(), info.frames);
    sf_close(file);
    buffer.sampleRate = info.samplerate;
    buffer.resize(info.channels, static_cast<std::size_t>(info.frames));
    for (sf_count_t frame = 0; frame < info.frames; ++frame) {
        for (int channel = 0; channel < info.channels; ++channel) {
            buffer.channels[channel][frame] = interleaved[frame * info.channels + channel];
        }
    }
    return buffer;
}

void writeWithSndfile(const std::string& path, const AudioBuffer& buffer, int format) {
    SF_INFO info{};
    info.samplerate = buffer.sampleRate;
    info.channels = buffer.channelCount();
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    std::vector<float> interleaved;
    for (std::size_t frame = 0; frame < buffer.frameCount(); ++frame) {
        for (const auto& channel : buffer.channels) {
            interleaved.push_back(channel[frame]);
        }
    }
    sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(buffer.frameCount()));
    sf_close(file);
}

void expectSameSamples(const AudioBuffer& a, const AudioBuffer& b, const std::string& what) {
    ASSERT_EQ(a.channelCount(), b.channelCount()) << what;
    ASSERT_EQ(a.frameCount(), b.frameCount()) << what;
    EXPECT_EQ(a.sampleRate, b.sampleRate) << what;
    for (int channel = 0; channel < a.channelCount(); ++channel) {
        for (std::size_t i = 0; i < a.frameCount(); ++i) {
            ASSERT_EQ(a.channels[channel][i], b.channels[channel][i])
                << what << ": channel " << channel << " frame " << i;
        }
    }
}

struct SndfileCase {
    SampleEncoding ours;
    int theirs;
};

void PrintTo(const SndfileCase& format, std::ostream* out) {
    *out << "libsndfile format 0x" << std::hex << format.theirs;
}

class WavAgainstSndfile : public ::testing::TestWithParam<SndfileCase> {};

TEST_P(WavAgainstSndfile, BothReadTheSameSamples) {
    const SndfileCase& format = GetParam();
    std::string folder = scratchFolder("wav-sndfile");
    AudioBuffer signal = makeBurstSignal(2, 3001, 44100, 5);

    std::string ourFile = folder + "/ours.wav";
    std::string error;
    ASSERT_TRUE(writeWavFile(ourFile, signal, format.ours, error)) << error;
    AudioBuffer ourRead;
    ASSERT_TRUE(readWavFile(ourFile, ourRead, error)) << error;
    expectSameSamples(readWithSndfile(ourFile), ourRead, "file written here");

    std::string theirFile = folder + "/theirs.wav";
    writeWithSndfile(theirFile, signal, format.theirs);
    AudioBuffer theirRead;
    ASSERT_TRUE(readWavFile(theirFile, theirRead, error)) << error;
    expectSameSamples(readWithSndfile(theirFile), theirRead, "file written by libsndfile");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WavAgainstSndfile,
    ::testing::Values(SndfileCase{SampleEncoding::Float32, SF_FORMAT_WAV | SF_FORMAT_FLOAT},
                      SndfileCase{SampleEncoding::Pcm16, SF_FORMAT_WAV | SF_FORMAT_PCM_16},
                      SndfileCase{SampleEncoding::Pcm24, SF_FORMAT_WAV | SF_FORMAT_PCM_24},
                      // The extensible header, as libsndfile writes it.
                      SndfileCase{SampleEncoding::Pcm24, SF_FORMAT_WAVEX | SF_FORMAT_PCM_24},
                      SndfileCase{SampleEncoding::Float32, SF_FORMAT_WAVEX | SF_FORMAT_FLOAT}));

#endif

} // namespace
} // namespace kestrune::render
