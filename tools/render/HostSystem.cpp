#include "HostSystem.h"
#include "HostSystemInternal.h"

#include <sys/stat.h>

#include <csignal>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
#include <dlfcn.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace kestrune::render {

namespace {
const char* volatile crashStage = "starting";
} // namespace

const char* volatile crashProgram = "kestrune-render";

// Only async-signal-safe calls: write the line piece by piece and leave at once.
void writeCrashLine() {
    const char* stage = crashStage;
    const char* withStage[] = {crashProgram, ": the plug-in crashed while ", stage, "\n"};
    const char* withoutStage[] = {crashProgram, ": crashed (an internal fault)\n", "", ""};
    for (const char* piece : stage ? withStage : withoutStage) {
#ifdef _WIN32
        (void)_write(2, piece, static_cast<unsigned>(std::strlen(piece)));
#else
        (void)!write(2, piece, std::strlen(piece));
#endif
    }
}

void setCrashStage(const char* stage) {
    crashStage = stage;
}

// The Windows half of these calls lives with the Windows platform code
// (platform/win32/RenderHostSystem.cpp).
#ifndef _WIN32

SharedLibrary::~SharedLibrary() {
    close();
}

bool SharedLibrary::open(const std::string& path, std::string& error) {
    close();
    // A bare file name would be searched on the library path; the user means this folder.
    std::string location = path.find('/') == std::string::npos ? "./" + path : path;
    dlerror();
    handle = dlopen(location.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        error = reason ? reason : "unknown loader error";
        // dlerror repeats the path first; the caller names the file itself.
        std::string prefix = location + ": ";
        if (error.compare(0, prefix.size(), prefix) == 0) {
            error.erase(0, prefix.size());
        }
        return false;
    }
    return true;
}

void* SharedLibrary::findSymbol(const char* name) const {
    if (!handle) {
        return nullptr;
    }
    void* symbol = dlsym(handle, name);
    if (!symbol) {
        return nullptr;
    }
    // dlsym also searches the libraries this one depends on; only the library's own export
    // counts as its entry.
    Dl_info info{};
    if (dladdr(symbol, &info) == 0 || !info.dli_fname) {
        return nullptr;
    }
    void* owner = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
    if (!owner) {
        return nullptr;
    }
    dlclose(owner);
    return owner == handle ? symbol : nullptr;
}

void SharedLibrary::close() {
    if (handle) {
        dlclose(handle);
        handle = nullptr;
    }
}

namespace {

void crashHandler(int) {
    writeCrashLine();
    _exit(kCrashExitCode);
}

} // namespace

void reportCrashesAs(const char* program) {
    crashProgram = program;
    for (int signalNumber : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
        struct sigaction action {};
        action.sa_handler = crashHandler;
        sigemptyset(&action.sa_mask);
        sigaction(signalNumber, &action, nullptr);
    }
}

bool isTerminal(std::FILE* stream) {
    return isatty(fileno(stream)) != 0;
}

int terminalColumns(std::FILE* stream) {
    struct winsize size {};
    if (ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    return 80;
}

#endif

bool fileExists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

} // namespace kestrune::render
