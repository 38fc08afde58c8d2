// Writes a canvas as an uncompressed BMP file of 8 bits per pixel: file header, 40-byte
// information header, a palette of exactly the colours the picture uses (sorted by red, green,
// blue, so equal pictures give equal bytes), rows from the bottom up, each padded to 4 bytes.
#pragma once

#include "tools/artwork/Canvas.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace kestrune::artwork {

// The file's bytes, or nothing when the picture has more than 256 colours or no pixels.
std::optional<std::vector<uint8_t>> encodeBmp8(const Canvas& canvas);

} // namespace kestrune::artwork
