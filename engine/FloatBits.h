// Bit-level helpers for float32 values on the audio path.
#pragma once

#include <bit>
#include <cstdint>

namespace kestrune {

inline constexpr std::uint32_t kFloatExponentMask = 0x7f800000u;

// True for zero and subnormal values: their exponent bits are all zero.
inline bool hasZeroExponent(float x) {
    return (std::bit_cast<std::uint32_t>(x) & kFloatExponentMask) == 0;
}

// Zero and subnormal values become +0; every other value passes unchanged.
inline float flushSubnormal(float x) {
    return hasZeroExponent(x) ? 0.0f : x;
}

// True for infinities and NaNs: their exponent bits are all one.
inline bool isNonFinite(float x) {
    return (std::bit_cast<std::uint32_t>(x) & kFloatExponentMask) == kFloatExponentMask;
}

// True for normal finite values: the exponent bits are neither all zero nor all one. One
// unsigned comparison, so the common case costs a single well-predicted branch.
inline bool isNormalFinite(float x) {
    const std::uint32_t exponent = std::bit_cast<std::uint32_t>(x) & kFloatExponentMask;
    return exponent - 0x00800000u < 0x7f000000u;
}

} // namespace kestrune
