// One stored program of the gate: a name and the normalised values of the fourteen parameters.
#pragma once

#include "shell/Relaxed.h"

#include <array>
#include <cstddef>

namespace kestrune {

inline constexpr int kGateParamCount = 14;
inline constexpr int kGateProgramCount = 4;
inline constexpr std::size_t kProgramNameSize = 32; // 31 characters and the terminator

// Parameter indices.
enum GateParam {
    kParamThreshold = 0,
    kParamAttack = 1,
    kParamHold = 2,
    kParamRelease = 3,
    kParamExpandRatio = 4,
    kParamRange = 5,
    kParamKeyListen = 6,
    kParamLowPass = 7,
    kParamHighPass = 8,
    kParamMeter = 9,
    kParamDuck = 10,
};

struct GateProgram {
    GateProgram();

    // Copies text into name, cut to 31 characters so the field always stays terminated.
    void assignName(const char* text);
    // The values as plain numbers, read once each.
    std::array<float, kGateParamCount> plainValues() const;

    std::array<char, kProgramNameSize> name{};
    std::array<Relaxed<float>, kGateParamCount> values{};
};

// The factory bank: "init", "sn gate", "kick gate", "3x Expand".
std::array<GateProgram, kGateProgramCount> makeFactoryPrograms();

} // namespace kestrune
