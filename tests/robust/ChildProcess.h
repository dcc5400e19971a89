// A program run as a child process for the robustness tests: its environment
// set by the test, optionally a limit on the size of the files it writes, and
// the test free to kill it at any moment while it runs.
//
//   robust::ChildProcess child({.argv = {cli, "-C", folder, "repair"}});
//   while (child.Running() && !SeenEnough()) {}
//   child.Kill();
//   const robust::ChildResult result = child.Wait();
#pragma once

#include "support/TempFolder.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#if !defined(_WIN32)
#include <sys/types.h>
#endif
#include <vector>

namespace robust {

struct ChildOptions {
    std::vector<std::string> argv; // argv[0] is the program's path
    // Variables set (or replaced) for the child, on top of the test's own.
    std::vector<std::pair<std::string, std::string>> environment;
    // Variables the child must not see.
    std::vector<std::string> unset;
    // RLIMIT_FSIZE for the child, as a shell's ulimit -f sets it: SIGXFSZ keeps
    // its default action, which ends a program that does not ignore it itself.
    std::optional<uint64_t> fileSizeLimit;
};

// The signal Kill() ends a child with (SIGKILL; on Windows, where it ends it
// with TerminateProcess, the same number stands for that).
inline constexpr int kKillSignal = 9;

struct ChildResult {
    int exitStatus = -1; // -1 when the child did not end by itself
    int signal = 0;      // the signal that ended it, or 0
    std::string output;  // standard output
    std::string errors;  // standard error
};

class ChildProcess {
public:
    explicit ChildProcess(const ChildOptions& options); // starts the child; throws if it cannot
    ~ChildProcess();                                    // kills and reaps a child still running
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // True while the child has not ended. Never reaps it, so its process id
    // stays its own until Wait().
    bool Running() const;
    void Kill(); // SIGKILL, or TerminateProcess
    ChildResult Wait();

private:
    testsupport::TempFolder m_scratch; // where standard output and error are collected
#if defined(_WIN32)
    void* m_process = nullptr; // its handle
    bool m_killed = false;
#else
    pid_t m_pid = -1;
#endif
};

// Runs a child to its end.
ChildResult RunChild(const ChildOptions& options);

} // namespace robust
