#include "platform/console/ConsoleDialogWindow.h"

#include <cctype>
#include <string>

#include "resources/ResourceIds.h"

namespace platform {
namespace {

// The application's name, shown where a message box has no title of its own.
constexpr const char* kApplicationName = "Dosewright";

// Progress is checked every this many medications; it is drawn at the first
// check of a scan and then redrawn at most this often.
constexpr int32_t kProgressCheckInterval = 1024;
constexpr auto kProgressRedrawInterval = std::chrono::milliseconds(200);

} // namespace

class ConsoleDialogWindow::MemoryControl final : public Control {
public:
    explicit MemoryControl(std::string text) : m_text(std::move(text)) {}
    void SetText(std::string_view text) override { m_text = text; }
    std::string GetText() const override { return m_text; }
    void Enable(bool enable) override { m_enabled = enable; }
    bool IsEnabled() const override { return m_enabled; }

private:
    std::string m_text;
    bool m_enabled = true;
};

ConsoleDialogWindow::ConsoleDialogWindow(std::FILE* messages, bool showProgress, std::FILE* answers)
    : m_messages(messages), m_answers(answers), m_showProgress(showProgress) {
    const std::pair<int, const char*> controls[] = {
        {res::IDOK, "Dosewright"},    {res::IDCANCEL, "Exit"},
        {res::IDC_STATIC, ""},        {res::IDC_REPORT, "Report Medications"},
        {res::IDC_STATUS, "Status:"},
    };
    for (const auto& [id, caption] : controls)
        m_controls[id] = std::make_unique<MemoryControl>(caption);
}

ConsoleDialogWindow::~ConsoleDialogWindow() {
    ClearProgressLine();
}

Control* ConsoleDialogWindow::GetControl(int controlId) {
    auto it = m_controls.find(controlId);
    return it == m_controls.end() ? nullptr : it->second.get();
}

void ConsoleDialogWindow::ShowMessageBox(std::string_view text, const char* title) {
    ClearProgressLine();
    const char* shownTitle = title ? title : kApplicationName;
    std::fprintf(m_messages, "%s: %.*s\n", shownTitle, static_cast<int>(text.size()), text.data());
    std::fflush(m_messages);
}

bool ConsoleDialogWindow::AskYesNo(std::string_view text, const char* title) {
    ClearProgressLine();
    const char* shownTitle = title ? title : kApplicationName;
    std::fprintf(m_messages, "%s: %.*s [y/N] ", shownTitle, static_cast<int>(text.size()),
                 text.data());
    std::fflush(m_messages);
    char line[16] = {};
    if (!m_answers || !std::fgets(line, sizeof line, m_answers))
        return false;
    std::string answer(line);
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r'))
        answer.pop_back();
    for (char& c : answer)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return answer == "y" || answer == "yes";
}

void ConsoleDialogWindow::BeginWaitCursor() {
    m_scanStart = m_lastDraw = std::chrono::steady_clock::now();
    m_drawnInScan = false;
}

void ConsoleDialogWindow::EndWaitCursor() {
    ClearProgressLine();
}

void ConsoleDialogWindow::ScanProgress(int32_t examined) {
    if (!m_showProgress || examined % kProgressCheckInterval != 0)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (m_drawnInScan && now - m_lastDraw < kProgressRedrawInterval)
        return;
    m_lastDraw = now;
    m_drawnInScan = true;

    const double seconds = std::chrono::duration<double>(now - m_scanStart).count();
    const double rate = seconds > 0 ? examined / seconds : 0;
    const std::string line = "\r\033[K  " + std::to_string(examined) + " medications examined, " +
                             std::to_string(static_cast<long long>(rate)) + "/s";
    std::fputs(line.c_str(), m_messages);
    std::fflush(m_messages);
    m_progressShown = true;
}

void ConsoleDialogWindow::ClearProgressLine() {
    if (!m_progressShown)
        return;
    std::fputs("\r\033[K", m_messages);
    std::fflush(m_messages);
    m_progressShown = false;
}

} // namespace platform
