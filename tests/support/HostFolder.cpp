#include "support/HostFolder.h"

#include "data/HostLibraries.h"
#include "support/TempFolder.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;
#endif

namespace testsupport {
namespace fs = std::filesystem;

#if defined(_WIN32)
namespace {

// One argument of a command line, quoted as the C runtime splits it again.
std::string Quoted(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) {
        return argument;
    }
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

HANDLE CreateOutputFile(const fs::path& path) {
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileA(path.string().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       &inherited, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

void* StartProgram(const std::vector<std::string>& argv, const fs::path& outputPath,
                   const fs::path& errorsPath, std::string environment) {
    std::string commandLine;
    for (const std::string& argument : argv) {
        commandLine += (commandLine.empty() ? "" : " ") + Quoted(argument);
    }
    const HANDLE output = CreateOutputFile(outputPath);
    const HANDLE errors = CreateOutputFile(errorsPath);
    if (output == INVALID_HANDLE_VALUE || errors == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        CloseHandle(output);
        CloseHandle(errors);
        throw std::runtime_error("cannot collect the output of " + argv[0] + ": error " +
                                 std::to_string(error));
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output;
    startup.hStdError = errors;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                        environment.empty() ? nullptr : environment.data(), nullptr,
                                        &startup, &process);
    const DWORD startError = GetLastError();
    CloseHandle(output);
    CloseHandle(errors);
    if (!started) {
        throw std::runtime_error(argv[0] + ": cannot be started: error " +
                                 std::to_string(startError));
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

CommandResult RunProgram(const std::vector<std::string>& argv) {
    const TempFolder scratch;
    const HANDLE process = StartProgram(argv, scratch / "output", scratch / "errors");
    WaitForSingleObject(process, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(process, &status);
    CloseHandle(process);
    return {static_cast<int>(status), ReadFileBytes(scratch / "output"),
            ReadFileBytes(scratch / "errors")};
}
#else
CommandResult RunProgram(const std::vector<std::string>& argv) {
    const TempFolder scratch;
    const std::string outputPath = (scratch / "output").string();
    const std::string errorsPath = (scratch / "errors").string();

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY | O_CREAT, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errorsPath.c_str(), O_WRONLY | O_CREAT, 0600);
    std::vector<char*> arguments;
    for (const std::string& argument : argv) {
        arguments.push_back(const_cast<char*>(argument.c_str()));
    }
    arguments.push_back(nullptr);

    pid_t child = 0;
    const int spawnError =
        posix_spawn(&child, arguments[0], &actions, nullptr, arguments.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawnError != 0) {
        throw std::runtime_error(argv[0] + ": cannot be started: " + std::strerror(spawnError));
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            throw std::runtime_error(argv[0] + ": cannot be waited for: " + std::strerror(errno));
        }
    }
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFileBytes(outputPath),
            ReadFileBytes(errorsPath)};
}
#endif

fs::path HostkitPath() {
    return fs::path(DOSEWRIGHT_BIN_DIR) / "hostkit";
}

CommandResult RunHostkit(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{HostkitPath().string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return RunProgram(argv);
}

fs::path BuildHostFolder(const fs::path& parent, const nlohmann::json& fixture,
                         const std::string& name) {
    const fs::path fixturePath = parent / (name + ".json");
    const fs::path folder = parent / name;
    WriteFileBytes(fixturePath, fixture.dump(2));
    const CommandResult result = RunHostkit({"build", fixturePath.string(), folder.string()});
    if (result.exitStatus != 0) {
        throw std::runtime_error("hostkit build failed: " + result.errors);
    }
    return folder;
}

nlohmann::json WindowPracticeFixture(bool withUpdateHistory) {
    nlohmann::json fixture = nlohmann::json::parse(R"({
      "drugs": [{"drugId": 1, "drugName": "Lisinopril", "formCode": "TAB", "routeCode": "OR",
                 "strength": "10", "strengthUnit": "MG"}],
      "ndcs": [{"drugId": 1}],
      "rxnorm": [{"sourceKind": 4, "sourceId": "1", "rxNormId": "314076", "termType": "SCD"}],
      "patients": [{"patientId": 7, "patientRef": "DOE0007"}],
      "medications": [
        {"entryId": 1, "patientId": 7, "drugName": "Lisinopril", "strength": "10 MG",
         "doseForm": "Tablet", "route": "Oral", "rxNormId": "999999"},
        {"entryId": 2, "patientId": 7, "drugName": "Lisinopril", "strength": "10 MG",
         "doseForm": "Tablet", "route": "Oral", "rxNormId": "314076"}]
    })");
    if (!withUpdateHistory)
        fixture["installation"] = {{"updateHistory", nullptr}, {"drugInteractionVersionOk", true}};
    return fixture;
}

std::vector<nlohmann::json> DumpTable(const fs::path& folder, const std::string& table) {
    const CommandResult result = RunHostkit({"dump", folder.string(), table});
    if (result.exitStatus != 0) {
        throw std::runtime_error("hostkit dump failed: " + result.errors);
    }
    std::vector<nlohmann::json> records;
    std::istringstream lines(result.output);
    for (std::string line; std::getline(lines, line);) {
        records.push_back(nlohmann::json::parse(line));
    }
    return records;
}

std::vector<std::string> ReadRecords(const fs::path& folder, const std::string& table,
                                     int32_t recordLength, int32_t keyNumber) {
    const std::string path = (folder / table).string();
    const int32_t handle = fsopen(path.c_str(), host::kOpenMode, host::kFirstCredential,
                                  host::kSecondCredential, host::kOpenFlag);
    if (handle < 0) {
        throw std::runtime_error(path + ": fsopen returned " + std::to_string(handle));
    }
    std::vector<std::string> records;
    int32_t status = fsgotof(handle, keyNumber);
    std::string record(recordLength, '\0');
    while (status >= 0) {
        status = fsgetn(handle, keyNumber, record.data(), recordLength);
        if (status > 0) {
            records.push_back(record);
        } else if (status == 0) {
            status = host::kStatusEndOfFile;
        }
    }
    fsclose(handle);
    if (status != host::kStatusEndOfFile) {
        throw std::runtime_error(path + ": reading returned " + std::to_string(status));
    }
    return records;
}

std::vector<std::string> MedicationRecords(const fs::path& folder) {
    constexpr int32_t kRecordLength = 771;
    constexpr int32_t kEntryOrderKey = 7;
    return ReadRecords(folder, "MRRX99", kRecordLength, kEntryOrderKey);
}

std::vector<std::string> RxNormIds(const fs::path& folder) {
    std::vector<std::string> ids;
    for (const nlohmann::json& medication : DumpTable(folder, "MRRX99"))
        ids.push_back(medication.value("rxNormId", ""));
    return ids;
}

std::string ReadFileBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error(path.string() + ": cannot be read");
    }
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const fs::path& path, std::string_view bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        throw std::runtime_error(path.string() + ": cannot be written");
    }
}

} // namespace testsupport
