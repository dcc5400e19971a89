// The commands of the main dialog's buttons on a real host folder: what the
// status line shows after a run, the wait cursor, and Exit.
#include "app/DosewrightDlg.h"
#include "storelink/StoreLinkStatus.h"
#include "support/DialogOnHostFolder.h"
#include "support/HostFolder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using fakes::Box;
using fakes::Status;
using fakes::WindowEvent;

constexpr const char* kRunning = "Status: Running Please Wait";

WindowEvent Cursor(WindowEvent::Kind kind) {
    return {kind, 0, {}, std::nullopt, false};
}
const WindowEvent kBeginWait = Cursor(WindowEvent::Kind::BeginWait);
const WindowEvent kRestoreWait = Cursor(WindowEvent::Kind::RestoreWait);
const WindowEvent kEndWait = Cursor(WindowEvent::Kind::EndWait);

// Three medications: one with a wrong RxNorm ID, one with the right one, one
// with none, so that a run examines 3 and affects 1.
nlohmann::json Fixture() {
    nlohmann::json fixture = {
        {"drugs",
         {{{"drugId", 101},
           {"drugName", "Lisinopril"},
           {"formCode", "TAB"},
           {"routeCode", "OR"},
           {"strength", "10"},
           {"strengthUnit", "MG"}}}},
        {"ndcs", {{{"drugId", 101}}}},
        {"rxnorm",
         {{{"sourceKind", 4}, {"sourceId", "101"}, {"rxNormId", "314076"}, {"termType", "SCD"}}}},
        {"patients", {{{"patientId", 7}, {"patientRef", "DOE0007"}}}},
    };
    const testsupport::MedicationTexts wrong{"Lisinopril", "10 MG",  "Tablet", "Oral",
                                             "",           "314077", "SCD"};
    const testsupport::MedicationTexts right{"Lisinopril", "10 MG",  "Tablet", "Oral",
                                             "",           "314076", "SCD"};
    const testsupport::MedicationTexts none{"Lisinopril", "10 MG", "Tablet", "Oral", "", "", ""};
    fixture["medications"] = {testsupport::MedicationJson(1, 7, right),
                              testsupport::MedicationJson(2, 7, wrong),
                              testsupport::MedicationJson(3, 7, none)};
    return fixture;
}

enum class Command { Repair, Report };

struct CommandCase {
    const char* what;
    Command command;
    bool scanFails;
    std::vector<WindowEvent> events; // after the run's own status text
};

void PrintTo(const CommandCase& c, std::ostream* out) {
    *out << c.what;
}

const std::string kFailure =
    "Failure reading first record of MRRX99. Error Code:" + std::to_string(storelink::kErrIo) +
    "\nPlease contact Technical Support for assistance.";
const std::string kRepairResult =
    "Number of Medications fixed: 1/3\nPlease refer to Dosewright.log for more details.";
const std::string kReportResult = "Number of Medications that have invalid RxNorm ID's: "
                                  "1/3\nPlease refer to Dosewright.log for more details.";

const CommandCase kCommandCases[] = {
    {"repair",
     Command::Repair,
     false,
     {kBeginWait, Status(kRunning), kEndWait, Status(kRepairResult)}},
    {"report",
     Command::Report,
     false,
     {kBeginWait, kBeginWait, Status(kRunning), kEndWait, Status(kReportResult), kRestoreWait,
      kEndWait}},
    {"repair, the scan fails",
     Command::Repair,
     true,
     {kBeginWait, Status(kRunning), Status(kFailure), Box(kFailure, "Dosewright Error"), kEndWait}},
    {"report, the scan fails",
     Command::Report,
     true,
     {kBeginWait, kBeginWait, Status(kRunning), Status(kFailure), Box(kFailure, "Dosewright Error"),
      kEndWait, kRestoreWait, kEndWait}},
};

class DialogCommandTest : public testing::TestWithParam<CommandCase> {};

TEST_P(DialogCommandTest, ShowsTheCountsOrLeavesTheFailure) {
    const CommandCase& c = GetParam();
    testsupport::TempFolder temp;
    const auto folder = testsupport::BuildHostFolder(temp.Path(), Fixture());
    testsupport::DialogOnHostFolder fixture(folder);
    ASSERT_TRUE(fixture.OpenDatabase()) << fixture.errorText;
    const auto before = testsupport::ReadRecords(folder, "MRRX99", 771, 7);
    if (c.scanFails)
        StoreLink_FailCall("fsgotof", 1, storelink::kErrIo);

    const bool completed = c.command == Command::Repair ? fixture.dialog.OnBnClickedRepair()
                                                        : fixture.dialog.OnBnClickedReport();

    EXPECT_EQ(completed, !c.scanFails);
    // Exactly these: no button is disabled or enabled, a further run may start at once.
    EXPECT_EQ(fixture.window.Events(), c.events);
    EXPECT_EQ(fixture.window.WaitCursorDepth(), 0);
    const auto after = testsupport::ReadRecords(folder, "MRRX99", 771, 7);
    EXPECT_EQ(after[1] != before[1], c.command == Command::Repair && !c.scanFails);
}

INSTANTIATE_TEST_SUITE_P(Buttons, DialogCommandTest, testing::ValuesIn(kCommandCases),
                         [](const testing::TestParamInfo<CommandCase>& info) {
                             return "Case" + std::to_string(info.index);
                         });

// The window's "Repair Approved Medications...": the file first, then Yes or
// No with its rows; a file it cannot read is refused before anything runs.
TEST(DialogCommands, RepairApprovedMedicationsAsksForTheFileThenYesOrNo) {
    const struct {
        const char* what;
        const char* file; // its text; null: the choice is cancelled
        bool yes;
        bool completed;
        const char* last; // the text of the last event
    } cases[] = {
        {"cancelled", nullptr, true, false, "Repair Approved Medications"},
        {"a file it cannot read", "x2,101,314076,314077,,7\n", true, false, "Line 1 of "},
        {"declined", "2,101,314076,314077,,7\n", false, false,
         "Repair the 1 approved medication of "},
        {"made", "2,101,314076,314077,,7\n", true, true,
         "Number of Medications fixed: 1/3\nApproved changes made: 1 of 1;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::TempFolder temp;
        const auto folder = testsupport::BuildHostFolder(temp.Path(), Fixture());
        testsupport::DialogOnHostFolder fixture(folder);
        ASSERT_TRUE(fixture.OpenDatabase()) << fixture.errorText;
        const auto before = testsupport::ReadRecords(folder, "MRRX99", 771, 7);
        if (c.file) {
            testsupport::WriteFileBytes(temp.Path() / "approved.csv", c.file);
            fixture.window.openFileAnswer = (temp.Path() / "approved.csv").string();
        }
        fixture.window.answerYes = c.yes;

        EXPECT_EQ(fixture.dialog.OnRepairApprovedMedications(), c.completed);
        const std::vector<WindowEvent>& events = fixture.window.Events();
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.front().kind, WindowEvent::Kind::OpenFile);
        EXPECT_TRUE(events.back().text.starts_with(c.last)) << Describe(events.back());
        const auto after = testsupport::ReadRecords(folder, "MRRX99", 771, 7);
        EXPECT_EQ(after[1] != before[1], c.completed);
    }
}

// "Run Summary" writes the newest run's page into the database folder; before
// any run is kept it says so in a box and writes nothing.
TEST(DialogCommands, RunSummaryWritesThePageOfTheNewestRun) {
    for (const bool afterAReport : {false, true}) {
        SCOPED_TRACE(afterAReport ? "after a report" : "before any run");
        testsupport::TempFolder temp;
        testsupport::DialogOnHostFolder fixture(
            testsupport::BuildHostFolder(temp.Path(), Fixture()));
        ASSERT_TRUE(fixture.OpenDatabase()) << fixture.errorText;
        if (afterAReport) {
            ASSERT_TRUE(fixture.dialog.OnBnClickedReport());
        }
        std::string page;
        EXPECT_EQ(fixture.dialog.OnRunSummary(page), afterAReport);
        EXPECT_EQ(page, fixture.FolderPath() + "Dosewright.html");
        const std::string written = fixture.FileBytes("Dosewright.html");
        if (afterAReport) {
            EXPECT_NE(written.find("<dd id=\"affected\">1</dd>"), std::string::npos);
        } else {
            EXPECT_EQ(written, "");
            EXPECT_EQ(fixture.window.Events().back(),
                      Box("There is no run to sum up: the DosewrightJournal folder holds no "
                          "journal of a report, a repair or an undo.",
                          "Run Summary"));
        }
    }
}

TEST(DialogCommands, ARepairThatChangesNothingShowsZeroOfTheExamined) {
    testsupport::TempFolder temp;
    testsupport::DialogOnHostFolder fixture(testsupport::BuildHostFolder(temp.Path(), Fixture()));
    ASSERT_TRUE(fixture.OpenDatabase()) << fixture.errorText;
    ASSERT_TRUE(fixture.dialog.OnBnClickedRepair());
    ASSERT_TRUE(fixture.dialog.OnBnClickedRepair());
    EXPECT_EQ(fixture.window.StatusText(),
              "Number of Medications fixed: 0/3\nPlease refer to Dosewright.log for more details.");
}

TEST(DialogCommands, ExitClosesTheHostFileSetAndTheReferenceTables) {
    testsupport::TempFolder temp;
    testsupport::DialogOnHostFolder fixture(testsupport::BuildHostFolder(temp.Path(), Fixture()));
    ASSERT_TRUE(fixture.OpenDatabase()) << fixture.errorText;
    const CDosewrightDlg& dialog = fixture.dialog;
    const HostSession& session = dialog.Session();
    const TableHandle handles[] = {session.MedicationTable(), session.PatientTable(),
                                   session.DrugTable(), session.NdcTable(), session.RxNormTable()};

    fixture.dialog.OnBnClickedExit();

    for (TableHandle handle : handles)
        EXPECT_EQ(fsgotof(handle, 1), storelink::kErrBadHandle) << "handle " << handle;
    EXPECT_TRUE(fixture.window.Events().empty());
    fixture.ForgetConnection();
}

} // namespace
