// The interface through which an effect drives its editor. Every operation has a neutral default,
// so an effect with a plain EditorBase answers the host like an effect without a usable editor.
#pragma once

#include "shell/Relaxed.h"
#include "shell/VstInterface.h"

#include <cstdint>

namespace kestrune {

class PluginEffect;

class EditorBase {
public:
    explicit EditorBase(PluginEffect* effect);
    virtual ~EditorBase();

    // Stores the address of the editor's rectangle (here: null) at `rect`; answers 1 when set.
    virtual int32_t queryRect(ERect** rect);
    virtual int32_t openIn(void* parent);
    virtual void closeEditor();
    virtual void idleTick();
    virtual void refresh();
    virtual void requestRefresh();
    virtual int32_t keyPressed(VstKeyCode key);
    virtual int32_t keyReleased(VstKeyCode key);
    virtual int32_t changeKnobMode(int32_t mode);
    virtual bool wheelTurned(float distance);

    PluginEffect* attachedEffect;
    void* parentWindow;
    // Set from any thread (parameter changes arrive on the audio thread too), read on the
    // editor's thread.
    Relaxed<int32_t> refreshPending;
};

} // namespace kestrune
