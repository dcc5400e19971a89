#include "platform/ProcessEnvironment.h"

#include <cstdlib>
#include <io.h>

#include <windows.h>
#include <shellapi.h>

namespace platform {

int ChangeCurrentFolder(const char* path) {
    return ::SetCurrentDirectoryA(path) ? 0 : static_cast<int>(::GetLastError());
}

// Both the C runtime's copy of the environment, which getenv reads, and the
// process's own, which the host libraries and child programs see.
void SetEnvironmentValue(const char* name, const char* value) {
    ::_putenv_s(name, value);
    ::SetEnvironmentVariableA(name, value);
}

void RemoveEnvironmentValue(const char* name) {
    ::_putenv_s(name, "");
    ::SetEnvironmentVariableA(name, nullptr);
}

int FirstMangledArgument() {
    int count = 0;
    LPWSTR* arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (arguments == nullptr)
        return -1;
    int mangled = -1;
    // A UTF-8 code page represents every character.
    for (int i = 0; i < count && mangled < 0 && ::GetACP() != CP_UTF8; ++i) {
        BOOL lost = FALSE;
        ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, arguments[i], -1, nullptr, 0, nullptr,
                              &lost);
        if (lost)
            mangled = i;
    }
    ::LocalFree(arguments);
    return mangled;
}

bool IsInteractive(std::FILE* stream) {
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) != 0;
}

std::string ErrorCodeText(int code) {
    char text[512] = {};
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text,
        nullptr);
    std::string result(text, length);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                               result.back() == ' ' || result.back() == '.'))
        result.pop_back();
    if (result.empty())
        result = "error " + std::to_string(code);
    return result;
}

} // namespace platform
