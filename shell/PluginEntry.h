// The library boundary: the exported entry, the five functions whose addresses the effect record
// carries, and the two process-wide values every instance in the library shares.
#pragma once

#include "shell/VstInterface.h"

namespace kestrune {

class PluginEffect;

// The library's module instance handle (set by the loader notification on Windows).
extern void* moduleInstance;
// Set once an effect could not create its editor; never cleared.
extern bool editorCreationFailed;

// Each plug-in library defines this: a new effect for the host, or null without memory.
PluginEffect* createEffectInstance(audioMasterCallback host);

// What the exported entry does (defined with the export, once per plug-in library): checks the
// host, creates the effect and hands out its record.
AEffect* pluginMain(audioMasterCallback host);

intptr_t KESTRUNE_VST_CALL entryDispatch(AEffect* effect, int32_t opcode, int32_t index,
                                         intptr_t value, void* ptr, float opt);
void KESTRUNE_VST_CALL entryProcess(AEffect* effect, float** inputs, float** outputs,
                                    int32_t frames);
void KESTRUNE_VST_CALL entryProcessReplacing(AEffect* effect, float** inputs, float** outputs,
                                             int32_t frames);
void KESTRUNE_VST_CALL entrySetParameter(AEffect* effect, int32_t index, float value);
float KESTRUNE_VST_CALL entryGetParameter(AEffect* effect, int32_t index);

} // namespace kestrune
