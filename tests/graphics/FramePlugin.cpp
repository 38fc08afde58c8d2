// A plug-in library with a graphic editor: opening the editor puts a frame with a background
// bitmap from the library's own resources into the host's window.
#include "graphics/Bitmap.h"
#include "graphics/Frame.h"
#include "shell/GuiEditor.h"
#include "shell/PluginEffectExt.h"
#include "shell/PluginEntry.h"

#include <new>

namespace kestrune {
namespace {

constexpr int panelId = 103;

class PanelEditor : public GuiEditor {
public:
    explicit PanelEditor(PluginEffect* effect) : GuiEditor(effect), panel(new Bitmap(panelId)) {
        editorRect = {0, 0, int16_t(panel->height), int16_t(panel->width)};
    }
    ~PanelEditor() override { panel->release(); }
    int32_t openIn(void* parent) override {
        GuiEditor::openIn(parent);
        frameView = new (std::nothrow)
            Frame({0, 0, panel->width, panel->height}, static_cast<platform::Window>(parent), this);
        if (frameView)
            frameView->setBackground(panel);
        return 1;
    }
    void closeEditor() override {
        delete frameView;
        frameView = nullptr;
    }

    Bitmap* panel;
};

class PanelEffect : public PluginEffectExt {
public:
    explicit PanelEffect(audioMasterCallback host) : PluginEffectExt(host, 1, 1) {
        assignUniqueId(0x50616E6C);           // 'Panl'
        new (std::nothrow) PanelEditor(this); // registers itself with the effect
    }
    void processAccumulate(float**, float**, int32_t) override {}
};

} // namespace

PluginEffect* createEffectInstance(audioMasterCallback host) {
    return new (std::nothrow) PanelEffect(host);
}

} // namespace kestrune
