#include "front/CliRun.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

namespace frontsupport {
namespace fs = std::filesystem;

namespace {

// The command line: env sets up the environment and the working folder, so
// that nothing of the test's own environment leaks into the run.
std::vector<std::string> CommandLine(const std::vector<std::string>& arguments,
                                     const CliPlace& place) {
    std::vector<std::string> argv{"/usr/bin/env", "-u", "ORVALE_DB"};
    if (place.workingFolder)
        argv.push_back("--chdir=" + place.workingFolder->string());
    if (place.databaseVariable)
        argv.push_back("ORVALE_DB=" + *place.databaseVariable);
    argv.push_back(CliPath().string());
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return argv;
}

} // namespace

fs::path CliPath() {
    return fs::path(DOSEWRIGHT_BIN_DIR) / "dosewright-cli";
}

testsupport::CommandResult RunCli(const std::vector<std::string>& arguments,
                                  const CliPlace& place) {
    return testsupport::RunProgram(CommandLine(arguments, place));
}

testsupport::CommandResult RunCliOnTerminal(const std::vector<std::string>& arguments,
                                            const CliPlace& place) {
    const std::vector<std::string> argv = CommandLine(arguments, place);
    std::vector<char*> pointers;
    for (const std::string& argument : argv)
        pointers.push_back(const_cast<char*>(argument.c_str()));
    pointers.push_back(nullptr);

    struct winsize size {};
    size.ws_row = 24;
    size.ws_col = 200;
    int terminal = -1;
    const pid_t child = ::forkpty(&terminal, nullptr, nullptr, &size);
    if (child < 0)
        throw std::runtime_error(std::string("forkpty: ") + std::strerror(errno));
    if (child == 0) {
        ::execv(pointers[0], pointers.data());
        ::_exit(127);
    }

    // The terminal reports an error (EIO) once the program and its children
    // have closed their side.
    std::string output;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(terminal, buffer, sizeof buffer);
        if (got > 0)
            output.append(buffer, static_cast<std::size_t>(got));
        else if (got < 0 && errno == EINTR)
            continue;
        else
            break;
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    ::close(terminal);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output, ""};
}

} // namespace frontsupport
