#include "gui/WindowTestSupport.h"

#include <cstdlib>
#include <utility>

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/event.h>
#include <wx/eventfilter.h>
#include <wx/evtloop.h>
#include <wx/init.h>
#include <wx/toplevel.h>
#include <wx/uiaction.h>

#include "platform/wx/WxDialogWindow.h"

namespace guitest {
namespace {

enum class ToolkitState { NotStarted, Ready, NoDisplay, Failed };

ToolkitState& State() {
    static ToolkitState state = ToolkitState::NotStarted;
    return state;
}

class ToolkitEnvironment final : public ::testing::Environment {
public:
    void SetUp() override {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display) {
            State() = ToolkitState::NoDisplay;
            return;
        }
        static int argc = 1;
        static char name[] = "window-test";
        static char* argv[] = {name, nullptr};
        wxApp::SetInstance(new wxApp);
        State() = wxEntryStart(argc, argv) ? ToolkitState::Ready : ToolkitState::Failed;
        if (State() == ToolkitState::Ready)
            wxTheApp->SetAppName("Dosewright");
    }
    void TearDown() override {
        if (State() == ToolkitState::Ready)
            wxEntryCleanup();
    }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new ToolkitEnvironment);

// Input the simulator sends reaches the window through the X server; this many
// rounds of event handling are enough for it to arrive and be handled.
constexpr int kInputRounds = 20;

} // namespace

bool ToolkitReady() {
    switch (State()) {
    case ToolkitState::Ready:
        return true;
    case ToolkitState::NoDisplay:
        ADD_FAILURE() << "no display: run the window tests under xvfb-run (scripts/test does)";
        return false;
    default:
        ADD_FAILURE() << "the toolkit could not start on the display " << std::getenv("DISPLAY");
        return false;
    }
}

MessageBoxRecorder::MessageBoxRecorder() {
    platform::WxDialogWindow::SetMessageBoxAnswerer(
        [this](const platform::WxDialogWindow::MessageBox& box) {
            m_boxes.push_back({box.text, box.title, box.owner,
                               box.owner != nullptr && box.owner->IsShownOnScreen()});
            if (m_whileShown)
                m_whileShown();
        });
}

MessageBoxRecorder::~MessageBoxRecorder() {
    platform::WxDialogWindow::SetMessageBoxAnswerer({});
}

void ProcessPending() {
    for (int round = 0; round < kInputRounds; ++round) {
        wxTheApp->ProcessPendingEvents();
        wxEventLoopBase* loop = wxEventLoopBase::GetActive();
        if (loop)
            loop->YieldFor(wxEVT_CATEGORY_ALL);
    }
}

namespace {

// Runs `steps` once `dialog` is on the screen, then makes sure it ends.
void RunOnScreen(wxDialog& dialog, const std::function<void()>& steps) {
    while (!dialog.IsShownOnScreen())
        ProcessPending();
    ProcessPending();
    steps();
    if (dialog.IsModal())
        dialog.EndModal(wxID_ABORT);
}

} // namespace

int RunModal(wxDialog& dialog, const std::function<void()>& steps) {
    dialog.CallAfter([&dialog, &steps] { RunOnScreen(dialog, steps); });
    return dialog.ShowModal();
}

class DialogWatch::Filter final : public wxEventFilter {
public:
    Filter(wxWindow* except, std::function<void(wxDialog&)> steps)
        : m_except(except), m_steps(std::move(steps)) {}

    int FilterEvent(wxEvent& event) override {
        if (m_fired || event.GetEventType() != wxEVT_SHOW)
            return Event_Skip;
        auto* dialog = wxDynamicCast(event.GetEventObject(), wxDialog);
        if (!dialog || dialog == m_except || !static_cast<wxShowEvent&>(event).IsShown())
            return Event_Skip;
        m_fired = true;
        dialog->CallAfter([this, dialog] { RunOnScreen(*dialog, [&] { m_steps(*dialog); }); });
        return Event_Skip;
    }

private:
    wxWindow* m_except;
    std::function<void(wxDialog&)> m_steps;
    bool m_fired = false;
};

DialogWatch::DialogWatch(wxWindow* except, std::function<void(wxDialog&)> steps)
    : m_filter(std::make_unique<Filter>(except, std::move(steps))) {
    wxEvtHandler::AddFilter(m_filter.get());
}

DialogWatch::~DialogWatch() {
    wxEvtHandler::RemoveFilter(m_filter.get());
}

class MenuWatch::Filter final : public wxEventFilter {
public:
    explicit Filter(std::function<void()> steps) : m_steps(std::move(steps)) {}

    int FilterEvent(wxEvent& event) override {
        if (!m_fired && event.GetEventType() == wxEVT_MENU_OPEN) {
            m_fired = true;
            wxTheApp->CallAfter([this] { m_steps(); });
        }
        return Event_Skip;
    }

private:
    std::function<void()> m_steps;
    bool m_fired = false;
};

MenuWatch::MenuWatch(std::function<void()> steps)
    : m_filter(std::make_unique<Filter>(std::move(steps))) {
    wxEvtHandler::AddFilter(m_filter.get());
}

MenuWatch::~MenuWatch() {
    wxEvtHandler::RemoveFilter(m_filter.get());
}

void Click(wxWindow& window, int button) {
    wxUIActionSimulator simulator;
    simulator.MouseMove(window.GetScreenRect().GetPosition() + window.GetSize() / 2);
    ProcessPending();
    simulator.MouseClick(button);
    ProcessPending();
}

void PressKey(wxWindow& window, int keyCode) {
    wxUIActionSimulator simulator;
    // Without a window manager the keyboard follows the pointer.
    simulator.MouseMove(wxGetTopLevelParent(&window)->GetScreenRect().GetPosition() +
                        wxPoint(1, 1));
    ProcessPending();
    simulator.Char(keyCode);
    ProcessPending();
}

} // namespace guitest
