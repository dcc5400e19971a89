// The child processes of the robustness tests on Windows: CreateProcess with
// its own environment block, TerminateProcess for a kill. A file-size limit
// has no Windows counterpart and is refused.
#include "robust/ChildProcess.h"

#include "support/HostFolder.h"

#include <cstring>
#include <stdexcept>

#include <windows.h>

namespace robust {
namespace {

constexpr UINT kKilledExitCode = 0xDEAD;

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && _strnicmp(a.data(), b.data(), a.size()) == 0;
}

// The test's environment with the options' changes, as a block of
// NAME=VALUE texts each ending with a zero byte, and one more at the end.
std::string EnvironmentBlock(const ChildOptions& options) {
    std::string block;
    char* const strings = GetEnvironmentStringsA();
    for (const char* entry = strings; *entry != '\0'; entry += std::strlen(entry) + 1) {
        const char* equals = std::strchr(entry + 1, '='); // "=C:=C:\..." entries start with '='
        const std::string name = equals ? std::string(entry, equals) : std::string(entry);
        bool replaced = false;
        for (const std::string& unset : options.unset)
            replaced = replaced || SameName(unset, name);
        for (const auto& [set, value] : options.environment)
            replaced = replaced || SameName(set, name);
        if (!replaced)
            block.append(entry).push_back('\0');
    }
    FreeEnvironmentStringsA(strings);
    for (const auto& [name, value] : options.environment)
        block.append(name + "=" + value).push_back('\0');
    block.push_back('\0');
    return block;
}

// The child's text as a POSIX program writes it: line ends without CR.
std::string TextOf(std::string bytes) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' || i + 1 >= bytes.size() || bytes[i + 1] != '\n')
            text.push_back(bytes[i]);
    }
    return text;
}

} // namespace

ChildProcess::ChildProcess(const ChildOptions& options) {
    if (options.argv.empty())
        throw std::invalid_argument("no program to run");
    if (options.fileSizeLimit)
        throw std::invalid_argument(
            "Windows has no limit on the size of the files a process writes");
    // The output files are made before the child starts, so that they exist
    // even for a child killed before it ran.
    m_process = testsupport::StartProgram(options.argv, m_scratch / "output", m_scratch / "errors",
                                          EnvironmentBlock(options));
}

ChildProcess::~ChildProcess() {
    if (m_process != nullptr) {
        TerminateProcess(m_process, kKilledExitCode);
        WaitForSingleObject(m_process, INFINITE);
        CloseHandle(m_process);
    }
}

bool ChildProcess::Running() const {
    return m_process != nullptr && WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT;
}

void ChildProcess::Kill() {
    // A child that has already ended keeps its own exit code.
    if (m_process != nullptr && Running() && TerminateProcess(m_process, kKilledExitCode))
        m_killed = true;
}

ChildResult ChildProcess::Wait() {
    if (m_process == nullptr)
        throw std::logic_error("the child was already waited for");
    WaitForSingleObject(m_process, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(m_process, &status);
    CloseHandle(m_process);
    m_process = nullptr;
    ChildResult result;
    if (m_killed && status == kKilledExitCode)
        result.signal = kKillSignal;
    else
        result.exitStatus = static_cast<int>(status);
    result.output = TextOf(testsupport::ReadFileBytes(m_scratch / "output"));
    result.errors = TextOf(testsupport::ReadFileBytes(m_scratch / "errors"));
    return result;
}

ChildResult RunChild(const ChildOptions& options) {
    ChildProcess child(options);
    return child.Wait();
}

} // namespace robust
