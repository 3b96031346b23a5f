// The playback panel (form 101): board start-up, the 100 ms status loop, PLAY ALL, the menu
// commands and the board settings. The channel groups hang off it as PanelChannels.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "board_panel/board_panel.h"
#include "board_panel/status_tracking.h"
#include "dialogs/color_settings.h"
#include "panel_channels.h"
#include "position_sliders.h"
#include "timecode/timecode.h"
#include "velmar_ui/data_exchange.h"
#include "velmar_ui/message_map.h"

namespace platform {
class Profile;
}

namespace velmar {

class RemoteRequests;

class CVelmarView : public CBoardPanel {
public:
    CVelmarView(velmar_ui::FormView& view, velmar_ui::UiServices& ui, PanelHost& host, PanelBoard board,
                const platform::Profile& profile, RemoteRequests* remote, board_commands::BoardNumber boardNumber,
                PanelChannels channels = {});
    ~CVelmarView() override;

    // The hosting frame's slider controls; by default the form's own sliders stand in.
    void SetPositionSliders(PositionSliders& sliders) { sliders_ = &sliders; }

    // --- start-up
    void OnInitialUpdate();
    virtual void InitPlaybackBoard();

    // --- framework messages
    void OnTimer();
    // The displays and drain counters of one tick, without remote requests or the list engines:
    // what a drain wait runs between its sleeps, so a stop handler never re-enters them.
    void StatusTick();
    void OnDestroy();
    // Whether a menu command is available now (the two logging items).
    bool CommandEnabled(int commandId) const;

    // --- services to the channel groups
    void UpdateFormData();
    void ReferenceOn();
    void ReferenceOff();
    void RouteAudioSource();
    void AudioRoutingOff();
    // The panel's profile keys (section BOARD1 or BOARD2).
    std::string ReadKey(const char* key) const;
    PositionSliders& Sliders() { return *sliders_; }
    PanelHost& Host() { return host_; }

    // --- handlers (also reached through Command(id))
    void OnPlayAll();
    void OnEnterKey();
    void OnColorSetting();
    void OnUpdateEeprom();
    void OnOpenPlayList();
    void OnTool(const velmar_ui::Event& event);
    void OnHScroll(const velmar_ui::Event& event);
    void OnPositionSlider(const velmar_ui::Event& event);
    // Buttons and edits of the Video A, Video B and Uncompress groups, handled by their channel.
    void OnVideoControl(const velmar_ui::Event& event);
    // Buttons and edits of the Alpha Mix and Play List groups, handled by their channel.
    void OnMixControl(const velmar_ui::Event& event);
    // Buttons, box and edits of the DV Video Record group, handled by its channel.
    void OnDvControl(const velmar_ui::Event& event);
    void OnRefCVideo();
    void OnRefSvhs();
    void OnRefSdi();
    void OnRefVp();
    void OnRefFree();
    void OnTbc();
    void OnRefCheck();
    void OnAudioAnalog();
    void OnAudioDigital();
    void OnAudioSdi();
    void OnAudioNone();
    void OnDv50();
    void OnViewVideoA();
    void OnViewVideoB();
    void OnSwitchRecord420();
    void OnSwitchRecord422();
    void OnSwitchRecordMpeg1();
    void OnPal();
    void OnNtsc();
    void OnDvMpButton();
    void OnDvRecordButton();
    void OnDspReset();
    void OnDspSend();
    // The Audio group: its buttons, edits and link box go to the audio channel; the rate radios.
    void OnAudioControl(const velmar_ui::Event& event);
    void OnAudioRate48();
    void OnAudioRate44();
    void OnAudioRate32();

    bool UpdateData(bool save) override;
    // Enter in the form is the Enter accelerator; neither Enter nor Esc closes the panel.
    bool OnOK() override {
        OnEnterKey();
        return false;
    }
    bool OnCancel() override { return false; }

    // --- state, for the channel groups and tests
    PanelChannels& Channels() { return channels_; }
    // What the channel groups read (clips, streams, indexes, lists): no output may be one of them.
    std::vector<std::string> FilesInUse() const;
    int ControlByte() const { return controlByte_; }
    int BusByte40() const { return busByte40_; }
    // The audio rate lives in bits 0-1 of the same bus byte as the reference's composite bit.
    void SetAudioRateCode(int code) { busByte40_ = (busByte40_ & ~3) | (code & 3); }
    int BusByte42() const { return busByte42_; }
    bool FreeRunActive() const { return freeRunActive_; }
    int ViewedChannel() const { return viewedChannel_; }
    int StopRef() const { return stopRef_; }
    int Dv50() const { return dv50_; }
    bool Closing() const { return closing_; }
    const DrainCounter& Drain(int output) const { return drain_[output - 5]; }
    // The stop's drain wait on output `output` (5 to 7): runs the status loop every 100 ms until the
    // output's progress entry has stayed the same for ten ticks counted from now, or `ended` holds.
    // False when it did not drain.
    bool WaitForOutputDrain(int output, const std::function<bool()>& ended = {});
    const std::string& Section() const { return section_; }

    // Form fields: PLAY ALL's delays of Video A, Video B, the alpha and the audio, in fields.
    int delayA = 0, delayB = 0, delayAlpha = 0, delayAudio = 0;

protected:
    // The spin arrows and their edits are kept one number before the message map sees the event.
    bool Dispatch(const velmar_ui::Event& event) override;

private:
    static const velmar_ui::MessageMap<CVelmarView>& Map();
    static const velmar_ui::DataExchange<CVelmarView>& DataMap();

    // Start-up steps.
    void CheckEepromAndDsp();
    bool CheckClips();

    // Status loop steps.
    void SendDirtyColors();
    void ShowDisplays();
    void ShowVideo(Channel& channel, std::uint32_t status, velmar_ui::ControlId display,
                   velmar_ui::ControlId slider, DisplayTracker& tracker, bool setsExternalPosition);
    void ShowAlpha();
    void ShowAudio();
    void ShowPlayList();
    void ShowDvRecord();
    void ServeRemoteRequest();
    void CountDrains();
    void ShowNotLoaded(velmar_ui::ControlId display, velmar_ui::ControlId slider, DisplayTracker& tracker);

    // Settings.
    void RunReference(int source);
    void SendReferenceColor(bool reference);
    void SendInputColor();
    void SetAudioSource(int value);
    void StopChannelsForRestart();
    void OnlyOn2000(const char* message);
    void ChooseReferenceRadio(int source);

    RemoteRequests* remote_;
    PanelChannels channels_;
    FormPositionSliders formSliders_;
    PositionSliders* sliders_;

    BoardStatus status_;  // the tick's one copy of the board's status words
    int controlByte_ = 0x20;
    int busByte40_ = 0x8A;
    int busByte42_ = 0x1F;
    int stopRef_ = 0;
    int dv50_ = 0;
    int playRef_ = 4;
    int playRefAudio_ = 0;
    bool freeRunActive_ = false;
    int viewedChannel_ = 0;

    DisplayTracker displayA_, displayB_, displayAlpha_, displayAudio_, displayList_;
    DisplayTracker displayDv_{false, -16};
    std::array<DrainCounter, 3> drain_{};
};

}  // namespace velmar
