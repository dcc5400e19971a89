// The program's dialog templates, as data: the About box (100) and the main
// dialog (102).
//
// Positions and sizes are dialog units, relative to the client area: a
// horizontal unit is a quarter of the dialog font's average character width, a
// vertical unit an eighth of its height. Style bits carry their Windows values
// so that a template reads the same as the resource it stands for; a window
// backend maps what its toolkit can express.
#pragma once

#include <cstdint>
#include <span>

namespace res {

// Window styles (dialog and controls).
inline constexpr uint32_t kWsPopup = 0x80000000;
inline constexpr uint32_t kWsChild = 0x40000000;
inline constexpr uint32_t kWsVisible = 0x10000000;
inline constexpr uint32_t kWsDisabled = 0x08000000;
inline constexpr uint32_t kWsCaption = 0x00C00000;
inline constexpr uint32_t kWsSysMenu = 0x00080000;
inline constexpr uint32_t kWsThickFrame = 0x00040000; // resizable frame
inline constexpr uint32_t kWsGroup = 0x00020000;
inline constexpr uint32_t kWsTabStop = 0x00010000;
inline constexpr uint32_t kWsMinimizeBox = 0x00020000; // same bit as kWsGroup, top-level only
inline constexpr uint32_t kWsMaximizeBox = 0x00010000; // same bit as kWsTabStop, top-level only

// Dialog styles.
inline constexpr uint32_t kDsSetFont = 0x0040;
inline constexpr uint32_t kDsModalFrame = 0x0080;
inline constexpr uint32_t kDsFixedSys = 0x0008; // with kDsSetFont: the system's dialog font

// Extended dialog style: the window has a button of its own in the task bar.
inline constexpr uint32_t kWsExAppWindow = 0x00040000;

// Push-button styles.
inline constexpr uint32_t kBsPushButton = 0x0000;
inline constexpr uint32_t kBsDefPushButton = 0x0001;

// Static-control styles.
inline constexpr uint32_t kSsLeft = 0x0000;
inline constexpr uint32_t kSsIcon = 0x0003;
inline constexpr uint32_t kSsNoPrefix = 0x0080; // '&' is shown, not taken as a mnemonic

enum class ControlClass {
    PushButton,
    StaticText,
    StaticIcon, // shows the icon resource `imageId`
};

struct DialogControl {
    int id; // control id; -1 for controls nobody looks up
    ControlClass type;
    const char* caption; // Windows-1252 text; empty for an icon
    int x, y, cx, cy;    // dialog units
    uint32_t style;
    int imageId; // icon resource of a StaticIcon, else 0
};

struct DialogFont {
    int pointSize;
    const char* faceName;
    int weight; // 400 normal, 700 bold
    bool italic;
    int charSet; // 1: the default character set
};

struct DialogTemplate {
    int id;
    const char* caption; // Windows-1252 text
    int cx, cy;          // client area, dialog units
    DialogFont font;
    uint32_t style;
    uint32_t exStyle;
    std::span<const DialogControl> controls; // in template order, which is the tab order
};

// The template with this resource id, or nullptr.
const DialogTemplate* FindDialogTemplate(int templateId);

// The text of string resource `stringId`, or nullptr when the program has none.
const char* FindStringResource(int stringId);

} // namespace res
