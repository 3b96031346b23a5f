// The record panel (form 102): it drives one board as an encoder. Start-up with the record
// microcode of the record mode and TV standard, the 100 ms status loop, the video input,
// reference, audio source and DSP reset, the mode, standard and panel switches (by restarting
// the program), the encoder settings and the compress-from-file source. The record flow (outputs,
// RECORD, PAUSE, STOP, disk overrun) is its own object, CRecordFlow, that the panel hands its
// buttons to.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "board_link/board_link.h"
#include "board_panel/board_panel.h"
#include "board_panel/panel_frame_host.h"
#include "board_panel/status_tracking.h"
#include "dialogs/color_settings.h"
#include "encoder_parameters.h"
#include "record_flow.h"
#include "record_form.h"
#include "record_sources.h"
#include "timecode/timecode.h"
#include "velmar_ui/data_exchange.h"
#include "velmar_ui/form_logic.h"
#include "velmar_ui/message_map.h"

namespace platform {
class Profile;
}

namespace velmar {

inline constexpr int kCompressFieldsMax = 4'000'000;

// The encoder script's own timer, and the longest the window waits for the script at a time: each
// line may wait about 100 ms for the service loop to take the one before it, so a long script goes
// on in slices on that timer and the operator's input is served between them.
inline constexpr int kScriptTimer = 2;
inline constexpr int kScriptSliceMs = 50;

class CVelmarVrec : public CBoardPanel {
public:
    CVelmarVrec(velmar_ui::FormView& view, velmar_ui::UiServices& ui, PanelHost& host, PanelBoard board,
                const platform::Profile& profile, board_commands::BoardNumber boardNumber);
    ~CVelmarVrec() override;

    // --- start-up and framework messages
    void OnInitialUpdate();
    bool LoadCompressSource();
    void InitRecordBoard();
    void InitVideoPaths();
    void InitAudioRecord();
    void UpdateFormData();
    void LoadEncoderSettings();
    // Sends the encoder words and the encoder script, then runs `then`. What the script does not
    // send within kScriptSliceMs it sends on kScriptTimer after this returns. STOP, or a script line
    // that resets the board or ends the service loop, drops the rest of it and runs `abandon`
    // instead of `then`.
    void ProgramEncoder(std::function<void()> then = {}, std::function<void()> abandon = {});
    bool SendingScript() const { return script_.has_value(); }

    void OnTimer();
    void OnDestroy();
    bool CommandEnabled(int commandId) const;
    bool UpdateData(bool save) override;
    bool OnOK() override {
        OnApplyEdits();
        return false;
    }
    bool OnCancel() override { return false; }

    // --- handlers: board settings and switches
    void OnSwitchPlayback();
    void OnSwitchRecord420();
    void OnSwitchRecord422();
    void OnSwitchRecordMpeg1();
    void OnDvMpButton();
    void OnNtsc();
    void OnPal();
    void SelectInputCVideo();
    void SelectInputSvhs();
    void SelectInputSdi();
    void SelectInputVp();
    void SelectInputFree();
    void OnTbc();
    void OnRecordRefCheck();
    void OnAudioAnalog();
    void OnAudioDigital();
    void OnAudioSdi();
    void OnDspReset();
    void OnDspSend();
    void OnApplyEdits();

    // --- handlers: encoder settings
    void OnVScroll(const velmar_ui::Event& event);
    void OnBitRateChanged();
    void OnVbrBox();
    void OnSceneChangeBox();
    void OnHorizontalResolution();
    void OnVerticalResolution();
    void OnLumaFilterBox();
    void OnChromaFilterBox();
    void OnRefDistance();
    void OnIntraDistance();
    void OnAspectSquare();
    void OnAspect4x3();
    void OnAspect16x9();
    void OnByteSwapBox();

    // --- handlers: record files and audio rate
    void OnLinkRecordAudio();
    void OnAudioRate48();
    void OnAudioRate44();
    void OnAudioRate32();
    void OnVideoRecordBrowse();
    void OnAudioRecordBrowse();
    void OnCompressSourceBrowse();
    void OnScriptBrowse();
    void OnPathEdited();
    void OnPathLeft(const velmar_ui::Event& event);

    // --- state, for the host and tests
    int Mode() const { return recordMode_; }
    CRecordFlow& Flow() { return flow_; }
    RecordState GetRecordState() const { return flow_.State(); }
    bool AudioRecording() const { return flow_.AudioRecording(); }
    int Port40() const { return port40_; }
    int Port42() const { return port42_; }
    int Port44() const { return port44_; }
    int VideoInput() const { return input_; }
    int AudioSource() const { return audioSource_; }
    const DrainCounter& Drain(int output) const { return flow_.Drain(output); }
    // What the form's frame source radios and edits ask for.
    FrameSourceDescriptor Descriptor() const;

    // Form fields the host and tests set and read.
    std::string videoPath, scriptPath;
    int bitRate = 0;

protected:
    // The Compress group's "Flds" and its spin arrows are kept one number before the message map sees the event.
    bool Dispatch(const velmar_ui::Event& event) override;

private:
    // The record flow reads the form, the board and the panel's settings, and sends through the panel.
    friend class CRecordFlow;

    static const velmar_ui::MessageMap<CVelmarVrec>& Map();
    static const velmar_ui::DataExchange<CVelmarVrec>& DataMap();

    // Status loop.
    void StatusTick();
    void ShowVitc();
    void ShowVideoCount();
    void ShowAudioCount();

    // Settings.
    void SelectInput(int input);
    void SendInputColor();
    void SetAudioSource(int source);
    void SwitchRecordMode(int mode);
    void SendAudioPathOff();
    std::string ModeKey(const char* key) const;

    // Encoder settings.
    void FillCombo(velmar_ui::ControlId combo, const std::vector<int>& values);
    void SelectStored(velmar_ui::ControlId combo, const std::string& key, int fallback);
    void FillIntraList(int refDistance, int intraValue);
    void SetSpin(velmar_ui::ControlId spin, velmar_ui::ControlId edit, int value);
    void ShowVbr(bool vbr);
    int SelectedValue(velmar_ui::ControlId combo) const;
    EncoderSettings CurrentEncoderSettings() const;
    // The lines of the encoder script, or none after a box when it cannot be read.
    std::vector<std::string> ReadScript();
    void SendScriptSlice();
    // Drops the rest of the script and runs its `abandon`; `why` (when given) is said in a box.
    void AbandonScript(const std::string& why);

    // Record files.
    void SetAudioRate(int code, const char* key);
    void Browse(velmar_ui::ControlId edit, std::string& member, const char* key, const std::string& initialName,
                const char* dialogExtension, const std::string& filter, bool output = false);

    // Form fields only the panel and its record flow use.
    std::string audioPath, compressPath;
    int compressFields = 0;

    int recordMode_ = 0;
    int audioSource_ = 4;
    int stopRef_ = 0;
    int input_ = 0;
    // Set while the panel fills its own encoder controls, whose change handlers then keep quiet.
    bool filling_ = false;

    bool linkedAudio_ = false;
    int targaDepth_ = 24;
    int aspect_ = 1;

    int port40_ = 0x8A;
    int port42_ = 0x9F;
    int port44_ = 0xB7;

    std::int64_t lastVitc_ = -1;
    DisplayTracker videoCount_, audioCount_;
    BoardStatus status_;  // the status words of the current tick

    // The encoder script while it is sent.
    struct ScriptRun {
        std::vector<std::string> lines;
        std::size_t next = 0;
        std::function<void()> then, abandon;
        bool sliced = false;  // goes on on kScriptTimer
    };
    std::optional<ScriptRun> script_;
    bool inScriptSlice_ = false;

    CRecordFlow flow_{*this};
};

}  // namespace velmar
