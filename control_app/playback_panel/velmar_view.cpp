// The panel object, its message map and data exchange, and board start-up.
#include "velmar_view.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "board_commands/command_lines.h"
#include "board_panel/data_files.h"
#include "board_link/format.h"
#include "board_panel/board_setup_files.h"
#include "board_panel/message_log_dlg.h"
#include "index_builder/index_builder.h"
#include "platform/kernel.h"
#include "platform/log.h"
#include "platform/profile.h"
#include "platform/regular_file.h"
#include "shell/remote_requests.h"
#include "velmar_ui/spin_buddies.h"
#include "velmar_view_ids.h"

namespace velmar {

using namespace panel_ids;
using velmar_ui::MessageMap;

namespace {
constexpr const char* kErrorCaption = "Velmar Error";

// "Flds" of the Uncompress group and PLAY ALL's four delays.
constexpr velmar_ui::SpinBuddy kSpinBuddies[] = {{kDecodeFieldsSpin, kDecodeFields},
                                                 {kDelaySpinA, kDelayA},
                                                 {kDelaySpinB, kDelayB},
                                                 {kDelaySpinAlpha, kDelayAlpha},
                                                 {kDelaySpinAudio, kDelayAudio}};
}  // namespace

CVelmarView::CVelmarView(velmar_ui::FormView& view, velmar_ui::UiServices& ui, PanelHost& host, PanelBoard board,
                         const platform::Profile& profile, RemoteRequests* remote, board_commands::BoardNumber boardNumber,
                         PanelChannels channels)
    : CBoardPanel(view, ui, host, board, profile, boardNumber, true), remote_(remote), channels_(std::move(channels)), formSliders_(view), sliders_(&formSliders_) {}

CVelmarView::~CVelmarView() = default;

const MessageMap<CVelmarView>& CVelmarView::Map() {
    using V = CVelmarView;
    using velmar_ui::OnCommand;
    static const MessageMap<V> map{
        velmar_ui::OnTimerId(kPanelTimer, &V::OnTimer),
        OnCommand(kPlayAll, &V::OnPlayAll),
        OnCommand(menu_ids::kEnter, &V::OnEnterKey),
        OnCommand(menu_ids::kColorSetting, &V::OnColorSetting),
        OnCommand(menu_ids::kVideoSettings, &V::OnVideoSettings),
        OnCommand(menu_ids::kAudioSettings, &V::OnAudioSettings),
        OnCommand(menu_ids::kAlphaGenerator, &V::OnTool),
        OnCommand(menu_ids::kByteSwap, &V::OnTool),
        OnCommand(menu_ids::kFileMerge, &V::OnTool),
        OnCommand(menu_ids::kFileSplit, &V::OnTool),
        OnCommand(menu_ids::kUpdateEeprom, &V::OnUpdateEeprom),
        OnCommand(menu_ids::kOpenPlayList, &V::OnOpenPlayList),
        OnCommand(menu_ids::kSetLogFile, &V::OnSetLogFile),
        OnCommand(menu_ids::kDisableLogging, &V::OnDisableLogging),
        velmar_ui::OnScroll(kSpeedBarA, &V::OnHScroll),
        velmar_ui::OnScroll(kSpeedBarB, &V::OnHScroll),
        velmar_ui::OnScroll(kSpeedBarAudio, &V::OnHScroll),
        velmar_ui::OnSlider(kSliderA, &V::OnPositionSlider),
        velmar_ui::OnSlider(kSliderB, &V::OnPositionSlider),
        velmar_ui::OnSlider(kSliderAudio, &V::OnPositionSlider),
        velmar_ui::OnSlider(kSliderAlpha, &V::OnPositionSlider),
        velmar_ui::OnSlider(kSliderList, &V::OnPositionSlider),
        OnCommand(kRefCVideo, &V::OnRefCVideo),
        OnCommand(kRefSvhs, &V::OnRefSvhs),
        OnCommand(kRefSdi, &V::OnRefSdi),
        OnCommand(kRefVp, &V::OnRefVp),
        OnCommand(kRefFree, &V::OnRefFree),
        OnCommand(kTbc, &V::OnTbc),
        OnCommand(kRef, &V::OnRefCheck),
        OnCommand(kAudioAnalog, &V::OnAudioAnalog),
        OnCommand(kAudioDigital, &V::OnAudioDigital),
        OnCommand(kAudioSdi, &V::OnAudioSdi),
        OnCommand(kAudioNone, &V::OnAudioNone),
        OnCommand(kDv50, &V::OnDv50),
        OnCommand(kViewA, &V::OnViewVideoA),
        OnCommand(kViewB, &V::OnViewVideoB),
        OnCommand(kRecord420, &V::OnSwitchRecord420),
        OnCommand(kRecord422, &V::OnSwitchRecord422),
        OnCommand(kRecordMpeg1, &V::OnSwitchRecordMpeg1),
        OnCommand(kPal, &V::OnPal),
        OnCommand(kNtsc, &V::OnNtsc),
        OnCommand(kDv25Mp, &V::OnDvMpButton),
        OnCommand(kDv50Mp, &V::OnDvMpButton),
        OnCommand(kFromPlayer, &V::OnDvRecordButton),
        OnCommand(kPauseDv, &V::OnDvRecordButton),
        OnCommand(kFrameStepDv, &V::OnDvRecordButton),
        OnCommand(kDspReset, &V::OnDspReset),
        // DV Video Record.
        OnCommand(kFileDv, &V::OnDvControl),
        OnCommand(kFileDvAudio, &V::OnDvControl),
        OnCommand(kRecordDv, &V::OnDvControl),
        OnCommand(kStopDv, &V::OnDvControl),
        OnCommand(kRecordAudioDv, &V::OnDvControl),
        velmar_ui::OnEditLostFocus(kPathDv, &V::OnDvControl),
        velmar_ui::OnEditLostFocus(kPathDvAudio, &V::OnDvControl),
        OnCommand(kDspSend, &V::OnDspSend),
        // Video A, the Uncompress group and Video B.
        OnCommand(kFileA, &V::OnVideoControl),
        OnCommand(kPlayA, &V::OnVideoControl),
        OnCommand(kPauseA, &V::OnVideoControl),
        OnCommand(kStopA, &V::OnVideoControl),
        OnCommand(kVarPlayA, &V::OnVideoControl),
        OnCommand(kIpOnlyA, &V::OnVideoControl),
        OnCommand(kIOnlyA, &V::OnVideoControl),
        OnCommand(kFieldStepA, &V::OnVideoControl),
        OnCommand(kFrameStepA, &V::OnVideoControl),
        velmar_ui::OnEditChange(kPathA, &V::OnVideoControl),
        OnCommand(kPlayAlpha, &V::OnMixControl),
        OnCommand(kPauseAlpha, &V::OnMixControl),
        OnCommand(kStopAlpha, &V::OnMixControl),
        OnCommand(kFileAlpha, &V::OnMixControl),
        velmar_ui::OnEditChange(kPathAlpha, &V::OnMixControl),
        velmar_ui::OnEditLostFocus(kPathAlpha, &V::OnMixControl),
        OnCommand(kPlayList, &V::OnMixControl),
        OnCommand(kPauseList, &V::OnMixControl),
        OnCommand(kStopList, &V::OnMixControl),
        OnCommand(kCheckList, &V::OnMixControl),
        OnCommand(kFileList, &V::OnMixControl),
        velmar_ui::OnEditChange(kPathList, &V::OnMixControl),
        velmar_ui::OnEditLostFocus(kPathList, &V::OnMixControl),
        velmar_ui::OnEditLostFocus(kStartList, &V::OnMixControl),
        velmar_ui::OnEditLostFocus(kPathA, &V::OnVideoControl),
        velmar_ui::OnEditLostFocus(kStartA, &V::OnVideoControl),
        velmar_ui::OnEditLostFocus(kSpeedA, &V::OnVideoControl),
        OnCommand(kDecodeFile, &V::OnVideoControl),
        velmar_ui::OnEditChange(kDecodePath, &V::OnVideoControl),
        velmar_ui::OnEditLostFocus(kDecodePath, &V::OnVideoControl),
        OnCommand(kFileB, &V::OnVideoControl),
        OnCommand(kPlayB, &V::OnVideoControl),
        OnCommand(kPauseB, &V::OnVideoControl),
        OnCommand(kStopB, &V::OnVideoControl),
        OnCommand(kVarPlayB, &V::OnVideoControl),
        OnCommand(kIpOnlyB, &V::OnVideoControl),
        OnCommand(kIOnlyB, &V::OnVideoControl),
        OnCommand(kFieldStepB, &V::OnVideoControl),
        OnCommand(kFrameStepB, &V::OnVideoControl),
        velmar_ui::OnEditChange(kPathB, &V::OnVideoControl),
        velmar_ui::OnEditLostFocus(kPathB, &V::OnVideoControl),
        velmar_ui::OnEditLostFocus(kStartB, &V::OnVideoControl),
        velmar_ui::OnEditLostFocus(kSpeedB, &V::OnVideoControl),
        // Audio.
        OnCommand(kFileAudio, &V::OnAudioControl),
        OnCommand(kPlayAudio, &V::OnAudioControl),
        OnCommand(kPauseAudio, &V::OnAudioControl),
        OnCommand(kStopAudio, &V::OnAudioControl),
        OnCommand(kVarPlayAudio, &V::OnAudioControl),
        OnCommand(kFieldStepAudio, &V::OnAudioControl),
        OnCommand(kFrameStepAudio, &V::OnAudioControl),
        OnCommand(kLinkAudio, &V::OnAudioControl),
        OnCommand(kRate48, &V::OnAudioRate48),
        OnCommand(kRate44, &V::OnAudioRate44),
        OnCommand(kRate32, &V::OnAudioRate32),
        velmar_ui::OnEditChange(kPathAudio, &V::OnAudioControl),
        velmar_ui::OnEditLostFocus(kPathAudio, &V::OnAudioControl),
        velmar_ui::OnEditLostFocus(kStartAudio, &V::OnAudioControl),
        velmar_ui::OnEditLostFocus(kSpeedAudio, &V::OnAudioControl),
    };
    return map;
}

bool CVelmarView::Dispatch(const velmar_ui::Event& event) {
    const bool followed = velmar_ui::FollowSpinBuddies(View(), kSpinBuddies, event);
    return Map().Dispatch(*this, event) || followed;
}

const velmar_ui::DataExchange<CVelmarView>& CVelmarView::DataMap() {
    using V = CVelmarView;
    using velmar_ui::DdxNumber;
    static const velmar_ui::DataExchange<V> table{
        DdxNumber(kDelayA, &V::delayA, 0, kNumberFieldLimit),
        DdxNumber(kDelayB, &V::delayB, 0, kNumberFieldLimit),
        DdxNumber(kDelayAlpha, &V::delayAlpha, 0, kNumberFieldLimit),
        DdxNumber(kDelayAudio, &V::delayAudio, 0, kNumberFieldLimit),
    };
    return table;
}

bool CVelmarView::UpdateData(bool save) {
    // The form's order: every group's texts, then the numbers (Uncompress, then PLAY ALL's
    // delays), then the DV record's paths. A bad number stops the save of what follows it.
    PanelChannels& c = channels_;
    for (Channel* channel : std::initializer_list<Channel*>{c.videoA.get(), c.videoB.get(), c.audio.get(), c.alpha.get(),
                                                           c.playList.get()})
        channel->ExchangeTexts(save);
    if (!c.videoA->ExchangeNumbers(save) || !DataMap().UpdateData(*this, View(), Ui(), save)) return false;
    c.dvRecord->ExchangeTexts(save);
    return true;
}

void CVelmarView::UpdateFormData() { UpdateData(true); }

// ------------------------------------------------------------------ start-up

void CVelmarView::CheckEepromAndDsp() {
    PollEeprom();

    if (I2cReadByte(0x21) != 8) Ui().MessageBox({"EEPROM Revision Mismatch Run EEPROM Update Tool", kErrorCaption});

    stopRef_ = profile_.GetInt(section_, "STOPREF", 0);
    if (stopRef_ == 0) {
        View().SetChecked(kRef, true);
        I2cWriteBytes({0x30, 0x01});
    }
    dv50_ = profile_.GetInt(section_, "DV50", 0);
    if (dv50_ != 0) View().SetChecked(kDv50, true);
}

namespace {

// Why a parking clip the board plays between clips is no such clip, if it is not: its first word
// must announce an MPEG-2 video stream (.mpg) or an alpha stream (.alp), in either word order.
std::optional<std::string> ParkingClipDamage(const std::string& path, bool alpha) {
    const platform::CFile file = platform::OpenRegularFile(path, "rb");
    if (!file) return "it is not a regular file that can be read";
    std::uint8_t bytes[4] = {};
    if (std::fread(bytes, 1, sizeof bytes, file.get()) != sizeof bytes) return "it is shorter than one word";
    const std::uint32_t word = std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 |
                               std::uint32_t(bytes[2]) << 16 | std::uint32_t(bytes[3]) << 24;
    const index_builder::StreamKind kind = index_builder::ClassifyFirstWord(word);
    if (kind == index_builder::StreamKind::Unknown || index_builder::IsAlpha(kind) != alpha)
        return alpha ? "it does not begin as an alpha stream" : "it does not begin as an MPEG-2 video stream";
    return std::nullopt;
}

}  // namespace

bool CVelmarView::CheckClips() {
    // Where the board will open them.
    const char* clip = palMode_ ? data_files::kBlackClipPal : data_files::kBlackClip;
    std::vector<std::string> reachable;
    for (const std::string file : {clip, data_files::kCutAlpha}) {
        // A name the file system cannot resolve is named with its cause once, and sent as a
        // damaged clip is.
        const std::string path = data_files::RelativePath(file);
        if (RefuseUnreachablePath(path)) continue;
        std::error_code error;
        if (!std::filesystem::exists(path, error)) {
            channels_.playList->Stop();
            Quit("Can't find file " + std::filesystem::path(file).filename().string());
            return false;
        }
        reachable.push_back(file);
    }
    // A damaged clip is still sent, as before; the operator learns which file to replace.
    for (const std::string& file : reachable) {
        if (const auto damage = ParkingClipDamage(data_files::RelativePath(file), file.ends_with(".alp")))
            ReportDamagedFile(file, *damage);
    }
    return true;
}

void CVelmarView::OnInitialUpdate() {
    UpdateData(false);
    if (profile_.GetInt(section_, "WINCX", 0) == 0) host_.FitFrameToForm();

    MapBoard();
    window_->Write32(window::kAudioRateStep, 256);
    is2000Board_ = window_->Read32(window::kBoardType) == window::kNewerBoardType;

    palMode_ = profile_.GetInt(section_, "PALMODE", 0) != 0;
    if (!LoadI2cTable()) return;

    host_.ShowNotice(Notice::Loading);
    if (is2000Board_) {
        CheckEepromAndDsp();
        if (!SendDspCode()) return;
    }
    if (!CheckClips()) return;

    viewedChannel_ = 0;
    colors_.refColorDirty = false;
    colors_.inputColorDirty = false;
    timerState_ = TimerState::InitPending;
    titlePending_ = true;
    SetTimer(kPanelTimer, kPanelTimerMs);
}

void CVelmarView::InitPlaybackBoard() {
    OpenCommandLog();

    palMode_ = profile_.GetInt(section_, "PALMODE", 0) != 0;
    if (palMode_) controlByte_ |= 0x40;
    View().SetFlat(kPal, palMode_);
    View().SetFlat(kNtsc, !palMode_);

    View().SetChecked(kViewA, true);
    View().SetChecked(kDecodeFrame, true);
    for (DisplayTracker* display : {&displayA_, &displayB_, &displayAlpha_, &displayAudio_, &displayList_, &displayDv_})
        display->shown = true;

    SendCommand(board_commands::Quit());
    SendCommand(board_commands::Reset());
    SendCommand(board_commands::ClearHostRegisters());
    CheckMicrocode(board_commands::kPlaybackMicrocode);
    SendCommand(board_commands::LoadMicrocode(board_commands::kPlaybackMicrocode));
    if (is2000Board_) SendCommand(board_commands::WriteRegister(board_commands::kNewerBoardRegister, board_commands::kFlagSet));
    for (std::uint32_t reg : board_commands::kMicrocodeClearRegisters) SendCommand(board_commands::WriteRegister(reg, board_commands::kFlagClear));

    link_->StartDaemon([this] { Ui().Sleep(0); });
    Ui().Sleep(50);

    colors_.refColor = static_cast<std::uint32_t>(profile_.GetInt(section_, "REFCOLOR", kDefaultRefColor));
    colors_.inputColor = static_cast<std::uint32_t>(
        profile_.GetInt(section_, "INPUTCOLOR", static_cast<int>(kDefaultInputColor)));

    if (!is2000Board_) {
        stopRef_ = profile_.GetInt(section_, "STOPREF", 0);
        if (stopRef_ == 0) {
            View().SetChecked(kRef, true);
            ReferenceOn();
        }
    }

    SendCommand(board_commands::PlaybackAudioPath());
    ZeroCommandDone();
    View().SetChecked(kTbc, true);
    freeRunActive_ = false;
    playRef_ = profile_.GetInt(section_, "PLAYREF", 4);

    // Values beyond a byte's field would spill into the neighbouring bits of the word.
    const int volume = std::clamp(profile_.GetInt(section_, "AUDVOL", 0), 0, 31);
    const int gain = std::clamp(profile_.GetInt(section_, "AUDGAIN", 0), 0, 15);
    SendCodecLine(board_commands::DeviceByte(board_commands::kCodecVolume, static_cast<std::uint32_t>(volume)));
    SendCodecLine(board_commands::DeviceByte(board_commands::kCodecGain, static_cast<std::uint32_t>(gain)));
    using namespace board_commands;
    for (const char* reg : {kCodecRegister36, kCodecRegister38, kCodecRegister3A, kCodecRegister3C, kCodecRegister3E})
        SendCodecLine(DeviceMessage(4, reg, kZeroDataWord));

    playRefAudio_ = std::clamp(profile_.GetInt(section_, "PLAYREFA", 0), 0, 15);
    RouteAudioSource();
    View().SetChecked(kAudioNone, playRefAudio_ == 0);
    View().SetChecked(kAudioAnalog, playRefAudio_ == 4);
    View().SetChecked(kAudioDigital, playRefAudio_ == 5);
    View().SetChecked(kAudioSdi, playRefAudio_ == 6);

    if (playRef_ >= 0 && playRef_ <= 3) {
        ChooseReferenceRadio(playRef_);
        RunReference(playRef_);
        SendReferenceColor(true);
    } else if (playRef_ == 4) {
        ChooseReferenceRadio(4);
        SendReferenceColor(false);
        freeRunActive_ = true;
    }

    channels_.videoA->Init();
    channels_.videoB->Init();
    channels_.audio->Init();
    channels_.alpha->Init();
    channels_.playList->Init();
    channels_.dvRecord->Init();

    for (velmar_ui::ControlId spin : {kDecodeFieldsSpin, kDelaySpinA, kDelaySpinB, kDelaySpinAlpha, kDelaySpinAudio})
        View().SetRange(spin, {0, 2304});
    for (velmar_ui::ControlId loop : {kLoopA, kLoopB, kLoopAudio, kLoopAlpha}) View().SetChecked(loop, true);

    host_.CloseNotice(Notice::Loading);
}

std::vector<std::string> CVelmarView::FilesInUse() const {
    std::vector<std::string> files;
    const Channel* groups[] = {channels_.videoA.get(), channels_.videoB.get(), channels_.audio.get(),
                               channels_.alpha.get(), channels_.playList.get()};
    for (const Channel* group : groups) group->AddFilesInUse(files);
    return files;
}

}  // namespace velmar
