// A plug-in library that faults in its processing call, for the renderer's crash report.
#include "shell/PluginEffect.h"
#include "shell/PluginEntry.h"

#include <new>

namespace {

int* volatile nowhere = nullptr;

class CrashingEffect : public kestrune::PluginEffect {
public:
    explicit CrashingEffect(audioMasterCallback host) : PluginEffect(host, 1, 1) {
        assignInputCount(2);
        assignOutputCount(2);
        declareReplacing(true);
    }
    void processAccumulate(float**, float**, int32_t) override { *nowhere = 1; }
    void processOverwrite(float**, float**, int32_t) override { *nowhere = 1; }
};

} // namespace

kestrune::PluginEffect* kestrune::createEffectInstance(audioMasterCallback host) {
    return new (std::nothrow) CrashingEffect(host);
}
