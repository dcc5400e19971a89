// The process's surroundings: its current folder, its environment variables,
// whether a stream is an interactive console, and the text of an error code.
#pragma once

#include <cstdio>
#include <string>

namespace platform {

// Makes `path` the current folder. Returns 0, or the system's error code
// (errno on POSIX, GetLastError on Windows).
int ChangeCurrentFolder(const char* path);

// Sets or removes a variable of this process's environment; the programs and
// libraries of the process see the change at once.
void SetEnvironmentValue(const char* name, const char* value);
void RemoveEnvironmentValue(const char* name);

// The position of the first command-line argument that did not reach the
// program whole, or -1. On Windows a program gets its arguments in the ANSI
// code page, where a character the code page lacks becomes a look-alike or
// '?': such an argument may name another folder than the user's.
int FirstMangledArgument();

// True when the stream writes to an interactive terminal or console.
bool IsInteractive(std::FILE* stream);

// The system's text for one of its error codes, without a line end.
std::string ErrorCodeText(int code);

} // namespace platform
