// Running dosewright-cli of this build as a user would: on a host folder, with
// ORVALE_DB set or not, piped or on a terminal.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/HostFolder.h"

namespace frontsupport {

struct CliPlace {
    std::optional<std::string> databaseVariable;        // ORVALE_DB, unset when empty
    std::optional<std::filesystem::path> workingFolder; // the folder it is started in
};

std::filesystem::path CliPath();

// Runs dosewright-cli with `arguments`, its output and errors piped to files.
testsupport::CommandResult RunCli(const std::vector<std::string>& arguments,
                                  const CliPlace& place = {});

// Runs dosewright-cli on a pseudo-terminal (its output and errors both go
// there); `output` is everything the terminal received.
testsupport::CommandResult RunCliOnTerminal(const std::vector<std::string>& arguments,
                                            const CliPlace& place = {});

} // namespace frontsupport
