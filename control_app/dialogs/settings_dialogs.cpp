#include "settings_dialogs.h"

#include <algorithm>

#include "board_commands/command_lines.h"
#include "board_link/board_link.h"
#include "board_link/format.h"
#include "dialog_ids.h"
#include "platform/profile.h"
#include "velmar_ui/data_exchange.h"

namespace velmar {

using namespace dialog_ids;
using velmar_ui::Event;
using velmar_ui::MessageMap;

// ---------------------------------------------------------------- Video Settings

CVideoSettingsDlg::CVideoSettingsDlg(velmar_ui::FormView& view, velmar_ui::UiServices& ui, ColorSettings& colors)
    : FormLogic(view, ui), colors_(colors) {}

const MessageMap<CVideoSettingsDlg>& CVideoSettingsDlg::Map() {
    static const MessageMap<CVideoSettingsDlg> map{
        velmar_ui::OnCommand(kBrightness, &CVideoSettingsDlg::OnBrightness),
        velmar_ui::OnCommand(kContrast, &CVideoSettingsDlg::OnContrast),
        velmar_ui::OnCommand(kHue, &CVideoSettingsDlg::OnHue),
        velmar_ui::OnCommand(kSaturation, &CVideoSettingsDlg::OnSaturation),
        velmar_ui::OnScroll(kPropertyBar, &CVideoSettingsDlg::OnVScroll),
        velmar_ui::OnCommand(kVideoDefault, &CVideoSettingsDlg::OnDefault),
    };
    return map;
}

void CVideoSettingsDlg::OnInitDialog() {
    View().SetRange(kPropertyBar, {0, 100});
    Select(PictureProperty::Brightness);
}

void CVideoSettingsDlg::Select(PictureProperty property) {
    selected_ = property;
    View().SetChecked(kBrightness, property == PictureProperty::Brightness);
    View().SetChecked(kContrast, property == PictureProperty::Contrast);
    View().SetChecked(kSaturation, property == PictureProperty::Saturation);
    View().SetChecked(kHue, property == PictureProperty::Hue);
    ShowProperty();
}

void CVideoSettingsDlg::ShowProperty() {
    const int percent = PropertyPercent(colors_.inputColor, selected_);
    // The bar's top is 100.
    View().SetPosition(kPropertyBar, 100 - percent);
    View().SetText(kPropertyValue, Format("%d", percent));
}

void CVideoSettingsDlg::OnBrightness() { Select(PictureProperty::Brightness); }
void CVideoSettingsDlg::OnContrast() { Select(PictureProperty::Contrast); }
void CVideoSettingsDlg::OnHue() { Select(PictureProperty::Hue); }
void CVideoSettingsDlg::OnSaturation() { Select(PictureProperty::Saturation); }

void CVideoSettingsDlg::OnVScroll(const Event& event) {
    const int c = 100 - std::clamp(event.position, 0, 100);
    View().SetText(kPropertyValue, Format("%d", c));
    colors_.inputColor = WithPropertyPercent(colors_.inputColor, selected_, c);
    colors_.inputColorDirty = true;
}

void CVideoSettingsDlg::OnDefault() {
    colors_.inputColor = kVideoSettingsDefault;
    colors_.inputColorDirty = true;
    ShowProperty();
}

// ---------------------------------------------------------------- Background Color Setting

namespace {
constexpr velmar_ui::SpinBuddy kSpinBuddies[] = {{kRedSpin, kRed},   {kGreenSpin, kGreen}, {kBlueSpin, kBlue},
                                      {kLumaSpin, kLuma}, {kCbSpin, kCb},       {kCrSpin, kCr}};
}  // namespace

CColorSettingDlg::CColorSettingDlg(velmar_ui::FormView& view, velmar_ui::UiServices& ui, ColorSettings& colors)
    : FormLogic(view, ui), colors_(colors) {}

const MessageMap<CColorSettingDlg>& CColorSettingDlg::Map() {
    static const MessageMap<CColorSettingDlg> map{
        velmar_ui::OnEditChange(kRed, &CColorSettingDlg::OnRgbChanged),
        velmar_ui::OnEditChange(kGreen, &CColorSettingDlg::OnRgbChanged),
        velmar_ui::OnEditChange(kBlue, &CColorSettingDlg::OnRgbChanged),
        velmar_ui::OnEditChange(kLuma, &CColorSettingDlg::OnYCbCrChanged),
        velmar_ui::OnEditChange(kCb, &CColorSettingDlg::OnYCbCrChanged),
        velmar_ui::OnEditChange(kCr, &CColorSettingDlg::OnYCbCrChanged),
        velmar_ui::OnScroll(kRedSpin, &CColorSettingDlg::OnSpin),
        velmar_ui::OnScroll(kGreenSpin, &CColorSettingDlg::OnSpin),
        velmar_ui::OnScroll(kBlueSpin, &CColorSettingDlg::OnSpin),
        velmar_ui::OnScroll(kLumaSpin, &CColorSettingDlg::OnSpin),
        velmar_ui::OnScroll(kCbSpin, &CColorSettingDlg::OnSpin),
        velmar_ui::OnScroll(kCrSpin, &CColorSettingDlg::OnSpin),
        velmar_ui::OnCommand(kSetToBlack, &CColorSettingDlg::OnSetToBlack),
    };
    return map;
}

int CColorSettingDlg::ReadByte(ControlId id) const {
    int value = 0;
    if (!velmar_ui::ParseInteger(View().Text(id), value)) return 0;
    return std::clamp(value, 0, 255);
}

void CColorSettingDlg::WriteByte(ControlId id, int value) {
    // Only a changed text is written, so the two conversions settle after one exchange.
    const std::string text = Format("%d", value);
    if (View().Text(id) != text) View().SetText(id, text);
    for (const auto& buddy : kSpinBuddies)
        if (buddy.edit == id) View().SetPosition(buddy.spin, value);
}

void CColorSettingDlg::WriteAll(const Rgb& rgb, const YCbCr& ycc) {
    WriteByte(kRed, rgb.r);
    WriteByte(kGreen, rgb.g);
    WriteByte(kBlue, rgb.b);
    WriteByte(kLuma, ycc.y);
    WriteByte(kCb, ycc.cb);
    WriteByte(kCr, ycc.cr);
}

void CColorSettingDlg::Take(const YCbCr& ycc) {
    colors_.refColor = PackRefColor(ycc);
    colors_.refColorDirty = true;
}

void CColorSettingDlg::OnInitDialog() {
    for (const auto& buddy : kSpinBuddies) View().SetRange(buddy.spin, {0, 255});
    const YCbCr ycc = UnpackRefColor(colors_.refColor);
    WriteAll(YCbCrToRgb(ycc), ycc);
}

void CColorSettingDlg::OnRgbChanged() {
    const Rgb rgb{ReadByte(kRed), ReadByte(kGreen), ReadByte(kBlue)};
    const YCbCr ycc = RgbToYCbCr(rgb);
    WriteByte(kLuma, ycc.y);
    WriteByte(kCb, ycc.cb);
    WriteByte(kCr, ycc.cr);
    Take(ycc);
}

void CColorSettingDlg::OnYCbCrChanged() {
    const YCbCr ycc{ReadByte(kLuma), ReadByte(kCb), ReadByte(kCr)};
    const Rgb rgb = YCbCrToRgb(ycc);
    WriteByte(kRed, rgb.r);
    WriteByte(kGreen, rgb.g);
    WriteByte(kBlue, rgb.b);
    Take(ycc);
}

void CColorSettingDlg::OnSpin(const Event& event) {
    for (const auto& buddy : kSpinBuddies) {
        if (buddy.spin != event.id) continue;
        const std::string text = Format("%d", std::clamp(event.position, 0, 255));
        if (View().Text(buddy.edit) == text) return;
        View().SetText(buddy.edit, text);
        if (buddy.edit == kRed || buddy.edit == kGreen || buddy.edit == kBlue) OnRgbChanged();
        else OnYCbCrChanged();
    }
}

void CColorSettingDlg::OnSetToBlack() {
    WriteAll({16, 16, 16}, {16, 128, 128});
    colors_.refColor = kDefaultRefColor;
    colors_.refColorDirty = true;
}

bool CColorSettingDlg::OnOK() {
    for (const auto& buddy : kSpinBuddies) {
        int value = 0;
        if (!velmar_ui::ParseInteger(View().Text(buddy.edit), value) || value < 0 || value > 255) {
            Ui().MessageBox(velmar_ui::NumberRangeBox(0, 255));
            View().SelectAllText(buddy.edit);
            return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------- Audio Settings

CAudioSettingsDlg::CAudioSettingsDlg(velmar_ui::FormView& view, velmar_ui::UiServices& ui, BoardLink& link,
                                     const platform::Profile& profile, std::string section,
                                     std::function<void()> onClosed)
    : FormLogic(view, ui), link_(link), profile_(profile), section_(std::move(section)),
      onClosed_(std::move(onClosed)) {}

const MessageMap<CAudioSettingsDlg>& CAudioSettingsDlg::Map() {
    static const MessageMap<CAudioSettingsDlg> map{
        velmar_ui::OnScroll(kGainBar, &CAudioSettingsDlg::OnHScroll),
        velmar_ui::OnScroll(kLevelBar, &CAudioSettingsDlg::OnHScroll),
        velmar_ui::OnEditLostFocus(kGainEdit, &CAudioSettingsDlg::OnKillFocusEdit),
        velmar_ui::OnEditLostFocus(kLevelEdit, &CAudioSettingsDlg::OnKillFocusEdit),
    };
    return map;
}

void CAudioSettingsDlg::OnInitDialog() {
    gain_ = std::clamp(profile_.GetInt(section_, "AUDGAIN", 0) + 1, 1, 16);
    level_ = std::clamp(31 - profile_.GetInt(section_, "AUDVOL", 0), 0, 31);
    WriteEdits();
    View().SetRange(kGainBar, {1, 16});
    View().SetRange(kLevelBar, {0, 31});
    View().SetPosition(kGainBar, gain_);
    View().SetPosition(kLevelBar, level_);
}

void CAudioSettingsDlg::WriteEdits() {
    View().SetText(kGainEdit, Format("%d", gain_));
    View().SetText(kLevelEdit, Format("%d", level_));
}

int CAudioSettingsDlg::SendCommand(const std::string& line) { return link_.SendSettingsCommand(line); }

void CAudioSettingsDlg::OnHScroll(const Event& event) {
    if (event.id == kGainBar) {
        gain_ = std::clamp(event.position, 1, 16);
        SendCommand(board_commands::DeviceByte(board_commands::kCodecGain, static_cast<std::uint32_t>(gain_ - 1)));
        profile_.WriteString(section_, "AUDGAIN", Format("%d", gain_ - 1));
    } else {
        level_ = std::clamp(event.position, 0, 31);
        SendCommand(board_commands::DeviceByte(board_commands::kCodecVolume, static_cast<std::uint32_t>(31 - level_)));
        profile_.WriteString(section_, "AUDVOL", Format("%d", 31 - level_));
    }
    WriteEdits();
}

void CAudioSettingsDlg::OnKillFocusEdit() {
    int value = 0;
    if (velmar_ui::ParseInteger(View().Text(kGainEdit), value) && value >= 1 && value <= 16) {
        gain_ = value;
        View().SetPosition(kGainBar, gain_);
    }
    if (velmar_ui::ParseInteger(View().Text(kLevelEdit), value) && value >= 0 && value <= 31) {
        level_ = value;
        View().SetPosition(kLevelBar, level_);
    }
}

bool CAudioSettingsDlg::OnCancel() {
    if (onClosed_) onClosed_();
    return true;
}

}  // namespace velmar
