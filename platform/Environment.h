// The process's environment, its command line and the kind of its output streams.
#pragma once

#include <cstdio>

namespace platform {

// Removes `name` from the process's environment; nothing happens when it is
// not set. False when `name` cannot be a variable's name.
bool RemoveEnvironmentVariable(const char* name);

// True when `stream` writes to a terminal (a console window).
bool IsTerminal(std::FILE* stream);

// The position of the first command-line argument that did not reach the
// program whole, or -1. On Windows a program gets its arguments in the ANSI
// code page, where a character the code page lacks becomes a look-alike or
// '?': such an argument may name another folder than the user's. On POSIX the
// arguments are the bytes the user gave, and none is ever mangled.
int FirstMangledArgument();

} // namespace platform
