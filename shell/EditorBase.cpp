#include "shell/EditorBase.h"

namespace kestrune {

EditorBase::EditorBase(PluginEffect* effect)
    : attachedEffect(effect), parentWindow(nullptr), refreshPending(0) {}

EditorBase::~EditorBase() = default;

int32_t EditorBase::queryRect(ERect** rect) {
    if (rect) {
        *rect = nullptr;
    }
    return 0;
}

int32_t EditorBase::openIn(void* parent) {
    parentWindow = parent;
    return 0;
}

void EditorBase::closeEditor() {}

void EditorBase::idleTick() {
    if (refreshPending) {
        refreshPending = 0;
        refresh();
    }
}

void EditorBase::refresh() {}

void EditorBase::requestRefresh() {
    refreshPending = 1;
}

int32_t EditorBase::keyPressed(VstKeyCode) {
    return -1;
}

int32_t EditorBase::keyReleased(VstKeyCode) {
    return -1;
}

int32_t EditorBase::changeKnobMode(int32_t) {
    return 0;
}

bool EditorBase::wheelTurned(float) {
    return false;
}

} // namespace kestrune
