// A seam in front of the file system for the files the utility keeps: the
// exclusive files (the update history, the reference files), the run journal
// (DurableFile), the run log and CSV report (OpenRegularFile) and the run
// lock. A test installs a rule that makes a chosen call fail with a chosen
// error code, the way a failing disk or a network share
// that went away would, and checks what the user is told. With no rule
// installed, which is always the case in the programs, every call reaches the
// system.
#pragma once

#include <functional>
#include <string_view>

namespace platform {

enum class FileCall {
    Open,  // ExclusiveFile::Open, DurableFile::CreateNew and OpenToRead, OpenRegularFile,
           // RunLock::Acquire
    Read,  // ExclusiveFile::Read, DurableFile::Read
    Write, // ExclusiveFile::WriteAll, DurableFile::Append
    Sync,  // DurableFile::Sync (on the journal's syncer thread too)
    Close, // ExclusiveFile::Close, DurableFile::Close (the file is released all the same)
};

// Given a call and the path of its file: 0 to let the system make the call, or
// the error code the call then fails with, having done nothing.
using FileFaultRule = std::function<int(FileCall call, std::string_view path)>;

// Installs `rule` (empty: none) and returns the one it replaces. A rule may be
// called from the journal's syncer thread while a run goes on: install it
// before the run and remove it after.
FileFaultRule SetFileFaultRule(FileFaultRule rule);

// 0, or the error code the installed rule gives this call.
int InjectedFileFault(FileCall call, std::string_view path);

} // namespace platform
