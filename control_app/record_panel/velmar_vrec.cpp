// The record panel object, its message map and data exchange, and board start-up.
#include "velmar_vrec.h"

#include <algorithm>
#include <climits>
#include <fstream>
#include <sstream>

#include "board_commands/command_lines.h"
#include "board_link/format.h"
#include "board_link/i2c_bus.h"
#include "board_panel/board_setup_files.h"
#include "board_panel/message_log_dlg.h"
#include "platform/kernel.h"
#include "platform/log.h"
#include "platform/profile.h"
#include "record_ids.h"
#include "velmar_ui/spin_buddies.h"

namespace velmar {

using namespace record_ids;
using velmar_ui::MessageMap;

namespace {
constexpr const char* kErrorCaption = "Velmar Error";
constexpr velmar_ui::SpinBuddy kFieldsBuddy[] = {{kCompressFieldsSpin, kCompressFields}};
}  // namespace

bool CVelmarVrec::Dispatch(const velmar_ui::Event& event) {
    const bool followed = velmar_ui::FollowSpinBuddies(View(), kFieldsBuddy, event);
    return Map().Dispatch(*this, event) || flow_.OnControl(event) || followed;
}

CVelmarVrec::CVelmarVrec(velmar_ui::FormView& view, velmar_ui::UiServices& ui, PanelHost& host, PanelBoard board,
                         const platform::Profile& profile, board_commands::BoardNumber boardNumber)
    : CBoardPanel(view, ui, host, board, profile, boardNumber, false) {}

CVelmarVrec::~CVelmarVrec() {
    // A script still sent in slices has nothing to send to once the panel is gone.
    if (script_ && script_->sliced) KillTimer(kScriptTimer);
}

const MessageMap<CVelmarVrec>& CVelmarVrec::Map() {
    using V = CVelmarVrec;
    using velmar_ui::OnCommand;
    using velmar_ui::OnEditChange;
    using velmar_ui::OnEditLostFocus;
    using velmar_ui::OnScroll;
    using velmar_ui::OnSelectionChange;
    static const MessageMap<V> map{
        velmar_ui::OnTimerId(kPanelTimer, &V::OnTimer),
        velmar_ui::OnTimerId(kScriptTimer, &V::SendScriptSlice),
        OnCommand(kSwitchPlayback, &V::OnSwitchPlayback),
        OnCommand(kMode420, &V::OnSwitchRecord420),
        OnCommand(kMode422, &V::OnSwitchRecord422),
        OnCommand(kModeMpeg1, &V::OnSwitchRecordMpeg1),
        OnCommand(kDv25Mp, &V::OnDvMpButton),
        OnCommand(kDv50Mp, &V::OnDvMpButton),
        OnCommand(kNtsc, &V::OnNtsc),
        OnCommand(kPal, &V::OnPal),
        OnCommand(kInputCVideo, &V::SelectInputCVideo),
        OnCommand(kInputSvhs, &V::SelectInputSvhs),
        OnCommand(kInputSdi, &V::SelectInputSdi),
        OnCommand(kInputVp, &V::SelectInputVp),
        OnCommand(kInputFree, &V::SelectInputFree),
        OnCommand(kTbc, &V::OnTbc),
        OnCommand(kRef, &V::OnRecordRefCheck),
        OnCommand(kAudioAnalog, &V::OnAudioAnalog),
        OnCommand(kAudioDigital, &V::OnAudioDigital),
        OnCommand(kAudioSdi, &V::OnAudioSdi),
        OnCommand(kDspReset, &V::OnDspReset),
        OnCommand(kDspSend, &V::OnDspSend),
        OnCommand(menu_ids::kVideoSettings, &V::OnVideoSettings),
        OnCommand(menu_ids::kAudioSettings, &V::OnAudioSettings),
        OnCommand(menu_ids::kDisableLogging, &V::OnDisableLogging),
        OnCommand(menu_ids::kSetLogFile, &V::OnSetLogFile),
        OnCommand(menu_ids::kEnter, &V::OnApplyEdits),
        // Encoder settings.
        OnScroll(kBitRateSpin, &V::OnVScroll),
        OnScroll(kHOffsetSpin, &V::OnVScroll),
        OnScroll(kCloseFreqSpin, &V::OnVScroll),
        OnScroll(kVOffsetSpin, &V::OnVScroll),
        OnScroll(kMinQSpin, &V::OnVScroll),
        OnEditChange(kBitRate, &V::OnBitRateChanged),
        OnCommand(kVbr, &V::OnVbrBox),
        OnCommand(kSceneChange, &V::OnSceneChangeBox),
        OnSelectionChange(kHorizontal, &V::OnHorizontalResolution),
        OnSelectionChange(kVertical, &V::OnVerticalResolution),
        OnCommand(kLumaFilter, &V::OnLumaFilterBox),
        OnCommand(kChromaFilter, &V::OnChromaFilterBox),
        OnSelectionChange(kRefDistance, &V::OnRefDistance),
        OnSelectionChange(kIntraDistance, &V::OnIntraDistance),
        OnCommand(kAspectSquare, &V::OnAspectSquare),
        OnCommand(kAspect4x3, &V::OnAspect4x3),
        OnCommand(kAspect16x9, &V::OnAspect16x9),
        OnCommand(kByteSwap, &V::OnByteSwapBox),
        // Record files and audio rate; the record buttons go to the record flow.
        OnCommand(kVideoFile, &V::OnVideoRecordBrowse),
        OnCommand(kAudioFile, &V::OnAudioRecordBrowse),
        OnCommand(kCompressFile, &V::OnCompressSourceBrowse),
        OnCommand(kScriptFile, &V::OnScriptBrowse),
        OnEditChange(kVideoPath, &V::OnPathEdited),
        OnEditChange(kAudioPath, &V::OnPathEdited),
        OnEditChange(kCompressPath, &V::OnPathEdited),
        OnEditChange(kScriptPath, &V::OnPathEdited),
        OnEditLostFocus(kVideoPath, &V::OnPathLeft),
        OnEditLostFocus(kAudioPath, &V::OnPathLeft),
        OnEditLostFocus(kCompressPath, &V::OnPathLeft),
        OnEditLostFocus(kScriptPath, &V::OnPathLeft),
        OnCommand(kLinkAudio, &V::OnLinkRecordAudio),
        OnCommand(kRate48, &V::OnAudioRate48),
        OnCommand(kRate44, &V::OnAudioRate44),
        OnCommand(kRate32, &V::OnAudioRate32),
    };
    return map;
}

const velmar_ui::DataExchange<CVelmarVrec>& CVelmarVrec::DataMap() {
    using V = CVelmarVrec;
    using velmar_ui::DdxNumber;
    using velmar_ui::DdxText;
    static const velmar_ui::DataExchange<V> table{
        DdxText(kVideoPath, &V::videoPath),
        DdxNumber(kBitRate, &V::bitRate, 0, INT_MAX),
        DdxText(kAudioPath, &V::audioPath),
        DdxNumber(kCompressFields, &V::compressFields, 0, kCompressFieldsMax),
        DdxText(kCompressPath, &V::compressPath),
        DdxText(kScriptPath, &V::scriptPath),
    };
    return table;
}

bool CVelmarVrec::UpdateData(bool save) {
    const bool wasFilling = filling_;
    filling_ = true;  // loading the edits must not look like the operator typing
    const bool ok = DataMap().UpdateData(*this, View(), Ui(), save);
    filling_ = wasFilling;
    return ok;
}

void CVelmarVrec::UpdateFormData() { UpdateData(true); }

void CVelmarVrec::OnApplyEdits() { UpdateFormData(); }

// ------------------------------------------------------------------ start-up

void CVelmarVrec::OnInitialUpdate() {
    UpdateData(false);
    if (profile_.GetInt(section_, "WINCX", 0) == 0) host_.FitFrameToForm();

    MapBoard();
    window_->Write32(window::kCommandDoneWord, 0);
    is2000Board_ = window_->Read32(window::kBoardType) == window::kNewerBoardType;
    palMode_ = profile_.GetInt(section_, "PALMODE", 0) != 0;
    if (!LoadI2cTable()) return;

    host_.ShowNotice(Notice::Loading);
    if (is2000Board_) {
        PollEeprom();
        if (!SendDspCode()) return;
    }
    colors_.inputColorDirty = false;
    timerState_ = TimerState::InitPending;
    titlePending_ = true;
    SetTimer(kPanelTimer, kPanelTimerMs);
}

void CVelmarVrec::InitRecordBoard() {
    OpenCommandLog();

    palMode_ = profile_.GetInt(section_, "PALMODE", 0) != 0;
    View().SetFlat(kPal, palMode_);
    View().SetFlat(kNtsc, !palMode_);

    recordMode_ = profile_.GetInt(section_, "RECMODE", 0);
    lastVitc_ = -1;
    videoCount_ = {true, -1};
    audioCount_ = {true, -1};
    View().SetChecked(kFrameRadio, true);
    View().SetFlat(kMode422, recordMode_ == 1);
    View().SetFlat(kMode420, recordMode_ == 0);
    View().SetFlat(kModeMpeg1, recordMode_ == 4);

    SendCommand(board_commands::Quit());
    SendCommand(board_commands::Reset());
    const char* microcode = nullptr;
    if (recordMode_ == 1) {
        SendCommand(board_commands::ClearHostRegisters());
        for (std::uint32_t reg : board_commands::kMicrocodeClearRegisters)
            SendCommand(board_commands::WriteRegister(reg, board_commands::kFlagClear));
        SendCommand(board_commands::WriteRegister(board_commands::kCompressFromFileRegister, board_commands::kFlagClear));
        SendCommand(board_commands::ClearHostRegisters());
        microcode = palMode_ ? board_commands::kRecord422PalMicrocode : board_commands::kRecord422Microcode;
    } else if (recordMode_ == 0 || recordMode_ == 4) {
        for (std::uint32_t reg : board_commands::k420ClearRegisters) SendCommand(board_commands::WriteRegister(reg, board_commands::kFlagClear));
        SendCommand(board_commands::WriteRegister(board_commands::kCompressFromFileRegister, board_commands::kFlagClear));
        SendCommand(board_commands::ClearHostRegisters());
        if (recordMode_ == 0)
            microcode = palMode_ ? board_commands::kRecord420PalMicrocode : board_commands::kRecord420Microcode;
        else
            microcode = palMode_ ? board_commands::kRecordMpeg1PalMicrocode : board_commands::kRecordMpeg1Microcode;
    }
    if (microcode) {
        CheckMicrocode(microcode);
        SendCommand(board_commands::LoadMicrocode(microcode));
    }
    SendCommand(board_commands::WriteRegister(board_commands::kNewerBoardRegister, board_commands::kFlagSet));
    Ui().Sleep(100);
    link_->StartDaemon([this] { Ui().Sleep(0); });
    Ui().Sleep(50);

    // Values beyond a byte's field would spill into the neighbouring bits of the word.
    const int volume = std::clamp(profile_.GetInt(section_, "AUDVOL", 0), 0, 31);
    const int gain = std::clamp(profile_.GetInt(section_, "AUDGAIN", 0), 0, 15);
    SendCodecLine(board_commands::DeviceByte(board_commands::kCodecVolume, static_cast<std::uint32_t>(volume)));
    SendCodecLine(board_commands::DeviceByte(board_commands::kCodecGain, static_cast<std::uint32_t>(gain)));

    audioSource_ = profile_.GetInt(section_, "RECREFA", 4);
    I2cWriteBytes({0x36, static_cast<std::uint8_t>(audioSource_)});
    for (std::uint8_t address : {0x38, 0x3A, 0x3C, 0x3E}) I2cWriteBytes({address, 0});
    // Only the stored source's button stays checked: the group is exclusive.
    View().SetChecked(kAudioAnalog, audioSource_ != 5 && audioSource_ != 6);
    View().SetChecked(kAudioDigital, audioSource_ == 5);
    View().SetChecked(kAudioSdi, audioSource_ == 6);

    SendCommand(board_commands::EncoderStart());
    SendCommand(board_commands::EncoderParameter(board_commands::kFilters, 2, "0 0"));
    SendCommand(board_commands::RecordAudioPath(true));

    stopRef_ = profile_.GetInt(section_, "RSTOPREF", 0);
    View().SetChecked(kTbc, true);
    if (stopRef_ == 0) {
        View().SetChecked(kRef, true);
        SendCommand(board_commands::EncoderParameter(board_commands::kEncoderReference, 4, "0 0 0 1"));
    }

    colors_.inputColor =
        static_cast<std::uint32_t>(profile_.GetInt(section_, "INPUTCOLOR", static_cast<int>(kDefaultInputColor)));
    const int input = std::clamp(profile_.GetInt(section_, "RECREF", 0), 0, 4);
    SelectInput(input);

    LoadEncoderSettings();
    InitVideoPaths();
    InitAudioRecord();
    View().SetRange(kCompressFieldsSpin, {0, 2304});
    host_.CloseNotice(Notice::Loading);
}

}  // namespace velmar
