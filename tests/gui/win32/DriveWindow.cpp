// Drives a running dosewright.exe from outside, for scripts/screenshot windows:
//
//   dosewright-drive-window report [PROGRAM]
//                                    starts PROGRAM in the current folder when
//                                    given, answers the backup reminder (printing it as
//                                    "TITLE: TEXT" on standard error), presses
//                                    "Report Medications", and once the result
//                                    stands prints the status line, then the
//                                    window's place on the screen as
//                                    "window: LEFT TOP WIDTH HEIGHT"
//   dosewright-drive-window about    chooses About from the window menu and,
//                                    once the About box shows, prints its title and
//                                    text as "TITLE: TEXT" on standard error, moves
//                                    it to stand out of the window, and prints its
//                                    place as "window: LEFT TOP WIDTH HEIGHT"
//   dosewright-drive-window close-about  presses the About box's OK and waits
//                                    until it has closed
//   dosewright-drive-window close    presses Esc in the window and waits until
//                                    the program has closed it
//
// Exit status 0 when done, 1 when the window did not do what was asked in time.
#include "resources/ResourceIds.h"

#include "gui/win32/WindowDriver.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>

namespace {

// Starts the program and lets it run on by itself.
void Start(const char* program) {
    std::string commandLine = std::string("\"") + program + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(program, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        throw std::runtime_error(std::string(program) + " cannot be started: error " +
                                 std::to_string(GetLastError()));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

void PrintPlace(HWND window) {
    RECT place{};
    GetWindowRect(window, &place);
    std::printf("window: %ld %ld %ld %ld\n", place.left, place.top, place.right - place.left,
                place.bottom - place.top);
    std::fflush(stdout);
}

int Report(const windriver::WindowDriver& driver, const char* program) {
    if (program)
        Start(program);
    const windriver::WindowDriver::MessageBox reminder = driver.WaitForMessageBox();
    std::fprintf(stderr, "%s: %s\n", reminder.title.c_str(), reminder.text.c_str());
    driver.Dismiss(reminder);
    // A failed start would show its failure here and never a window ready to report.
    HWND window = driver.WaitForMainWindow();
    driver.Click(window, res::IDC_REPORT);
    const std::string status = driver.WaitForTextStarting(window, res::IDC_STATUS, "Number of");
    std::printf("%s\n", status.c_str());
    PrintPlace(window);
    return 0;
}

int About(const windriver::WindowDriver& driver) {
    driver.ChooseWindowMenuItem(driver.WaitForMainWindow(), res::IDM_ABOUTBOX);
    const windriver::WindowDriver::MessageBox about = driver.WaitForMessageBox();
    std::fprintf(stderr, "%s: %s\n", about.title.c_str(), about.text.c_str());
    // Wine 8 shows nothing of a window that lies wholly over another window
    // of the program (a message box over a plain window does the same): the
    // box is moved to stand out beyond the window's lower right corner, where
    // Wine shows it.
    RECT window{}, box{};
    GetWindowRect(driver.WaitForMainWindow(), &window);
    GetWindowRect(about.window, &box);
    SetWindowPos(about.window, nullptr, window.right - (box.right - box.left) / 2,
                 window.bottom - (box.bottom - box.top) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    PrintPlace(about.window);
    return 0;
}

int Close(const windriver::WindowDriver& driver) {
    driver.PressKey(driver.WaitForMainWindow(), VK_ESCAPE);
    driver.WaitUntilClosed();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const windriver::WindowDriver driver(0);
    try {
        if ((argc == 2 || argc == 3) && std::strcmp(argv[1], "report") == 0)
            return Report(driver, argc == 3 ? argv[2] : nullptr);
        if (argc == 2 && std::strcmp(argv[1], "about") == 0)
            return About(driver);
        if (argc == 2 && std::strcmp(argv[1], "close-about") == 0) {
            driver.Answer(driver.WaitForMessageBox(), IDOK);
            return 0;
        }
        if (argc == 2 && std::strcmp(argv[1], "close") == 0)
            return Close(driver);
        std::fprintf(
            stderr,
            "usage: dosewright-drive-window report [PROGRAM] | about | close-about | close\n");
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "dosewright-drive-window: %s\n", error.what());
        return 1;
    }
}
