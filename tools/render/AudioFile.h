// Reading and writing sound files. With libsndfile every format it knows is read (WAV, FLAC,
// AIFF, OGG, ...); without it (the Windows build) the built-in WAV reader and writer stand in.
#pragma once

#include "AudioBuffer.h"

#include <string>

namespace kestrune::render {

// How the output file is written.
enum class OutputFormat {
    Float32Wav, // WAV, 32-bit float (the default)
    Pcm16Wav,
    Pcm24Wav,
    SameAsInput // the input file's container and sample encoding
};

// Which file library this build uses, for --help and messages ("libsndfile 1.2.0").
std::string audioFileBackendName();

bool readAudioFile(const std::string& path, AudioBuffer& buffer, std::string& error);

// source gives the format to copy for OutputFormat::SameAsInput.
bool writeAudioFile(const std::string& path, const AudioBuffer& buffer, OutputFormat format,
                    const AudioBuffer& source, std::string& error);

} // namespace kestrune::render
