// dosewright-cli: the start-up sequence and one scan, without a window.
//
//   dosewright-cli [-C DIR] report|repair
//   dosewright-cli [-C DIR] repair --approved FILE
//   dosewright-cli [-C DIR] undo [RUN]
//   dosewright-cli [-C DIR] undo --list
//   dosewright-cli [-C DIR] runs
//   dosewright-cli [-C DIR] diff [OLD [NEW]] [--csv FILE]
//   dosewright-cli [-C DIR] summary [RUN] [--html FILE]
//   dosewright-cli [-C DIR] doctor
//
// Prints what the window would show, in order: the backup reminder and every
// failure as "TITLE: TEXT" on standard error, then the final status line on
// standard output; after a scan in which patients could not be looked up, how
// many, on standard error. Exit status 0 when the scan ran to its end, 1 when the
// start-up or the scan failed, 2 for a usage error. `undo --list` prints the
// journaled runs, the one that ran first first, and touches nothing else. `doctor` checks
// the installation, one line a check, changes nothing, and exits 0 when
// everything a run needs is there, 1 when not.
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

#include "DosewrightVersion.h"
#include "app/DosewrightDlg.h"
#include "app/HostLibraryCheck.h"
#include "app/InstallationDoctor.h"
#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/LibraryLoader.h"
#include "platform/console/ConsoleDialogWindow.h"
#include "repair/ApprovedRepair.h"
#include "repair/RunBreakdown.h"
#include "repair/RunBreakdownText.h"
#include "repair/RunDiff.h"
#include "repair/RunFiles.h"
#include "repair/RunJournal.h"
#include "repair/RunJournalReader.h"
#include "repair/RunSummaryPage.h"
#include "repair/RunSummaryText.h"
#include "resources/ResourceIds.h"

namespace {

constexpr int kExitCompleted = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// The environment variable in which the host's utility library looks for the
// database folder before it takes the current directory.
constexpr const char* kDatabaseFolderVariable = "ORVALE_DB";

void PrintStatus(const CDosewrightDlg& dialog) {
    const std::string status = dialog.StatusText();
    std::fwrite(status.data(), 1, status.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// A text of a journal on one line of the terminal: every control character
// (an escape sequence, a line end) shown as \xHH, so that nothing a file
// holds reaches the terminal as a command or forges a line.
std::string Escaped(std::string_view text) {
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            shown += escape;
        } else {
            shown += c;
        }
    }
    return shown;
}

// A host's text on one line of the terminal: its control characters as blanks.
std::string OnOneLine(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = ' ';
    }
    return text;
}

// The journaled runs of the database folder, one a line, the one that ran
// first first.
int ListJournaledRuns(const char* databasePath) {
    std::vector<std::string> names;
    int error = 0;
    if (!JournalFileNames(databasePath, names, error)) {
        std::fprintf(
            stderr, "dosewright-cli: %s\n",
            OnOneLine(JournalFailureText(databasePath, kJournalFolderFailure, error)).c_str());
        return kExitFailed;
    }
    // Only the newest run can still be running: while it does, it holds the lock.
    const bool someoneRuns =
        !names.empty() && platform::RunLock::IsHeldByAnother(RunLockPath(databasePath).c_str());
    for (const std::string& name : names) {
        JournalRunSummary run = SummarizeRun(databasePath, name);
        run.running = someoneRuns && &name == &names.back() && !run.ended;
        std::printf("%s\n", Escaped(RunListLine(run)).c_str());
    }
    std::fflush(stdout);
    return kExitCompleted;
}

// The medications two runs differ in, one a line, then the summary; the same
// as a CSV file when `csvPath` names one.
int CompareJournaledRuns(const CDosewrightDlg& dialog, const std::string& older,
                         const std::string& newer, const std::string& csvPath) {
    const RunComparison comparison = CompareRuns(dialog.DatabasePath(), older, newer);
    if (!comparison.ok) {
        std::fprintf(stderr, "dosewright-cli: %s\n", OnOneLine(comparison.failure).c_str());
        return kExitFailed;
    }
    std::FILE* csv = nullptr;
    if (!csvPath.empty()) {
        csv = platform::OpenRegularFile(csvPath.c_str(), "wb");
        if (!csv) {
            std::fprintf(stderr, "dosewright-cli: cannot write %s: %s\n", csvPath.c_str(),
                         platform::DescribeErrorCode(platform::LastErrorCode()).c_str());
            return kExitFailed;
        }
    }
    bool written = true;
    for (const DiffedMedication& medication : comparison.medications) {
        std::string line = DiffLine(medication, dialog.Session(), false);
        line.resize(line.size() - 2); // its CR LF: the terminal's line ends are LF
        std::printf("%s\n", line.c_str());
        if (csv) {
            const std::string row = DiffLine(medication, dialog.Session(), true);
            written = written && std::fwrite(row.data(), 1, row.size(), csv) == row.size();
        }
    }
    if (csv && std::fclose(csv) != 0)
        written = false;
    std::printf("%s\n", ComparisonSummary(comparison).c_str());
    std::fflush(stdout);
    if (!written) {
        std::fprintf(stderr, "dosewright-cli: the CSV file %s could not be written whole\n",
                     csvPath.c_str());
        return kExitFailed;
    }
    return kExitCompleted;
}

// The breakdown of a kept run as aligned text, and as a page when `htmlPath`
// names a file.
int SummarizeJournaledRun(const CDosewrightDlg& dialog, const std::string& runName,
                          const std::string& htmlPath) {
    const RunBreakdown breakdown = BreakDownRun(dialog.DatabasePath(), dialog.Session(), runName);
    if (!breakdown.ok) {
        std::fprintf(stderr, "dosewright-cli: %s\n", OnOneLine(breakdown.failure).c_str());
        return kExitFailed;
    }
    // Line by line: a control character inside a drug's text never starts one.
    const std::string text = RunBreakdownText(breakdown, dialog.DatabasePath());
    for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        std::printf("%s\n", Escaped(std::string_view(text).substr(at, end - at)).c_str());
    std::fflush(stdout);
    std::string failure;
    if (!htmlPath.empty() &&
        !WriteRunSummaryPage(breakdown, dialog.DatabasePath(), htmlPath, failure)) {
        std::fprintf(stderr, "dosewright-cli: %s\n", OnOneLine(failure).c_str());
        return kExitFailed;
    }
    return kExitCompleted;
}

// A file the user names, named from where the user is: the run changes into
// the database folder before it writes.
std::string FromWhereTheUserIs(const std::string& path) {
    if (path.empty())
        return path;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

// Every check of the installation, one a line: "OK" or "FAIL", what, and what was found.
int RunDoctor(const HostLibraryCheck& libraries) {
    InstallationDoctor doctor(platform::SystemLibraryLoader(), libraries);
    const bool ready = doctor.Run();
    for (const DoctorFinding& finding : doctor.Findings()) {
        const std::string line = std::string(finding.ok ? "OK    " : "FAIL  ") + finding.check +
                                 ": " + OnOneLine(finding.detail);
        std::printf("%s\n", line.c_str());
    }
    std::printf("%s\n", ready ? "Everything a run needs is there."
                              : "Dosewright cannot run here until what FAIL names is mended.");
    std::fflush(stdout);
    return ready ? kExitCompleted : kExitFailed;
}

} // namespace

int main(int argc, char** argv) {
    platform::FailWritesPastFileSizeLimit();
    CLI::App app{"Checks the RxNorm ID of every patient medication of a practice.\n"
                 "report: list the medications whose RxNorm ID is wrong; change nothing.\n"
                 "repair: correct them (back up the database first).\n"
                 "undo: take back the newest journaled run, or RUN; --list lists them.\n"
                 "runs, diff, summary: list, compare and break down the kept runs.\n"
                 "doctor: check the installation first; change nothing.\n"
                 "All three write Dosewright.log and Dosewright.csv in the database folder.",
                 "dosewright-cli"};
    // Options begin with "-" on every platform, so a folder such as /srv/orvale is a folder.
    app.allow_windows_style_options(false);
    std::string folder;
    app.add_option("-C", folder, "Run as if started in DIR, the orvale (database) folder")
        ->type_name("DIR");
    app.set_version_flag("--version", "dosewright-cli " DOSEWRIGHT_VERSION_TEXT);
    app.require_subcommand(1, 1);
    CLI::App* report =
        app.add_subcommand("report", "Report the medications with an invalid RxNorm ID");
    CLI::App* repair =
        app.add_subcommand("repair", "Repair the medications with an invalid RxNorm ID");
    std::string approvedFile;
    repair
        ->add_option("--approved", approvedFile,
                     "Make only the changes FILE lists: a report's Dosewright.csv with the rows "
                     "to reject deleted")
        ->type_name("FILE");
    CLI::App* undo = app.add_subcommand(
        "undo", "Put back the RxNorm IDs a journaled run changed, where nobody changed them since");
    std::string runName;
    bool listRuns = false;
    undo->add_option("RUN", runName, "The run to undo (as --list names it); default: the newest");
    undo->add_flag("--list", listRuns, "List the journaled runs, the oldest first");
    CLI::App* runs =
        app.add_subcommand("runs", "List the kept runs, reports too, the one that ran first first");
    CLI::App* diff = app.add_subcommand(
        "diff", "Compare what two runs found: by default the newest against the one before");
    std::string olderRun;
    std::string newerRun;
    std::string diffCsv;
    diff->add_option("OLD", olderRun, "The earlier report or repair (as runs names it)");
    diff->add_option("NEW", newerRun, "The later one; default: the newest");
    diff->add_option("--csv", diffCsv, "Also write the medications as a CSV file")
        ->type_name("FILE");
    CLI::App* summary = app.add_subcommand(
        "summary", "Break down what a kept run found: by kind, by reason, by drug");
    std::string summaryRun;
    std::string summaryHtml;
    summary->add_option("RUN", summaryRun, "The run (as runs names it); default: the newest");
    summary->add_option("--html", summaryHtml, "Also write the breakdown as a page for a browser")
        ->type_name("FILE");
    CLI::App* doctor = app.add_subcommand(
        "doctor", "Check that everything a run needs is there, changing nothing");

    if (const int mangled = platform::FirstMangledArgument(); mangled > 0 && mangled < argc) {
        std::fprintf(stderr,
                     "dosewright-cli: the argument %s has characters that the system's code page "
                     "cannot represent; name the folder without them\n",
                     argv[mangled]);
        return kExitUsage;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error);
        return status == 0 ? kExitCompleted : kExitUsage;
    }

    // Before the first call into the host's libraries, which loads them: the
    // system's loader would end the program with a message of its own. And
    // before the change of folder: the libraries found fit stay loaded, so
    // that no later call looks for them from a folder of any length.
    HostLibraryCheck libraries(platform::SystemLibraryLoader(), platform::ProgramFolder());
    const bool librariesFit = libraries.Run();

    // Named from where the user is, before the change into the database folder.
    diffCsv = FromWhereTheUserIs(diffCsv);
    summaryHtml = FromWhereTheUserIs(summaryHtml);
    // Read before anything else happens, and named from where the user is.
    ApprovedParse approved;
    if (!approvedFile.empty()) {
        approved = LoadApprovedChanges(approvedFile.c_str());
        if (!approved.ok) {
            std::fprintf(stderr, "dosewright-cli: %s\n", OnOneLine(approved.failure).c_str());
            return kExitFailed;
        }
    }

    if (!folder.empty()) {
        if (!platform::ChangeDirectory(folder.c_str())) {
            std::fprintf(stderr, "dosewright-cli: cannot change into %s: %s\n", folder.c_str(),
                         platform::DescribeErrorCode(platform::LastErrorCode()).c_str());
            return kExitFailed;
        }
        // The host prefers a folder named in its environment to the one it is
        // started in; the folder given here is the one the user asked for.
        platform::RemoveEnvironmentVariable(kDatabaseFolderVariable);
    }

    if (doctor->parsed())
        return RunDoctor(libraries);
    if (!librariesFit) {
        std::fprintf(stderr, "dosewright-cli: %s\n", OnOneLine(libraries.FirstProblem()).c_str());
        return kExitFailed;
    }

    if (undo->parsed() && listRuns && !runName.empty()) {
        std::fprintf(stderr, "dosewright-cli: undo --list takes no RUN\n");
        return kExitUsage;
    }

    platform::ConsoleDialogWindow window(stderr, platform::IsTerminal(stderr));
    platform::LibraryLoader& loader = platform::SystemLibraryLoader();
    CDosewrightDlg dialog(window, loader);
    // Undo, the list of runs, their comparison and breakdown read the medication table
    // only: no drug dictionary.
    const bool withoutDictionary =
        undo->parsed() || runs->parsed() || diff->parsed() || summary->parsed();
    if (withoutDictionary)
        dialog.OnInitForUndo();
    else
        dialog.OnInitDialog();

    if (((undo->parsed() && listRuns) || runs->parsed()) && dialog.Startup().CanUndo()) {
        const int status = ListJournaledRuns(dialog.DatabasePath());
        dialog.OnBnClickedExit();
        return status;
    }
    if (diff->parsed() && dialog.Startup().CanUndo()) {
        const int status = CompareJournaledRuns(dialog, olderRun, newerRun, diffCsv);
        dialog.OnBnClickedExit();
        return status;
    }
    if (summary->parsed() && dialog.Startup().CanUndo()) {
        const int status = SummarizeJournaledRun(dialog, summaryRun, summaryHtml);
        dialog.OnBnClickedExit();
        return status;
    }
    bool completed = false;
    if (withoutDictionary) {
        if (undo->parsed() && dialog.Startup().CanUndo() && !listRuns)
            completed = dialog.OnUndo(runName);
    } else if (dialog.Startup().IsReady()) {
        if (report->parsed())
            completed = dialog.OnBnClickedReport();
        else if (!approvedFile.empty())
            completed = dialog.OnRepairApproved(std::move(approved));
        else
            completed = dialog.OnBnClickedRepair();
    }
    dialog.OnBnClickedExit();
    PrintStatus(dialog);
    if (const int32_t failures = dialog.PatientLookupFailures(); failures > 0) {
        // The window says nothing of them: the lines are written, only without a patient.
        std::fprintf(stderr,
                     "dosewright-cli: %d patient look-up%s failed; the lines of %s medication%s "
                     "name no patient\n",
                     failures, failures == 1 ? "" : "s", failures == 1 ? "that" : "those",
                     failures == 1 ? "" : "s");
    }
    return completed ? kExitCompleted : kExitFailed;
}
