#include "shell/PluginEntry.h"

#include "shell/PluginEffect.h"

#include <cmath>

namespace kestrune {

void* moduleInstance = nullptr;
bool editorCreationFailed = false;

namespace {

PluginEffect* effectOf(AEffect* effect) {
    return effect ? static_cast<PluginEffect*>(effect->object) : nullptr;
}

// Frames the processing loops may rely on: a host's negative count or missing channel arrays
// become an empty block, which still runs the end-of-block work (the meter).
int32_t usableFrames(float** inputs, float** outputs, int32_t frames) {
    if (!inputs || !outputs || frames < 0) {
        return 0;
    }
    return frames;
}

} // namespace

intptr_t KESTRUNE_VST_CALL entryDispatch(AEffect* effect, int32_t opcode, int32_t index,
                                         intptr_t value, void* ptr, float opt) {
    PluginEffect* object = effectOf(effect);
    if (!object) {
        return 0;
    }
    if (opcode == effClose) {
        object->dispatch(opcode, index, value, ptr, opt);
        delete object;
        return 1;
    }
    return object->dispatch(opcode, index, value, ptr, opt);
}

void KESTRUNE_VST_CALL entryProcess(AEffect* effect, float** inputs, float** outputs,
                                    int32_t frames) {
    if (PluginEffect* object = effectOf(effect)) {
        object->processAccumulate(inputs, outputs, usableFrames(inputs, outputs, frames));
    }
}

void KESTRUNE_VST_CALL entryProcessReplacing(AEffect* effect, float** inputs, float** outputs,
                                             int32_t frames) {
    if (PluginEffect* object = effectOf(effect)) {
        object->processOverwrite(inputs, outputs, usableFrames(inputs, outputs, frames));
    }
}

void KESTRUNE_VST_CALL entrySetParameter(AEffect* effect, int32_t index, float value) {
    // A non-finite value would poison whatever the parameter drives; it is ignored.
    if (!std::isfinite(value)) {
        return;
    }
    if (PluginEffect* object = effectOf(effect)) {
        object->applyParam(index, value);
    }
}

float KESTRUNE_VST_CALL entryGetParameter(AEffect* effect, int32_t index) {
    PluginEffect* object = effectOf(effect);
    return object ? object->paramValue(index) : 0.0f;
}

} // namespace kestrune
