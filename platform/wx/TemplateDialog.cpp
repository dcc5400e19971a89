#include "platform/wx/TemplateDialog.h"

#include <wx/button.h>
#include <wx/fontenum.h>
#include <wx/iconbndl.h>
#include <wx/settings.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "platform/wx/Windows1252Text.h"
#include "resources/DialogTemplates.h"

namespace platform {
namespace {

bool Has(uint32_t style, uint32_t bits) {
    return (style & bits) == bits;
}

// The window styles the toolkit has for the template's. There is no separate
// modal frame: a frame that is not resizable is one.
long DialogStyle(const res::DialogTemplate& dialogTemplate) {
    const uint32_t style = dialogTemplate.style;
    long wxStyle = 0;
    if (Has(style, res::kWsCaption)) {
        wxStyle |= wxCAPTION;
        // On a captioned top-level window these bits are the minimise and maximise boxes.
        if (Has(style, res::kWsMinimizeBox))
            wxStyle |= wxMINIMIZE_BOX;
        if (Has(style, res::kWsMaximizeBox))
            wxStyle |= wxMAXIMIZE_BOX;
    }
    if (Has(style, res::kWsSysMenu))
        wxStyle |= wxSYSTEM_MENU | wxCLOSE_BOX;
    if (Has(style, res::kWsThickFrame))
        wxStyle |= wxRESIZE_BORDER;
    // A window of its own in the task bar, not tied to another top-level window.
    if (Has(dialogTemplate.exStyle, res::kWsExAppWindow))
        wxStyle |= wxDIALOG_NO_PARENT;
    return wxStyle;
}

// The shell dialog font stands for the system's own dialog font: the template's
// face where the system has it, the toolkit's default dialog font elsewhere.
wxFont DialogFont(const res::DialogFont& font) {
    if (wxFontEnumerator::IsValidFacename(font.faceName)) {
        return wxFont(wxFontInfo(font.pointSize)
                          .FaceName(font.faceName)
                          .Bold(font.weight >= 700)
                          .Italic(font.italic));
    }
    return wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
}

// Template id -1 marks controls nobody looks up; the toolkit gives them an id of its own.
wxWindowID ToolkitId(int controlId) {
    return controlId == -1 ? wxID_ANY : controlId;
}

} // namespace

TemplateDialog::TemplateDialog(wxWindow* parent, const res::DialogTemplate& dialogTemplate,
                               const wxIconBundle& icons)
    : m_template(dialogTemplate) {
    Create(parent, wxID_ANY, DecodeWindows1252(dialogTemplate.caption), wxDefaultPosition,
           wxDefaultSize, DialogStyle(dialogTemplate));
    SetFont(DialogFont(dialogTemplate.font));
    // Template sizes are client sizes.
    SetClientSize(ConvertDialogToPixels(wxSize(dialogTemplate.cx, dialogTemplate.cy)));
    if (icons.IsOk())
        SetIcons(icons);
    for (const res::DialogControl& control : dialogTemplate.controls)
        m_controls.push_back(CreateControl(control, icons));
}

wxWindow* TemplateDialog::CreateControl(const res::DialogControl& control,
                                        const wxIconBundle& icons) {
    const wxPoint position = ConvertDialogToPixels(wxPoint(control.x, control.y));
    const wxSize size = ConvertDialogToPixels(wxSize(control.cx, control.cy));
    const wxWindowID id = ToolkitId(control.id);
    const wxString caption = DecodeWindows1252(control.caption);

    wxWindow* window = nullptr;
    switch (control.type) {
    case res::ControlClass::PushButton: {
        auto* button = new wxButton(this, id, wxEmptyString, position, size);
        button->SetLabel(caption); // '&' marks the mnemonic, as in the template
        // One default button a window: the first in template order.
        if (Has(control.style, res::kBsDefPushButton) && !m_defaultButtonSet) {
            button->SetDefault();
            m_defaultButtonSet = true;
        }
        window = button;
        break;
    }
    case res::ControlClass::StaticText: {
        // Keeps its template size whatever text it is given; long text wraps.
        auto* text = new wxStaticText(this, id, wxEmptyString, position, size,
                                      wxALIGN_LEFT | wxST_NO_AUTORESIZE);
        if (Has(control.style, res::kSsNoPrefix))
            text->SetLabelText(caption);
        else
            text->SetLabel(caption);
        window = text;
        break;
    }
    case res::ControlClass::StaticIcon: {
        // An icon control takes the size of the standard icon at its template place.
        const wxSize iconSize = FromDIP(wxSize(32, 32));
        const wxIcon icon = icons.GetIcon(iconSize, wxIconBundle::FALLBACK_NEAREST_LARGER);
        window = new wxStaticBitmap(this, id, icon, position, iconSize);
        break;
    }
    }

    if (!Has(control.style, res::kWsVisible))
        window->Hide();
    if (Has(control.style, res::kWsDisabled))
        window->Disable();
    return window;
}

wxWindow* TemplateDialog::FindTemplateControl(int controlId) const {
    const auto& controls = m_template.controls;
    for (std::size_t i = 0; i < controls.size() && i < m_controls.size(); ++i) {
        if (controls[i].id == controlId)
            return m_controls[i];
    }
    return nullptr;
}

wxWindow* TemplateDialog::FocusFirstTabStop() {
    const auto& controls = m_template.controls;
    for (std::size_t i = 0; i < controls.size() && i < m_controls.size(); ++i) {
        wxWindow* window = m_controls[i];
        if (Has(controls[i].style, res::kWsTabStop) && window->IsShown() && window->IsEnabled() &&
            window->CanAcceptFocus()) {
            window->SetFocus();
            return window;
        }
    }
    return nullptr;
}

} // namespace platform
