// A small effect on the shell classes, built as a plug-in library for the loader tests.
#include "tests/host/TestEffect.h"

#include "shell/EditorBase.h"
#include "shell/PluginEffectExt.h"
#include "shell/PluginEntry.h"

#include <cstring>
#include <new>

namespace kestrune::testhost {
namespace {

class TestEditor : public EditorBase {
public:
    explicit TestEditor(PluginEffect* effect) : EditorBase(effect) {
        rect_ = ERect{0, 0, 100, 200};
    }
    int32_t queryRect(ERect** rect) override {
        *rect = &rect_;
        return 1;
    }
    int32_t keyPressed(VstKeyCode key) override {
        report(kReportKeyDown, (key.virt << 8) | key.modifier, static_cast<float>(key.character));
        return 1;
    }

private:
    void report(int32_t what, intptr_t value, float opt) {
        if (attachedEffect->host) {
            attachedEffect->host(&attachedEffect->hostRecord, audioMasterVendorSpecific, what,
                                 value, nullptr, opt);
        }
    }
    ERect rect_;
};

class TestEffect : public PluginEffectExt {
public:
    explicit TestEffect(audioMasterCallback hostCallback)
        : PluginEffectExt(hostCallback, kTestEffectPrograms, kTestEffectParams) {
        assignInputCount(2);
        assignOutputCount(2);
        assignUniqueId(kTestEffectUniqueId);
        declareReplacing(true);
        if (askHostVendorSpecific(kAskEditorFailure, 0, nullptr, 0.0f) != 0) {
            editorCreationFailed = true;
        } else {
            ownedEditor = new (std::nothrow) TestEditor(this);
            if (!ownedEditor) {
                editorCreationFailed = true;
            }
            declareHasEditor();
        }
    }
    ~TestEffect() override { askHostVendorSpecific(kReportDestroyed, 0, nullptr, 0.0f); }

    void onClose() override { askHostVendorSpecific(kReportClosed, 0, nullptr, 0.0f); }

    void applyParam(int32_t index, float value) override {
        if (index >= 0 && index < kTestEffectParams) {
            params_[index] = value;
        }
    }
    float paramValue(int32_t index) override {
        return index >= 0 && index < kTestEffectParams ? params_[index] : 0.0f;
    }
    void copyParamName(int32_t index, char* text) override {
        static const char* const names[kTestEffectParams] = {"Gain", "Spare", "Other"};
        std::strcpy(text, index >= 0 && index < kTestEffectParams ? names[index] : "");
    }
    bool copyEffectName(char* text) override {
        std::strcpy(text, "Kestrune test effect");
        return true;
    }
    void processAccumulate(float** inputs, float** outputs, int32_t frames) override {
        for (int channel = 0; channel < 2; ++channel) {
            for (int32_t i = 0; i < frames; ++i) {
                outputs[channel][i] += inputs[channel][i] * params_[0];
            }
        }
    }
    void processOverwrite(float** inputs, float** outputs, int32_t frames) override {
        for (int channel = 0; channel < 2; ++channel) {
            for (int32_t i = 0; i < frames; ++i) {
                outputs[channel][i] = inputs[channel][i] * params_[0];
            }
        }
    }

private:
    void declareHasEditor() { hostRecord.flags |= effFlagsHasEditor; }
    float params_[kTestEffectParams] = {1.0f, 0.0f, 0.0f};
};

} // namespace
} // namespace kestrune::testhost

kestrune::PluginEffect* kestrune::createEffectInstance(audioMasterCallback host) {
    return new (std::nothrow) testhost::TestEffect(host);
}
