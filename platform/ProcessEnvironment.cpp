#include "platform/ProcessEnvironment.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

namespace platform {

int ChangeCurrentFolder(const char* path) { return ::chdir(path) == 0 ? 0 : errno; }

void SetEnvironmentValue(const char* name, const char* value) { ::setenv(name, value, 1); }

void RemoveEnvironmentValue(const char* name) { ::unsetenv(name); }

int FirstMangledArgument() { return -1; } // arguments are the bytes the user gave

bool IsInteractive(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

std::string ErrorCodeText(int code) { return std::strerror(code); }

} // namespace platform
