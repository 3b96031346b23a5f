// The settings dialogs over a fake form: the colour arithmetic, the dirty flags, and the audio
// dialog's lines and keys.
#include <gtest/gtest.h>

#include <memory>

#include "board_link/board_link.h"
#include "dialogs/dialog_ids.h"
#include "dialogs/settings_dialogs.h"
#include "platform/profile.h"
#include "velmar_testing/test_support.h"
#include "velmar_ui/testing/fake_form_view.h"
#include "velmar_ui/testing/fake_ui_services.h"

namespace velmar {
namespace {

using namespace dialog_ids;
using velmar_ui::ScrollCode;
using velmar_ui::testing::FakeFormView;
using velmar_ui::testing::FakeUiServices;

TEST(ColorMath, PercentMapsOfTheVideoSettingsBar) {
    EXPECT_EQ(PropertyPercent(0x80000000, PictureProperty::Brightness), 50);
    EXPECT_EQ(PropertyPercent(0x00000000, PictureProperty::Hue), 50);
    EXPECT_EQ(WithPropertyPercent(0xFFFFFFFF, PictureProperty::Hue, 50) & 0xFF, 0u);
    EXPECT_EQ(WithPropertyPercent(0, PictureProperty::Hue, 100) & 0xFF, 127u);
    EXPECT_EQ(WithPropertyPercent(0, PictureProperty::Hue, 0) & 0xFF, 127u);
    EXPECT_EQ(WithPropertyPercent(0x80474000, PictureProperty::Contrast, 100), 0x807F4000u);
}

TEST(ColorMath, ConversionsTruncateAndClamp) {
    EXPECT_EQ(YCbCrToRgb({16, 128, 128}), (Rgb{16, 16, 16}));
    EXPECT_EQ(RgbToYCbCr({16, 16, 16}), (YCbCr{15, 128, 127}));
    EXPECT_EQ(YCbCrToRgb({235, 128, 255}).r, 255);
    EXPECT_EQ(RgbToYCbCr({0, 255, 0}).cb, 43);
    EXPECT_EQ(PackRefColor({16, 128, 128}), kDefaultRefColor);
}

TEST(VideoSettings, BarShowsAndSetsTheSelectedProperty) {
    FakeFormView view(VideoSettingsForm());
    FakeUiServices ui;
    ColorSettings colors;
    CVideoSettingsDlg dialog(view, ui, colors);
    dialog.OnInitDialog();
    EXPECT_TRUE(view.Checked(kBrightness));
    EXPECT_EQ(view.Position(kPropertyBar), 50);  // 0x80 -> 50
    EXPECT_EQ(view.Text(kPropertyValue), "50");
    EXPECT_FALSE(colors.inputColorDirty);

    view.Click(kHue);
    dialog.Command(kHue);
    EXPECT_EQ(view.Text(kPropertyValue), "50");  // hue byte 0 is the middle
    dialog.Scroll(kPropertyBar, ScrollCode::ThumbTrack, 0);  // top: c = 100
    EXPECT_EQ(colors.inputColor, 0x8047407Fu);
    EXPECT_TRUE(colors.inputColorDirty);
    EXPECT_EQ(view.Text(kPropertyValue), "100");

    dialog.Command(kVideoDefault);
    EXPECT_EQ(colors.inputColor, kVideoSettingsDefault);
}

TEST(ColorSetting, EditsSettleAndSetTheBackgroundColour) {
    FakeFormView view(ColorSettingForm());
    FakeUiServices ui;
    ColorSettings colors;
    CColorSettingDlg dialog(view, ui, colors);
    dialog.OnInitDialog();
    EXPECT_EQ(view.Text(kRed), "16");
    EXPECT_EQ(view.Text(kCb), "128");
    EXPECT_EQ(view.Range(kCrSpin), (velmar_ui::IntRange{0, 255}));

    view.Type(kRed, "255");
    dialog.EditChanged(kRed);
    EXPECT_EQ(view.Text(kLuma), "87");
    EXPECT_EQ(colors.refColor, PackRefColor(RgbToYCbCr({255, 16, 16})));
    EXPECT_TRUE(colors.refColorDirty);

    dialog.Scroll(kLumaSpin, ScrollCode::ThumbPosition, 100);
    EXPECT_EQ(view.Text(kLuma), "100");
    EXPECT_EQ((colors.refColor >> 16) & 0xFF, 100u);

    dialog.Command(kSetToBlack);
    EXPECT_EQ(colors.refColor, kDefaultRefColor);
    EXPECT_EQ(view.Text(kGreen), "16");

    view.Type(kBlue, "300");
    EXPECT_FALSE(dialog.OnOK());
    ASSERT_EQ(ui.Boxes().size(), 1u);
}

class NullLibrary : public BoardLibrary {
public:
    std::vector<std::string> lines;
    int Call(BoardExport, int argc, char** argv) override {
        std::string line;
        for (int i = 0; i < argc; ++i) line += (i ? " " : "") + std::string(argv[i]);
        lines.push_back(line);
        return 0;
    }
};

TEST(AudioSettings, BarsSendTheirLineAndWriteTheirKey) {
    FakeFormView view(AudioSettingsForm());
    FakeUiServices ui;
    platform::Profile profile;
    profile.WriteString("BOARD1", "AUDGAIN", "3");
    profile.WriteString("BOARD1", "AUDVOL", "1");
    NullLibrary library;
    BoardWindow window = BoardWindow::Demo();
    BoardLink link(library, window, board_commands::BoardNumber::First(), LinkKind::Playback, false);
    bool closed = false;
    CAudioSettingsDlg dialog(view, ui, link, profile, "BOARD1", [&] { closed = true; });
    dialog.OnInitDialog();
    EXPECT_EQ(view.Text(kGainEdit), "4");
    EXPECT_EQ(view.Text(kLevelEdit), "30");
    EXPECT_EQ(view.Range(kGainBar), (velmar_ui::IntRange{1, 16}));

    dialog.Scroll(kGainBar, ScrollCode::ThumbTrack, 16);
    dialog.Scroll(kLevelBar, ScrollCode::ThumbTrack, 0);
    ASSERT_EQ(library.lines.size(), 2u);
    EXPECT_EQ(library.lines[0], "mwcmd -s 0xffffffff 0x00090004 0x01020001 0x003403E8 0x00000000 0xf000000");
    EXPECT_EQ(library.lines[1], "mwcmd -s 0xffffffff 0x00090004 0x01020001 0x003203E8 0x00000000 0x1f000000");
    EXPECT_EQ(profile.GetInt("BOARD1", "AUDGAIN", -1), 15);
    EXPECT_EQ(profile.GetInt("BOARD1", "AUDVOL", -1), 31);
    EXPECT_EQ(view.Text(kGainEdit), "16");

    // Leaving an edit only moves its bar.
    view.Type(kLevelEdit, "10");
    dialog.EditLostFocus(kLevelEdit);
    EXPECT_EQ(view.Position(kLevelBar), 10);
    EXPECT_EQ(library.lines.size(), 2u);

    EXPECT_TRUE(dialog.OnCancel());
    EXPECT_TRUE(closed);
}

}  // namespace
}  // namespace velmar
