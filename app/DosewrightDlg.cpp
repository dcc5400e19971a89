#include "app/DosewrightDlg.h"

#include <string>

#include "platform/DialogWindow.h"

CDosewrightDlg::CDosewrightDlg(platform::DialogWindow& window,
                               platform::LibraryLoader& libraryLoader)
    : m_window(window), m_libraryLoader(libraryLoader) {}

// Run files a failed scan left open, and a connection no Exit closed, are
// closed by their owners when the dialog ends.
CDosewrightDlg::~CDosewrightDlg() = default;

std::string CDosewrightDlg::StatusText() const {
    return m_pStatus ? m_pStatus->GetText() : std::string();
}

void CDosewrightDlg::ShowMessage(std::string_view text, const char* title) const {
    m_window.ShowMessageBox(text, title);
}

void CDosewrightDlg::SetStatusText(std::string_view text) const {
    if (m_pStatus)
        m_pStatus->SetText(text);
}

void CDosewrightDlg::ShowFailureBoxThenStatus(std::string_view text) const {
    m_lastFailure = text;
    ShowMessage(text, kErrorTitle);
    SetStatusText(text);
}

void CDosewrightDlg::ShowFailureStatusThenBox(std::string_view text) const {
    m_lastFailure = text;
    SetStatusText(text);
    ShowMessage(text, kErrorTitle);
}
