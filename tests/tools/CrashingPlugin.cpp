// A plug-in library that faults in its processing call, for the renderer's crash report.
#include "shell/PluginEffect.h"
#include "shell/PluginEntry.h"

#include <new>

namespace {

// A trap rather than a null store, so that sanitizer builds fault the same way.
[[noreturn]] void fault() {
    __builtin_trap();
}

class CrashingEffect : public kestrune::PluginEffect {
public:
    explicit CrashingEffect(audioMasterCallback host) : PluginEffect(host, 1, 1) {
        assignInputCount(2);
        assignOutputCount(2);
        declareReplacing(true);
    }
    void processAccumulate(float**, float**, int32_t) override { fault(); }
    void processOverwrite(float**, float**, int32_t) override { fault(); }
};

} // namespace

kestrune::PluginEffect* kestrune::createEffectInstance(audioMasterCallback host) {
    return new (std::nothrow) CrashingEffect(host);
}
