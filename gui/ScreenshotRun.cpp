#include "gui/ScreenshotRun.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <wx/button.h>

#include "app/DosewrightDlg.h"
#include "gui/DosewrightWindow.h"
#include "platform/DialogWindow.h"
#include "platform/wx/WxDialogWindow.h"
#include "resources/ResourceIds.h"

namespace {

void PrintLine(std::FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

// Presses the report button the way a click does, after a start that ended ready.
void PressReport(CDosewrightWindow& window) {
    wxWindow* button = window.FindTemplateControl(res::IDC_REPORT);
    if (button && window.Dialog().Startup().IsReady()) {
        wxCommandEvent click(wxEVT_BUTTON, button->GetId());
        click.SetEventObject(button);
        button->ProcessWindowEvent(click);
    }
    PrintLine(stdout, window.Dialog().StatusText());
}

} // namespace

bool PrepareScreenshotRun(CDosewrightWindow& window) {
    const char* automate = std::getenv("DOSEWRIGHT_AUTOMATE");
    if (!automate || std::strcmp(automate, "report") != 0)
        return false;
    platform::WxDialogWindow::SetMessageBoxAnswerer(
        [](const platform::WxDialogWindow::MessageBox& box) {
            PrintLine(stderr, box.title + ": " + box.text);
        });
    // Runs once the modal loop of the shown window has started.
    window.CallAfter([&window] { PressReport(window); });
    return true;
}

void EndScreenshotRun() {
    platform::WxDialogWindow::SetMessageBoxAnswerer({});
}
