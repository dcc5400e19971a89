// Template dialogs: every control where its template puts it, in template
// order, with the template's ids, captions and the styles the toolkit has.
#include <gtest/gtest.h>

#include <string>

#include <wx/button.h>
#include <wx/iconbndl.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "gui/WindowTestSupport.h"
#include "platform/wx/ApplicationIcon.h"
#include "platform/wx/TemplateDialog.h"
#include "platform/wx/Windows1252Text.h"
#include "resources/DialogTemplates.h"
#include "resources/ResourceIds.h"

namespace {

class TemplateDialogTest : public ::testing::TestWithParam<int> {
protected:
    const res::DialogTemplate& Template() const { return *res::FindDialogTemplate(GetParam()); }
};

TEST_P(TemplateDialogTest, ControlsStandWhereTheTemplatePutsThemInTemplateOrder) {
    if (!guitest::ToolkitReady())
        return;
    const res::DialogTemplate& dialogTemplate = Template();
    platform::TemplateDialog dialog(nullptr, dialogTemplate,
                                    platform::LoadIconBundle(res::IDR_MAINFRAME));

    EXPECT_EQ(dialog.GetTitle(), platform::DecodeWindows1252(dialogTemplate.caption));
    EXPECT_EQ(dialog.GetClientSize(),
              dialog.ConvertDialogToPixels(wxSize(dialogTemplate.cx, dialogTemplate.cy)));

    const auto& controls = dialogTemplate.controls;
    ASSERT_EQ(dialog.TemplateControls().size(), controls.size());
    // The toolkit's tab order is the order of the children.
    const wxWindowList& children = dialog.GetChildren();
    ASSERT_EQ(children.size(), controls.size());
    auto child = children.begin();
    for (std::size_t i = 0; i < controls.size(); ++i, ++child) {
        const res::DialogControl& control = controls[i];
        wxWindow* window = dialog.TemplateControls()[i];
        SCOPED_TRACE("control " + std::to_string(i) + " (id " + std::to_string(control.id) + ")");
        EXPECT_EQ(*child, window);
        EXPECT_EQ(window->GetPosition(),
                  dialog.ConvertDialogToPixels(wxPoint(control.x, control.y)));
        if (control.id != -1) {
            EXPECT_EQ(window->GetId(), control.id);
        }
        EXPECT_TRUE(window->IsShown());
        const wxString caption = platform::DecodeWindows1252(control.caption);
        switch (control.type) {
        case res::ControlClass::PushButton:
            ASSERT_TRUE(wxDynamicCast(window, wxButton));
            EXPECT_EQ(window->GetLabel(), caption);
            EXPECT_EQ(window->GetSize(),
                      dialog.ConvertDialogToPixels(wxSize(control.cx, control.cy)));
            break;
        case res::ControlClass::StaticText:
            ASSERT_TRUE(wxDynamicCast(window, wxStaticText));
            EXPECT_EQ(window->GetLabel(), caption);
            EXPECT_EQ(window->GetSize(),
                      dialog.ConvertDialogToPixels(wxSize(control.cx, control.cy)));
            break;
        case res::ControlClass::StaticIcon: {
            auto* icon = wxDynamicCast(window, wxStaticBitmap);
            ASSERT_TRUE(icon);
            EXPECT_TRUE(icon->GetBitmap().IsOk());
            break;
        }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Templates, TemplateDialogTest,
                         ::testing::Values(res::IDD_ABOUTBOX, res::IDD_DOSEWRIGHT_DIALOG),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "Template" + std::to_string(info.param);
                         });

TEST(MainDialogTemplateTest, FrameResizesWithoutMovingControlsAndHasNoMinimiseOrMaximiseBox) {
    if (!guitest::ToolkitReady())
        return;
    platform::TemplateDialog dialog(nullptr, *res::FindDialogTemplate(res::IDD_DOSEWRIGHT_DIALOG),
                                    platform::LoadIconBundle(res::IDR_MAINFRAME));
    EXPECT_TRUE(dialog.HasFlag(wxRESIZE_BORDER));
    EXPECT_TRUE(dialog.HasFlag(wxCLOSE_BOX));
    EXPECT_FALSE(dialog.HasFlag(wxMINIMIZE_BOX));
    EXPECT_FALSE(dialog.HasFlag(wxMAXIMIZE_BOX));

    std::vector<wxRect> before;
    for (wxWindow* control : dialog.TemplateControls())
        before.push_back(control->GetRect());
    dialog.SetSize(dialog.GetSize() * 2);
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(dialog.TemplateControls()[i]->GetRect(), before[i]) << "control " << i;

    // One default button: the repair button, the first in template order.
    EXPECT_EQ(dialog.GetDefaultItem(), dialog.FindTemplateControl(res::IDOK));
    // Id -1 finds the first control without an id of its own: the instruction text.
    EXPECT_EQ(dialog.FindTemplateControl(res::IDC_STATIC), dialog.TemplateControls()[2]);
    EXPECT_EQ(dialog.FindTemplateControl(4711), nullptr);
}

TEST(AboutBoxTemplateTest, IsAFixedFrame) {
    if (!guitest::ToolkitReady())
        return;
    platform::TemplateDialog dialog(nullptr, *res::FindDialogTemplate(res::IDD_ABOUTBOX),
                                    platform::LoadIconBundle(res::IDR_MAINFRAME));
    EXPECT_FALSE(dialog.HasFlag(wxRESIZE_BORDER));
    EXPECT_TRUE(dialog.HasFlag(wxCAPTION));
    EXPECT_EQ(dialog.GetDefaultItem(), dialog.FindTemplateControl(res::IDOK));
}

TEST(TemplateDialogIconsTest, TheWindowCarriesTheIconInEverySizeThePlatformsWant) {
    if (!guitest::ToolkitReady())
        return;
    platform::TemplateDialog dialog(nullptr, *res::FindDialogTemplate(res::IDD_ABOUTBOX),
                                    platform::LoadIconBundle(res::IDR_MAINFRAME));
    const wxIconBundle& icons = dialog.GetIcons();
    for (int size : {16, 32, 48, 256}) {
        const wxIcon icon = icons.GetIcon(wxSize(size, size), wxIconBundle::FALLBACK_NONE);
        EXPECT_TRUE(icon.IsOk()) << size;
    }
    EXPECT_TRUE(platform::LoadIconBundle(res::IDD_ABOUTBOX).IsEmpty());
}

} // namespace
