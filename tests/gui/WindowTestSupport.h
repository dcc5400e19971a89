// What the window tests share: the toolkit started once per test program on
// the display the tests run on (Xvfb under scripts/test), message boxes answered
// and recorded instead of shown, and a modal window driven from inside its own
// modal loop.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class wxDialog;
class wxWindow;

namespace guitest {

// Whether the toolkit runs on a display. When not, the test fails with the
// reason (no display at all, or one the toolkit could not start on) and should
// return. Call at the start of every test that makes a window.
bool ToolkitReady();

struct RecordedBox {
    std::string text;  // Windows-1252 bytes
    std::string title; // the title bar text
    wxWindow* owner;   // the window the toolkit gave the box: none while its own is hidden
    bool ownerShown;   // whether the owner was on the screen when the box came
};

// While alive, every message box the toolkit is asked to show is recorded here
// and answered (with OK unless told otherwise), without being shown; every
// open-file dialog is cancelled.
class MessageBoxRecorder {
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    const std::vector<RecordedBox>& Boxes() const { return m_boxes; }
    // Runs while each further box is "shown", before it is answered.
    void WhileShown(std::function<void()> action) { m_whileShown = std::move(action); }
    // The button each further box is answered with (wxID_OK, wxID_YES, wxID_NO).
    void AnswerWith(int button) { m_answer = button; }
    // Every open-file dialog is cancelled, its title recorded here.
    const std::vector<std::string>& FileQuestions() const { return m_fileQuestions; }

private:
    class Hook;
    std::vector<RecordedBox> m_boxes;
    std::function<void()> m_whileShown;
    int m_answer;
    std::vector<std::string> m_fileQuestions;
    std::unique_ptr<Hook> m_hook;
};

// Shows `dialog` modally and runs `steps` inside its modal loop once it is on
// the screen. Returns the modal result. When the steps leave the dialog open
// (a failed assertion among them), it is ended with wxID_ABORT so that the
// test goes on.
int RunModal(wxDialog& dialog, const std::function<void()>& steps);

// While alive: when a dialog other than `except` is shown, `steps` run inside
// its modal loop once it is on the screen, once. A dialog they leave open is
// ended with wxID_ABORT.
class DialogWatch {
public:
    DialogWatch(wxWindow* except, std::function<void(wxDialog&)> steps);
    ~DialogWatch();
    DialogWatch(const DialogWatch&) = delete;
    DialogWatch& operator=(const DialogWatch&) = delete;

private:
    class Filter;
    std::unique_ptr<Filter> m_filter;
};

// While alive: when a popup menu opens, `steps` run inside its loop, once.
class MenuWatch {
public:
    explicit MenuWatch(std::function<void()> steps);
    ~MenuWatch();
    MenuWatch(const MenuWatch&) = delete;
    MenuWatch& operator=(const MenuWatch&) = delete;

private:
    class Filter;
    std::unique_ptr<Filter> m_filter;
};

// Lets the toolkit handle what is waiting: paints, and input the simulator sent.
void ProcessPending();

// A click of a mouse button in the middle of `window`, as the user makes it.
void Click(wxWindow& window, int button = 1 /* left */);

// A key pressed and released in the window that holds `window`, as the user
// types it: it goes to the control with the focus.
void PressKey(wxWindow& window, int keyCode);

} // namespace guitest
