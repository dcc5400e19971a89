// The Windows window as a user meets it: dosewright.exe started in a host
// folder, its message boxes answered, its buttons and keys pressed and its
// status line read from outside, through the dialog manager (under Wine on a
// virtual display here).
#include "DosewrightVersion.h"
#include "resources/ResourceIds.h"
#include "support/ExpectedTexts.h"
#include "support/HostFolder.h"
#include "support/TempFolder.h"

#include "gui/win32/WindowDriver.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using windriver::WindowDriver;

using testsupport::RxNormIds;
using testsupport::WindowPracticeFixture;

// The window program, started in `folder` as a user starts it in the orvale folder.
class WindowProgram {
public:
    explicit WindowProgram(const std::filesystem::path& folder,
                           const std::filesystem::path& programFolder = DOSEWRIGHT_BIN_DIR) {
        const std::string program = (programFolder / "dosewright.exe").string();
        std::string commandLine = "\"" + program + "\"";
        const std::string directory = folder.string();
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                            nullptr, directory.c_str(), &startup, &m_process))
            throw std::runtime_error(program +
                                     " cannot be started: " + std::to_string(GetLastError()));
    }
    ~WindowProgram() {
        if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(m_process.hProcess, 99);
        CloseHandle(m_process.hThread);
        CloseHandle(m_process.hProcess);
    }
    WindowProgram(const WindowProgram&) = delete;
    WindowProgram& operator=(const WindowProgram&) = delete;

    DWORD Id() const { return m_process.dwProcessId; }
    // The exit status once the program has ended; -1 when it did not end in time.
    long WaitForExit() const {
        DWORD status = 0;
        if (WaitForSingleObject(m_process.hProcess, 30000) != WAIT_OBJECT_0 ||
            !GetExitCodeProcess(m_process.hProcess, &status))
            return -1;
        return static_cast<long>(status);
    }

private:
    PROCESS_INFORMATION m_process{};
};

struct WindowRun {
    const char* name;
    bool goodStart;
    WPARAM key;                     // pressed after the start; 0: click "Report Medications"
    std::string status;             // the status line then
    bool undo;                      // then "Undo Last Repair..." from the window menu, answered Yes
    std::vector<std::string> after; // MRRX99's RxNorm IDs once the program has ended
};

void PrintTo(const WindowRun& run, std::ostream* out) {
    *out << run.name;
}

const std::string kMoreInLog = "\nPlease refer to Dosewright.log for more details.";

class DosewrightWin32WindowTest : public ::testing::TestWithParam<WindowRun> {};

TEST_P(DosewrightWin32WindowTest, RunsAsTheMessageMapSays) {
    const WindowRun& run = GetParam();
    const testsupport::TempFolder temp;
    const auto folder =
        testsupport::BuildHostFolder(temp.Path(), WindowPracticeFixture(run.goodStart));
    const WindowProgram program(folder);
    const WindowDriver driver(program.Id());

    // The backup reminder first, at every start, and the failure of a failed start.
    const WindowDriver::MessageBox reminder = driver.WaitForMessageBox();
    EXPECT_EQ(reminder.title, "Dosewright");
    EXPECT_EQ(reminder.text, expected::kBackupReminder);
    driver.Dismiss(reminder);
    if (!run.goodStart) {
        const WindowDriver::MessageBox failure = driver.WaitForMessageBox();
        EXPECT_EQ(failure.title, "Dosewright Error");
        EXPECT_EQ(failure.text, expected::kNoUpdateHistory);
        driver.Dismiss(failure);
    }

    HWND window = driver.WaitForMainWindow();
    EXPECT_EQ(WindowDriver::ControlText(window, res::IDC_STATUS),
              run.goodStart ? "Status:" : expected::kNoUpdateHistory);
    for (int button : {IDOK, res::IDC_REPORT})
        EXPECT_EQ(WindowDriver::IsControlEnabled(window, button), run.goodStart) << button;
    EXPECT_TRUE(WindowDriver::IsControlEnabled(window, IDCANCEL));

    if (run.key == 0)
        driver.Click(window, res::IDC_REPORT);
    else
        driver.PressKey(window, run.key);
    if (run.goodStart) {
        EXPECT_EQ(driver.WaitForTextStarting(window, res::IDC_STATUS, "Number of"), run.status);
        if (run.undo) {
            driver.ChooseWindowMenuItem(window, res::IDM_UNDOLASTREPAIR);
            const WindowDriver::MessageBox question = driver.WaitForMessageBox();
            EXPECT_EQ(question.text.rfind("Undo the repair run started ", 0), 0u) << question.text;
            driver.Answer(question, IDYES);
            EXPECT_EQ(
                driver.WaitForTextStarting(window, res::IDC_STATUS, "Number of Medications r"),
                "Number of Medications restored: 1/1" + kMoreInLog);
        }
        driver.PressKey(window, VK_ESCAPE);
    }
    driver.WaitUntilClosed();
    EXPECT_EQ(program.WaitForExit(), 0);
    EXPECT_EQ(RxNormIds(folder), run.after);
}

// The program after a good start on the window practice, its backup reminder
// answered: for the tests of the window menu.
struct StartedWindow {
    StartedWindow()
        : folder(testsupport::BuildHostFolder(temp.Path(), WindowPracticeFixture(true))),
          program(folder), driver(program.Id()) {
        driver.Dismiss(driver.WaitForMessageBox());
        window = driver.WaitForMainWindow();
    }
    // Esc, then the program's exit status once its windows are gone.
    long Close() const {
        driver.PressKey(window, VK_ESCAPE);
        driver.WaitUntilClosed();
        return program.WaitForExit();
    }

    const testsupport::TempFolder temp;
    const std::filesystem::path folder;
    const WindowProgram program;
    const WindowDriver driver;
    HWND window = nullptr;
};

// The About box, chosen from the window menu, names the program and its
// version; its OK closes it, and the window goes on.
TEST(DosewrightWin32AboutBoxTest, OpensFromTheWindowMenuWithTheVersion) {
    const StartedWindow started;
    started.driver.ChooseWindowMenuItem(started.window, res::IDM_ABOUTBOX);
    const WindowDriver::MessageBox about = started.driver.WaitForMessageBox();
    EXPECT_EQ(about.title, "About Dosewright");
    EXPECT_EQ(about.text, "Dosewright, Version " DOSEWRIGHT_VERSION_SHORT_TEXT);
    started.driver.Answer(about, IDOK);
    EXPECT_EQ(started.Close(), 0);
}

// "Repair Approved Medications..." asks for the file with the common dialog,
// then Yes or No, and repairs what the chosen report approves.
TEST(DosewrightWin32ApprovedRepairTest, RepairsWhatTheChosenFileApproves) {
    const StartedWindow started;
    const WindowDriver& driver = started.driver;
    HWND window = started.window;
    const auto& folder = started.folder;
    driver.Click(window, res::IDC_REPORT);
    driver.WaitForTextStarting(window, res::IDC_STATUS, "Number of");
    const auto approved = started.temp.Path() / "approved.csv";
    std::filesystem::copy_file(folder / "Dosewright.csv", approved);

    driver.ChooseWindowMenuItem(window, res::IDM_REPAIR_APPROVED);
    const WindowDriver::MessageBox chooser = driver.WaitForMessageBox();
    EXPECT_EQ(chooser.title, "Repair Approved Medications");
    driver.ChooseFile(chooser, approved.string());
    const WindowDriver::MessageBox question = driver.WaitForMessageBox();
    EXPECT_EQ(question.text.rfind("Repair the 1 approved medication of ", 0), 0u) << question.text;
    driver.Answer(question, IDYES);
    EXPECT_EQ(driver.WaitForTextStarting(window, res::IDC_STATUS, "Number of Medications f"),
              "Number of Medications fixed: 1/2\nApproved changes made: 1 of 1; left alone "
              "because the medication or the dictionary changed since: 0; matching no "
              "medication: 0." +
                  kMoreInLog);
    EXPECT_EQ(started.Close(), 0);
    EXPECT_EQ(RxNormIds(folder), (std::vector<std::string>{"314076", "314076"}));
}

// Without one of the host's DLLs beside it the program says so itself, before
// anything else, and ends.
TEST(DosewrightWin32HostDllTest, AMissingDllIsTheProgramsOwnMessage) {
    namespace fs = std::filesystem;
    const testsupport::TempFolder temp;
    const auto folder = testsupport::BuildHostFolder(temp.Path(), WindowPracticeFixture(true));
    const fs::path programFolder = temp.Path() / "program";
    fs::create_directory(programFolder);
    for (const auto& entry : fs::directory_iterator(DOSEWRIGHT_BIN_DIR)) {
        const std::string name = entry.path().filename().string();
        if ((name == "dosewright.exe" || entry.path().extension() == ".dll") &&
            name != "StoreLinkDll.dll")
            fs::copy_file(entry.path(), programFolder / name);
    }
    const WindowProgram program(folder, programFolder);
    const WindowDriver driver(program.Id());

    const WindowDriver::MessageBox box = driver.WaitForMessageBox();
    EXPECT_EQ(box.title, "Dosewright Error");
    EXPECT_EQ(box.text, "StoreLinkDll.dll is not in " + programFolder.string() +
                            ". Copy Dosewright into the host's program folder, beside the "
                            "host's DLLs.");
    driver.Dismiss(box);
    EXPECT_EQ(program.WaitForExit(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Window, DosewrightWin32WindowTest,
    ::testing::Values(
        WindowRun{"ReportThenEscape",
                  true,
                  0,
                  "Number of Medications that have invalid RxNorm ID's: 1/2" + kMoreInLog,
                  false,
                  {"999999", "314076"}},
        WindowRun{"EnterRepairsAfterAGoodStart",
                  true,
                  VK_RETURN,
                  "Number of Medications fixed: 1/2" + kMoreInLog,
                  false,
                  {"314076", "314076"}},
        WindowRun{"UndoFromTheWindowMenuTakesTheRepairBack",
                  true,
                  VK_RETURN,
                  "Number of Medications fixed: 1/2" + kMoreInLog,
                  true,
                  {"999999", "314076"}},
        // Exit has the focus after a failed start: Enter leaves, and nothing is repaired.
        WindowRun{
            "EnterExitsAfterAFailedStart", false, VK_RETURN, "", false, {"999999", "314076"}}),
    [](const ::testing::TestParamInfo<WindowRun>& info) { return std::string(info.param.name); });

} // namespace
