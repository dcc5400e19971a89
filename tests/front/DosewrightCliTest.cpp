// dosewright-cli end to end: the real program on host folders built by hostkit.
#include "support/ExpectedTexts.h"
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "DosewrightVersion.h"
#include "front/CliRun.h"
#include "support/HostFolder.h"
#include "support/TempFolder.h"

namespace {

using expected::kDrugInteractionOutdated;
using expected::kNoUpdateHistory;
using expected::kPatchLevelMissing;

namespace fs = std::filesystem;
using frontsupport::CliPlace;
using frontsupport::RunCli;
using nlohmann::json;
using testsupport::CommandResult;

constexpr int kCompleted = 0;
constexpr int kFailed = 1;
constexpr int kUsageError = 2;

const std::string kBackupLine =
    "Dosewright: Please make sure you have backed up your database before running the utility "
    "and pressing the \"Dosewright\" button\n";

std::string ReportSummary(int affected, int examined) {
    return "Number of Medications that have invalid RxNorm ID's: " + std::to_string(affected) +
           "/" + std::to_string(examined) + "\nPlease refer to Dosewright.log for more details.\n";
}
std::string RepairSummary(int affected, int examined) {
    return "Number of Medications fixed: " + std::to_string(affected) + "/" +
           std::to_string(examined) + "\nPlease refer to Dosewright.log for more details.\n";
}

json Medication(int entryId, const std::string& rxNormId) {
    return {{"entryId", entryId},        {"patientId", 7},       {"drugName", "Lisinopril"},
            {"strength", "10 mg"},       {"doseForm", "Tablet"}, {"route", "Oral"},
            {"drugCode", "43353007130"}, {"rxNormId", rxNormId}, {"termType", "SCD"}};
}

// Two medications of one patient: one with the right RxNorm ID, one with the
// ID of another strength.
json SmallPractice() {
    return {
        {"drugs",
         {{{"drugId", 1},
           {"drugName", "Lisinopril"},
           {"formCode", "TAB"},
           {"routeCode", "OR"},
           {"strength", "10"},
           {"strengthUnit", "MG"}}}},
        {"ndcs", {{{"drugId", 1}, {"ndc", "43353-071-30"}}}},
        {"rxnorm",
         {{{"sourceKind", 4}, {"sourceId", "1"}, {"rxNormId", "314076"}, {"termType", "SCD"}}}},
        {"patients", {{{"patientId", 7}, {"patientRef", "DOE0007"}}}},
        {"medications", {Medication(1, "314076"), Medication(2, "314077")}},
        {"doseForms", {{{"text", "Tablet"}, {"formCode", "TAB"}}}},
    };
}

// `count` medications that carry neither an RxNorm ID nor a drug code.
json PracticeOfUncodedMedications(int count) {
    json medications = json::array();
    for (int entryId = 1; entryId <= count; ++entryId) {
        medications.push_back({{"entryId", entryId},
                               {"patientId", 7},
                               {"drugName", "Vitamin D3"},
                               {"strength", "1000 units"},
                               {"doseForm", "Capsule"},
                               {"route", "Oral"}});
    }
    return {{"patients", {{{"patientId", 7}, {"patientRef", "DOE0007"}}}},
            {"medications", medications}};
}

std::string Canonical(const fs::path& folder) {
    return fs::canonical(folder).string();
}

std::string RxNormIds(const fs::path& folder) {
    std::string ids;
    for (const json& record : testsupport::DumpTable(folder, "MRRX99"))
        ids += record["rxNormId"].get<std::string>() + ";";
    return ids;
}

// A path of exactly `length` characters whose parent exists.
fs::path PathOfLength(const testsupport::TempFolder& temp, std::size_t length) {
    fs::path path = temp.Path();
    while (path.string().size() + 1 + 200 < length)
        path /= std::string(150, 'n'); // each level well under the longest name allowed
    fs::create_directories(path);
    const std::size_t rest = length - path.string().size() - 1;
    EXPECT_GT(rest, 0u);
    return path / std::string(rest, 'p');
}

TEST(DosewrightCli, ReportShowsTheSummaryAndChangesNothing) {
    testsupport::TempFolder temp;
    const fs::path folder = testsupport::BuildHostFolder(temp.Path(), SmallPractice());

    const CommandResult result = RunCli({"-C", folder.string(), "report"});
    EXPECT_EQ(result.exitStatus, kCompleted);
    EXPECT_EQ(result.output, ReportSummary(1, 2));
    EXPECT_EQ(result.errors, kBackupLine);
    EXPECT_EQ(RxNormIds(folder), "314076;314077;");
    EXPECT_EQ(testsupport::ReadFileBytes(folder / "Dosewright.csv"),
              "2,1,314076,314077,43353007130,7,DOE0007,Lisinopril,10 mg,Oral,Tablet\r\n");
    EXPECT_TRUE(fs::exists(folder / "Dosewright.log"));
    EXPECT_TRUE(fs::exists(folder / "Interface/SureScripts/CrossRef"));
}

TEST(DosewrightCli, RepairWritesTheChangesAndALaterReportFindsNone) {
    testsupport::TempFolder temp;
    const fs::path folder = testsupport::BuildHostFolder(temp.Path(), SmallPractice());

    const CommandResult repair = RunCli({"-C", folder.string(), "repair"});
    EXPECT_EQ(repair.exitStatus, kCompleted);
    EXPECT_EQ(repair.output, RepairSummary(1, 2));
    EXPECT_EQ(repair.errors, kBackupLine);
    EXPECT_EQ(RxNormIds(folder), "314076;314076;");

    const CommandResult report = RunCli({"-C", folder.string(), "report"});
    EXPECT_EQ(report.exitStatus, kCompleted);
    EXPECT_EQ(report.output, ReportSummary(0, 2));
    EXPECT_EQ(testsupport::ReadFileBytes(folder / "Dosewright.csv"), "");

    // The report is kept as a run, and compared with the repair before it.
    const CommandResult runs = RunCli({"-C", folder.string(), "runs"});
    EXPECT_EQ(runs.exitStatus, kCompleted);
    EXPECT_NE(runs.output.find("  repair  1 change  completed, 1/2\n"), std::string::npos)
        << runs.output;
    EXPECT_NE(runs.output.find("  report  0 findings  completed, 0/2\n"), std::string::npos)
        << runs.output;
    const CommandResult diff = RunCli({"-C", folder.string(), "diff"});
    EXPECT_EQ(diff.exitStatus, kCompleted) << diff.errors;
    EXPECT_TRUE(diff.output.starts_with("Resolved: The RxNormID 314077 is incorrect, and should "
                                        "be changed to 314076 for the medication Lisinopril"))
        << diff.output;
    EXPECT_NE(diff.output.find("\nSince the repair of "), std::string::npos) << diff.output;
    EXPECT_TRUE(diff.output.ends_with(": 0 new, 1 resolved, 0 changed, 0 unchanged.\n"))
        << diff.output;
    const CommandResult unknown = RunCli({"-C", folder.string(), "diff", "20200101-000000.000Z"});
    EXPECT_EQ(unknown.exitStatus, kFailed);
    EXPECT_NE(unknown.errors.find("There is no run 20200101-000000.000Z"), std::string::npos)
        << unknown.errors;

    // The breakdown of the newest run; the files asked for are named from
    // where the user is, never from the database folder.
    const frontsupport::CliPlace here{std::nullopt, temp.Path()};
    const CommandResult summary =
        RunCli({"-C", folder.string(), "summary", "--html", "page.html"}, here);
    EXPECT_EQ(summary.exitStatus, kCompleted) << summary.errors;
    EXPECT_NE(summary.output.find("  report  0 findings  completed, 0/2\nFolder:    "),
              std::string::npos)
        << summary.output;
    EXPECT_NE(summary.output.find("\nAffected:  0 (0.0%)\nPatients touched: 0\n"),
              std::string::npos)
        << summary.output;
    EXPECT_EQ(RunCli({"-C", folder.string(), "diff", "--csv", "diff.csv"}, here).exitStatus,
              kCompleted);
    for (const char* written : {"page.html", "diff.csv"}) {
        EXPECT_TRUE(fs::exists(temp.Path() / written)) << written;
        EXPECT_FALSE(fs::exists(folder / written)) << written;
    }
}

// repair --approved: the approved report's rows only; a file that cannot be
// used is refused, naming why, before anything is touched.
TEST(DosewrightCli, RepairOfApprovedChangesTakesOnlyAFileItCanRead) {
    testsupport::TempFolder temp;
    const fs::path folder = testsupport::BuildHostFolder(temp.Path(), SmallPractice());
    const fs::path approved = temp.Path() / "approved.csv";
    const struct {
        const char* what;
        std::function<void()> make;
        int exitStatus;
        const char* shown; // on standard output when it ran, else on standard error
    } cases[] = {
        {"a row that cannot be read",
         [&] { testsupport::WriteFileBytes(approved, "2,1,314076,314077,,7\nx2,1,,,,7\n"); },
         kFailed, "Line 2 of "},
        {"a folder", [&] { fs::create_directory(approved); }, kFailed, "it is a folder"},
        {"a link",
         [&] {
             testsupport::WriteFileBytes(temp.Path() / "real.csv", "");
             fs::create_symlink(temp.Path() / "real.csv", approved);
         },
         kFailed, "it is a symbolic link"},
        {"nothing approved", [&] { testsupport::WriteFileBytes(approved, "Entry,Code\r\n"); },
         kCompleted, "Number of Medications fixed: 0/2\nApproved changes made: 0 of 0;"},
        {"the report's row", [&] { testsupport::WriteFileBytes(approved, "2,1,314076,314077,,7"); },
         kCompleted, "Number of Medications fixed: 1/2\nApproved changes made: 1 of 1;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(approved);
        c.make();
        const std::string table = testsupport::ReadFileBytes(folder / "MRRX99");
        const CommandResult result =
            RunCli({"-C", folder.string(), "repair", "--approved", approved.string()});
        EXPECT_EQ(result.exitStatus, c.exitStatus) << result.errors;
        const std::string& shown = c.exitStatus == kCompleted ? result.output : result.errors;
        EXPECT_NE(shown.find(c.shown), std::string::npos) << shown;
        if (c.exitStatus != kCompleted) {
            EXPECT_EQ(testsupport::ReadFileBytes(folder / "MRRX99"), table);
            EXPECT_FALSE(fs::exists(folder / "Dosewright.log")) << "the run began";
        }
    }
    EXPECT_EQ(RxNormIds(folder), "314076;314076;");
}

// The database folder: given with -C, named by ORVALE_DB, or the folder the
// program is started in. -C names the folder to work on even when ORVALE_DB
// names another.
TEST(DosewrightCli, DatabaseFolderByOptionVariableOrWorkingFolder) {
    testsupport::TempFolder temp;
    const fs::path folder = testsupport::BuildHostFolder(temp.Path(), SmallPractice());
    const fs::path other = testsupport::BuildHostFolder(temp.Path(), SmallPractice(), "other");
    const struct {
        const char* what;
        std::vector<std::string> arguments;
        CliPlace place;
    } ways[] = {
        {"-C", {"-C", folder.string(), "report"}, {}},
        {"ORVALE_DB", {"report"}, {folder.string(), temp.Path()}},
        {"working folder", {"report"}, {std::nullopt, folder}},
        {"-C and ORVALE_DB naming another folder",
         {"-C", folder.string(), "report"},
         {other.string(), temp.Path()}},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.what);
        fs::remove(folder / "Dosewright.csv");
        const CommandResult result = RunCli(way.arguments, way.place);
        EXPECT_EQ(result.exitStatus, kCompleted) << result.errors;
        EXPECT_EQ(result.output, ReportSummary(1, 2));
        EXPECT_TRUE(fs::exists(folder / "Dosewright.csv"));
        EXPECT_FALSE(fs::exists(other / "Dosewright.csv"));
    }
}

// Each failing step of the start shows its own text after the backup reminder,
// leaves it as the status line, and no scan runs.
TEST(DosewrightCli, EachStartFailureStopsWithItsOwnText) {
    const std::string firstReferenceFile =
        "/Interface/SureScripts/CrossRef/SureScripts_DispUnit_Code.ref";
    const auto updateHistory = [](const fs::path& folder) {
        return folder / "Updater/ProductUpdates.ovupdate";
    };
    const auto cannotOpen = [&](const fs::path& folder) {
        return "Failure opening file:" + Canonical(folder) +
               "/Updater/ProductUpdates.ovupdate\nPlease verify that you have access to this file.";
    };
    const struct {
        const char* what;
        json installation;
        std::function<void(const fs::path&)> spoil;
        std::function<std::string(const fs::path&)> message;
    } cases[] = {
        {"no update history",
         {{"updateHistory", nullptr}},
         nullptr,
         [&](const fs::path&) { return kNoUpdateHistory; }},
        {"outdated drug-interaction data",
         {{"drugInteractionVersionOk", false}},
         nullptr,
         [&](const fs::path&) { return kDrugInteractionOutdated; }},
        {"patch level missing",
         {{"updateHistory", "<Update title=\"10 patches 07/31/2019\"/>"}},
         nullptr,
         [&](const fs::path&) { return kPatchLevelMissing; }},
        {"read-only update history", json::object(),
         [&](const fs::path& folder) { ::chmod(updateHistory(folder).c_str(), 0444); }, cannotOpen},
        {"update history that is a folder", json::object(),
         [&](const fs::path& folder) {
             fs::remove(updateHistory(folder));
             fs::create_directory(updateHistory(folder));
         },
         cannotOpen},
        {"a file named Interface", json::object(),
         [](const fs::path& folder) { testsupport::WriteFileBytes(folder / "Interface", ""); },
         [](const fs::path& folder) {
             return "Failure creating directory " + Canonical(folder) +
                    "/Interface/SureScripts. Error Code: " + std::to_string(ENOTDIR) +
                    "\nPlease verify you have the access to create directories in the orvale "
                    "folder.";
         }},
        {"a file named CrossRef", json::object(),
         [](const fs::path& folder) {
             fs::create_directories(folder / "Interface/SureScripts");
             testsupport::WriteFileBytes(folder / "Interface/SureScripts/CrossRef", "");
         },
         [&](const fs::path& folder) {
             return "Failure creating file " + Canonical(folder) + firstReferenceFile +
                    " in the orvale folder. Error Code: " + std::to_string(ENOTDIR) +
                    "\nPlease verify you have the access to create files in the orvale folder.";
         }},
        {"a read-only reference file", json::object(),
         [&](const fs::path& folder) {
             fs::create_directories(folder / "Interface/SureScripts/CrossRef");
             testsupport::WriteFileBytes(folder.string() + firstReferenceFile, "old");
             ::chmod((folder.string() + firstReferenceFile).c_str(), 0444);
         },
         [&](const fs::path& folder) {
             return "Failure deleting the file: " + Canonical(folder) + firstReferenceFile +
                    " which needs to be deleted for this utility to run. Error Code: " +
                    std::to_string(EACCES) + "\n";
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::TempFolder temp;
        json fixture = SmallPractice();
        if (!c.installation.empty())
            fixture["installation"] = c.installation;
        const fs::path folder = testsupport::BuildHostFolder(temp.Path(), fixture);
        if (c.spoil)
            c.spoil(folder);
        const std::string message = c.message(folder);

        const CommandResult result = RunCli({"-C", folder.string(), "repair"});
        EXPECT_EQ(result.exitStatus, kFailed);
        EXPECT_EQ(result.errors, kBackupLine + "Dosewright Error: " + message + "\n");
        EXPECT_EQ(result.output, message + "\n");
        EXPECT_FALSE(fs::exists(folder / "Dosewright.log")) << "the scan ran";
        EXPECT_EQ(RxNormIds(folder), "314076;314077;");
    }
}

// Failures met by the host's libraries are shown with the host's own text.
TEST(DosewrightCli, HostFailuresAreShownWithTheHostsText) {
    testsupport::TempFolder temp;
    const fs::path folder = testsupport::BuildHostFolder(temp.Path(), SmallPractice());
    fs::remove(folder / "MRDRXN99");
    const fs::path absent = temp / "absent";
    const struct {
        const char* what;
        std::vector<std::string> arguments;
        CliPlace place;
        std::string expectedInText;
    } cases[] = {
        {"a drug table missing",
         {"-C", folder.string(), "report"},
         {},
         "Failure opening MRDRXN99 table. Error Code:-"},
        {"ORVALE_DB naming no folder", {"report"}, {absent.string(), temp.Path()}, absent.string()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const CommandResult result = RunCli(c.arguments, c.place);
        EXPECT_EQ(result.exitStatus, kFailed);
        ASSERT_EQ(result.errors.substr(0, kBackupLine.size()), kBackupLine);
        const std::string box = result.errors.substr(kBackupLine.size());
        const std::string title = "Dosewright Error: ";
        ASSERT_EQ(box.substr(0, title.size()), title);
        EXPECT_NE(box.find(c.expectedInText), std::string::npos) << box;
        EXPECT_EQ(result.output, box.substr(title.size())) << "the status line is the same text";
    }
    EXPECT_FALSE(fs::exists(absent));
}

TEST(DosewrightCli, ScanFailureExitsWithOne) {
    testsupport::TempFolder temp;
    json fixture = SmallPractice();
    fixture.erase("drugs");
    const fs::path folder = testsupport::BuildHostFolder(temp.Path(), fixture);
    const std::string message = "You have an empty MRDD99 table and for this utility to run it "
                                "requires the MRDD99 table to contain data.\nPlease contact "
                                "Technical Support for assistance.";

    const CommandResult result = RunCli({"-C", folder.string(), "report"});
    EXPECT_EQ(result.exitStatus, kFailed);
    EXPECT_EQ(result.errors, kBackupLine + "Dosewright Error: " + message + "\n");
    EXPECT_EQ(result.output, message + "\n");
}

// A folder too long for the names appended to it is refused whole, by the
// utility or, longer still, by the host, and nothing is written into it.
TEST(DosewrightCli, DatabaseFolderTooLongIsRefusedNeverCut) {
    for (const std::size_t length :
         {std::size_t{190}, std::size_t{258}, std::size_t{259}, std::size_t{300}}) {
        SCOPED_TRACE("a folder of " + std::to_string(length) + " characters");
        testsupport::TempFolder temp;
        const fs::path path = PathOfLength(temp, length);
        const fs::path folder =
            testsupport::BuildHostFolder(path.parent_path(), SmallPractice(), path.filename());
        ASSERT_EQ(folder.string().size(), length);

        const CommandResult result = RunCli({"report"}, {folder.string(), temp.Path()});
        EXPECT_EQ(result.exitStatus, kFailed);
        ASSERT_EQ(result.errors.substr(0, kBackupLine.size()), kBackupLine);
        const std::string box = result.errors.substr(kBackupLine.size());
        EXPECT_NE(box.find("too long"), std::string::npos) << box;
        EXPECT_EQ("Dosewright Error: " + result.output, box) << "the status line is the same text";
        EXPECT_FALSE(fs::exists(folder / "Interface"));
        if (length < 259) {
            EXPECT_EQ(box, "Dosewright Error: The database folder " + folder.string() +
                               "/ is too long for this utility: it may have at most 190 "
                               "characters.\nPlease run the utility from an orvale folder with a "
                               "shorter path.\n");
        }
    }
}

TEST(DosewrightCli, UsageErrorsExitWithTwoAndTouchNothing) {
    testsupport::TempFolder temp;
    const fs::path folder = testsupport::BuildHostFolder(temp.Path(), SmallPractice());
    const std::vector<std::vector<std::string>> usages = {
        {},
        {"bogus"},
        {"report", "repair"},
        {"--frobnicate", "report"},
        {"-C"},
        {"report", "x"},
        {"undo", "--list", "20261208-101010.000Z"},
        {"undo", "a", "b"},
        {"repair", "--list"},
    };
    for (const auto& arguments : usages) {
        SCOPED_TRACE(::testing::PrintToString(arguments));
        const CommandResult result = RunCli(arguments, {std::nullopt, folder});
        EXPECT_EQ(result.exitStatus, kUsageError);
        EXPECT_FALSE(result.errors.empty());
        EXPECT_EQ(result.errors.find("backed up"), std::string::npos);
        EXPECT_EQ(result.output, "");
        EXPECT_FALSE(fs::exists(folder / "Interface"));
    }
}

TEST(DosewrightCli, HelpAndVersion) {
    const CommandResult help = RunCli({"--help"});
    EXPECT_EQ(help.exitStatus, kCompleted);
    EXPECT_EQ(help.errors, "");
    for (const char* shown : {"report", "repair", "undo", "-C DIR", "--version", "Dosewright.log"})
        EXPECT_NE(help.output.find(shown), std::string::npos) << shown;

    const CommandResult version = RunCli({"--version"});
    EXPECT_EQ(version.exitStatus, kCompleted);
    EXPECT_EQ(version.output, "dosewright-cli " DOSEWRIGHT_VERSION_TEXT "\n");
    EXPECT_EQ(version.errors, "");
}

TEST(DosewrightCli, FolderForTheOptionThatDoesNotExist) {
    testsupport::TempFolder temp;
    const fs::path absent = temp / "absent";
    const CommandResult result = RunCli({"-C", absent.string(), "report"});
    EXPECT_EQ(result.exitStatus, kFailed);
    EXPECT_EQ(result.errors, "dosewright-cli: cannot change into " + absent.string() + ": " +
                                 std::strerror(ENOENT) + "\n");
    EXPECT_EQ(result.output, "");
    EXPECT_FALSE(fs::exists(absent));
}

// Progress is for a terminal: a piped run's error stream holds only the messages.
TEST(DosewrightCli, ProgressLineOnlyOnATerminal) {
    constexpr int kMedications = 2100;
    testsupport::TempFolder temp;
    const fs::path folder =
        testsupport::BuildHostFolder(temp.Path(), PracticeOfUncodedMedications(kMedications));

    const CommandResult piped = RunCli({"-C", folder.string(), "report"});
    EXPECT_EQ(piped.exitStatus, kCompleted);
    EXPECT_EQ(piped.errors, kBackupLine);
    EXPECT_EQ(piped.output, ReportSummary(0, kMedications));

    const CommandResult terminal =
        frontsupport::RunCliOnTerminal({"-C", folder.string(), "report"});
    EXPECT_EQ(terminal.exitStatus, kCompleted);
    const std::size_t reminder = terminal.output.find("Dosewright: Please make sure");
    const std::size_t progress = terminal.output.find("1024 medications examined");
    const std::size_t summary = terminal.output.find("Number of Medications that have invalid "
                                                     "RxNorm ID's: 0/2100");
    ASSERT_NE(reminder, std::string::npos) << terminal.output;
    ASSERT_NE(progress, std::string::npos) << terminal.output;
    ASSERT_NE(summary, std::string::npos) << terminal.output;
    EXPECT_LT(reminder, progress);
    EXPECT_LT(progress, summary);
    EXPECT_NE(terminal.output.find("\r\033[K", progress), std::string::npos)
        << "the progress line is cleared before the summary";
}

} // namespace
