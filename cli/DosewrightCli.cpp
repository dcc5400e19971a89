// dosewright-cli: the start-up sequence and one scan, without a window.
//
//   dosewright-cli [-C DIR] report|repair
//
// Prints what the window would show, in order: the backup reminder and every
// failure as "TITLE: TEXT" on standard error, then the final status line on
// standard output. Exit status 0 when the scan ran to its end, 1 when the
// start-up or the scan failed, 2 for a usage error.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <CLI/CLI.hpp>

#include "app/DosewrightDlg.h"
#include "platform/LibraryLoader.h"
#include "platform/ProcessEnvironment.h"
#include "platform/console/ConsoleDialogWindow.h"
#include "resources/ResourceIds.h"

namespace {

constexpr int kExitCompleted = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// The environment variable in which the host's utility library looks for the
// database folder before it takes the current directory.
constexpr const char* kDatabaseFolderVariable = "ORVALE_DB";

// The number of medications the scan will walk, when the record manager can
// tell (an optional entry point beyond the host contract); 0 when it cannot.
int64_t ExpectedMedications(platform::LibraryLoader& loader, TableHandle medications) {
    using RecordCountFn = int64_t (*)(int32_t);
    platform::LibraryLoader::Handle library = loader.Load("StoreLinkDll");
    if (!library)
        return 0;
    auto count = reinterpret_cast<RecordCountFn>(
        loader.FindEntryPoint(library, "StoreLink_RecordCount"));
    const int64_t result = count && medications >= 0 ? count(medications) : 0;
    loader.Release(library);
    return result > 0 ? result : 0;
}

void PrintStatus(const CDosewrightDlg& dialog) {
    const std::string status = dialog.StatusText();
    std::fwrite(status.data(), 1, status.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Checks the RxNorm ID of every patient medication of a practice.\n"
                 "report: list the medications whose RxNorm ID is wrong; change nothing.\n"
                 "repair: correct them (back up the database first).\n"
                 "Both write Dosewright.log and Dosewright.csv in the database folder.",
                 "dosewright-cli"};
    // Options begin with "-" on every platform, so a folder such as /srv/orvale is a folder.
    app.allow_windows_style_options(false);
    std::string folder;
    app.add_option("-C", folder, "Run as if started in DIR, the orvale (database) folder")
        ->type_name("DIR");
    app.set_version_flag("--version", "dosewright-cli 1.0.0.1");
    app.require_subcommand(1, 1);
    CLI::App* report = app.add_subcommand("report", "Report the medications with an invalid RxNorm ID");
    app.add_subcommand("repair", "Repair the medications with an invalid RxNorm ID");

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

    if (!folder.empty()) {
        if (const int error = platform::ChangeCurrentFolder(folder.c_str()); error != 0) {
            std::fprintf(stderr, "dosewright-cli: cannot change into %s: %s\n", folder.c_str(),
                         platform::ErrorCodeText(error).c_str());
            return kExitFailed;
        }
        // The host prefers a folder named in its environment to the one it is
        // started in; the folder given here is the one the user asked for.
        platform::RemoveEnvironmentValue(kDatabaseFolderVariable);
    }

    platform::ConsoleDialogWindow window(stderr, platform::IsInteractive(stderr));
    platform::LibraryLoader& loader = platform::SystemLibraryLoader();
    CDosewrightDlg dialog(window, loader);
    dialog.OnInitDialog();

    bool completed = false;
    if (dialog.Startup().IsReady()) {
        window.SetExpectedMedications(
            ExpectedMedications(loader, dialog.Session().MedicationTable()));
        completed = report->parsed() ? dialog.OnBnClickedReport() : dialog.OnBnClickedRepair();
    }
    dialog.OnBnClickedExit();
    PrintStatus(dialog);
    return completed ? kExitCompleted : kExitFailed;
}
