// The dialogs' windows offscreen: every id of each form has its widget, and a click reaches the
// logic.
#include <gtest/gtest.h>

#include <QPushButton>

#include <fstream>

#include "dialogs/dialog_ids.h"
#include "dialogs/index_build_dlg.h"
#include "dialogs/settings_dialogs.h"
#include "velmar_testing/test_support.h"
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

// The index builder's window runs modally until its worker is done and closes itself.
TEST(DialogsQt, IndexBuildWindowClosesWhenDone) {
    velmar_ui_qt::TestApp();
    const std::string path = velmar_testing::TempDir() + "/clip.mpg";
    const char stream[] = {0, 0, 1, char(0xB3), 0, 0, 1, 0, 0, 0x08, 0, 0};
    std::ofstream(path, std::ios::binary).write(stream, sizeof stream);
    CIndexBuildDlg* logic = nullptr;
    velmar_ui_qt::FormWindow window(IndexBuildForm(), [&](auto& v, auto& u) {
        auto made = std::make_unique<CIndexBuildDlg>(v, u, path);
        logic = made.get();
        return made;
    });
    ExpectEveryId(window, IndexBuildForm());
    window.exec();
    EXPECT_TRUE(logic->Completed());
}

}  // namespace
}  // namespace velmar
