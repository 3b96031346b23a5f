// The audio channel: measuring files and lists, the rate, the start and speed edits, loading on
// input 3 with the list's queue, and the transport.
#include "audio_channel.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>

#include "board_commands/command_lines.h"
#include "board_panel/data_files.h"
#include "board_link/format.h"
#include "platform/kernel.h"
#include "record_output/record_output.h"
#include "velmar_view.h"
#include "velmar_view_ids.h"
#include "video_clip.h"

namespace velmar {

using namespace panel_ids;

namespace {

constexpr const char* kFileError = "Velmar File Error";
constexpr std::uint32_t kInput = board_commands::kAudioInput;
constexpr int kFirstQueueSlot = 14;
constexpr std::int64_t kMissingLengthFields = 100;

const std::string kPlayFromStopped = board_commands::AudioPlay(kInput, board_commands::kImmediate);
const std::string kAudioOff = board_commands::AudioOff(kInput);
const std::string kFlush = board_commands::Flush(kInput);
// Variable speed audio pauses with the freeze word of stream 1, as it always has.
const std::string kFreeze = board_commands::Freeze(1);

constexpr const char* kWavFilter =
    "Audio Files (*.wav)|*.wav|Audio Play List Files (*.apl)|*.apl|MPEG Files (*.mpg)|*.mpg|Data Files "
    "(*.mpg;*.wav)|*.mpg; *.wav|All Files (*.*)|*.*||";
constexpr const char* kAplFilter =
    "Audio Play List Files (*.apl)|*.apl|Audio Files (*.wav)|*.wav|MPEG Files (*.mpg)|*.mpg|Data Files "
    "(*.mpg;*.wav)|*.mpg; *.wav|All Files (*.*)|*.*||";
constexpr const char* kOtherFilter =
    "All Files (*.*)|*.*|Audio Files (*.wav)|*.wav|Audio Play List Files (*.apl)|*.apl|MPEG Files "
    "(*.mpg)|*.mpg|Data Files (*.mpg;*.wav)|*.mpg; *.wav||";

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::optional<std::uint64_t> RegularFileSize(const std::string& name) {
    const std::string path = platform::NormalizePath(name);
    std::error_code error;
    if (path.empty() || !std::filesystem::is_regular_file(path, error)) return std::nullopt;
    const auto size = std::filesystem::file_size(path, error);
    if (error) return std::nullopt;
    return size;
}

}  // namespace

void InstallAudioChannel(CVelmarView& panel) { panel.Channels().audio = std::make_unique<CAudioChannel>(panel); }

CAudioChannel::CAudioChannel(CVelmarView& panel)
    : panel_(panel),
      texts_{velmar_ui::DdxText(kSpeedAudio, &CAudioChannel::speedText_),
             velmar_ui::DdxText(kPathAudio, &CAudioChannel::pathText_),
             velmar_ui::DdxText(kStartAudio, &CAudioChannel::startText_)} {}

void CAudioChannel::ExchangeTexts(bool save) { texts_.UpdateData(*this, panel_.View(), panel_.Ui(), save); }

std::uint32_t CAudioChannel::Length() const {
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(length_, 1, 0x7FFFFFFF));
}

void CAudioChannel::AddFilesInUse(std::vector<std::string>& files) const {
    for (const std::string* path : {&pathText_, &entryFile_})
        if (!path->empty()) files.push_back(*path);
    // A loaded audio list's files are read once it plays, whether or not it plays now.
    if (!IsListPath()) return;
    play_lists::AudioPlayList list;
    if (!list.Open(platform::NormalizePath(pathText_))) return;
    for (const auto& entry : list.Entries()) files.push_back(entry.path);
}

bool CAudioChannel::IsListPath() const { return Lower(ExtensionOf(pathText_)) == ".apl"; }

bool CAudioChannel::OnControl(const velmar_ui::Event& event) {
    using velmar_ui::EventKind;
    const auto id = event.id;
    if (event.kind == EventKind::EditChange) {
        if (id != kPathAudio) return false;
        fileChanged_ = true;
        panel_.UpdateData(true);
        return true;
    }
    // The handlers work on the form's fields: take what the operator typed first.
    panel_.UpdateData(true);
    if (event.kind == EventKind::EditLostFocus) {
        if (id == kPathAudio) OnAudioFileChanged();
        else if (id == kStartAudio) SetAudioStartPosition();
        else if (id == kSpeedAudio) {
            ApplySpeedEdit();
            panel_.UpdateData(false);
        } else return false;
        return true;
    }
    if (event.kind != EventKind::Command) return false;
    switch (id) {
    case kPlayAudio: OnAudioPlay(); break;
    case kPauseAudio: OnAudioPause(); break;
    case kVarPlayAudio: OnAudioVarPlay(); break;
    case kStopAudio: OnAudioStop(); break;
    case kFileAudio: OnAudioBrowse(); break;
    case kLinkAudio: OnLinkAudio(); break;
    case kFieldStepAudio:
    case kFrameStepAudio: OnNotImplemented(); break;
    default: return false;
    }
    return true;
}

// ------------------------------------------------------------------ source and rate

void CAudioChannel::ShowLength() {
    panel_.Sliders().SetLength(kSliderAudio, static_cast<long>(Length()));
    // A missing file or list keeps a default length inside, which the display does not show as one.
    panel_.View().SetText(kLengthAudio, lengthKnown_ ? FormatTimecode(panel_.FramesToTimecode(length_ / 2)) : "");
}

void CAudioChannel::MeasureSource() {
    lengthFromFile_ = false;
    lengthKnown_ = true;
    const std::string path = platform::NormalizePath(pathText_);
    if (IsListPath()) {
        if (panel_.RefuseLargerThan(path, play_lists::kMaxListBytes, "audio play list")) {
            length_ = kMissingLengthFields;
            lengthKnown_ = false;
        } else if (const auto frames = play_lists::ReadAudioPlayListLength(path)) {
            length_ = 2 * *frames;
        } else {
            panel_.Ui().MessageBox({Format("Can't find file %s", path.c_str()), "File Error"});
            length_ = kMissingLengthFields;
            lengthKnown_ = false;
        }
    } else if (const auto size = RegularFileSize(path)) {
        fileSize_ = *size;
        length_ = static_cast<std::int64_t>(AudioBytesToFields(fileSize_, fraction_));
        lengthFromFile_ = true;
    } else {
        length_ = kMissingLengthFields;
        lengthKnown_ = false;
    }
    ShowLength();
}

void CAudioChannel::ResetStart() {
    start_ = 0;
    startText_ = "00000000";
}

void CAudioChannel::InitAudioChannel() {
    velmar_ui::FormView& view = panel_.View();
    rate_ = AudioRate::k48;
    fraction_ = BytesPerField(rate_, panel_.Standard());
    view.SetFlat(kStopAudio, true);
    view.SetRange(kSpeedBarAudio, {1, 200});
    view.SetPosition(kSpeedBarAudio, 100);
    speedText_ = "100";
    pathText_ = panel_.ReadKey("PATHAUD");
    MeasureSource();
    ResetStart();
    fileChanged_ = false;
    panel_.UpdateData(false);
    view.SelectAllText(kPathAudio);
    linked_ = panel_.ReadKey("LINKAUD") == "1";
    view.SetChecked(kLinkAudio, linked_);
    const std::string stored = panel_.ReadKey("AUDRATE");
    const int kiloHertz = std::atoi(stored.c_str());
    // 48 kHz is the board's rate after its reset: no rate line is sent for it at start-up.
    if (kiloHertz == 32) {
        view.SetChecked(kRate32, true);
        SetAudioRate(static_cast<int>(AudioRate::k32));
    } else if (kiloHertz == 44) {
        view.SetChecked(kRate44, true);
        SetAudioRate(static_cast<int>(AudioRate::k44));
    } else {
        view.SetChecked(kRate48, true);
    }
}

void CAudioChannel::SetAudioRate(int rateIndex) {
    const auto rate = static_cast<AudioRate>(std::clamp(rateIndex, 1, 3));
    panel_.SetAudioRateCode(AudioRateCode(rate));
    panel_.WriteKey("AUDRATE", Format("%d", AudioRateKiloHertz(rate)));
    panel_.SendCommand(board_commands::DeviceByte(board_commands::kPortExpander40, panel_.BusByte40()));
    rate_ = rate;
    fraction_ = BytesPerField(rate, panel_.Standard());
    // A list's length counts frames of the standard, whatever the rate: only a file's changes.
    if (lengthFromFile_) {
        length_ = rate == AudioRate::k48 ? static_cast<std::int64_t>(2 * AudioBytesToFrames(fileSize_))
                                         : static_cast<std::int64_t>(AudioBytesToFields(fileSize_, fraction_));
    }
    panel_.Sliders().SetPosition(kSliderAudio, 0);
    ShowLength();
    ResetStart();
    panel_.UpdateData(false);
}

void CAudioChannel::OnAudioFileChanged() {
    if (!fileChanged_) return;
    panel_.WriteKey("PATHAUD", pathText_);
    MeasureSource();
    panel_.Sliders().SetPosition(kSliderAudio, 0);
    fileChanged_ = false;
    ResetStart();
    OnAudioStop();
    panel_.UpdateData(false);
    panel_.View().SelectAllText(kPathAudio);
}

void CAudioChannel::ReloadFile() {
    fileChanged_ = true;
    OnAudioFileChanged();
}

void CAudioChannel::OnAudioBrowse() {
    const std::string stored = panel_.ReadKey("PATHAUD");
    std::string extension = Lower(ExtensionOf(stored));
    if (extension.empty()) extension = ".wav";
    velmar_ui::FileChooserSpec chooser;
    // The chooser opens in the stored file's folder; the process's folder stays where it is, since
    // the service loop opens the parking clips by relative names.
    chooser.startFolder = velmar_ui::FolderOf(stored);
    chooser.defaultExtension = "aud";
    if (extension == ".wav") {
        chooser.initialName = "*.wav";
        chooser.filter = kWavFilter;
    } else if (extension == ".apl") {
        chooser.initialName = "*.apl";
        chooser.filter = kAplFilter;
    } else {
        chooser.initialName = "*.*";
        chooser.filter = kOtherFilter;
    }
    const auto choice = panel_.Ui().ChooseFile(chooser);
    if (!choice) return;
    pathText_ = *choice;
    panel_.UpdateData(false);
    ReloadFile();
}

void CAudioChannel::OnLinkAudio() {
    linked_ = panel_.View().Checked(kLinkAudio);
    panel_.WriteKey("LINKAUD", linked_ ? "1" : "0");
}

void CAudioChannel::OnNotImplemented() {
    panel_.Ui().MessageBox({"This feature has not yet been implemented", "Velmar Message"});
}

// ------------------------------------------------------------------ start, speed, slider

int CAudioChannel::ParseSpeed() const { return std::clamp(std::atoi(speedText_.c_str()), 1, 200); }

void CAudioChannel::ApplySpeedEdit() {
    const int speed = ParseSpeed();
    panel_.View().SetPosition(kSpeedBarAudio, speed);
    speedText_ = Format("%ld", static_cast<long>(speed));
    SetAudioSpeed();
}

void CAudioChannel::SetAudioStartPosition() {
    const auto code = static_cast<PackedTimecode>(std::strtoul(startText_.c_str(), nullptr, 16));
    const std::int64_t frames = panel_.TimecodeToFrames(IsValidTimecode(code, panel_.Standard()));
    const std::int64_t p = std::clamp<std::int64_t>(2 * frames, 0, std::max<std::int64_t>(0, length_ - 1));
    startText_ = Format("%.8x", panel_.FramesToTimecode(p / 2));
    if (p != start_) {
        start_ = p;
        panel_.Sliders().SetPosition(kSliderAudio, static_cast<long>(p));
        if (state_ != AudioState::Stopped) ReissueState();
    }
    ApplySpeedEdit();
    panel_.UpdateData(false);
    if (fileChanged_) OnAudioFileChanged();
}

void CAudioChannel::OnAudioSlider(int position, bool dragging) {
    start_ = position;
    const std::int64_t shown = std::min<std::int64_t>(length_, std::max(position, 0));
    startText_ = Format("%.8x", panel_.FramesToTimecode(shown / 2));
    panel_.UpdateData(false);
    if (!dragging && state_ != AudioState::Stopped) ReissueState();
}

void CAudioChannel::OnAudioSpeedSlider(int code, int position) {
    speedText_ = Format("%ld", static_cast<long>(position));
    if (code == static_cast<int>(velmar_ui::ScrollCode::EndScroll)) SetAudioSpeed();
}

void CAudioChannel::SetRateStep(std::uint32_t step) {
    if (BoardWindow* window = panel_.Window()) window->Write32(window::kAudioRateStep, step);
}

void CAudioChannel::SetAudioSpeed() {
    if (state_ != AudioState::VarPlay) return;
    const std::uint32_t step = AudioStepForPercent(ParseSpeed());
    BoardWindow* window = panel_.Window();
    if (!window || window->Read32(window::kAudioRateStep) == step) return;
    window->Write32(window::kAudioRateStep, step);
    panel_.AddLogMessage(" ");
    panel_.AddLogMessage("Changing speed when not stopped will cause");
    panel_.AddLogMessage("Audio sync problems on older Velmar boards");
}

// ------------------------------------------------------------------ loading

bool CAudioChannel::OpenListEntry(std::int64_t& startField, std::string& file) {
    const std::string path = platform::NormalizePath(pathText_);
    if (panel_.RefuseLargerThan(path, play_lists::kMaxListBytes, "audio play list") || !list_.Open(path)) return false;
    slotUsed_[0] = slotUsed_[1] = false;
    slotIndex_ = 0;
    if (BoardWindow* window = panel_.Window())
        for (std::uint32_t slot : {0u, 1u}) window->Write32(window::kQueueSlotFlags[kInput] + 4 * slot, 0);
    // A start past the list's total counts from the top again, as the list plays on after its
    // last entry; a list without entries plays nothing.
    const auto seek = list_.SeekTo(startField / 2);
    if (!seek) {
        list_.Close();
        panel_.Ui().MessageBox(
            {Format("The audio play list %s has no valid entry", pathText_.c_str()), kFileError});
        return false;
    }
    if (!EntryIsAudio(seek->entry.path)) return false;
    file = seek->entry.path;
    entryFile_ = file;
    entryStart_ = seek->entry.start;
    entryEnd_ = seek->entry.end;
    startField = 2 * (seek->entry.start + seek->position - seek->before);
    listActive_ = true;
    QueueNextAudioEntry();
    QueueNextAudioEntry();
    if (!listActive_) return false;  // a following entry was refused
    endOffset_ = RoundDownToSample(AudioFieldsToBytes(static_cast<std::uint64_t>(2 * entryEnd_ + 2), fraction_));
    return true;
}

bool CAudioChannel::EntryIsAudio(const std::string& file) {
    if (!BoardTakesPath(panel_.Ui(), file)) {
        CloseList();
        return false;
    }
    const std::string path = platform::NormalizePath(file);
    // Only a regular file is read here: opening a pipe would block the panel (a missing or odd
    // file is refused where it is opened).
    const auto head = RegularFileSize(path) ? ReadClipHead(path) : std::nullopt;
    const bool video = head && head->firstWord && ClassifyClip(*head->firstWord, true);
    if (!video && !platform::IsSameFile(path, platform::NormalizePath(pathText_))) return true;
    CloseList();
    panel_.Ui().MessageBox({Format("The audio play list %s has no valid entry", pathText_.c_str()), kFileError});
    return false;
}

void CAudioChannel::CloseList() {
    list_.Close();
    listActive_ = false;
}

bool CAudioChannel::LoadAudioFile(std::int32_t linkOffset) {
    panel_.SendCommand(kAudioOff);
    panel_.SendCommand(kFlush);
    startOffset_ = 0;
    endOffset_ = 0;
    CloseList();
    auto badFile = [this] {
        panel_.Ui().MessageBox({"Bad File Name", kFileError});
        if (panel_.Channels().playList->Active()) panel_.Channels().playList->Stop();
        return false;
    };
    if (!IsListPath() && !BoardTakesPath(panel_.Ui(), pathText_)) {
        if (panel_.Channels().playList->Active()) panel_.Channels().playList->Stop();
        return false;
    }
    if (!RegularFileSize(pathText_)) return badFile();
    const auto code = static_cast<PackedTimecode>(std::strtoul(startText_.c_str(), nullptr, 16));
    std::int64_t s = 2 * static_cast<std::int64_t>(panel_.TimecodeToFrames(IsValidTimecode(code, panel_.Standard())));
    std::string file = pathText_;
    if (IsListPath()) {
        if (!OpenListEntry(s, file)) {
            if (panel_.Channels().playList->Active()) panel_.Channels().playList->Stop();
            return false;
        }
    }
    // The entry of a list may name a file that is not there.
    const auto size = RegularFileSize(file);
    if (!size) {
        CloseList();
        return badFile();
    }
    if (s != 0) {
        s = linkOffset < s ? s - linkOffset : 0;
        const std::uint64_t offset = RoundDownToSample(AudioFieldsToBytes(static_cast<std::uint64_t>(s), fraction_));
        // The last whole sample at most; a file shorter than one sample starts at 0.
        const std::uint64_t last = *size >= 4 ? *size - 4 : 0;
        startOffset_ = std::min(offset, last);
    }
    panel_.SendCommand(board_commands::AudioFile(panel_.View().Checked(kLoopAudio), endOffset_, startOffset_,
                                                 panel_.Is2000Board(), file));
    return true;
}

void CAudioChannel::QueueNextAudioEntry() {
    if (!listActive_ || !list_.IsOpen()) return;
    BoardWindow* window = panel_.Window();
    auto flagWord = [](int slot) { return window::kQueueSlotFlags[kInput] + 4 * static_cast<std::uint32_t>(slot); };
    // A slot is free again once the service loop has taken its file and cleared its flag.
    if (window)
        for (int slot : {0, 1})
            if (slotUsed_[slot] && window->Read32(flagWord(slot)) == 0) slotUsed_[slot] = false;
    if (slotUsed_[slotIndex_]) return;
    const auto entry = list_.NextEntry();
    if (!entry) return;  // the list lost its entries on disk: nothing more to queue
    if (!EntryIsAudio(entry->path)) return;
    const std::uint64_t end = RoundDownToSample(AudioFieldsToBytes(static_cast<std::uint64_t>(2 * entry->end + 2), fraction_));
    const std::uint64_t start = RoundDownToSample(AudioFieldsToBytes(static_cast<std::uint64_t>(2 * entry->start), fraction_));
    panel_.SendCommand(
        board_commands::QueuedAudioFile(kFirstQueueSlot + slotIndex_, end, start, panel_.Is2000Board(), entry->path));
    slotUsed_[slotIndex_] = true;
    if (window) window->Write32(flagWord(slotIndex_), 1);
    slotIndex_ ^= 1;
}

// ------------------------------------------------------------------ transport

velmar_ui::ControlId CAudioChannel::StateButton(AudioState state) const {
    switch (state) {
    case AudioState::Playing: return kPlayAudio;
    case AudioState::Paused: return kPauseAudio;
    case AudioState::VarPlay: return kVarPlayAudio;
    case AudioState::Stopped: break;
    }
    return kStopAudio;
}

void CAudioChannel::EnterState(AudioState state) {
    panel_.View().SetFlat(StateButton(state_), false);
    state_ = state;
    panel_.View().SetFlat(StateButton(state), true);
}

bool CAudioChannel::Cue(std::int32_t linkOffset) {
    if (!LoadAudioFile(linkOffset)) return false;
    panel_.AudioRoutingOff();
    return true;
}

void CAudioChannel::ReissueState() {
    const AudioState state = state_;
    state_ = AudioState::Stopped;
    switch (state) {
    case AudioState::Playing: OnAudioPlay(); break;
    case AudioState::Paused: OnAudioPause(); break;
    case AudioState::VarPlay: OnAudioVarPlay(); break;
    case AudioState::Stopped: break;
    }
    // A file that no longer loads leaves the channel stopped: its marks must say so.
    if (state_ == AudioState::Stopped) {
        panel_.View().SetFlat(StateButton(state), false);
        panel_.View().SetFlat(kStopAudio, true);
    }
}

void CAudioChannel::OnAudioPlay(std::uint32_t resumeField, std::int32_t linkOffset) {
    SetRateStep(256);
    switch (state_) {
    case AudioState::Playing: return;
    case AudioState::Stopped:
        if (!Cue(linkOffset)) return;
        panel_.SendCommand(kPlayFromStopped);
        break;
    case AudioState::Paused:
        panel_.SendCommand(board_commands::AudioOnAt(resumeField, kInput));
        break;
    case AudioState::VarPlay: break;
    }
    EnterState(AudioState::Playing);
}

void CAudioChannel::OnAudioPause() {
    switch (state_) {
    case AudioState::Paused: return;
    case AudioState::Stopped:
        if (!Cue(0)) return;
        panel_.SendCommand(kPlayFromStopped);
        panel_.SendCommand(kAudioOff);
        break;
    case AudioState::Playing: panel_.SendCommand(kAudioOff); break;
    case AudioState::VarPlay: panel_.SendCommand(kFreeze); break;
    }
    EnterState(AudioState::Paused);
}

void CAudioChannel::OnAudioVarPlay(std::int32_t linkOffset, std::uint32_t startField) {
    SetRateStep(AudioStepForPercent(ParseSpeed()));
    switch (state_) {
    case AudioState::Stopped:
        if (!Cue(linkOffset)) return;
        panel_.SendCommand(board_commands::AudioPlay(kInput, startField));
        EnterState(AudioState::VarPlay);
        return;
    case AudioState::Playing: break;
    case AudioState::Paused:
        panel_.SendCommand(board_commands::AudioOnAt(0, kInput));
        break;
    case AudioState::VarPlay: SetAudioSpeed(); return;
    }
    EnterState(AudioState::VarPlay);
    SetAudioSpeed();
}

void CAudioChannel::OnAudioStop() {
    if (state_ != AudioState::Stopped) {
        panel_.SendCommand(kAudioOff);
        panel_.SendCommand(kFlush);
        panel_.SendCommand(board_commands::ParkingClip(kInput, false, data_files::BoardFileName(data_files::kBlackClip)));
        panel_.RouteAudioSource();
        EnterState(AudioState::Stopped);
    }
    CloseList();
}

}  // namespace velmar
