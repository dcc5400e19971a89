// What the utility needs of its window. The utility never sees the toolkit: the
// window backend (wxWidgets, the console, or the tests' fake) implements this.
//
// Texts are bytes, carried unchanged. What the utility writes into its window
// (status line, message boxes) is its own messages, which may name paths - the
// database folder and the files under it - and the host libraries' messages,
// which name the same paths; no window text carries text read from a record.
// A backend that shows them decodes them as file names are encoded on its
// platform: UTF-8 on Linux, the ANSI code page on Windows. Bytes that are not
// valid there are shown as Windows-1252, the code page of the records, so that
// no byte is lost. Record text shown in the window would need a marking of
// its own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// One control of the dialog: a static text or a push button.
class Control {
public:
    virtual ~Control() = default;
    // Replaces the whole text (caption) of the control.
    virtual void SetText(std::string_view text) = 0;
    virtual std::string GetText() const = 0;
    virtual void Enable(bool enable) = 0;
    virtual bool IsEnabled() const = 0;
};

// The main dialog's window.
class DialogWindow {
public:
    virtual ~DialogWindow() = default;

    // The control with this id, or nullptr when the dialog has none. The control
    // belongs to the window and lives as long as it does.
    virtual Control* GetControl(int controlId) = 0;

    // A modal message box owned by the dialog, with only an OK button and no icon.
    // Returns when the user has closed it. A null title shows the application's
    // name in the title bar.
    virtual void ShowMessageBox(std::string_view text, const char* title) = 0;

    // A modal question box owned by the dialog, with Yes and No buttons and no
    // icon; true when the user answered Yes. A null title shows the
    // application's name.
    virtual bool AskYesNo(std::string_view text, const char* title) = 0;

    // The system's modal dialog for choosing a file to open, owned by the
    // dialog, for CSV files; true with the chosen file's path (as the
    // platform encodes file names) in `path`, false when the user cancelled.
    // A window without one (the console) chooses nothing.
    virtual bool AskOpenFile(std::string_view /*title*/, std::string& /*path*/) { return false; }

    // The busy cursor shown while the window takes no input.
    virtual void BeginWaitCursor() = 0;
    virtual void RestoreWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;

    // Called by a scan once for every medication it has examined, before the
    // medication is settled. A window that shows progress throttles it itself.
    virtual void ScanProgress(int32_t /*examined*/) {}
};

} // namespace platform
