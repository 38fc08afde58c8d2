// The renderer's only calls into the operating system: opening a shared library and finding a
// symbol in it, and asking whether a stream is a terminal. Implemented with dlopen on Linux and
// LoadLibrary on Windows.
#pragma once

#include <cstdio>
#include <string>

namespace kestrune::render {

class SharedLibrary {
public:
    SharedLibrary() = default;
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // Opens the library at path. On failure returns false and sets error to the system's reason.
    bool open(const std::string& path, std::string& error);
    // The address of an exported symbol of this library itself (not of a library it depends
    // on), or null.
    void* findSymbol(const char* name) const;
    void close();
    bool isOpen() const { return handle != nullptr; }

private:
    void* handle = nullptr;
};

bool fileExists(const std::string& path);

// A plug-in that crashes must not take the renderer down without a word: from this call on, a
// crash prints "<program>: the plug-in crashed while <stage>" on one line and exits with
// kCrashExitCode. stage must be a string that lives for the whole run; null once no plug-in is
// loaded, when a crash is the renderer's own.
constexpr int kCrashExitCode = 70;
void reportCrashesAs(const char* program);
void setCrashStage(const char* stage);
bool isTerminal(std::FILE* stream);
// Width of the terminal behind stream in columns, or 80 when unknown.
int terminalColumns(std::FILE* stream);

} // namespace kestrune::render
