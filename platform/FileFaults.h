// A seam in front of the file system for the exclusive files (the update
// history, the reference files): a test installs a rule that makes a chosen
// call fail with a chosen error code, the way a failing disk or a network share
// that went away would, and checks what the user is told. With no rule
// installed, which is always the case in the programs, every call reaches the
// system.
#pragma once

#include <functional>
#include <string_view>

namespace platform {

enum class FileCall {
    Open,  // ExclusiveFile::Open
    Read,  // ExclusiveFile::Read
    Write, // ExclusiveFile::WriteAll
    Close, // ExclusiveFile::Close (the file is released all the same)
};

// Given a call and the path of its file: 0 to let the system make the call, or
// the error code the call then fails with, having done nothing.
using FileFaultRule = std::function<int(FileCall call, std::string_view path)>;

// Installs `rule` (empty: none) and returns the one it replaces.
FileFaultRule SetFileFaultRule(FileFaultRule rule);

// 0, or the error code the installed rule gives this call.
int InjectedFileFault(FileCall call, std::string_view path);

} // namespace platform
