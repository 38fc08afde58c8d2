// The effect each plug-in library creates for its host.
#include "editor/GatePlugin.h"
#include "shell/PluginEntry.h"

#include <new>

kestrune::PluginEffect* kestrune::createEffectInstance(audioMasterCallback host) {
    try {
        return new GatePlugin(host);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
