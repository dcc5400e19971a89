#include "robust/RepairCheck.h"

#include "support/HostFolder.h"
#include "support/TextFiles.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <stdexcept>

namespace robust {
namespace {

int32_t EntryId(const std::string& record) {
    int32_t entryId = 0;
    std::memcpy(&entryId, record.data(), sizeof entryId);
    return entryId;
}

using testsupport::CrLfLines;

// The first field of a CSV line, the entry ID.
std::string FirstField(const std::string& line) {
    return line.substr(0, line.find(','));
}

} // namespace

fs::path CliPath() {
    return fs::path(DOSEWRIGHT_BIN_DIR) / "dosewright-cli";
}

ChildOptions CliOptions(const fs::path& folder, const std::string& mode,
                        std::vector<std::pair<std::string, std::string>> environment) {
    ChildOptions options;
    options.argv = {CliPath().string(), "-C", folder.string(), mode};
    options.environment = std::move(environment);
    for (const char* name : {"ORVALE_DB", "STORELINK_FAIL"}) {
        const bool set = std::any_of(options.environment.begin(), options.environment.end(),
                                     [&](const auto& variable) { return variable.first == name; });
        if (!set)
            options.unset.emplace_back(name);
    }
    return options;
}

std::vector<std::string> MedicationRecords(const fs::path& folder) {
    return testsupport::MedicationRecords(folder);
}

std::string FileBytesOrEmpty(const fs::path& path) {
    return fs::exists(path) ? testsupport::ReadFileBytes(path) : std::string();
}

void CopyFolder(const fs::path& from, const fs::path& to) {
    fs::remove_all(to);
    fs::copy(from, to, fs::copy_options::recursive);
}

bool SanitizedBuild() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

int Scaled(int plainCount, int smallest) {
    double factor = SanitizedBuild() ? 0.25 : 1.0;
    if (const char* setting = std::getenv("DOSEWRIGHT_ROBUST_SCALE"); setting && *setting)
        factor = std::strtod(setting, nullptr);
    return std::max(smallest, static_cast<int>(plainCount * factor));
}

CompleteRepair RepairCopy(const fs::path& folder, const fs::path& scratch) {
    const fs::path copy = scratch / "complete";
    CopyFolder(folder, copy);
    CompleteRepair complete;
    complete.original = MedicationRecords(copy);
    const ChildResult result = RunChild(CliOptions(copy, "repair"));
    if (result.exitStatus != 0) {
        throw std::runtime_error("the complete repair failed: " + result.errors + result.output);
    }
    complete.repaired = MedicationRecords(copy);
    complete.examined = static_cast<int>(complete.original.size());
    if (complete.repaired.size() != complete.original.size()) {
        throw std::runtime_error("the complete repair changed the number of medications");
    }
    for (std::size_t i = 0; i < complete.original.size(); ++i) {
        if (complete.original[i] != complete.repaired[i])
            complete.changed.push_back(i);
    }
    std::string rest;
    const std::vector<std::string> csv = CrLfLines(FileBytesOrEmpty(copy / "Dosewright.csv"), rest);
    const std::vector<std::string> log = CrLfLines(FileBytesOrEmpty(copy / "Dosewright.log"), rest);
    if (csv.size() != complete.changed.size() || log.size() != complete.changed.size()) {
        throw std::runtime_error("the complete repair changed " +
                                 std::to_string(complete.changed.size()) +
                                 " medications and wrote " + std::to_string(csv.size()) +
                                 " CSV lines and " + std::to_string(log.size()) + " log sentences");
    }
    complete.csvLine.resize(complete.original.size());
    complete.logLine.resize(complete.original.size());
    for (std::size_t n = 0; n < csv.size(); ++n) {
        const std::size_t index = complete.changed[n];
        if (FirstField(csv[n]) != std::to_string(EntryId(complete.original[index]))) {
            throw std::runtime_error("CSV line " + std::to_string(n) +
                                     " is not the line of entry " +
                                     std::to_string(EntryId(complete.original[index])));
        }
        complete.csvLine[index] = csv[n];
        complete.logLine[index] = log[n];
    }
    return complete;
}

CompleteRepair WithoutPatientOf(const CompleteRepair& complete, std::size_t index) {
    CompleteRepair result = complete;
    std::string& csv = result.csvLine.at(index);
    std::string& log = result.logLine.at(index);
    // Column 7 of the CSV line; the texts of the practices here hold no comma.
    std::size_t start = 0;
    for (int column = 1; column < 7; ++column)
        start = csv.find(',', start) + 1;
    const std::size_t end = csv.find(',', start);
    const std::string reference = csv.substr(start, end - start);
    csv.erase(start, end - start);
    const std::string named = "for Patient: " + reference + ".";
    log.replace(log.rfind(named), named.size(), "for Patient: .");
    return result;
}

testing::AssertionResult RecordsAreWhole(const CompleteRepair& complete,
                                         const std::vector<std::string>& records,
                                         std::vector<std::size_t>& changed) {
    if (records.size() != complete.original.size()) {
        return testing::AssertionFailure() << "MRRX99 holds " << records.size()
                                           << " records instead of " << complete.original.size();
    }
    changed.clear();
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (records[i] == complete.original[i])
            continue;
        if (records[i] != complete.repaired[i]) {
            return testing::AssertionFailure()
                   << "the record of entry " << EntryId(complete.original[i])
                   << " is neither as it was nor as repaired";
        }
        changed.push_back(i);
    }
    return testing::AssertionSuccess();
}

std::string LinesOf(const std::vector<std::string>& lines, const std::vector<std::size_t>& changes,
                    std::size_t count) {
    std::string bytes;
    for (std::size_t n = 0; n < count && n < changes.size(); ++n)
        bytes += lines[changes[n]];
    return bytes;
}

testing::AssertionResult DescribesChanges(std::string_view what, std::string_view bytes,
                                          const std::vector<std::string>& lines,
                                          const std::vector<std::size_t>& changes, bool inFlight,
                                          bool tornTail) {
    const std::string all = LinesOf(lines, changes, changes.size());
    if (bytes == all)
        return testing::AssertionSuccess();
    if (inFlight && !changes.empty()) {
        const std::string before = LinesOf(lines, changes, changes.size() - 1);
        const std::string& last = lines[changes.back()];
        if (bytes == before)
            return testing::AssertionSuccess();
        if (tornTail && bytes.starts_with(before) && bytes.size() < before.size() + last.size() &&
            std::string_view(last).starts_with(bytes.substr(before.size()))) {
            return testing::AssertionSuccess();
        }
    }
    std::string rest;
    const std::vector<std::string> written = CrLfLines(bytes, rest);
    std::size_t same = 0;
    while (same < written.size() && same < changes.size() && written[same] == lines[changes[same]])
        ++same;
    auto failure = testing::AssertionFailure();
    failure << what << " holds " << written.size() << " whole lines"
            << (rest.empty() ? "" : " and a torn one") << " for " << changes.size()
            << " changes; the first " << same << " are right";
    if (same < written.size())
        failure << "; line " << same + 1 << " is: " << written[same];
    else if (!rest.empty())
        failure << "; the torn line is: " << rest;
    return failure;
}

// Bytes with their line ends made visible.
std::string Shown(std::string_view bytes) {
    std::string shown;
    for (char c : bytes) {
        if (c == '\r')
            shown += "\\r";
        else if (c == '\n')
            shown += "\\n";
        else
            shown += c;
    }
    return shown;
}

testing::AssertionResult SameBytes(std::string_view actual, std::string_view expected) {
    if (actual == expected)
        return testing::AssertionSuccess();
    std::size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at])
        ++at;
    const std::size_t from = at < 80 ? 0 : at - 80;
    return testing::AssertionFailure()
           << actual.size() << " bytes instead of " << expected.size() << ", first different at "
           << at << "\n   found: ..." << Shown(actual.substr(from, 160)) << "\nexpected: ..."
           << Shown(expected.substr(from, 160));
}

testing::AssertionResult StoppedWithOneMessage(const ChildResult& result, std::string& message) {
    if (result.exitStatus != 1) {
        return testing::AssertionFailure()
               << "exit status " << result.exitStatus << " (signal " << result.signal
               << ") instead of 1; standard error: " << result.errors
               << "; standard output: " << result.output;
    }
    if (!result.output.ends_with('\n')) {
        return testing::AssertionFailure() << "no status line: " << result.output;
    }
    message = result.output.substr(0, result.output.size() - 1);
    const std::string expected =
        std::string(kBackupReminder) + "Dosewright Error: " + message + "\n";
    if (result.errors != expected) {
        return testing::AssertionFailure() << "standard error is not the reminder and one box "
                                              "with the status text.\nstandard error: "
                                           << result.errors << "\nstatus line: " << message;
    }
    return testing::AssertionSuccess();
}

std::size_t FailedPatientLookups(const ChildResult& result) {
    constexpr std::string_view kStart = "dosewright-cli: ";
    const std::size_t line = result.errors.rfind(kStart);
    if (line == std::string::npos ||
        result.errors.find(" patient look-up", line) == std::string::npos)
        return 0;
    return std::strtoul(result.errors.c_str() + line + kStart.size(), nullptr, 10);
}

std::vector<std::size_t> Added(const std::vector<std::size_t>& before,
                               const std::vector<std::size_t>& after) {
    std::vector<std::size_t> added;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                        std::back_inserter(added));
    return added;
}

RepairedPractice::RepairedPractice(const PracticeShape& shape)
    : folder(testsupport::BuildHostFolder(temp.Path(), PracticeFixture(shape))),
      complete(RepairCopy(folder, temp.Path())) {}

} // namespace robust
