// The process's environment and the kind of its output streams.
#pragma once

#include <cstdio>

namespace platform {

// Removes `name` from the process's environment; nothing happens when it is
// not set. False when `name` cannot be a variable's name.
bool RemoveEnvironmentVariable(const char* name);

// True when `stream` writes to a terminal (a console window).
bool IsTerminal(std::FILE* stream);

} // namespace platform
