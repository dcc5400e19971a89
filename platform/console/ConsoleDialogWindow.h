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
    // progress line (redrawn in place; meant for a terminal only).
    ConsoleDialogWindow(std::FILE* messages, bool showProgress);
    ~ConsoleDialogWindow() override;

    Control* GetControl(int controlId) override;
    void ShowMessageBox(std::string_view text, const char* title) override;
    void BeginWaitCursor() override;
    void RestoreWaitCursor() override {}
    void EndWaitCursor() override;
    void ScanProgress(int32_t examined) override;

private:
    class MemoryControl;
    void ClearProgressLine();

    std::FILE* m_messages;
    bool m_showProgress;
    std::map<int, std::unique_ptr<MemoryControl>> m_controls;
    std::chrono::steady_clock::time_point m_scanStart{};
    std::chrono::steady_clock::time_point m_lastDraw{};
    bool m_progressShown = false;
    bool m_drawnInScan = false; // the progress line was drawn since the scan began
};

} // namespace platform
