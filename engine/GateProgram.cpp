#include "engine/GateProgram.h"

namespace kestrune {

GateProgram::GateProgram() {
    values.fill(0.0f);
    values[kParamThreshold] = 0.05f;
    values[kParamHold] = 0.01f;
    values[kParamRelease] = 0.1f;
    values[kParamLowPass] = 0.9f;
    values[kParamHighPass] = 0.05f;
    assignName("init");
}

void GateProgram::assignName(const char* text) {
    std::size_t length = 0;
    if (text != nullptr) {
        while (length + 1 < name.size() && text[length] != '\0') {
            name[length] = text[length];
            ++length;
        }
    }
    for (std::size_t i = length; i < name.size(); ++i) {
        name[i] = '\0';
    }
}

std::array<GateProgram, kGateProgramCount> makeFactoryPrograms() {
    std::array<GateProgram, kGateProgramCount> bank;

    GateProgram& snare = bank[1];
    snare.assignName("sn gate");
    snare.values[kParamThreshold] = 0.5f;
    snare.values[kParamHold] = 0.1f;
    snare.values[kParamRelease] = 0.05f;
    snare.values[kParamLowPass] = 0.75f;
    snare.values[kParamHighPass] = 0.25f;

    GateProgram& kick = bank[2];
    kick.assignName("kick gate");
    kick.values[kParamThreshold] = 0.5f;
    kick.values[kParamHold] = 0.15f;
    kick.values[kParamRelease] = 0.07f;
    kick.values[kParamLowPass] = 0.5f;
    kick.values[kParamHighPass] = 0.0f;

    GateProgram& expand = bank[3];
    expand.assignName("3x Expand");
    expand.values[kParamThreshold] = 0.0f;
    expand.values[kParamHold] = 0.0f;
    expand.values[kParamRelease] = 0.04f;
    expand.values[kParamExpandRatio] = 0.2626f;
    expand.values[kParamLowPass] = 1.0f;
    expand.values[kParamHighPass] = 0.0f;

    return bank;
}

std::array<float, kGateParamCount> GateProgram::plainValues() const {
    std::array<float, kGateParamCount> plain{};
    for (std::size_t i = 0; i < plain.size(); ++i) {
        plain[i] = values[i];
    }
    return plain;
}

} // namespace kestrune
