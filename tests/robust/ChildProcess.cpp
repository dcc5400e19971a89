#include "robust/ChildProcess.h"

#include "support/HostFolder.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace robust {
namespace {

std::string VariableName(const char* entry) {
    const char* equals = std::strchr(entry, '=');
    return equals == nullptr ? std::string(entry) : std::string(entry, equals);
}

std::vector<std::string> ChildEnvironment(const ChildOptions& options) {
    std::vector<std::string> result;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string name = VariableName(*entry);
        bool replaced = false;
        for (const std::string& unset : options.unset) {
            replaced = replaced || unset == name;
        }
        for (const auto& [set, value] : options.environment) {
            replaced = replaced || set == name;
        }
        if (!replaced) {
            result.emplace_back(*entry);
        }
    }
    for (const auto& [name, value] : options.environment) {
        result.push_back(name + "=" + value);
    }
    return result;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

ChildProcess::ChildProcess(const ChildOptions& options) {
    if (options.argv.empty()) {
        throw std::invalid_argument("no program to run");
    }
    // Everything the child needs is prepared before fork: between fork and exec
    // it only makes system calls.
    std::vector<std::string> arguments = options.argv;
    std::vector<std::string> environment = ChildEnvironment(options);
    std::vector<char*> argv = Pointers(arguments);
    std::vector<char*> envp = Pointers(environment);
    const std::string outputPath = (m_scratch / "output").string();
    const std::string errorsPath = (m_scratch / "errors").string();
    const bool limited = options.fileSizeLimit.has_value();
    rlimit limit{};
    if (limited) {
        limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(*options.fileSizeLimit);
    }

    // Made here, so that they exist even for a child killed before it ran.
    const int output = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int errors = open(errorsPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (output < 0 || errors < 0) {
        const int error = errno;
        close(output);
        close(errors);
        throw std::runtime_error(std::string("cannot collect the child's output: ") +
                                 std::strerror(error));
    }

    m_pid = fork();
    if (m_pid < 0) {
        const int error = errno;
        close(output);
        close(errors);
        throw std::runtime_error(std::string("fork failed: ") + std::strerror(error));
    }
    if (m_pid == 0) {
        if (dup2(output, STDOUT_FILENO) < 0 || dup2(errors, STDERR_FILENO) < 0) {
            _exit(126);
        }
        if (limited &&
            (signal(SIGXFSZ, SIG_DFL) == SIG_ERR || setrlimit(RLIMIT_FSIZE, &limit) != 0)) {
            _exit(126);
        }
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(output);
    close(errors);
}

ChildProcess::~ChildProcess() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        int status = 0;
        while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
}

bool ChildProcess::Running() const {
    if (m_pid <= 0) {
        return false;
    }
    siginfo_t info{};
    // WNOWAIT leaves an ended child unreaped, so Wait() still collects it.
    if (waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
        return false;
    }
    return info.si_pid == 0;
}

void ChildProcess::Kill() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
    }
}

ChildResult ChildProcess::Wait() {
    ChildResult result;
    if (m_pid <= 0) {
        throw std::logic_error("the child was already waited for");
    }
    int status = 0;
    while (waitpid(m_pid, &status, 0) < 0) {
        if (errno != EINTR) {
            throw std::runtime_error(std::string("waitpid failed: ") + std::strerror(errno));
        }
    }
    m_pid = -1;
    if (WIFEXITED(status)) {
        result.exitStatus = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    result.output = testsupport::ReadFileBytes(m_scratch / "output");
    result.errors = testsupport::ReadFileBytes(m_scratch / "errors");
    return result;
}

ChildResult RunChild(const ChildOptions& options) {
    ChildProcess child(options);
    return child.Wait();
}

} // namespace robust
