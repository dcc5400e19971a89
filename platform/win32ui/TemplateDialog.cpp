#include "platform/win32ui/TemplateDialog.h"

#include "platform/win32ui/DialogTemplateBuilder.h"
#include "resources/DialogTemplates.h"

namespace platform {

TemplateDialog::TemplateDialog(const res::DialogTemplate& dialogTemplate, HINSTANCE instance)
    : m_template(dialogTemplate), m_instance(instance) {}

INT_PTR TemplateDialog::DoModal(HWND owner) {
    const std::vector<uint32_t> bytes = BuildDialogTemplate(m_template, DS_CENTER);
    const INT_PTR result =
        DialogBoxIndirectParamA(m_instance, reinterpret_cast<LPCDLGTEMPLATEA>(bytes.data()), owner,
                                &DialogProcedure, reinterpret_cast<LPARAM>(this));
    m_window = nullptr;
    m_controls.clear();
    return result;
}

void TemplateDialog::EndDialog(INT_PTR result) {
    if (m_window)
        ::EndDialog(m_window, result);
}

HWND TemplateDialog::FindTemplateControl(int controlId) const {
    const auto& controls = m_template.controls;
    for (std::size_t i = 0; i < controls.size() && i < m_controls.size(); ++i) {
        if (controls[i].id == controlId)
            return m_controls[i];
    }
    return nullptr;
}

// The dialog manager creates the controls in template order, each after the
// one before, so the child list holds them in that order.
void TemplateDialog::CollectControls() {
    m_controls.clear();
    for (HWND child = GetWindow(m_window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        m_controls.push_back(child);
}

std::optional<INT_PTR> TemplateDialog::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED &&
        (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(LOWORD(wParam));
        return TRUE;
    }
    return std::nullopt;
}

INT_PTR CALLBACK TemplateDialog::DialogProcedure(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<TemplateDialog*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        dialog->m_window = window;
        dialog->CollectControls();
        if (!dialog->OnInitDialog())
            return FALSE;
        // The focus goes to the first enabled tab stop, which becomes the
        // default button when it is a push button: Enter presses it.
        if (HWND first = GetNextDlgTabItem(window, nullptr, FALSE))
            SendMessageA(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
        return FALSE;
    }
    auto* dialog = reinterpret_cast<TemplateDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    if (!dialog)
        return FALSE; // messages that come before WM_INITDIALOG
    const std::optional<INT_PTR> result = dialog->OnMessage(message, wParam, lParam);
    return result ? *result : FALSE;
}

} // namespace platform
