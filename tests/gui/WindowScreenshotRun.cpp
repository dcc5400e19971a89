// The window as scripts/screenshot photographs it: started in the current
// folder (the demo practice), the backup reminder dismissed, a click on
// "Report Medications" and the result in the status line. Built with the window
// tests, never shipped.
//
// Each message box is printed to standard error as "TITLE: TEXT", the status
// line to standard output once the report has changed it. The window then stays
// on the screen until the process is ended; exit status 1 when the report could
// not be started or did not finish.
#include <cstdio>
#include <string>

#include <wx/app.h>
#include <wx/init.h>
#include <wx/utils.h>
#include <wx/window.h>

#include "gui/DosewrightWindow.h"
#include "gui/WindowTestSupport.h"
#include "platform/LibraryLoader.h"
#include "platform/wx/Windows1252Text.h"
#include "platform/wx/WxDialogWindow.h"
#include "resources/ResourceIds.h"

namespace {

// How long the report may take before the run is given up.
constexpr int kReportRounds = 600;
constexpr int kRoundMilliseconds = 100;

void PrintLine(std::FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

std::string StatusLine(CDosewrightWindow& window) {
    return platform::EncodeWindows1252(window.FindTemplateControl(res::IDC_STATUS)->GetLabel());
}

// Clicks Report and waits for its result; false when there is none.
bool RunReport(CDosewrightWindow& window) {
    wxWindow* report = window.FindTemplateControl(res::IDC_REPORT);
    if (!report || !report->IsEnabled())
        return false;
    const std::string before = StatusLine(window);
    guitest::Click(*report);
    for (int round = 0; round < kReportRounds && StatusLine(window) == before; ++round) {
        guitest::ProcessPending();
        wxMilliSleep(kRoundMilliseconds);
    }
    return StatusLine(window) != before;
}

} // namespace

int main(int argc, char** argv) {
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv)) {
        std::fputs("window-screenshot-run: the toolkit cannot start on this display\n", stderr);
        return 1;
    }
    wxTheApp->SetAppName(platform::WxDialogWindow::kApplicationName);
    bool reported = false;
    {
        guitest::MessageBoxRecorder boxes;
        CDosewrightWindow window(platform::SystemLibraryLoader());
        wxTheApp->SetTopWindow(&window);
        window.RunStartup();
        guitest::RunModal(window, [&] {
            reported = RunReport(window);
            for (const guitest::RecordedBox& box : boxes.Boxes())
                PrintLine(stderr, box.title + ": " + box.text);
            if (!reported)
                return;
            PrintLine(stdout, StatusLine(window));
            for (;;) {
                guitest::ProcessPending();
                wxMilliSleep(kRoundMilliseconds);
            }
        });
    }
    wxEntryCleanup();
    return reported ? 0 : 1;
}
