// The main window on real host folders, driven as a user drives it: clicks and
// keys through the display's input, message boxes answered by the backend's
// test hook.
#include "support/ExpectedTexts.h"
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <wx/app.h>
#include <wx/control.h>
#include <wx/stattext.h>
#include <wx/toplevel.h>

#include "app/DosewrightDlg.h"
#include "data/HostLibraries.h"
#include "gui/DosewrightWindow.h"
#include "gui/WindowTestSupport.h"
#include "platform/DialogWindow.h"
#include "platform/LibraryLoader.h"
#include "platform/wx/DefaultApplication.h"
#include "platform/wx/WxControl.h"
#include "resources/ResourceIds.h"
#include "storelink/StoreLinkStatus.h"
#include "support/HostFolder.h"
#include "support/TempFolder.h"

namespace {

using expected::kBackupReminder;
using expected::kInstructions;
using expected::kNoUpdateHistory;

using nlohmann::json;

const std::string kReportResult = "Number of Medications that have invalid RxNorm ID's: 1/2\n"
                                  "Please refer to Dosewright.log for more details.";
const std::string kRepairResult = "Number of Medications fixed: 1/2\n"
                                  "Please refer to Dosewright.log for more details.";

constexpr int32_t kBadHandle = -20; // the record manager's answer for a handle not open
constexpr int32_t kStorageFailure = -18;

using testsupport::RxNormIds;
using testsupport::WindowPracticeFixture;

class DosewrightWindowTest : public ::testing::Test {
protected:
    // Builds the host folder, names it as the database folder and opens the
    // window on it, started and not yet shown.
    CDosewrightWindow& Open(const json& fixture) {
        m_folder = testsupport::BuildHostFolder(m_temp.Path(), fixture);
        ::setenv("ORVALE_DB", m_folder.c_str(), 1);
        m_window = std::make_unique<CDosewrightWindow>(platform::SystemLibraryLoader());
        m_window->RunStartup();
        return *m_window;
    }
    void TearDown() override {
        m_window.reset();
        ::unsetenv("ORVALE_DB");
    }

    wxWindow& Control(int id) {
        wxWindow* control = m_window->FindTemplateControl(id);
        if (!control)
            throw std::runtime_error("no control " + std::to_string(id));
        return *control;
    }
    std::string Status() const { return m_window->Dialog().StatusText(); }
    std::vector<TableHandle> Handles() const {
        const HostSession& session = m_window->Dialog().Session();
        return {session.MedicationTable(), session.PatientTable(), session.DrugTable(),
                session.NdcTable(), session.RxNormTable()};
    }

    testsupport::TempFolder m_temp;
    std::filesystem::path m_folder;
    guitest::MessageBoxRecorder m_boxes;
    std::unique_ptr<CDosewrightWindow> m_window;
};

TEST_F(DosewrightWindowTest, AGoodStartRemindsOfTheBackupBeforeTheWindowShowsAndEndsReady) {
    if (!guitest::ToolkitReady())
        return;
    CDosewrightWindow& window = Open(WindowPracticeFixture());

    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    EXPECT_EQ(m_boxes.Boxes()[0].text, kBackupReminder);
    EXPECT_EQ(m_boxes.Boxes()[0].title, "Dosewright");
    EXPECT_FALSE(m_boxes.Boxes()[0].ownerShown);

    guitest::RunModal(window, [&] {
        EXPECT_EQ(window.GetTitle(), "Dosewright");
        const platform::WxControl instructions(static_cast<wxControl&>(Control(res::IDC_STATIC)));
        EXPECT_EQ(instructions.GetText(), kInstructions);
        EXPECT_EQ(Status(), "Status:");
        for (int id : {res::IDOK, res::IDC_REPORT, res::IDCANCEL})
            EXPECT_TRUE(Control(id).IsEnabled()) << "button " << id;
        EXPECT_EQ(wxWindow::FindFocus(), &Control(res::IDOK));
        EXPECT_TRUE(window.GetIcons().GetIconCount() >= 4);
    });
}

TEST_F(DosewrightWindowTest, ReportButtonShowsTheCountsAndChangesNothing) {
    if (!guitest::ToolkitReady())
        return;
    CDosewrightWindow& window = Open(WindowPracticeFixture());

    const int result = guitest::RunModal(window, [&] {
        guitest::Click(Control(res::IDC_REPORT));
        EXPECT_EQ(Status(), kReportResult);
        EXPECT_TRUE(Control(res::IDOK).IsEnabled());
        EXPECT_TRUE(Control(res::IDC_REPORT).IsEnabled());
        EXPECT_FALSE(wxIsBusy());
        guitest::Click(Control(res::IDCANCEL));
    });
    EXPECT_EQ(result, wxID_CANCEL);
    EXPECT_EQ(RxNormIds(m_folder), (std::vector<std::string>{"999999", "314076"}));
    EXPECT_EQ(m_boxes.Boxes().size(), 1u) << "only the backup reminder";
}

TEST_F(DosewrightWindowTest, EnterAfterAGoodStartRunsARepairAndTheRepairButtonRepairs) {
    if (!guitest::ToolkitReady())
        return;
    CDosewrightWindow& window = Open(WindowPracticeFixture());

    guitest::RunModal(window, [&] {
        guitest::PressKey(window, WXK_RETURN);
        EXPECT_EQ(Status(), kRepairResult);
        EXPECT_EQ(RxNormIds(m_folder), (std::vector<std::string>{"314076", "314076"}));

        // A second run finds nothing left to repair.
        guitest::Click(Control(res::IDOK));
        EXPECT_EQ(Status(), "Number of Medications fixed: 0/2\n"
                            "Please refer to Dosewright.log for more details.");
    });
}

// Every way out of the window closes the host file set and the reference tables.
struct WayOut {
    const char* name;
    std::function<void(CDosewrightWindow&, wxWindow& exitButton)> leave;
};

void PrintTo(const WayOut& wayOut, std::ostream* out) {
    *out << wayOut.name;
}

class WaysOutTest : public DosewrightWindowTest, public ::testing::WithParamInterface<WayOut> {};

TEST_P(WaysOutTest, ClosesTheDatabaseAndEndsTheDialog) {
    if (!guitest::ToolkitReady())
        return;
    CDosewrightWindow& window = Open(WindowPracticeFixture());
    const std::vector<TableHandle> handles = Handles();
    for (TableHandle handle : handles)
        ASSERT_GE(fsgotof(handle, 1), 0) << "handle " << handle << " is open while the window is";

    const int result =
        guitest::RunModal(window, [&] { GetParam().leave(window, Control(res::IDCANCEL)); });

    EXPECT_EQ(result, wxID_CANCEL);
    for (TableHandle handle : handles)
        EXPECT_EQ(fsgotof(handle, 1), kBadHandle) << "handle " << handle << " is still open";
}

INSTANTIATE_TEST_SUITE_P(
    Window, WaysOutTest,
    ::testing::Values(WayOut{"ExitButton",
                             [](CDosewrightWindow&, wxWindow& exit) { guitest::Click(exit); }},
                      WayOut{"EscapeKey", [](CDosewrightWindow& window,
                                             wxWindow&) { guitest::PressKey(window, WXK_ESCAPE); }},
                      // What the close box, Alt+F4 and the window menu's Close send.
                      WayOut{"CloseBox",
                             [](CDosewrightWindow& window, wxWindow&) {
                                 window.Close();
                                 guitest::ProcessPending();
                             }}),
    [](const ::testing::TestParamInfo<WayOut>& info) { return std::string(info.param.name); });

// A scan that stops on a failure shows its box while it is still inside the
// record manager; a request to close or to exit arriving then must not close the
// connection under it.
TEST_F(DosewrightWindowTest, NoWayOutWhileAScanRuns) {
    if (!guitest::ToolkitReady())
        return;
    CDosewrightWindow& window = Open(WindowPracticeFixture());
    const std::vector<TableHandle> handles = Handles();
    bool stillOpenDuringScan = false;
    m_boxes.WhileShown([&] {
        window.Close();
        wxCommandEvent exitClick(wxEVT_BUTTON, res::IDCANCEL);
        exitClick.SetEventObject(&Control(res::IDCANCEL));
        Control(res::IDCANCEL).ProcessWindowEvent(exitClick);
        stillOpenDuringScan = window.IsModal();
    });

    const int result = guitest::RunModal(window, [&] {
        StoreLink_FailCall("fsgetn", 2, kStorageFailure);
        guitest::Click(Control(res::IDC_REPORT));
        StoreLink_FailCall("*", 0, 0);

        ASSERT_EQ(m_boxes.Boxes().size(), 2u);
        EXPECT_EQ(m_boxes.Boxes()[1].title, "Dosewright Error");
        EXPECT_NE(m_boxes.Boxes()[1].text.find("Error Code:-18"), std::string::npos);
        EXPECT_TRUE(stillOpenDuringScan);
        EXPECT_EQ(Status(), m_boxes.Boxes()[1].text);
        for (TableHandle handle : handles)
            EXPECT_GE(fsgotof(handle, 1), 0) << "handle " << handle << " was closed";

        guitest::Click(Control(res::IDCANCEL));
    });
    EXPECT_EQ(result, wxID_CANCEL);
}

TEST_F(DosewrightWindowTest, AFailedStartLeavesOnlyExitAndStillClosesTheHostFileSet) {
    if (!guitest::ToolkitReady())
        return;
    CDosewrightWindow& window = Open(WindowPracticeFixture(false));

    ASSERT_EQ(m_boxes.Boxes().size(), 2u);
    EXPECT_EQ(m_boxes.Boxes()[1].text, kNoUpdateHistory);
    EXPECT_EQ(m_boxes.Boxes()[1].title, "Dosewright Error");
    EXPECT_FALSE(m_boxes.Boxes()[1].ownerShown);

    const int result = guitest::RunModal(window, [&] {
        EXPECT_EQ(Status(), kNoUpdateHistory);
        EXPECT_FALSE(Control(res::IDOK).IsEnabled());
        EXPECT_FALSE(Control(res::IDC_REPORT).IsEnabled());
        EXPECT_TRUE(Control(res::IDCANCEL).IsEnabled());
        EXPECT_EQ(wxWindow::FindFocus(), &Control(res::IDCANCEL));

        // A disabled button takes no click: no scan, no run log.
        guitest::Click(Control(res::IDC_REPORT));
        EXPECT_EQ(Status(), kNoUpdateHistory);
        EXPECT_FALSE(std::filesystem::exists(m_folder / "Dosewright.log"));

        guitest::PressKey(window, WXK_ESCAPE);
    });
    EXPECT_EQ(result, wxID_CANCEL);
    EXPECT_EQ(m_boxes.Boxes().size(), 2u);
}

// The About box opens from the About command, with F1 and from the context menu, and closes
// with OK, Esc or Enter.
TEST_F(DosewrightWindowTest, AboutBoxOpensAndCloses) {
    if (!guitest::ToolkitReady())
        return;
    CDosewrightWindow& window = Open(WindowPracticeFixture());

    struct Opening {
        const char* how;
        std::function<void()> open;
        int closeKey; // 0: click OK
    };
    const std::vector<Opening> openings = {
        // What the system menu's and the context menu's About item send.
        {"About command",
         [&] {
             wxCommandEvent about(wxEVT_MENU, res::IDM_ABOUTBOX);
             window.ProcessWindowEvent(about);
         },
         0},
        {"F1", [&] { guitest::PressKey(window, WXK_F1); }, WXK_ESCAPE},
        {"context menu",
         [&] {
             // The menu's first item is chosen with the keyboard.
             const guitest::MenuWatch menu([&] {
                 guitest::PressKey(window, WXK_HOME);
                 guitest::PressKey(window, WXK_RETURN);
             });
             guitest::Click(Control(res::IDC_STATIC), wxMOUSE_BTN_RIGHT);
         },
         WXK_RETURN},
    };

    guitest::RunModal(window, [&] {
        for (const Opening& opening : openings) {
            SCOPED_TRACE(opening.how);
            std::vector<std::string> seen;
            const guitest::DialogWatch watch(&window, [&](wxDialog& about) {
                seen.push_back(about.GetTitle().ToStdString());
                if (opening.closeKey)
                    guitest::PressKey(about, opening.closeKey);
                else
                    guitest::Click(*about.FindWindow(res::IDOK));
                seen.push_back(about.IsModal() ? "still open" : "closed");
            });
            opening.open();
            guitest::ProcessPending();
            EXPECT_EQ(seen, (std::vector<std::string>{"About Dosewright", "closed"}));
        }
        EXPECT_TRUE(window.IsModal());
    });
}

// "Repair Approved Medications..." asks for the approved file with the
// system's open-file dialog; cancelled, it changes nothing. (What follows the
// choice is the dialog's command, tested on the fake window: GTK's dialog
// gives no path it has not shown.)
TEST_F(DosewrightWindowTest, RepairApprovedMedicationsAsksForTheFile) {
    if (!guitest::ToolkitReady())
        return;
    CDosewrightWindow& window = Open(WindowPracticeFixture());
    guitest::RunModal(window, [&] {
        const std::size_t boxesBefore = m_boxes.Boxes().size();
        wxCommandEvent command(wxEVT_MENU, res::IDM_REPAIR_APPROVED);
        window.ProcessWindowEvent(command);
        guitest::ProcessPending();
        EXPECT_EQ(m_boxes.FileQuestions(), std::vector<std::string>{"Repair Approved Medications"});
        EXPECT_EQ(m_boxes.Boxes().size(), boxesBefore);
        EXPECT_EQ(RxNormIds(m_folder), (std::vector<std::string>{"999999", "314076"}));
        guitest::Click(Control(res::IDCANCEL));
    });
}

// "Undo Last Repair..." asks first: No changes nothing, Yes takes the repair
// back and says how many medications it restored.
TEST_F(DosewrightWindowTest, UndoLastRepairAsksThenTakesTheRepairBack) {
    if (!guitest::ToolkitReady())
        return;
    CDosewrightWindow& window = Open(WindowPracticeFixture());
    auto undo = [&](int answer) {
        m_boxes.AnswerWith(answer);
        wxCommandEvent command(wxEVT_MENU, res::IDM_UNDOLASTREPAIR);
        window.ProcessWindowEvent(command);
        guitest::ProcessPending();
    };
    guitest::RunModal(window, [&] {
        guitest::Click(Control(res::IDOK));
        ASSERT_EQ(Status(), kRepairResult);
        const std::size_t boxesBefore = m_boxes.Boxes().size();

        undo(wxID_NO);
        ASSERT_EQ(m_boxes.Boxes().size(), boxesBefore + 1);
        EXPECT_EQ(m_boxes.Boxes().back().text.rfind("Undo the repair run started ", 0), 0u)
            << m_boxes.Boxes().back().text;
        EXPECT_EQ(RxNormIds(m_folder), (std::vector<std::string>{"314076", "314076"}));

        undo(wxID_YES);
        EXPECT_EQ(Status(), "Number of Medications restored: 1/1\n"
                            "Please refer to Dosewright.log for more details.");
        EXPECT_EQ(RxNormIds(m_folder), (std::vector<std::string>{"999999", "314076"}));
        m_boxes.AnswerWith(wxID_OK);
        guitest::Click(Control(res::IDCANCEL));
    });
}

// The run files open from the window menu in the default application once a
// run has written them; before that their items open nothing. Run Summary
// writes the run's page and opens it the same way.
TEST_F(DosewrightWindowTest, RunFilesOpenFromTheWindowMenuOnceTheyExist) {
    if (!guitest::ToolkitReady())
        return;
    CDosewrightWindow& window = Open(WindowPracticeFixture());
    std::vector<std::string> opened;
    platform::SetDefaultApplicationOpener([&](const std::string& path) {
        opened.push_back(path);
        return true;
    });
    const std::string folder = m_folder.string() + "/";
    auto command = [&](int id) {
        wxCommandEvent open(wxEVT_MENU, id);
        window.ProcessWindowEvent(open);
    };
    // The context menu's items in order, chosen with the keyboard. Home first:
    // the menu opens under the pointer, which may already have selected an item.
    auto choose = [&](int position) {
        const guitest::MenuWatch menu([&] {
            guitest::PressKey(window, WXK_HOME);
            for (int i = 1; i < position; ++i)
                guitest::PressKey(window, WXK_DOWN);
            guitest::PressKey(window, WXK_RETURN);
        });
        guitest::Click(Control(res::IDC_STATIC), wxMOUSE_BTN_RIGHT);
        guitest::ProcessPending();
    };

    guitest::RunModal(window, [&] {
        command(res::IDM_OPEN_RUN_LOG);
        command(res::IDM_OPEN_CSV_REPORT);
        EXPECT_TRUE(opened.empty()) << "no run has written them yet";

        guitest::Click(Control(res::IDC_REPORT));
        ASSERT_EQ(Status(), kReportResult);
        command(res::IDM_OPEN_RUN_LOG);
        command(res::IDM_OPEN_CSV_REPORT);
        choose(2);
        choose(3);
        choose(4);
        guitest::Click(Control(res::IDCANCEL));
    });
    platform::SetDefaultApplicationOpener({});
    EXPECT_EQ(opened,
              (std::vector<std::string>{folder + "Dosewright.log", folder + "Dosewright.csv",
                                        folder + "Dosewright.log", folder + "Dosewright.csv",
                                        folder + "Dosewright.html"}));
}

// While a scan runs, the free space above the buttons counts the medications
// it has examined; the status line keeps its text, and the count goes when the
// scan ends.
TEST_F(DosewrightWindowTest, AScanShowsHowManyMedicationsItHasExamined) {
    if (!guitest::ToolkitReady())
        return;
    json fixture = WindowPracticeFixture();
    for (int entryId = 3; entryId <= 300; ++entryId) {
        json medication = fixture["medications"][1];
        medication["entryId"] = entryId;
        fixture["medications"].push_back(medication);
    }
    CDosewrightWindow& window = Open(fixture);
    auto* progress =
        dynamic_cast<wxStaticText*>(wxWindow::FindWindowByName("scanProgress", &window));
    ASSERT_NE(progress, nullptr);
    const wxRect status = Control(res::IDC_STATUS).GetRect();
    const wxRect button = Control(res::IDOK).GetRect();
    EXPECT_GT(progress->GetRect().GetTop(), status.GetBottom());
    EXPECT_LT(progress->GetRect().GetBottom(), button.GetTop());

    std::string duringScan;
    std::string statusDuringScan;
    m_boxes.WhileShown([&] {
        duringScan = progress->GetLabel().ToStdString();
        statusDuringScan = Status();
    });
    guitest::RunModal(window, [&] {
        EXPECT_EQ(progress->GetLabel(), "");
        // The run stops at the 250th medication with a box, while the scan still runs.
        StoreLink_FailCall("fsgetn", 250, kStorageFailure);
        guitest::Click(Control(res::IDC_REPORT));
        StoreLink_FailCall("*", 0, 0);
        EXPECT_EQ(progress->GetLabel(), "") << "the count goes with the scan";
        guitest::Click(Control(res::IDCANCEL));
    });
    ASSERT_EQ(m_boxes.Boxes().size(), 2u);
    // This failure shows its box before its status text.
    EXPECT_EQ(statusDuringScan, "Status: Running Please Wait");
    const std::string prefix = "Medications examined: ";
    ASSERT_TRUE(duringScan.starts_with(prefix)) << duringScan;
    const int count = std::stoi(duringScan.substr(prefix.size()));
    EXPECT_GE(count, 1);
    EXPECT_LE(count, 249);
}

} // namespace
