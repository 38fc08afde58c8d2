// The renderer's operating-system calls on Windows: loading a plug-in library and finding its
// entry, crash reports, and terminal queries. Compiled into kestrune-render's Windows build (the
// renderer is a host and does not use the toolkit's platform layer).
//
// Implements: SharedLibrary (LoadLibraryExW with the path as UTF-8 or the system code page,
// GetProcAddress, FreeLibrary), reportCrashesAs (an unhandled-exception filter), isTerminal,
// terminalColumns. Not implemented: nothing of HostSystem.h is left out.
#include "HostSystem.h"
#include "HostSystemInternal.h"

#include <io.h>
#include <windows.h>

#include <string>

namespace kestrune::render {

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

} // namespace kestrune::render
