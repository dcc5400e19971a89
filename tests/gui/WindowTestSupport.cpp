#include "gui/WindowTestSupport.h"

#include <cstdlib>
#include <utility>

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/event.h>
#include <wx/eventfilter.h>
#include <wx/evtloop.h>
#include <wx/filedlg.h>
#include <wx/init.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>
#include <wx/toplevel.h>
#include <wx/uiaction.h>

#include "platform/wx/Windows1252Text.h"

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
// How long a closed popup menu is given to let go of the pointer.
constexpr int kMenuSettleRounds = 10;
constexpr int kMenuSettleMilliseconds = 20;

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

// Sees every modal dialog before the toolkit shows it: a message box is
// recorded and answered with OK in place of being shown; any other dialog is
// shown as usual.
class MessageBoxRecorder::Hook final : public wxModalDialogHook {
public:
    explicit Hook(MessageBoxRecorder& recorder) : m_recorder(recorder) {}

    int Enter(wxDialog* dialog) override {
        if (const auto* chooser = dynamic_cast<wxFileDialogBase*>(dialog)) {
            m_recorder.m_fileQuestions.push_back(chooser->GetMessage().utf8_string());
            return wxID_CANCEL;
        }
        const auto* box = dynamic_cast<wxMessageDialogBase*>(dialog);
        if (!box)
            return wxID_NONE;
        // The toolkit gives a box the owner it was opened with only while that
        // owner is on the screen.
        wxWindow* owner = box->GetParent();
        m_recorder.m_boxes.push_back({platform::EncodeWindows1252(box->GetMessage()),
                                      platform::EncodeWindows1252(box->GetTitle()), owner,
                                      owner != nullptr && owner->IsShownOnScreen()});
        if (m_recorder.m_whileShown)
            m_recorder.m_whileShown();
        return m_recorder.m_answer;
    }

private:
    MessageBoxRecorder& m_recorder;
};

MessageBoxRecorder::MessageBoxRecorder()
    : m_answer(wxID_OK), m_hook(std::make_unique<Hook>(*this)) {
    m_hook->Register();
}

MessageBoxRecorder::~MessageBoxRecorder() {
    m_hook->Unregister();
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

    bool Fired() const { return m_fired; }

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
    // GTK lets go of a closed menu's pointer grab a moment after the menu has
    // gone; until then the next right click opens no menu.
    if (m_filter->Fired()) {
        for (int round = 0; round < kMenuSettleRounds; ++round) {
            wxMilliSleep(kMenuSettleMilliseconds);
            ProcessPending();
        }
    }
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
