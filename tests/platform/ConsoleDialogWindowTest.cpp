// The command-line front end's window: message boxes as lines, controls in
// memory, and the progress line only where it was asked for.
#include "platform/console/ConsoleDialogWindow.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "resources/ResourceIds.h"

namespace {

// A stream the window writes to, read back as bytes.
class CapturedStream {
public:
    CapturedStream() : m_file(std::tmpfile()) {}
    ~CapturedStream() { std::fclose(m_file); }
    CapturedStream(const CapturedStream&) = delete;
    CapturedStream& operator=(const CapturedStream&) = delete;

    std::FILE* File() const { return m_file; }
    std::string Text() const {
        std::fflush(m_file);
        std::string text;
        std::rewind(m_file);
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, m_file)) > 0;)
            text.append(buffer, got);
        std::fseek(m_file, 0, SEEK_END);
        return text;
    }

private:
    std::FILE* m_file;
};

constexpr const char* kClearLine = "\r\033[K";

TEST(ConsoleDialogWindow, MessageBoxIsOneLineTitleColonText) {
    CapturedStream messages;
    platform::ConsoleDialogWindow window(messages.File(), false);

    window.ShowMessageBox("Please make sure ...", nullptr);
    window.ShowMessageBox("Failure opening file:/x/y\nPlease verify that you have access to this "
                          "file.",
                          "Dosewright Error");
    window.ShowMessageBox("/x/Updater/ProductUpdates.ovupdate", "Dosewright File Error");
    window.ShowMessageBox("", "Dosewright Error");
    window.ShowMessageBox("caf\xe9 \x93quoted\x94", "Dosewright Error");

    EXPECT_EQ(messages.Text(), "Dosewright: Please make sure ...\n"
                               "Dosewright Error: Failure opening file:/x/y\n"
                               "Please verify that you have access to this file.\n"
                               "Dosewright File Error: /x/Updater/ProductUpdates.ovupdate\n"
                               "Dosewright Error: \n"
                               "Dosewright Error: caf\xe9 \x93quoted\x94\n");
}

// A question is a prompt line; only an answer of y or yes is a Yes.
TEST(ConsoleDialogWindow, AQuestionIsYesOnlyForYOrYes) {
    const struct {
        const char* input;
        bool yes;
    } cases[] = {{"y\n", true}, {"YES\r\n", true}, {"Yes", true},     {"n\n", false},
                 {"\n", false}, {"", false},       {"yess\n", false}, {" y\n", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        CapturedStream messages;
        CapturedStream answers;
        std::fputs(c.input, answers.File());
        std::rewind(answers.File());
        platform::ConsoleDialogWindow window(messages.File(), false, answers.File());
        EXPECT_EQ(window.AskYesNo("Undo the repair run?", nullptr), c.yes);
        EXPECT_EQ(messages.Text(), "Dosewright: Undo the repair run? [y/N] ");
    }
}

TEST(ConsoleDialogWindow, ControlsStartWithTheirCaptionsAndKeepWhatIsSet) {
    CapturedStream messages;
    platform::ConsoleDialogWindow window(messages.File(), false);

    ASSERT_NE(window.GetControl(res::IDC_STATUS), nullptr);
    EXPECT_EQ(window.GetControl(res::IDC_STATUS)->GetText(), "Status:");
    EXPECT_EQ(window.GetControl(res::IDOK)->GetText(), "Dosewright");
    EXPECT_EQ(window.GetControl(res::IDC_REPORT)->GetText(), "Report Medications");
    EXPECT_EQ(window.GetControl(res::IDCANCEL)->GetText(), "Exit");
    ASSERT_NE(window.GetControl(res::IDC_STATIC), nullptr);
    EXPECT_EQ(window.GetControl(4711), nullptr);

    for (const int id : {res::IDOK, res::IDC_REPORT, res::IDCANCEL})
        EXPECT_TRUE(window.GetControl(id)->IsEnabled()) << id;
    window.GetControl(res::IDOK)->Enable(false);
    EXPECT_FALSE(window.GetControl(res::IDOK)->IsEnabled());
    EXPECT_TRUE(window.GetControl(res::IDC_REPORT)->IsEnabled());

    window.GetControl(res::IDC_STATUS)->SetText("Number of Medications fixed: 0/3\nPlease");
    EXPECT_EQ(window.GetControl(res::IDC_STATUS)->GetText(),
              "Number of Medications fixed: 0/3\nPlease");
    EXPECT_EQ(messages.Text(), "") << "controls print nothing";
}

TEST(ConsoleDialogWindow, NoProgressLineUnlessAskedFor) {
    CapturedStream messages;
    platform::ConsoleDialogWindow window(messages.File(), false);
    window.BeginWaitCursor();
    for (int32_t examined = 1; examined <= 10000; ++examined)
        window.ScanProgress(examined);
    window.EndWaitCursor();
    window.ShowMessageBox("done", nullptr);
    EXPECT_EQ(messages.Text(), "Dosewright: done\n");
}

TEST(ConsoleDialogWindow, ProgressLineIsDrawnAtTheFirstCheckAndClearedBeforeAMessage) {
    CapturedStream messages;
    platform::ConsoleDialogWindow window(messages.File(), true);
    window.BeginWaitCursor();
    for (int32_t examined = 1; examined < 1024; ++examined)
        window.ScanProgress(examined);
    EXPECT_EQ(messages.Text(), "") << "nothing before the first 1024 medications";

    window.ScanProgress(1024);
    const std::string drawn = messages.Text();
    const std::string start = std::string(kClearLine) + "  1024 medications examined, ";
    EXPECT_EQ(drawn.substr(0, start.size()), start);
    EXPECT_EQ(drawn.find('\n'), std::string::npos) << "the line is redrawn in place";

    window.ShowMessageBox("Failure", "Dosewright Error");
    EXPECT_EQ(messages.Text(), drawn + kClearLine + "Dosewright Error: Failure\n");

    window.EndWaitCursor();
    EXPECT_EQ(messages.Text(), drawn + kClearLine + "Dosewright Error: Failure\n")
        << "a cleared line is not cleared again";
}

TEST(ConsoleDialogWindow, ProgressLineIsClearedWhenTheScanEnds) {
    CapturedStream messages;
    {
        platform::ConsoleDialogWindow window(messages.File(), true);
        window.BeginWaitCursor();
        window.ScanProgress(2048);
        const std::string drawn = messages.Text();
        ASSERT_NE(drawn.find("2048 medications examined"), std::string::npos) << drawn;
        window.EndWaitCursor();
        EXPECT_EQ(messages.Text(), drawn + kClearLine);

        // The next scan draws its line again from its first check.
        window.BeginWaitCursor();
        window.ScanProgress(1024);
        EXPECT_NE(messages.Text().find("1024 medications examined", drawn.size()),
                  std::string::npos);
    }
    const std::string text = messages.Text();
    EXPECT_EQ(text.substr(text.size() - 4), kClearLine)
        << "a window closed during a scan leaves no progress line behind";
}

} // namespace
