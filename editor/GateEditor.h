// The gate's editor: a fixed 340 × 190 panel with six film-strip knobs and their readouts, two
// key-filter faders with readouts, key-listen and duck buttons and the gain-reduction meter. It
// keeps the controls and the effect's parameters in step in both directions.
#pragma once

#include "controls/Control.h"
#include "graphics/GuiTypes.h"
#include "shell/GuiEditor.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace kestrune {

class Bitmap;
class FilmstripKnob;
class HorizontalFader;
class LevelMeter;
class ToggleButton;
class ValueReadout;

// Bitmap resources of the panel.
enum GateBitmapId : int {
    kBitmapBackground = 128,
    kBitmapFaderTrack = 129,
    kBitmapFaderHandle = 130,
    kBitmapKnobStrip = 131,
    kBitmapMeterUnlit = 132,
    kBitmapMeterLit = 133,
    kBitmapButton = 134,
};

class GateEditor : public GuiEditor, public ValueListener {
public:
    explicit GateEditor(PluginEffect* effect);
    ~GateEditor() override;

    int32_t openIn(void* parent) override;
    void closeEditor() override;
    void idleTick() override;
    void paramChanged(int32_t index, float value) override;
    void controlChanged(GraphicsContext* context, Control* control) override;

    // Gives the controls of a parameter the effect's current value (while the editor is open).
    void syncControls(int32_t index);

    // ---- controls, created once ----
    std::array<FilmstripKnob*, 6> paramKnobs{};
    std::array<ValueReadout*, 6> paramReadouts{};
    std::array<HorizontalFader*, 2> filterFaders{};
    std::array<ValueReadout*, 2> filterReadouts{};
    LevelMeter* reductionMeter = nullptr;
    ToggleButton* keyListenButton = nullptr;
    ToggleButton* duckButton = nullptr;

    // ---- bitmaps, one reference each ----
    Bitmap* backgroundBitmap = nullptr;
    Bitmap* knobStrip = nullptr;
    Bitmap* faderTrack = nullptr;
    Bitmap* faderHandle = nullptr;
    Bitmap* meterLitBitmap = nullptr;
    Bitmap* meterUnlitBitmap = nullptr;
    Bitmap* buttonBitmap = nullptr;

    GuiColor panelGrey{102, 102, 102, 0};
    GuiColor labelWhite{255, 255, 255, 0};

private:
    void addControlsToFrame();
    void removeControlsFromFrame();
    void clearControlSlots();
    void buildControls();
    void releaseControls();
    // Every control in the order the frame holds them (later ones lie on top).
    std::array<Control*, 19> controlsInFrameOrder() const;

    // True while the frame holds the controls. Parameter changes arrive on any thread (the
    // audio thread reports the meter), so they look at this flag rather than at the frame.
    std::atomic<bool> controlsShown{false};
};

} // namespace kestrune
