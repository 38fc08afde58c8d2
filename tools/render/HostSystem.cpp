#include "HostSystem.h"

#include <sys/stat.h>

#include <csignal>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <dlfcn.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace kestrune::render {

namespace {

const char* volatile crashProgram = "kestrune-render";
const char* volatile crashStage = "starting";

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

} // namespace

void setCrashStage(const char* stage) {
    crashStage = stage;
}

#ifdef _WIN32

namespace {

std::wstring widen(const std::string& text) {
    int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 0) {
        // Not UTF-8: take the bytes in the system code page.
        length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 1), L'\0');
        MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
        wide.resize(wide.size() - 1);
        return wide;
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), length);
    wide.resize(wide.size() - 1);
    return wide;
}

std::string lastErrorText() {
    DWORD code = GetLastError();
    char text[512] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, text, sizeof text - 1, nullptr);
    std::string result(text, length);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                               result.back() == ' ' || result.back() == '.')) {
        result.pop_back();
    }
    if (result.empty()) {
        result = "system error " + std::to_string(code);
    }
    return result;
}

} // namespace

SharedLibrary::~SharedLibrary() {
    close();
}

bool SharedLibrary::open(const std::string& path, std::string& error) {
    close();
    // No error boxes from the loader: a bad file is reported on the command line instead.
    UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryExW(widen(path).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    SetErrorMode(previousMode);
    if (!module) {
        error = lastErrorText();
        return false;
    }
    handle = module;
    return true;
}

void* SharedLibrary::findSymbol(const char* name) const {
    if (!handle) {
        return nullptr;
    }
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

void SharedLibrary::close() {
    if (handle) {
        FreeLibrary(static_cast<HMODULE>(handle));
        handle = nullptr;
    }
}

namespace {

LONG WINAPI crashFilter(EXCEPTION_POINTERS*) {
    writeCrashLine();
    _exit(kCrashExitCode);
}

} // namespace

void reportCrashesAs(const char* program) {
    crashProgram = program;
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(crashFilter);
}

bool isTerminal(std::FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}

int terminalColumns(std::FILE* stream) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    HANDLE console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    if (GetConsoleScreenBufferInfo(console, &info)) {
        return info.srWindow.Right - info.srWindow.Left + 1;
    }
    return 80;
}

#else

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
