// Host folders for tests, made and read with the real hostkit program and the
// real record manager.
//
//   testsupport::TempFolder temp;
//   const auto folder = testsupport::BuildHostFolder(temp.Path(), {{"medications", ...}});
//   const auto medications = testsupport::DumpTable(folder, "MRRX99");
//
// Texts in fixtures and dumps are UTF-8 standing for the host's Windows-1252
// bytes; Utf8ToWindows1252 and Windows1252ToUtf8 convert between the two.
#pragma once

#include "tools/hostkit/Windows1252.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

using hostkit::Utf8ToWindows1252;
using hostkit::Windows1252ToUtf8;

struct CommandResult {
    int exitStatus; // -1 when the program did not end by itself
    std::string output;
    std::string errors;
};

// Runs a program (argv[0] is its path), waits for it and collects what it wrote.
CommandResult RunProgram(const std::vector<std::string>& argv);

#if defined(_WIN32)
// Starts `argv` (argv[0] is its path) with its standard output and errors
// written to the new files `outputPath` and `errorsPath`, in `environment` (a
// block of NAME=VALUE texts, each ending with a zero byte, and one more at the
// end; empty: this process's). Returns the process's handle, for the caller to
// wait for and close; throws std::runtime_error when it cannot start.
void* StartProgram(const std::vector<std::string>& argv, const std::filesystem::path& outputPath,
                   const std::filesystem::path& errorsPath, std::string environment = {});
#endif

// The hostkit program of this build.
std::filesystem::path HostkitPath();
CommandResult RunHostkit(const std::vector<std::string>& arguments);

// Builds `parent`/`name` as a host folder from `fixture` (written beside it as
// `name`.json) and returns its path. Throws std::runtime_error with hostkit's
// message when hostkit refuses.
std::filesystem::path BuildHostFolder(const std::filesystem::path& parent,
                                      const nlohmann::json& fixture,
                                      const std::string& name = "orvale");

// The window tests' practice: two medications of Lisinopril 10 MG tablets, the
// first with a wrong RxNorm ID (999999), the second with the right one (314076).
// Without its update history, the start-up fails.
nlohmann::json WindowPracticeFixture(bool withUpdateHistory = true);

// `hostkit dump`: every record of `table` ("MRRX99", ...), one object each.
std::vector<nlohmann::json> DumpTable(const std::filesystem::path& folder,
                                      const std::string& table);

// Every record of `table` as its raw bytes, in the order of `keyNumber`, read
// with fsopen/fsgotof/fsgetn. Throws std::runtime_error on a record-manager error.
std::vector<std::string> ReadRecords(const std::filesystem::path& folder, const std::string& table,
                                     int32_t recordLength, int32_t keyNumber);

// Every medication record (MRRX99) as its raw bytes, in the order the scan walks them.
std::vector<std::string> MedicationRecords(const std::filesystem::path& folder);

// The RxNorm ID of every medication, in the order the scan walks them.
std::vector<std::string> RxNormIds(const std::filesystem::path& folder);

std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, std::string_view bytes);

} // namespace testsupport
