// The exported entry of a plug-in library. Hosts look the entry up by the plain name `main`
// (some look for `VSTPluginMain` first). A C++ function cannot be called `main` and return a
// pointer, so the entry has its own name and the build exports it under the host's names: a
// module definition file on Windows, symbol aliases plus a version script on Linux. Each plug-in
// library links this file once.
#include "shell/PluginEntry.h"

#include "shell/PluginEffect.h"

namespace kestrune {

AEffect* pluginMain(audioMasterCallback host) {
    // A host that does not answer the version request (or has no callback at all) gets nothing.
    if (!host || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) {
        return nullptr;
    }
    PluginEffect* effect = createEffectInstance(host);
    if (!effect) {
        return nullptr;
    }
    if (editorCreationFailed) {
        delete effect;
        return nullptr;
    }
    return &effect->hostRecord;
}

} // namespace kestrune

extern "C" AEffect* KESTRUNE_VST_CALL kestruneEntryMain(audioMasterCallback host) {
    return kestrune::pluginMain(host);
}

#if defined(_WIN32)
// The loader's attach and detach notifications: keep the module instance handle.
extern "C" int __stdcall DllMain(void* instance, unsigned long /*reason*/, void* /*reserved*/) {
    kestrune::moduleInstance = instance;
    return 1;
}
#else
// Without a loader notification the library's own object handle identifies the module.
extern "C" void* __dso_handle;
namespace {
[[maybe_unused]] const bool moduleInstanceSet = (kestrune::moduleInstance = &__dso_handle, true);
} // namespace

__asm__(".globl main\n"
        ".type main, @function\n"
        ".set main, kestruneEntryMain\n"
        ".globl VSTPluginMain\n"
        ".type VSTPluginMain, @function\n"
        ".set VSTPluginMain, kestruneEntryMain\n");
#endif
