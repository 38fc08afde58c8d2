// RIFF/WAVE reading and writing without a sound-file library.
//
// Reads: PCM 8/16/24/32-bit, IEEE float 32/64-bit, plain or WAVE_FORMAT_EXTENSIBLE headers, any
// chunk order, odd-sized chunks with their pad byte, and a data chunk whose stated size runs past
// the end of the file (as streaming writers leave it). Writes: float 32-bit, PCM 16 and 24-bit.
#include "WavFile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

namespace kestrune::render {

namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr int kMaxChannels = 64;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

std::int64_t sizeOf(std::FILE* file) {
#ifdef _WIN32
    _fseeki64(file, 0, SEEK_END);
    std::int64_t size = _ftelli64(file);
    _fseeki64(file, 0, SEEK_SET);
#else
    fseeko(file, 0, SEEK_END);
    std::int64_t size = ftello(file);
    fseeko(file, 0, SEEK_SET);
#endif
    return size;
}

bool seekTo(std::FILE* file, std::int64_t position) {
#ifdef _WIN32
    return _fseeki64(file, position, SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(position), SEEK_SET) == 0;
#endif
}

std::uint32_t readU32(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

std::uint16_t readU16(const unsigned char* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

void putU32(std::vector<unsigned char>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<unsigned char>(value >> shift));
    }
}

void putU16(std::vector<unsigned char>& out, std::uint16_t value) {
    out.push_back(static_cast<unsigned char>(value));
    out.push_back(static_cast<unsigned char>(value >> 8));
}

void putTag(std::vector<unsigned char>& out, const char* tag) {
    out.insert(out.end(), tag, tag + 4);
}

struct WavFormat {
    std::uint16_t tag = 0;
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    int blockAlign = 0;
};

// Converts one stored sample to float; the PCM scales match the usual full-scale convention
// (-32768 reads as -1.0).
float decodeSample(const unsigned char* bytes, const WavFormat& format) {
    if (format.tag == kFormatFloat) {
        if (format.bitsPerSample == 32) {
            std::uint32_t bits = readU32(bytes);
            float value;
            std::memcpy(&value, &bits, sizeof value);
            return value;
        }
        std::uint64_t bits = readU32(bytes) | static_cast<std::uint64_t>(readU32(bytes + 4)) << 32;
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return static_cast<float>(value);
    }
    switch (format.bitsPerSample) {
    case 8:
        return static_cast<float>((static_cast<int>(bytes[0]) - 128) / 128.0);
    case 16:
        return static_cast<float>(static_cast<std::int16_t>(readU16(bytes)) / 32768.0);
    case 24: {
        std::int32_t value = static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes[0]) << 8 |
                                                       static_cast<std::uint32_t>(bytes[1]) << 16 |
                                                       static_cast<std::uint32_t>(bytes[2]) << 24);
        return static_cast<float>((value >> 8) / 8388608.0);
    }
    default:
        return static_cast<float>(static_cast<std::int32_t>(readU32(bytes)) / 2147483648.0);
    }
}

bool checkFormat(const WavFormat& format, std::string& error) {
    if (format.tag != kFormatPcm && format.tag != kFormatFloat) {
        error = "unsupported WAV sample format " + std::to_string(format.tag) +
                " (only PCM and float are read)";
        return false;
    }
    bool bitsOk = format.tag == kFormatFloat
                      ? (format.bitsPerSample == 32 || format.bitsPerSample == 64)
                      : (format.bitsPerSample == 8 || format.bitsPerSample == 16 ||
                         format.bitsPerSample == 24 || format.bitsPerSample == 32);
    if (!bitsOk) {
        error = "unsupported WAV sample size of " + std::to_string(format.bitsPerSample) + " bits";
        return false;
    }
    if (format.channels < 1 || format.channels > kMaxChannels) {
        error = "WAV file declares " + std::to_string(format.channels) + " channels";
        return false;
    }
    if (format.sampleRate < 1) {
        error = "WAV file declares a sample rate of " + std::to_string(format.sampleRate);
        return false;
    }
    if (format.blockAlign != format.channels * (format.bitsPerSample / 8)) {
        error = "WAV file has an inconsistent frame size";
        return false;
    }
    return true;
}

bool parseFormatChunk(const std::vector<unsigned char>& chunk, WavFormat& format,
                      std::string& error) {
    if (chunk.size() < 16) {
        error = "WAV format chunk is too short";
        return false;
    }
    format.tag = readU16(chunk.data());
    format.channels = readU16(chunk.data() + 2);
    format.sampleRate = static_cast<int>(readU32(chunk.data() + 4));
    format.blockAlign = readU16(chunk.data() + 12);
    format.bitsPerSample = readU16(chunk.data() + 14);
    if (format.tag == kFormatExtensible) {
        // The real format is the first two bytes of the sub-format identifier.
        if (chunk.size() < 40) {
            error = "WAV extensible format chunk is too short";
            return false;
        }
        format.tag = readU16(chunk.data() + 24);
    }
    return checkFormat(format, error);
}

SampleEncoding encodingOf(const WavFormat& format) {
    if (format.tag == kFormatFloat && format.bitsPerSample == 32) {
        return SampleEncoding::Float32;
    }
    if (format.tag == kFormatPcm && format.bitsPerSample == 16) {
        return SampleEncoding::Pcm16;
    }
    if (format.tag == kFormatPcm && format.bitsPerSample == 24) {
        return SampleEncoding::Pcm24;
    }
    return SampleEncoding::Other;
}

std::int32_t quantise(float sample, double scale, std::int32_t low, std::int32_t high) {
    if (std::isnan(sample)) {
        return 0;
    }
    double value = std::nearbyint(static_cast<double>(sample) * scale);
    if (value > high) {
        return high;
    }
    if (value < low) {
        return low;
    }
    return static_cast<std::int32_t>(value);
}

} // namespace

bool readWavFile(const std::string& path, AudioBuffer& buffer, std::string& error) {
    FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = "cannot open '" + path + "'";
        return false;
    }
    std::int64_t fileSize = sizeOf(file.get());

    unsigned char header[12];
    if (std::fread(header, 1, 12, file.get()) != 12 || std::memcmp(header, "RIFF", 4) != 0 ||
        std::memcmp(header + 8, "WAVE", 4) != 0) {
        error = "'" + path + "' is not a WAV file";
        return false;
    }

    // ---- walk the chunks: the format must come before the data ----
    WavFormat format;
    bool haveFormat = false;
    std::int64_t position = 12;
    while (position + 8 <= fileSize) {
        unsigned char chunkHeader[8];
        if (std::fread(chunkHeader, 1, 8, file.get()) != 8) {
            break;
        }
        std::uint32_t chunkSize = readU32(chunkHeader + 4);
        position += 8;
        if (std::memcmp(chunkHeader, "fmt ", 4) == 0) {
            if (chunkSize > 1024 || position + static_cast<std::int64_t>(chunkSize) > fileSize) {
                error = "'" + path + "' has a damaged WAV format chunk";
                return false;
            }
            std::vector<unsigned char> chunk(chunkSize);
            if (std::fread(chunk.data(), 1, chunkSize, file.get()) != chunkSize) {
                error = "'" + path + "' has a damaged WAV format chunk";
                return false;
            }
            if (!parseFormatChunk(chunk, format, error)) {
                error = "'" + path + "': " + error;
                return false;
            }
            haveFormat = true;
        } else if (std::memcmp(chunkHeader, "data", 4) == 0) {
            if (!haveFormat) {
                error = "'" + path + "' has its WAV data before the format";
                return false;
            }
            std::int64_t available = fileSize - position;
            std::int64_t dataSize = std::min<std::int64_t>(chunkSize, available);
            std::size_t frames = static_cast<std::size_t>(dataSize / format.blockAlign);
            std::vector<unsigned char> data(frames * static_cast<std::size_t>(format.blockAlign));
            if (std::fread(data.data(), 1, data.size(), file.get()) != data.size()) {
                error = "cannot read the samples of '" + path + "'";
                return false;
            }
            buffer.sampleRate = format.sampleRate;
            buffer.resize(format.channels, frames);
            int bytesPerSample = format.bitsPerSample / 8;
            for (std::size_t frame = 0; frame < frames; ++frame) {
                const unsigned char* frameBytes = data.data() + frame * format.blockAlign;
                for (int channel = 0; channel < format.channels; ++channel) {
                    buffer.channels[channel][frame] =
                        decodeSample(frameBytes + channel * bytesPerSample, format);
                }
            }
            buffer.sourceEncoding = encodingOf(format);
            buffer.sourceFormatCode = 0;
            buffer.sourceFormatName = std::string("WAV ") +
                                      (format.tag == kFormatFloat ? "float " : "PCM ") +
                                      std::to_string(format.bitsPerSample) + "-bit";
            return true;
        }
        // Any other chunk is skipped.
        position += chunkSize;
        if (chunkSize % 2 != 0) {
            // Chunks are padded to an even size.
            position += 1;
        }
        // Positions are kept in 64 bits: a chunk size near 4 GB must not wrap a 32-bit long.
        if (!seekTo(file.get(), position)) {
            break;
        }
    }
    error = "'" + path + "' has no WAV " + std::string(haveFormat ? "data" : "format") + " chunk";
    return false;
}

bool writeWavFile(const std::string& path, const AudioBuffer& buffer, SampleEncoding encoding,
                  std::string& error) {
    int bytesPerSample = encoding == SampleEncoding::Pcm16   ? 2
                         : encoding == SampleEncoding::Pcm24 ? 3
                                                             : 4;
    bool isFloat = encoding != SampleEncoding::Pcm16 && encoding != SampleEncoding::Pcm24;
    int channels = buffer.channelCount();
    std::size_t frames = buffer.frameCount();
    if (channels < 1 || channels > kMaxChannels) {
        error = "cannot write " + std::to_string(channels) + " channels to '" + path + "'";
        return false;
    }
    std::uint64_t dataSize = static_cast<std::uint64_t>(frames) * channels * bytesPerSample;
    if (dataSize > 0xFFFFFF00u - 64) {
        error = "'" + path + "' would exceed the 4 GB size limit of WAV files";
        return false;
    }

    // ---- header: fmt (with a fact chunk for float, as the format asks) ----
    std::vector<unsigned char> header;
    std::uint32_t formatSize = isFloat ? 18 : 16;
    std::uint32_t riffSize = 4 + (8 + formatSize) + (isFloat ? 12 : 0) + 8 +
                             static_cast<std::uint32_t>(dataSize) + (dataSize % 2);
    putTag(header, "RIFF");
    putU32(header, riffSize);
    putTag(header, "WAVE");
    putTag(header, "fmt ");
    putU32(header, formatSize);
    putU16(header, isFloat ? kFormatFloat : kFormatPcm);
    putU16(header, static_cast<std::uint16_t>(channels));
    putU32(header, static_cast<std::uint32_t>(buffer.sampleRate));
    putU32(header, static_cast<std::uint32_t>(buffer.sampleRate * channels * bytesPerSample));
    putU16(header, static_cast<std::uint16_t>(channels * bytesPerSample));
    putU16(header, static_cast<std::uint16_t>(bytesPerSample * 8));
    if (isFloat) {
        putU16(header, 0);
        putTag(header, "fact");
        putU32(header, 4);
        putU32(header, static_cast<std::uint32_t>(frames));
    }
    putTag(header, "data");
    putU32(header, static_cast<std::uint32_t>(dataSize));

    // ---- samples, interleaved ----
    std::vector<unsigned char> data;
    data.reserve(static_cast<std::size_t>(dataSize) + 1);
    for (std::size_t frame = 0; frame < frames; ++frame) {
        for (int channel = 0; channel < channels; ++channel) {
            float sample = buffer.channels[channel][frame];
            if (isFloat) {
                std::uint32_t bits;
                std::memcpy(&bits, &sample, sizeof bits);
                putU32(data, bits);
            } else if (bytesPerSample == 2) {
                putU16(data, static_cast<std::uint16_t>(quantise(sample, 32767.0, -32768, 32767)));
            } else {
                std::uint32_t value =
                    static_cast<std::uint32_t>(quantise(sample, 8388607.0, -8388608, 8388607));
                data.push_back(static_cast<unsigned char>(value));
                data.push_back(static_cast<unsigned char>(value >> 8));
                data.push_back(static_cast<unsigned char>(value >> 16));
            }
        }
    }
    if (dataSize % 2 != 0) {
        data.push_back(0);
    }

    FileHandle file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        error = "cannot create '" + path + "'";
        return false;
    }
    if (std::fwrite(header.data(), 1, header.size(), file.get()) != header.size() ||
        std::fwrite(data.data(), 1, data.size(), file.get()) != data.size() ||
        std::fflush(file.get()) != 0) {
        error = "cannot write '" + path + "' (disk full?)";
        return false;
    }
    return true;
}

} // namespace kestrune::render
