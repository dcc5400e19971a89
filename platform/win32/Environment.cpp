// The process's environment and console on Windows.
#include "platform/Environment.h"

#include <cstdlib>
#include <cstring>
#include <io.h>

#include <windows.h>

#include <shellapi.h>

namespace platform {

// Both the C runtime's copy of the environment, which getenv reads, and the
// process's own, which the host libraries and child programs see.
bool RemoveEnvironmentVariable(const char* name) {
    if (name == nullptr || *name == '\0' || std::strchr(name, '=') != nullptr)
        return false;
    ::_putenv_s(name, "");
    ::SetEnvironmentVariableA(name, nullptr);
    return true;
}

bool IsTerminal(std::FILE* stream) {
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) != 0;
}

int FirstMangledArgument() {
    // A UTF-8 code page represents every character.
    if (::GetACP() == CP_UTF8)
        return -1;
    int count = 0;
    LPWSTR* arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (arguments == nullptr)
        return -1;
    int mangled = -1;
    for (int i = 0; i < count && mangled < 0; ++i) {
        BOOL lost = FALSE;
        ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, arguments[i], -1, nullptr, 0, nullptr,
                              &lost);
        if (lost)
            mangled = i;
    }
    ::LocalFree(arguments);
    return mangled;
}

} // namespace platform
