#include "tests/host/PluginLibrary.h"

#include <fstream>

#if defined(_WIN32)
// The three loader functions, declared here so that the test host needs no system headers.
extern "C" {
__declspec(dllimport) void* __stdcall LoadLibraryA(const char* name);
__declspec(dllimport) void* __stdcall GetProcAddress(void* module, const char* name);
__declspec(dllimport) int __stdcall FreeLibrary(void* module);
__declspec(dllimport) unsigned long __stdcall GetLastError();
}
#else
#include <dlfcn.h>
#endif

namespace kestrune::testhost {

namespace {

#if defined(_WIN32)
// Wine maps the Unix file system to drive Z:.
std::string systemPath(const std::string& path) {
    return !path.empty() && path[0] == '/' ? "Z:" + path : path;
}
#endif

} // namespace

PluginLibrary::PluginLibrary(const std::string& path) : path_(path) {
#if defined(_WIN32)
    handle_ = LoadLibraryA(systemPath(path).c_str());
    if (!handle_) {
        error_ = "LoadLibrary failed with error " + std::to_string(GetLastError());
    }
#else
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* message = dlerror();
        error_ = message ? message : "dlopen failed";
    }
#endif
}

PluginLibrary::~PluginLibrary() {
    if (!handle_) {
        return;
    }
#if defined(_WIN32)
    FreeLibrary(handle_);
#else
    dlclose(handle_);
#endif
}

VstEntryProc PluginLibrary::entry(const char* name) const {
    if (!handle_) {
        return nullptr;
    }
#if defined(_WIN32)
    return reinterpret_cast<VstEntryProc>(GetProcAddress(handle_, name));
#else
    return reinterpret_cast<VstEntryProc>(dlsym(handle_, name));
#endif
}

AEffect* PluginLibrary::create(audioMasterCallback host) const {
    VstEntryProc mainEntry = entry("main");
    if (!mainEntry) {
        return nullptr;
    }
    AEffect* effect = mainEntry(host);
    if (!effect || effect->magic != kEffectMagic) {
        return nullptr;
    }
    return effect;
}

const char* PluginLibrary::suffix() {
#if defined(_WIN32)
    return ".dll";
#else
    return ".so";
#endif
}

std::string PluginLibrary::builtPlugin(const std::string& name) {
    return std::string(KESTRUNE_PLUGIN_DIR) + "/" + name + suffix();
}

intptr_t dispatch(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                  float opt) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void startEffect(AEffect* effect, float sampleRate, int32_t blockSize) {
    dispatch(effect, effOpen);
    dispatch(effect, effSetSampleRate, 0, 0, nullptr, sampleRate);
    dispatch(effect, effSetBlockSize, 0, blockSize);
    dispatch(effect, effMainsChanged, 0, 1);
}

bool copyFile(const std::string& from, const std::string& to) {
#if defined(_WIN32)
    std::ifstream in(systemPath(from), std::ios::binary);
    std::ofstream out(systemPath(to), std::ios::binary | std::ios::trunc);
#else
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
#endif
    if (!in || !out) {
        return false;
    }
    out << in.rdbuf();
    return static_cast<bool>(out);
}

} // namespace kestrune::testhost
