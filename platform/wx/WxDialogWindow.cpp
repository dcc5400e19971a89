#include "platform/wx/WxDialogWindow.h"

#include <wx/control.h>
#include <wx/evtloop.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/stattext.h>
#include <wx/utils.h>

#include "platform/wx/TemplateDialog.h"
#include "platform/wx/Windows1252Text.h"
#include "platform/wx/WxControl.h"

namespace platform {
namespace {

// While a scan runs the window shows its count and is repainted at most this
// often, checked every so many medications.
constexpr int32_t kRepaintCheckInterval = 64;
constexpr auto kRepaintInterval = std::chrono::milliseconds(100);

} // namespace

WxDialogWindow::WxDialogWindow(TemplateDialog& dialog) : m_dialog(dialog) {}

WxDialogWindow::~WxDialogWindow() {
    while (m_waitCursorDepth > 0)
        EndWaitCursor();
}

Control* WxDialogWindow::GetControl(int controlId) {
    auto found = m_controls.find(controlId);
    if (found != m_controls.end())
        return found->second.get();
    auto* control = dynamic_cast<wxControl*>(m_dialog.FindTemplateControl(controlId));
    if (!control)
        return nullptr;
    return m_controls.emplace(controlId, std::make_unique<WxControl>(*control)).first->second.get();
}

void WxDialogWindow::ShowMessageBox(std::string_view text, const char* title) {
    const std::string shownTitle = title ? title : kApplicationName;
    // Only an OK button and no icon. Message text is shown as it stands.
    wxMessageDialog box(&m_dialog, DecodeWindowText(text), DecodeWindowText(shownTitle),
                        wxOK | wxICON_NONE | wxCENTRE);
    box.ShowModal();
}

bool WxDialogWindow::AskYesNo(std::string_view text, const char* title) {
    const std::string shownTitle = title ? title : kApplicationName;
    // Yes and No, No the default, no icon; the text is shown as it stands.
    wxMessageDialog box(&m_dialog, DecodeWindows1252(text), DecodeWindows1252(shownTitle),
                        wxYES_NO | wxNO_DEFAULT | wxICON_NONE | wxCENTRE);
    return box.ShowModal() == wxID_YES;
}

bool WxDialogWindow::AskOpenFile(std::string_view title, std::string& path) {
    wxFileDialog chooser(&m_dialog, DecodeWindows1252(title), wxEmptyString, wxEmptyString,
                         "CSV files (*.csv)|*.csv;*.CSV|All files (*)|*",
                         wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (chooser.ShowModal() != wxID_OK)
        return false;
    // File names on Linux are UTF-8.
    path = chooser.GetPath().utf8_string();
    return !path.empty();
}

void WxDialogWindow::BeginWaitCursor() {
    wxBeginBusyCursor();
    ++m_waitCursorDepth;
}

void WxDialogWindow::RestoreWaitCursor() {
    // Sets the busy cursor again where something (a message box) changed it.
    if (m_waitCursorDepth == 0)
        return;
    wxEndBusyCursor();
    wxBeginBusyCursor();
}

void WxDialogWindow::EndWaitCursor() {
    if (m_waitCursorDepth == 0)
        return;
    --m_waitCursorDepth;
    wxEndBusyCursor();
    if (m_waitCursorDepth == 0 && m_progressText && !m_progressText->GetLabel().empty())
        m_progressText->SetLabel(wxString());
}

void WxDialogWindow::ScanProgress(int32_t examined) {
    if (examined != 1 && examined % kRepaintCheckInterval != 0)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (examined != 1 && now - m_lastRepaint < kRepaintInterval)
        return;
    m_lastRepaint = now;
    if (m_progressText)
        m_progressText->SetLabel(wxString::Format("Medications examined: %d", examined));
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    if (loop && m_dialog.IsShownOnScreen()) {
        // Only paint and layout: clicks and keys stay queued until the scan returns.
        loop->YieldFor(wxEVT_CATEGORY_UI);
    }
}

} // namespace platform
