// The utility's window on the toolkit: controls by id, texts as bytes, the
// busy cursor and message boxes.
#include <gtest/gtest.h>

#include <string>

#include <wx/button.h>
#include <wx/iconbndl.h>
#include <wx/stattext.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include "gui/WindowTestSupport.h"
#include "platform/wx/ApplicationIcon.h"
#include "platform/wx/TemplateDialog.h"
#include "platform/wx/WxDialogWindow.h"
#include "resources/DialogTemplates.h"
#include "resources/ResourceIds.h"

namespace {

class WxDialogWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!guitest::ToolkitReady())
            GTEST_SKIP();
        m_dialog = std::make_unique<platform::TemplateDialog>(
            nullptr, *res::FindDialogTemplate(res::IDD_DOSEWRIGHT_DIALOG), wxIconBundle());
        m_window = std::make_unique<platform::WxDialogWindow>(*m_dialog);
    }
    void TearDown() override {
        m_window.reset();
        m_dialog.reset();
    }

    std::unique_ptr<platform::TemplateDialog> m_dialog;
    std::unique_ptr<platform::WxDialogWindow> m_window;
};

TEST_F(WxDialogWindowTest, ControlsAreFoundByTheirTemplateIds) {
    for (int id : {res::IDOK, res::IDCANCEL, res::IDC_STATIC, res::IDC_REPORT, res::IDC_STATUS}) {
        SCOPED_TRACE(id);
        platform::Control* control = m_window->GetControl(id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(m_window->GetControl(id), control) << "the same control every time";
        control->Enable(false);
        EXPECT_FALSE(m_dialog->FindTemplateControl(id)->IsEnabled());
        EXPECT_FALSE(control->IsEnabled());
    }
    EXPECT_EQ(m_window->GetControl(4711), nullptr);
    EXPECT_EQ(m_window->GetControl(res::IDC_STATUS)->GetText(), "Status:");
    EXPECT_EQ(m_window->GetControl(res::IDOK)->GetText(), "Dosewright");
}

TEST_F(WxDialogWindowTest, TextsAreShownAsFileNamesAndAsTheyStand) {
    platform::Control* status = m_window->GetControl(res::IDC_STATUS);
    auto* shown = wxDynamicCast(m_dialog->FindTemplateControl(res::IDC_STATUS), wxStaticText);
    ASSERT_NE(shown, nullptr);
    // A folder name in UTF-8, the file-name encoding here, and one that is not.
    const std::string utf8 = "Failure opening file:/data/A&B/Praxis-M\xC3\xBCller\nPlease verify.";
    status->SetText(utf8);
    EXPECT_EQ(shown->GetLabelText(), wxString::FromUTF8(utf8));
    EXPECT_EQ(status->GetText(), utf8);

    const std::string bytes = "Failure opening file:/data/A&B/caf\xE9 \x80\nPlease verify.";
    status->SetText(bytes);
    wxString expected = "Failure opening file:/data/A&B/caf";
    expected.Append(wxUniChar(0xE9)).Append(" ").Append(wxUniChar(0x20AC));
    expected.Append("\nPlease verify.");
    EXPECT_EQ(shown->GetLabelText(), expected);
    EXPECT_EQ(status->GetText(), bytes);
    // The status line keeps its template size, however long its text.
    EXPECT_EQ(shown->GetSize(), m_dialog->ConvertDialogToPixels(wxSize(300, 43)));
}

TEST_F(WxDialogWindowTest, WaitCursorIsShownUntilEveryBeginHasItsEnd) {
    ASSERT_FALSE(wxIsBusy());
    m_window->BeginWaitCursor();
    m_window->BeginWaitCursor();
    EXPECT_TRUE(wxIsBusy());
    m_window->EndWaitCursor();
    m_window->RestoreWaitCursor();
    EXPECT_TRUE(wxIsBusy());
    m_window->EndWaitCursor();
    EXPECT_FALSE(wxIsBusy());

    // An end without a begin changes nothing; a restore outside a wait shows none.
    m_window->EndWaitCursor();
    m_window->RestoreWaitCursor();
    EXPECT_FALSE(wxIsBusy());
    m_window->BeginWaitCursor();
    EXPECT_TRUE(wxIsBusy());

    // A window closed while waiting takes its wait cursor with it.
    m_window.reset();
    EXPECT_FALSE(wxIsBusy());
}

TEST_F(WxDialogWindowTest, MessageBoxesAreOwnedByTheDialogAndTitledWithTheApplicationName) {
    // The toolkit keeps a box's owner only while the owner is on the screen.
    m_dialog->Show();
    while (!m_dialog->IsShownOnScreen())
        guitest::ProcessPending();
    guitest::MessageBoxRecorder boxes;
    m_window->ShowMessageBox("first", nullptr);
    m_window->ShowMessageBox(std::string("second\0part", 11), "Dosewright Error");
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(boxes.Boxes()[0].text, "first");
    EXPECT_EQ(boxes.Boxes()[0].title, "Dosewright");
    EXPECT_EQ(boxes.Boxes()[0].owner, m_dialog.get());
    EXPECT_EQ(boxes.Boxes()[1].text, std::string("second\0part", 11));
    EXPECT_EQ(boxes.Boxes()[1].title, "Dosewright Error");
}

} // namespace
