#include "shell/GuiEditor.h"

#include "graphics/Frame.h"
#include "platform/Platform.h"
#include "shell/PluginEffect.h"

namespace kestrune {

namespace pf = platform;

namespace {

// The paint message serviceIdle takes out of the queue (process-wide).
pf::Message idlePaintMessage;

constexpr uint32_t idleSleepMilliseconds = 4;
constexpr uint32_t idleInterval = 100;
constexpr uint32_t idleEarlyWindow = 50;

} // namespace

GuiEditor::GuiEditor(PluginEffect* effect)
    : EditorBase(effect), editorRect{0, 0, 0, 0}, frameView(nullptr), nextIdleTicks(0),
      inServiceIdle(false) {
    refreshPending = 0;
    if (effect) {
        effect->hostRecord.flags |= effFlagsHasEditor;
        effect->ownedEditor = this;
    }
    parentWindow = nullptr;
    nextIdleTicks = pf::tickCount();
    pf::oleInitialize(); // the drop target needs it; the answer does not matter
}

GuiEditor::~GuiEditor() {
    pf::oleUninitialize();
}

int32_t GuiEditor::queryRect(ERect** rect) {
    if (rect)
        *rect = &editorRect;
    return 1;
}

int32_t GuiEditor::openIn(void* parent) {
    requestRefresh();
    parentWindow = parent;
    return 0;
}

void GuiEditor::closeEditor() {}

void GuiEditor::idleTick() {
    // The host's idle call that serviceIdle asked for may come back here.
    if (inServiceIdle)
        return;
    if (refreshPending) {
        refreshPending = 0;
        refresh();
    }
    if (frameView)
        frameView->updateDirtyViews();
}

void GuiEditor::refresh() {}

int32_t GuiEditor::keyPressed(VstKeyCode key) {
    return frameView ? frameView->handleKeyPress(key) : -1;
}

int32_t GuiEditor::keyReleased(VstKeyCode key) {
    return frameView ? frameView->handleKeyRelease(key) : -1;
}

int32_t GuiEditor::changeKnobMode(int32_t mode) {
    knobModeSetting = mode;
    return 1;
}

bool GuiEditor::wheelTurned(float distance) {
    if (!frameView)
        return false;
    GuiPoint origin{0, 0};
    return frameView->handleWheel(nullptr, origin, distance);
}

void GuiEditor::paramChanged(int32_t, float) {
    requestRefresh();
}

void GuiEditor::drawAll(ERect*) {
    if (frameView)
        frameView->redrawView(nullptr);
}

// A call that comes less than 100 ms after the last service sleeps 4 ms and then services only
// when that brings it within 50 ms of the next due time.
void GuiEditor::serviceIdle() {
    uint32_t now = pf::tickCount();
    if (now < nextIdleTicks) {
        pf::sleepFor(idleSleepMilliseconds);
        now += idleSleepMilliseconds;
        // (Near a tick count of 0 the due time minus 50 would wrap around.)
        bool early = nextIdleTicks >= idleEarlyWindow && now < nextIdleTicks - idleEarlyWindow;
        if (early)
            return;
    }
    idleTick();
    if (pf::peekMessage(idlePaintMessage, nullptr, pf::messagePaint, pf::messagePaint,
                        pf::peekRemove))
        pf::dispatchMessage(idlePaintMessage);
    nextIdleTicks = now + idleInterval;
    inServiceIdle = true;
    if (attachedEffect)
        attachedEffect->askHostIdle();
    inServiceIdle = false;
}

} // namespace kestrune
