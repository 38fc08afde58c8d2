// The editor's bitmap resources: every picture drawn from code, so that the committed BMP files
// can be reproduced byte for byte.
//
//   128  340 x 190  panel (one per deliverable: the title line names stereo or mono)
//   129  130 x 10   fader track
//   130   20 x 10   fader handle
//   131   30 x 750  knob film strip, 25 pictures of 30 x 30
//   132  160 x 5    meter, unlit
//   133  160 x 5    meter, lit
//   134   30 x 20   toggle button, OFF above ON
//   135  114 x 40   routing picture (carried, not shown by the editor)
#pragma once

#include "tools/artwork/Canvas.h"
#include "tools/artwork/Typeface.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrune::artwork {

enum class Channels { stereo, mono };

Canvas drawPanel(const Typeface& type, Channels channels);
Canvas drawFaderTrack();
Canvas drawFaderHandle();
Canvas drawKnobStrip();
Canvas drawMeter(bool lit);
Canvas drawButton(const Typeface& type);
Canvas drawRouting(const Typeface& type);

// Knob film strip geometry: picture k (0..24) shows its dot at kDotDistance pixels from the
// centre, turned kSweepDegrees * k / 24 clockwise from kFirstDegrees (0 is straight up).
constexpr int kKnobSize = 30;
constexpr int kKnobPictures = 25;
constexpr double kFirstDegrees = -135.0;
constexpr double kSweepDegrees = 270.0;
constexpr double kDotDistance = 7.2;

struct ArtworkFile {
    int id;
    std::string name; // file name inside the bitmap folder
    std::vector<uint8_t> bytes;
};

// All nine files (128 twice). Empty when a picture could not be encoded; `error` says why.
std::vector<ArtworkFile> renderArtwork(const Typeface& type, std::string& error);

// Writes the files into `folder` (which must exist); false with `error` on the first failure.
bool writeArtwork(const std::vector<ArtworkFile>& files, const std::string& folder,
                  std::string& error);

} // namespace kestrune::artwork
