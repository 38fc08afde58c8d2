// The default input: a short drum pattern with quiet noise between the hits, so a gate has
// something to remove. Built from the GMRockKit kick and snare recordings of Debian's
// hydrogen-data package when they are installed (read at run time, never stored here), else
// from synthesized drums.
#pragma once

#include "AudioBuffer.h"

#include <cstddef>
#include <string>
#include <vector>

namespace kestrune::render {

struct DemoSignal {
    AudioBuffer audio;
    std::string source;              // what the drums are, for the user
    std::vector<std::size_t> onsets; // first frame of every hit
    // Frames where the drums have died away below the noise: the noise the gate should remove.
    std::vector<bool> noiseOnly;
    double noiseLevelDb = 0.0; // RMS of the noise, dBFS
};

// Where the drum kit is looked for; KESTRUNE_DRUMKIT_DIR overrides it.
std::string defaultDrumKitFolder();

// channels: 1 or 2. drumKitFolder: the kit to read, or empty for synthesized drums.
DemoSignal makeDemoSignal(int channels, const std::string& drumKitFolder);

// RMS level in dBFS of the frames of buffer where mask is set (all channels); -inf when silent,
// NaN when the mask is empty.
double maskedLevelDb(const AudioBuffer& buffer, const std::vector<bool>& mask);

// Frames within the first 60 ms of every hit: where the drums are loudest.
std::vector<bool> hitMask(const DemoSignal& demo);

} // namespace kestrune::render
