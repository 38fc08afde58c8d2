// The base of every graphic editor: registers itself with its effect, keeps the rectangle the
// host asks for, holds the frame while the editor window is open, forwards keys and wheel turns
// to the frame, lets the frame redraw changed views on every idle tick, and runs the idle service
// that controls call while they follow the mouse.
#pragma once

#include "shell/EditorBase.h"
#include "shell/VstInterface.h"

#include <cstdint>

namespace kestrune {

class Frame;

class GuiEditor : public EditorBase {
public:
    explicit GuiEditor(PluginEffect* effect);
    ~GuiEditor() override;

    int32_t queryRect(ERect** rect) override;
    int32_t openIn(void* parent) override;
    void closeEditor() override;
    void idleTick() override;
    void refresh() override;
    int32_t keyPressed(VstKeyCode key) override;
    int32_t keyReleased(VstKeyCode key) override;
    int32_t changeKnobMode(int32_t mode) override;
    bool wheelTurned(float distance) override;

    virtual void paramChanged(int32_t index, float value);
    virtual void drawAll(ERect* rect);
    // Services the editor and the host at most about every 100 ms while a control holds the
    // mouse; see the throttling in GuiEditor.cpp.
    virtual void serviceIdle();

    ERect editorRect;
    Frame* frameView;
    uint32_t nextIdleTicks;
    bool inServiceIdle;
};

} // namespace kestrune
