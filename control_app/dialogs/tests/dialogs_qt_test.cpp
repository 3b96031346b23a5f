// The dialogs' windows offscreen: every id of each form has its widget, and a click reaches the
// logic.
#include <gtest/gtest.h>

#include <QPushButton>

#include "dialog_ids.h"
#include "settings_dialogs.h"
#include "velmar_ui_qt/form_window.h"
#include "velmar_ui_qt/test_app.h"

namespace velmar {
namespace {

void ExpectEveryId(velmar_ui_qt::FormWindow& window, const velmar_ui::FormSpec& form) {
    for (const auto& control : form.controls) {
        if (control.id == velmar_ui::kNoId) continue;
        auto* widget = window.findChild<QWidget*>(QString::fromStdString(velmar_ui::ObjectNameOf(control.id)));
        EXPECT_NE(widget, nullptr) << control.id;
    }
    EXPECT_TRUE(velmar_ui::CheckFormSpec(form).empty());
}

TEST(DialogsQt, EveryFormBuildsWithItsIds) {
    velmar_ui_qt::TestApp();
    ColorSettings colors;
    {
        velmar_ui_qt::FormWindow window(VideoSettingsForm(), [&](auto& v, auto& u) {
            return std::make_unique<CVideoSettingsDlg>(v, u, colors);
        });
        ExpectEveryId(window, VideoSettingsForm());
        window.findChild<QPushButton*>("c1117")->click();
        EXPECT_EQ(colors.inputColor, kVideoSettingsDefault);
    }
    {
        velmar_ui_qt::FormWindow window(ColorSettingForm(), [&](auto& v, auto& u) {
            return std::make_unique<CColorSettingDlg>(v, u, colors);
        });
        ExpectEveryId(window, ColorSettingForm());
        colors.refColor = 0;
        window.findChild<QPushButton*>("c1117")->click();
        EXPECT_EQ(colors.refColor, kDefaultRefColor);
    }
    for (const auto& form : {LoadWaitForm(), CloseWaitForm()}) {
        velmar_ui_qt::FormWindow window(form, [](auto& v, auto& u) { return std::make_unique<CLoadWaitDlg>(v, u); });
        ExpectEveryId(window, form);
    }
    EXPECT_TRUE(velmar_ui::CheckFormSpec(AudioSettingsForm()).empty());
}

}  // namespace
}  // namespace velmar
