// The settings dialogs both panels open and the two notices they show while the board loads and
// while files close. The dialogs change the shared colour values at once and mark them for the
// panel's timer; Audio Settings talks to the board itself.
#pragma once

#include <functional>
#include <string>

#include "color_math.h"
#include "color_settings.h"
#include "velmar_ui/form_logic.h"
#include "velmar_ui/form_spec.h"
#include "velmar_ui/message_map.h"

namespace platform {
class Profile;
}

namespace velmar {

class BoardLink;

velmar_ui::FormSpec VideoSettingsForm();
velmar_ui::FormSpec AudioSettingsForm();
velmar_ui::FormSpec ColorSettingForm();
velmar_ui::FormSpec LoadWaitForm();
velmar_ui::FormSpec CloseWaitForm();

// Video Settings (modal): one bar for the selected picture property of the input colour.
class CVideoSettingsDlg : public velmar_ui::FormLogic {
public:
    CVideoSettingsDlg(velmar_ui::FormView& view, velmar_ui::UiServices& ui, ColorSettings& colors);

    void OnInitDialog() override;
    void OnBrightness();
    void OnContrast();
    void OnHue();
    void OnSaturation();
    void OnVScroll(const velmar_ui::Event& event);
    void OnDefault();

    PictureProperty SelectedProperty() const { return selected_; }

protected:
    bool Dispatch(const velmar_ui::Event& event) override { return Map().Dispatch(*this, event); }

private:
    static const velmar_ui::MessageMap<CVideoSettingsDlg>& Map();
    void Select(PictureProperty property);
    void ShowProperty();

    ColorSettings& colors_;
    PictureProperty selected_ = PictureProperty::Brightness;
};

// Background Color Setting (modal): RGB and YCbCr edits kept in step; every change is the new
// background colour.
class CColorSettingDlg : public velmar_ui::FormLogic {
public:
    CColorSettingDlg(velmar_ui::FormView& view, velmar_ui::UiServices& ui, ColorSettings& colors);

    void OnInitDialog() override;
    void OnRgbChanged();
    void OnYCbCrChanged();
    void OnSpin(const velmar_ui::Event& event);
    void OnSetToBlack();
    bool OnOK() override;

protected:
    bool Dispatch(const velmar_ui::Event& event) override { return Map().Dispatch(*this, event); }

private:
    static const velmar_ui::MessageMap<CColorSettingDlg>& Map();
    int ReadByte(velmar_ui::ControlId id) const;
    void WriteByte(velmar_ui::ControlId id, int value);
    void WriteAll(const Rgb& rgb, const YCbCr& ycc);
    void Take(const YCbCr& ycc);

    ColorSettings& colors_;
};

// Audio Settings (modeless): input gain and output level, sent to the board as the bars move.
class CAudioSettingsDlg : public velmar_ui::FormLogic {
public:
    // `onClosed` clears the owner's pointer to this dialog.
    CAudioSettingsDlg(velmar_ui::FormView& view, velmar_ui::UiServices& ui, BoardLink& link,
                      const platform::Profile& profile, std::string section, std::function<void()> onClosed);

    void OnInitDialog() override;
    void OnHScroll(const velmar_ui::Event& event);
    void OnKillFocusEdit();
    bool OnOK() override { return false; }
    bool OnCancel() override;

    // The dialog's own gateway to the board.
    int SendCommand(const std::string& line);

protected:
    bool Dispatch(const velmar_ui::Event& event) override { return Map().Dispatch(*this, event); }

private:
    static const velmar_ui::MessageMap<CAudioSettingsDlg>& Map();
    void WriteEdits();

    BoardLink& link_;
    const platform::Profile& profile_;
    const std::string section_;
    std::function<void()> onClosed_;
    int gain_ = 1;   // 1..16
    int level_ = 31; // 0..31
};

// The notices: no buttons, closed by their owner.
class CLoadWaitDlg : public velmar_ui::FormLogic {
public:
    using FormLogic::FormLogic;
    bool OnOK() override { return false; }
    bool OnCancel() override { return false; }

protected:
    bool Dispatch(const velmar_ui::Event&) override { return false; }
};

class CCloseWaitDlg : public CLoadWaitDlg {
public:
    using CLoadWaitDlg::CLoadWaitDlg;
};

}  // namespace velmar
