// Runs a program with arguments and collects its exit code and both output streams.
#pragma once

#include "AudioBuffer.h"

#include <string>
#include <vector>

namespace kestrune::render::testing {

struct ToolResult {
    int exitCode = -1;
    std::string out;
    std::string err;
    std::vector<std::string> errLines() const;
};

// Runs program with args (each quoted for the shell); output goes through files in scratchDir.
// environment: NAME=VALUE settings for the program (POSIX shells only).
ToolResult runTool(const std::string& program, const std::vector<std::string>& args,
                   const std::string& scratchDir, const std::vector<std::string>& environment = {});

// A folder for the current test's files below the build's test output folder, created empty.
std::string scratchFolder(const std::string& name);

// Deterministic test material: quiet noise with loud bursts, channels independent.
AudioBuffer makeBurstSignal(int channels, int frames, int sampleRate, unsigned seed);

} // namespace kestrune::render::testing
