// Pictures of a render: input and output waveforms, their levels in dBFS and the gain the
// plug-in applied in dB, over time. Written as SVG, or as PNG where the build has libpng and
// FreeType.
#pragma once

#include "AudioBuffer.h"
#include "Render.h"

#include <string>

namespace kestrune::render {

struct PlotData {
    std::string title;
    const AudioBuffer* input = nullptr; // as the plug-in received it
    const AudioBuffer* output = nullptr;
    const std::vector<BlockGain>* blocks = nullptr;
    bool hasMeter = false;
};

// Whether this build can write PNG plots.
bool canWritePng();

// Writes the plot to path; the format follows the extension (.svg or .png).
bool writePlot(const std::string& path, const PlotData& data, std::string& error);

} // namespace kestrune::render
