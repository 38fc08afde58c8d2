// The effect that hosts load: the gate effect with its editor. Every parameter change, from the
// host, a program change, the editor or the audio loop's meter report, reaches the editor here.
#pragma once

#include "engine/GateEffect.h"

namespace kestrune {

class GatePlugin : public GateEffect {
public:
    explicit GatePlugin(audioMasterCallback hostCallback);
    ~GatePlugin() override;

    void applyParam(int32_t index, float value) override;
};

} // namespace kestrune
