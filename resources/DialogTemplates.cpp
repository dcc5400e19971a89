#include "resources/DialogTemplates.h"

#include <array>

#include "DosewrightVersion.h"
#include "resources/ResourceIds.h"

namespace res {
namespace {

// 8-point shell dialog font, normal weight, default character set.
constexpr DialogFont kShellDialogFont{8, "MS Shell Dlg", 400, false, 1};

// Every control of a template is a visible child window.
constexpr uint32_t kControl = kWsChild | kWsVisible;

constexpr std::array kAboutControls{
    DialogControl{IDC_STATIC, ControlClass::StaticIcon, "", 14, 14, 21, 20, kControl | kSsIcon,
                  IDR_MAINFRAME},
    DialogControl{IDC_STATIC, ControlClass::StaticText,
                  "Dosewright, Version " DOSEWRIGHT_VERSION_SHORT_TEXT, 42, 14, 114, 8,
                  kControl | kSsLeft | kSsNoPrefix, 0},
    DialogControl{IDOK, ControlClass::PushButton, "OK", 113, 41, 50, 14,
                  kControl | kBsDefPushButton | kWsGroup | kWsTabStop, 0},
};

constexpr std::array kMainControls{
    DialogControl{IDOK, ControlClass::PushButton, "Dosewright", 7, 120, 59, 14,
                  kControl | kBsDefPushButton | kWsTabStop, 0},
    DialogControl{IDCANCEL, ControlClass::PushButton, "Exit", 260, 120, 50, 14,
                  kControl | kBsPushButton | kWsTabStop, 0},
    // Replaced by the instruction text at start-up.
    DialogControl{IDC_STATIC, ControlClass::StaticText, "Static", 7, 7, 300, 43,
                  kControl | kSsLeft | kWsGroup, 0},
    DialogControl{IDC_REPORT, ControlClass::PushButton, "Report Medications", 75, 120, 71, 14,
                  kControl | kBsDefPushButton | kWsTabStop, 0},
    DialogControl{IDC_STATUS, ControlClass::StaticText, "Status:", 7, 57, 300, 43,
                  kControl | kSsLeft | kWsGroup, 0},
};

constexpr DialogTemplate kAboutBox{
    IDD_ABOUTBOX,
    "About Dosewright",
    170,
    62,
    kShellDialogFont,
    kWsPopup | kWsCaption | kWsSysMenu | kDsModalFrame | kDsSetFont | kDsFixedSys,
    0,
    kAboutControls,
};

constexpr DialogTemplate kMainDialog{
    IDD_DOSEWRIGHT_DIALOG,
    "Dosewright",
    317,
    145,
    kShellDialogFont,
    kWsPopup | kWsVisible | kWsCaption | kWsSysMenu | kWsThickFrame | kDsSetFont | kDsFixedSys,
    kWsExAppWindow,
    kMainControls,
};

constexpr const DialogTemplate* kTemplates[] = {&kAboutBox, &kMainDialog};

struct StringResource {
    int id;
    const char* text;
};

constexpr StringResource kStrings[] = {
    {IDS_ABOUTBOX, "&About Dosewright..."},
    {IDS_OPEN_RUN_LOG, "Open Run &Log"},
    {IDS_OPEN_CSV_REPORT, "Open &CSV Report"},
};

} // namespace

const DialogTemplate* FindDialogTemplate(int templateId) {
    for (const DialogTemplate* dialog : kTemplates) {
        if (dialog->id == templateId)
            return dialog;
    }
    return nullptr;
}

const char* FindStringResource(int stringId) {
    for (const StringResource& entry : kStrings) {
        if (entry.id == stringId)
            return entry.text;
    }
    return nullptr;
}

} // namespace res
