// The effect each Kestrune plug-in library creates for its host.
#include "engine/GateEffect.h"
#include "shell/PluginEntry.h"

#include <new>

namespace kestrune {

PluginEffect* createEffectInstance(audioMasterCallback host) {
    return new (std::nothrow) GateEffect(host);
}

} // namespace kestrune
