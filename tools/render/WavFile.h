// A small RIFF/WAVE reader and writer: 32-bit float and 16/24-bit PCM (plus 8/32-bit PCM and
// 64-bit float when reading). Used where no sound-file library is available (the Windows build)
// and as the reference the tests check the library path against.
#pragma once

#include "AudioBuffer.h"

#include <string>

namespace kestrune::render {

// Reads a WAV file into buffer. On failure returns false and sets error to one line.
bool readWavFile(const std::string& path, AudioBuffer& buffer, std::string& error);

// Writes buffer as a WAV file with the given encoding (Float32, Pcm16 or Pcm24). PCM samples
// are clipped to the full scale and rounded to the nearest step.
bool writeWavFile(const std::string& path, const AudioBuffer& buffer, SampleEncoding encoding,
                  std::string& error);

} // namespace kestrune::render
