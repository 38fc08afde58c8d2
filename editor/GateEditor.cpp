#include "editor/GateEditor.h"

#include "controls/Fader.h"
#include "controls/LevelMeter.h"
#include "controls/RotaryKnob.h"
#include "controls/ToggleButton.h"
#include "controls/ValueReadout.h"
#include "engine/ValueMappings.h"
#include "graphics/Bitmap.h"
#include "graphics/Frame.h"
#include "shell/PluginEffectExt.h"

#include <algorithm>

namespace kestrune {

namespace {

constexpr int kKnobCount = 6;
constexpr int kKnobPictures = 25;
constexpr int kReadoutFont = 4; // 11-pixel Arial
constexpr int kReadoutStyle = 1;
constexpr int kMeterSegments = 64;
constexpr int kMeterHorizontal = 1;
constexpr float kMeterDecayStep = 0.05f;
constexpr int kFaderOriginLeft = 8;

constexpr ValueFormatter kKnobFormatters[kKnobCount] = {
    formatThreshold, formatAttack, formatHold, formatRelease, formatRatio, formatRange,
};

template <typename Slot>
void releaseInto(Slot*& slot) {
    if (slot) {
        slot->release();
        slot = nullptr;
    }
}

} // namespace

// ---- construction and destruction ----

GateEditor::GateEditor(PluginEffect* effect) : GuiEditor(effect) {
    backgroundBitmap = new Bitmap(kBitmapBackground);
    knobStrip = new Bitmap(kBitmapKnobStrip);
    faderTrack = new Bitmap(kBitmapFaderTrack);
    faderHandle = new Bitmap(kBitmapFaderHandle);
    meterLitBitmap = new Bitmap(kBitmapMeterLit);
    meterUnlitBitmap = new Bitmap(kBitmapMeterUnlit);
    buttonBitmap = new Bitmap(kBitmapButton);

    editorRect.top = 0;
    editorRect.left = 0;
    editorRect.bottom = static_cast<int16_t>(backgroundBitmap->height);
    editorRect.right = static_cast<int16_t>(backgroundBitmap->width);

    clearControlSlots();
    frameView = nullptr;
    buildControls();
}

GateEditor::~GateEditor() {
    // The host closes the editor before it closes the effect; a host that does not still gets
    // its window taken down here.
    closeEditor();
    // The controls were never handed to anyone after the last close: they go with the editor.
    releaseControls();
    releaseInto(backgroundBitmap);
    releaseInto(knobStrip);
    releaseInto(faderTrack);
    releaseInto(faderHandle);
    releaseInto(meterLitBitmap);
    releaseInto(meterUnlitBitmap);
    releaseInto(buttonBitmap);
}

void GateEditor::clearControlSlots() {
    paramKnobs.fill(nullptr);
    paramReadouts.fill(nullptr);
    filterFaders.fill(nullptr);
    filterReadouts.fill(nullptr);
    reductionMeter = nullptr;
    keyListenButton = nullptr;
    duckButton = nullptr;
}

void GateEditor::buildControls() {
    ValueListener* listener = this;
    // A missing strip has width 0; the knob still needs a positive picture height.
    const int pictureSize = std::max(1, static_cast<int>(knobStrip->width));

    for (int i = 0; i < kKnobCount; ++i) {
        const int x = 70 + 50 * i;
        paramKnobs[i] =
            new FilmstripKnob(GuiRect(x - 40, 70, x - 40 + pictureSize, 70 + pictureSize), listener,
                              i, kKnobPictures, pictureSize, knobStrip, GuiPoint(0, 0));
        paramKnobs[i]->putValue(attachedEffect->paramValue(i));

        paramReadouts[i] = new ValueReadout(GuiRect(x - 50, 55, x, 65), nullptr, kReadoutStyle);
        paramReadouts[i]->setFontIndex(kReadoutFont);
        paramReadouts[i]->setInkColor(labelWhite);
        paramReadouts[i]->setFillColor(panelGrey);
        paramReadouts[i]->setEdgeColor(panelGrey);
        paramReadouts[i]->putValue(attachedEffect->paramValue(i));
    }
    for (int i = 0; i < kKnobCount; ++i) {
        paramReadouts[i]->setFormatter(kKnobFormatters[i]);
    }

    reductionMeter =
        new LevelMeter(GuiRect(148, 30, 148 + meterLitBitmap->width, 30 + meterLitBitmap->height),
                       meterLitBitmap, meterUnlitBitmap, kMeterSegments, kMeterHorizontal);
    reductionMeter->setDecayStep(kMeterDecayStep);
    reductionMeter->putValue(0.0f);

    const int buttonHeight = buttonBitmap->height / 2;
    keyListenButton = new ToggleButton(
        GuiRect(16, 148, 16 + buttonBitmap->width, 148 + buttonHeight), listener, 6, buttonBitmap);
    keyListenButton->putValue(attachedEffect->paramValue(6));
    duckButton = new ToggleButton(GuiRect(61, 148, 61 + buttonBitmap->width, 148 + buttonHeight),
                                  listener, 10, buttonBitmap);
    duckButton->putValue(attachedEffect->paramValue(10));

    const int travelEnd = 158 + faderTrack->width - faderHandle->width;
    const int faderTops[2] = {145, 160};
    const int readoutTops[2] = {144, 159};
    const ValueFormatter faderFormatters[2] = {formatLowPass, formatHighPass};
    for (int i = 0; i < 2; ++i) {
        const int tag = 7 + i;
        filterFaders[i] = new HorizontalFader(
            GuiRect(158, faderTops[i], 158 + faderTrack->width, faderTops[i] + faderTrack->height),
            listener, tag, 158, travelEnd, faderHandle, faderTrack, GuiPoint(0, 0),
            kFaderOriginLeft);
        filterFaders[i]->setHandleOrigin(GuiPoint(0, 0));
        filterFaders[i]->putValue(attachedEffect->paramValue(tag));
    }
    for (int i = 0; i < 2; ++i) {
        const int tag = 7 + i;
        filterReadouts[i] = new ValueReadout(GuiRect(289, readoutTops[i], 339, readoutTops[i] + 10),
                                             nullptr, kReadoutStyle);
        filterReadouts[i]->setFontIndex(kReadoutFont);
        filterReadouts[i]->setInkColor(labelWhite);
        filterReadouts[i]->setFillColor(panelGrey);
        filterReadouts[i]->setEdgeColor(panelGrey);
        filterReadouts[i]->putValue(attachedEffect->paramValue(tag));
        filterReadouts[i]->setFormatter(faderFormatters[i]);
    }
}

void GateEditor::releaseControls() {
    for (auto& knob : paramKnobs) {
        releaseInto(knob);
    }
    for (auto& readout : paramReadouts) {
        releaseInto(readout);
    }
    for (auto& fader : filterFaders) {
        releaseInto(fader);
    }
    for (auto& readout : filterReadouts) {
        releaseInto(readout);
    }
    releaseInto(reductionMeter);
    releaseInto(keyListenButton);
    releaseInto(duckButton);
}

std::array<Control*, 19> GateEditor::controlsInFrameOrder() const {
    std::array<Control*, 19> order{};
    std::size_t n = 0;
    for (int i = 0; i < kKnobCount; ++i) {
        order[n++] = paramReadouts[i];
        order[n++] = paramKnobs[i];
    }
    order[n++] = filterReadouts[0];
    order[n++] = filterFaders[0];
    order[n++] = filterReadouts[1];
    order[n++] = filterFaders[1];
    order[n++] = reductionMeter;
    order[n++] = keyListenButton;
    order[n++] = duckButton;
    return order;
}

// ---- opening and closing ----

int32_t GateEditor::openIn(void* parent) {
    GuiEditor::openIn(parent);
    if (frameView) {
        closeEditor(); // a second open without a close: start over with a fresh window
    }
    frameView = new Frame(GuiRect(0, 0, backgroundBitmap->width, backgroundBitmap->height),
                          static_cast<platform::Window>(parent), this);
    if (!frameView->window) {
        // The parent is not a window of this system (or none was given): refuse it.
        closeEditor();
        return 0;
    }
    frameView->setBackground(backgroundBitmap);
    controlsShown.store(true, std::memory_order_relaxed);
    for (int32_t index = 0; index < 14; ++index) {
        syncControls(index);
    }
    addControlsToFrame();
    return 1;
}

void GateEditor::closeEditor() {
    if (!frameView) {
        return;
    }
    controlsShown.store(false, std::memory_order_relaxed);
    removeControlsFromFrame();
    delete frameView;
    frameView = nullptr;
}

void GateEditor::addControlsToFrame() {
    for (Control* control : controlsInFrameOrder()) {
        if (control) {
            frameView->addView(control);
        }
    }
}

void GateEditor::removeControlsFromFrame() {
    if (!frameView) {
        return;
    }
    for (Control* control : controlsInFrameOrder()) {
        if (control) {
            frameView->removeView(control, false);
        }
    }
}

// ---- keeping controls and parameters in step ----

void GateEditor::idleTick() {
    GuiEditor::idleTick();
    requestRefresh();
}

void GateEditor::paramChanged(int32_t index, float) {
    syncControls(index);
    requestRefresh();
}

void GateEditor::syncControls(int32_t index) {
    if (!controlsShown.load(std::memory_order_relaxed) || index < 0 || index > 10) {
        return;
    }
    auto show = [&](Control* control) {
        if (control) {
            control->putValue(attachedEffect->paramValue(index));
        }
    };
    if (index <= 5) {
        show(paramReadouts[index]);
        show(paramKnobs[index]);
    } else if (index == 6) {
        show(keyListenButton);
    } else if (index == 7 || index == 8) {
        show(filterFaders[index - 7]);
        show(filterReadouts[index - 7]);
    } else if (index == 9) {
        show(reductionMeter);
    } else {
        show(duckButton);
    }
}

void GateEditor::controlChanged(GraphicsContext* context, Control* control) {
    if (!control) {
        return;
    }
    const int32_t tag = control->readTag();
    if (tag < 0 || tag > 13) {
        return;
    }
    attachedEffect->applyParamAndAutomate(tag, control->readValue());
    if (context) {
        control->repaintIfNeeded(context);
    }
}

} // namespace kestrune
