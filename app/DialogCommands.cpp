// The commands of the main dialog's buttons.
#include <cstdio>

#include "app/DosewrightDlg.h"
#include "platform/DialogWindow.h"

namespace {
constexpr int kResultTextSize = 1000;
}

bool CDosewrightDlg::OnBnClickedRepair() {
    int32_t examined = 0;
    int32_t affected = 0;
    if (!ScanMedications(examined, affected, 0))
        return false; // the status line keeps the failure the scan showed
    char text[kResultTextSize] = {};
    std::snprintf(text, sizeof text,
                  "Number of Medications fixed: %d/%d\nPlease refer to Dosewright.log for more "
                  "details.",
                  affected, examined);
    SetStatusText(text);
    return true;
}

bool CDosewrightDlg::OnBnClickedReport() {
    int32_t examined = 0;
    int32_t affected = 0;
    m_window.BeginWaitCursor();
    const bool completed = ScanMedications(examined, affected, 1);
    if (completed) {
        char text[kResultTextSize] = {};
        std::snprintf(text, sizeof text,
                      "Number of Medications that have invalid RxNorm ID's: %d/%d\nPlease refer "
                      "to Dosewright.log for more details.",
                      affected, examined);
        SetStatusText(text);
    }
    m_window.RestoreWaitCursor();
    m_window.EndWaitCursor();
    return completed;
}

void CDosewrightDlg::OnBnClickedExit() {
    CloseDatabase();
}
