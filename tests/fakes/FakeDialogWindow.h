// The tests' window: records every call the utility makes on it, in order, so a
// test can assert what the user would have seen and in which order.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/DialogWindow.h"

namespace fakes {

struct WindowEvent {
    enum class Kind {
        MessageBox,
        Question,
        SetText,
        Enable,
        BeginWait,
        RestoreWait,
        EndWait,
        OpenFile,
    };
    Kind kind;
    int controlId = 0;                // SetText, Enable
    std::string text;                 // MessageBox, Question, SetText, OpenFile (its title)
    std::optional<std::string> title; // MessageBox, Question; nullopt: the application's name
    bool enabled = false;             // Enable

    bool operator==(const WindowEvent&) const = default;
};

// Readable form for test failure output: `box "Title": text`, `status: text`, ...
std::string Describe(const WindowEvent& event);
void PrintTo(const WindowEvent& event, std::ostream* out);

class FakeDialogWindow final : public platform::DialogWindow {
public:
    // A window with the main dialog's controls and their template captions.
    FakeDialogWindow();
    ~FakeDialogWindow() override;

    platform::Control* GetControl(int controlId) override;
    void ShowMessageBox(std::string_view text, const char* title) override;
    // Recorded as a Question event; answered with `answerYes`.
    bool AskYesNo(std::string_view text, const char* title) override;
    // Recorded as an OpenFile event; answered with `openFileAnswer` (none: cancelled).
    bool AskOpenFile(std::string_view title, std::string& path) override;
    void BeginWaitCursor() override;
    void RestoreWaitCursor() override;
    void EndWaitCursor() override;
    // Not recorded as an event; handed to onScanProgress when a test sets it.
    void ScanProgress(int32_t examined) override;

    bool answerYes = false;
    std::optional<std::string> openFileAnswer;

    // Called with the scan's examined count for every medication it examines.
    std::function<void(int32_t examined)> onScanProgress;

    const std::vector<WindowEvent>& Events() const { return m_events; }
    void ClearEvents() { m_events.clear(); }

    // The message boxes shown so far, as "Title|text" ("|text" for no title).
    std::vector<std::string> MessageBoxes() const;
    std::string StatusText() const;
    std::string ControlText(int controlId) const;
    bool IsEnabled(int controlId) const;
    // Begin minus end calls of the wait cursor.
    int WaitCursorDepth() const { return m_waitDepth; }

private:
    class FakeControl;
    std::map<int, std::unique_ptr<FakeControl>> m_controls;
    std::vector<WindowEvent> m_events;
    int m_waitDepth = 0;
};

// The shorthand the tests compare event lists with.
WindowEvent Box(std::string text, std::optional<std::string> title);
WindowEvent Status(std::string text);
WindowEvent Question(std::string text, std::optional<std::string> title);

} // namespace fakes
