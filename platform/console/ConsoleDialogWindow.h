// The window of the command-line front end: message boxes are printed to the
// error stream as "TITLE: TEXT", the controls live in memory, and a long scan
// shows its progress on a terminal.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>

#include "platform/DialogWindow.h"

namespace platform {

class ConsoleDialogWindow final : public DialogWindow {
public:
    // `messages` receives the message boxes and, when `showProgress`, the
    // progress line (redrawn in place; meant for a terminal only). A question
    // is answered by a line read from `answers`.
    ConsoleDialogWindow(std::FILE* messages, bool showProgress, std::FILE* answers = stdin);
    ~ConsoleDialogWindow() override;

    Control* GetControl(int controlId) override;
    void ShowMessageBox(std::string_view text, const char* title) override;
    // Prints "TITLE: TEXT [y/N] " and reads a line: Yes only for "y" or "yes"
    // (any letter case); No for anything else and at the end of the input.
    bool AskYesNo(std::string_view text, const char* title) override;
    void BeginWaitCursor() override;
    void RestoreWaitCursor() override {}
    void EndWaitCursor() override;
    void ScanProgress(int32_t examined) override;

private:
    class MemoryControl;
    void ClearProgressLine();

    std::FILE* m_messages;
    std::FILE* m_answers;
    bool m_showProgress;
    std::map<int, std::unique_ptr<MemoryControl>> m_controls;
    std::chrono::steady_clock::time_point m_scanStart{};
    std::chrono::steady_clock::time_point m_lastDraw{};
    bool m_progressShown = false;
    bool m_drawnInScan = false; // the progress line was drawn since the scan began
};

} // namespace platform
