#include "editor/GatePlugin.h"

#include "editor/GateEditor.h"
#include "shell/PluginEntry.h"

#include <new>

namespace kestrune {

GatePlugin::GatePlugin(audioMasterCallback hostCallback) : GateEffect(hostCallback) {
    // The editor registers itself as ownedEditor. Without memory for it (or for anything it
    // builds) there is no editor, and the library hands out no effect at all.
    try {
        new GateEditor(this);
    } catch (const std::bad_alloc&) {
        ownedEditor = nullptr;
    }
    if (!ownedEditor) {
        editorCreationFailed = true;
    }
}

GatePlugin::~GatePlugin() {
    delete ownedEditor;
    ownedEditor = nullptr;
}

void GatePlugin::applyParam(int32_t index, float value) {
    GateEffect::applyParam(index, value);
    if (ownedEditor) {
        static_cast<GuiEditor*>(ownedEditor)->paramChanged(index, value);
    }
}

} // namespace kestrune
