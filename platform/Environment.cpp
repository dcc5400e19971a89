#include "platform/Environment.h"

#include <cstdlib>

#include <unistd.h>

namespace platform {

bool RemoveEnvironmentVariable(const char* name) {
    return ::unsetenv(name) == 0;
}

bool IsTerminal(std::FILE* stream) {
    return ::isatty(::fileno(stream)) == 1;
}

int FirstMangledArgument() {
    return -1;
}

} // namespace platform
