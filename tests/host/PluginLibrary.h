// Opens a built plug-in library by path the way a host does and drives it through its record.
#pragma once

#include "shell/VstInterface.h"

#include <string>

namespace kestrune::testhost {

class PluginLibrary {
public:
    explicit PluginLibrary(const std::string& path);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    const std::string& error() const { return error_; }
    const std::string& path() const { return path_; }

    // The exported entry of that name, or null.
    VstEntryProc entry(const char* name) const;
    // Calls `main` with the host callback; answers the record when its magic is right.
    AEffect* create(audioMasterCallback host) const;

    // The path of a plug-in built into this build tree, by its target name.
    static std::string builtPlugin(const std::string& name);
    // The file name ending of plug-in libraries on this system.
    static const char* suffix();

private:
    std::string path_;
    std::string error_;
    void* handle_ = nullptr;
};

// Shorthand for a host's dispatcher call.
intptr_t dispatch(AEffect* effect, int32_t opcode, int32_t index = 0, intptr_t value = 0,
                  void* ptr = nullptr, float opt = 0.0f);

// What a host does before processing: open, sample rate, block size, switch on.
void startEffect(AEffect* effect, float sampleRate = 44100.0f, int32_t blockSize = 512);

// Copies a file; tests use it to load a second, independent instance of a library.
bool copyFile(const std::string& from, const std::string& to);

} // namespace kestrune::testhost
