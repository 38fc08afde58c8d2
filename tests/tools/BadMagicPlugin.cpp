// A plug-in library whose entry hands out a record with a damaged magic number, for the
// renderer's record check.
#include "shell/PluginEffect.h"
#include "shell/PluginEntry.h"

#include <new>

namespace {

class BadMagicEffect : public kestrune::PluginEffect {
public:
    explicit BadMagicEffect(audioMasterCallback host) : PluginEffect(host, 1, 1) {
        hostRecord.magic = 0x50747356; // the right characters in the wrong order
    }
    void processAccumulate(float**, float**, int32_t) override {}
};

} // namespace

kestrune::PluginEffect* kestrune::createEffectInstance(audioMasterCallback host) {
    return new (std::nothrow) BadMagicEffect(host);
}
