#include "fakes/FakeDialogWindow.h"

#include <ostream>

#include "resources/ResourceIds.h"

namespace fakes {
namespace {

WindowEvent Event(WindowEvent::Kind kind, int controlId = 0, std::string text = {}) {
    return WindowEvent{kind, controlId, std::move(text), std::nullopt, false};
}

} // namespace

class FakeDialogWindow::FakeControl final : public platform::Control {
public:
    FakeControl(FakeDialogWindow& owner, int id, std::string text)
        : m_owner(owner), m_id(id), m_text(std::move(text)) {}

    void SetText(std::string_view text) override {
        m_text = text;
        m_owner.m_events.push_back(Event(WindowEvent::Kind::SetText, m_id, m_text));
    }
    std::string GetText() const override { return m_text; }
    void Enable(bool enable) override {
        m_enabled = enable;
        WindowEvent event = Event(WindowEvent::Kind::Enable, m_id);
        event.enabled = enable;
        m_owner.m_events.push_back(event);
    }
    bool IsEnabled() const override { return m_enabled; }

private:
    FakeDialogWindow& m_owner;
    int m_id;
    std::string m_text;
    bool m_enabled = true;
};

FakeDialogWindow::FakeDialogWindow() {
    const std::pair<int, const char*> controls[] = {
        {res::IDOK, "Dosewright"},    {res::IDCANCEL, "Exit"},
        {res::IDC_STATIC, "Static"},  {res::IDC_REPORT, "Report Medications"},
        {res::IDC_STATUS, "Status:"},
    };
    for (const auto& [id, caption] : controls)
        m_controls[id] = std::make_unique<FakeControl>(*this, id, caption);
}

FakeDialogWindow::~FakeDialogWindow() = default;

platform::Control* FakeDialogWindow::GetControl(int controlId) {
    auto it = m_controls.find(controlId);
    return it == m_controls.end() ? nullptr : it->second.get();
}

void FakeDialogWindow::ShowMessageBox(std::string_view text, const char* title) {
    m_events.push_back(
        Box(std::string(text), title ? std::optional<std::string>(title) : std::nullopt));
}

bool FakeDialogWindow::AskOpenFile(std::string_view title, std::string& path) {
    m_events.push_back({WindowEvent::Kind::OpenFile, 0, std::string(title), std::nullopt, false});
    if (!openFileAnswer)
        return false;
    path = *openFileAnswer;
    return true;
}

bool FakeDialogWindow::AskYesNo(std::string_view text, const char* title) {
    m_events.push_back(
        Question(std::string(text), title ? std::optional<std::string>(title) : std::nullopt));
    return answerYes;
}

void FakeDialogWindow::BeginWaitCursor() {
    ++m_waitDepth;
    m_events.push_back(Event(WindowEvent::Kind::BeginWait));
}
void FakeDialogWindow::RestoreWaitCursor() {
    m_events.push_back(Event(WindowEvent::Kind::RestoreWait));
}
void FakeDialogWindow::EndWaitCursor() {
    --m_waitDepth;
    m_events.push_back(Event(WindowEvent::Kind::EndWait));
}

void FakeDialogWindow::ScanProgress(int32_t examined) {
    if (onScanProgress)
        onScanProgress(examined);
}

std::vector<std::string> FakeDialogWindow::MessageBoxes() const {
    std::vector<std::string> boxes;
    for (const auto& event : m_events) {
        if (event.kind == WindowEvent::Kind::MessageBox)
            boxes.push_back(event.title.value_or("") + "|" + event.text);
    }
    return boxes;
}

std::string FakeDialogWindow::StatusText() const {
    return ControlText(res::IDC_STATUS);
}

std::string FakeDialogWindow::ControlText(int controlId) const {
    auto it = m_controls.find(controlId);
    return it == m_controls.end() ? std::string() : it->second->GetText();
}

bool FakeDialogWindow::IsEnabled(int controlId) const {
    auto it = m_controls.find(controlId);
    return it != m_controls.end() && it->second->IsEnabled();
}

WindowEvent Box(std::string text, std::optional<std::string> title) {
    WindowEvent event = Event(WindowEvent::Kind::MessageBox, 0, std::move(text));
    event.title = std::move(title);
    return event;
}

WindowEvent Question(std::string text, std::optional<std::string> title) {
    WindowEvent event = Event(WindowEvent::Kind::Question, 0, std::move(text));
    event.title = std::move(title);
    return event;
}

WindowEvent Status(std::string text) {
    return Event(WindowEvent::Kind::SetText, res::IDC_STATUS, std::move(text));
}

std::string Describe(const WindowEvent& event) {
    switch (event.kind) {
    case WindowEvent::Kind::MessageBox:
        return "box \"" + event.title.value_or("<application>") + "\": " + event.text;
    case WindowEvent::Kind::Question:
        return "question \"" + event.title.value_or("<application>") + "\": " + event.text;
    case WindowEvent::Kind::SetText:
        return (event.controlId == res::IDC_STATUS ? std::string("status")
                                                   : "text " + std::to_string(event.controlId)) +
               ": " + event.text;
    case WindowEvent::Kind::Enable:
        return "enable " + std::to_string(event.controlId) + (event.enabled ? " on" : " off");
    case WindowEvent::Kind::BeginWait:
        return "begin wait cursor";
    case WindowEvent::Kind::RestoreWait:
        return "restore wait cursor";
    case WindowEvent::Kind::EndWait:
        return "end wait cursor";
    case WindowEvent::Kind::OpenFile:
        return "open file \"" + event.text + "\"";
    }
    return "?";
}

void PrintTo(const WindowEvent& event, std::ostream* out) {
    *out << Describe(event);
}

} // namespace fakes
