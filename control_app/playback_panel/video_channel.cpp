// Video channels A and B: initialisation, clip choice, loading and the mode transitions.
#include "video_channel.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "board_commands/command_lines.h"
#include "board_panel/data_files.h"
#include "board_link/format.h"
#include "platform/kernel.h"
#include "record_output/record_output.h"
#include "velmar_view.h"
#include "velmar_view_ids.h"

namespace velmar {

using namespace panel_ids;

namespace {

constexpr const char* kFileError = "Velmar File Error";
constexpr const char* kClipFilter =
    "MPEG Files (*.mpg)|*.mpg|DV Files (*.dv)|*.dv|Audio Files (*.wav)|*.wav|Data Files (*.mpg;*.dv;*.wav)|*.mpg; "
    "*.dv; *.wav|All Files (*.*)|*.*||";

}  // namespace

const VideoChannelTable& VideoTableA() {
    static const VideoChannelTable table{
        'A',        0,          4,          window::kChannelAStatus, "PATHVA", true,
        kFileA,     kPathA,     kPlayA,     kPauseA,     kStopA,     kVarPlayA, kIpOnlyA, kIOnlyA, kFieldStepA,
        kFrameStepA, kStartA,   kSpeedA,    kTimecodeA,  kLengthA,   kSliderA,  kSpeedBarA, kLoopA};
    return table;
}

const VideoChannelTable& VideoTableB() {
    static const VideoChannelTable table{
        'B',        1,          6,          window::kChannelBStatus, "PATHVB", false,
        kFileB,     kPathB,     kPlayB,     kPauseB,     kStopB,     kVarPlayB, kIpOnlyB, kIOnlyB, kFieldStepB,
        kFrameStepB, kStartB,   kSpeedB,    kTimecodeB,  kLengthB,   kSliderB,  kSpeedBarB, kLoopB};
    return table;
}

void InstallVideoChannels(CVelmarView& panel) {
    panel.Channels().videoA = std::make_unique<CVideoChannel>(panel, VideoTableA());
    panel.Channels().videoB = std::make_unique<CVideoChannel>(panel, VideoTableB());
}

CVideoChannel::CVideoChannel(CVelmarView& panel, const VideoChannelTable& table)
    : panel_(panel), t_(table), texts_(TextFields(table)), numbers_(NumberFields(table)) {}

velmar_ui::DataExchange<CVideoChannel> CVideoChannel::TextFields(const VideoChannelTable& t) {
    using C = CVideoChannel;
    using velmar_ui::DdxText;
    if (!t.decodesToFile)
        return {DdxText(t.path, &C::pathText_), DdxText(t.start, &C::startText_), DdxText(t.speed, &C::speedText_)};
    return {DdxText(t.path, &C::pathText_), DdxText(t.start, &C::startText_), DdxText(t.speed, &C::speedText_),
            DdxText(kDecodePath, &C::decodePath_)};
}

velmar_ui::DataExchange<CVideoChannel> CVideoChannel::NumberFields(const VideoChannelTable& t) {
    if (!t.decodesToFile) return {};
    return {velmar_ui::DdxNumber(kDecodeFields, &CVideoChannel::decodeFieldsEntry_, 0, kNumberFieldLimit)};
}

void CVideoChannel::ExchangeTexts(bool save) { texts_.UpdateData(*this, panel_.View(), panel_.Ui(), save); }

bool CVideoChannel::ExchangeNumbers(bool save) { return numbers_.UpdateData(*this, panel_.View(), panel_.Ui(), save); }

std::uint32_t CVideoChannel::Counter() const {
    const BoardWindow* window = panel_.Window();
    return window ? window->Read32(t_.status + window::kStatusFieldClock) : 0;
}

velmar_ui::ControlId CVideoChannel::ModeButton(VideoState mode) const {
    switch (mode) {
    case VideoState::Playing: return t_.play;
    case VideoState::Paused: return t_.pause;
    case VideoState::VarPlay: return t_.varPlay;
    case VideoState::IpOnly: return t_.ipOnly;
    case VideoState::IOnly: return t_.iOnly;
    case VideoState::Stopped: break;
    }
    return t_.stop;
}

void CVideoChannel::EnterMode(VideoState mode) {
    panel_.View().SetFlat(ModeButton(state_), false);
    state_ = mode;
    panel_.View().SetFlat(ModeButton(mode), true);
}

bool CVideoChannel::OnControl(const velmar_ui::Event& event) {
    using velmar_ui::EventKind;
    const auto id = event.id;
    if (event.kind == EventKind::EditChange) {
        if (id == t_.path) {
            fileChanged_ = true;
            panel_.UpdateData(true);
        } else if (t_.decodesToFile && id == kDecodePath) {
            uncompressChanged_ = true;
        } else {
            return false;
        }
        return true;
    }
    // The handlers work on the form's fields: take what the operator typed first.
    panel_.UpdateData(true);
    if (event.kind == EventKind::EditLostFocus) {
        if (id == t_.path) ReloadIfChanged();
        else if (id == t_.start) SetVideoStartPosition();
        else if (id == t_.speed) OnSpeedEditKillFocus();
        else if (t_.decodesToFile && id == kDecodePath) panel_.View().SelectAllText(kDecodePath);
        else return false;
        return true;
    }
    if (event.kind != EventKind::Command) return false;
    if (id == t_.play) OnPlay();
    else if (id == t_.pause) OnPause();
    else if (id == t_.stop) OnStop();
    else if (id == t_.varPlay) OnVarPlay();
    else if (id == t_.ipOnly) OnIpOnly();
    else if (id == t_.iOnly) OnIOnly();
    else if (id == t_.fieldStep) OnFieldStep();
    else if (id == t_.frameStep) OnFrameStep();
    else if (id == t_.file) OnFile();
    else if (t_.decodesToFile && id == kDecodeFile) OnUncompressFile();
    else return false;
    return true;
}

// ------------------------------------------------------------------ the clip

void CVideoChannel::Init() {
    velmar_ui::FormView& view = panel_.View();
    view.SetFlat(t_.stop, true);
    view.SetRange(t_.speedBar, {1, 200});
    view.SetPosition(t_.speedBar, 100);
    speedText_ = "100";
    rate_ = 256;
    if (t_.decodesToFile) decodePath_ = panel_.ReadKey("PATHDIO");
    pathText_ = panel_.ReadKey(t_.pathKey);
    kind_ = VideoKind::MpegReversed;
    // Read as no clip, but the operator learns why at once.
    panel_.RefuseNonRegularFile(platform::NormalizePath(pathText_));
    ReadClip();
    fileChanged_ = false;
    uncompressChanged_ = false;
    startText_ = "00000000";
    panel_.UpdateData(false);
    view.SelectAllText(t_.path);
}

std::uint32_t CVideoChannel::Length() const {
    // The board's positions are 32-bit words the status loop takes modulo the length.
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(length_, 1, 0x7FFFFFFF));
}

void CVideoChannel::AddFilesInUse(std::vector<std::string>& files) const {
    if (pathText_.empty()) return;
    files.push_back(pathText_);
    files.push_back(MdbPath(pathText_));
}

void CVideoChannel::ReadClip() {
    const std::string& path = PathText();
    const std::string mdb = MdbPath(path);
    // An index shorter than one word is no index at all: the channels have always removed it.
    std::error_code error;
    if (const auto bytes = std::filesystem::file_size(mdb, error); !error && bytes < 4) std::filesystem::remove(mdb, error);
    length_ = static_cast<std::int64_t>(std::min<std::uint64_t>(index_formats::VideoClipLengthWords(mdb), INT64_MAX));
    panel_.Sliders().SetLength(t_.slider, static_cast<long>(Length()));
    // Without a clip, or without the index that gives its length, the length stays the default
    // inside and the display shows none.
    bool lengthKnown = false;
    if (!path.empty()) {
        if (auto head = ReadClipHead(path); head && head->firstWord) {
            lengthKnown = length_ != static_cast<std::int64_t>(index_formats::kUnknownClipLengthWords);
            const bool is2000 = panel_.Is2000Board();
            if (auto kind = ClassifyClip(*head->firstWord, is2000)) kind_ = *kind;
            else if (!is2000) kind_ = VideoKind::Dv;  // refused only when it is loaded
            if (is2000 && IsDv(kind_)) {
                const std::uint64_t second = DvSecondHeaderOffset(*head->firstWord, kind_);
                dvFrameSize_ = DvFrameSize(*head->firstWord, kind_, ReadWordAt(path, second));
                // A clip shorter than a field still has one position: nothing divides by zero.
                const std::uint64_t words = head->bytes / static_cast<std::uint64_t>(dvFrameSize_ / 2);
                length_ = static_cast<std::int64_t>(std::clamp<std::uint64_t>(words, 1, 0x7FFFFFFF));
                panel_.Sliders().SetLength(t_.slider, static_cast<long>(Length()));
                lengthKnown = true;
            }
        }
    }
    std::string text;
    if (lengthKnown) {
        text = FormatTimecode(panel_.FramesToTimecode(length_ / 2));
        if (kind_ == VideoKind::Mpeg) text += "  R";
    }
    panel_.View().SetText(t_.length, text);
}

void CVideoChannel::PrepareListEntry(std::int64_t startField) {
    panel_.View().SetFlat(ModeButton(state_), false);
    state_ = VideoState::Stopped;
    const std::int64_t field = startField % Length();
    panel_.Sliders().SetPosition(t_.slider, static_cast<long>(field));
    position_ = 0;
    startText_ = Format("%.8x", panel_.FramesToTimecode(field / 2));
    panel_.UpdateData(false);
}

void CVideoChannel::ShowClip(const std::string& path) {
    pathText_ = path;
    ReadClip();
    panel_.UpdateData(false);
}

void CVideoChannel::ReloadIfChanged() {
    if (!fileChanged_) return;
    panel_.WriteKey(t_.pathKey, PathText());
    ReadClip();
    OnStop();
    fileChanged_ = false;
}

void CVideoChannel::OnFile() {
    const std::string stored = panel_.ReadKey(t_.pathKey);
    std::string extension = ExtensionOf(stored);
    if (extension.empty()) extension = ".mpg";
    velmar_ui::FileChooserSpec chooser;
    // The chooser opens in the stored clip's folder; the process's folder stays where it is, since
    // the service loop opens the parking clips by relative names.
    chooser.startFolder = velmar_ui::FolderOf(stored);
    chooser.initialName = "*" + extension;
    chooser.defaultExtension = "mpg";
    chooser.filter = kClipFilter;
    const auto choice = panel_.Ui().ChooseFile(chooser);
    if (!choice) return;
    pathText_ = *choice;
    panel_.WriteKey(t_.pathKey, *choice);
    ReadClip();
    fileChanged_ = false;
    position_ = 0;
    startText_ = "00000000";
    OnStop();
    panel_.UpdateData(false);
    panel_.View().SelectAllText(t_.path);
}

// ------------------------------------------------------------------ start, speed, slider

void CVideoChannel::ApplyStart(int fields) {
    startText_ = Format("%.8x", panel_.FramesToTimecode(fields / 2));
    panel_.View().SetText(t_.start, StartText());
}

void CVideoChannel::ReissueMode() {
    const VideoState mode = state_;
    state_ = VideoState::Stopped;
    switch (mode) {
    case VideoState::Playing: OnPlay(); break;
    case VideoState::Paused: OnPause(); break;
    case VideoState::VarPlay: OnVarPlay(); break;
    case VideoState::IpOnly: OnIpOnly(); break;
    case VideoState::IOnly: OnIOnly(); break;
    case VideoState::Stopped: break;
    }
    // A clip that no longer loads leaves the channel stopped: its marks must say so.
    if (state_ == VideoState::Stopped) {
        panel_.View().SetFlat(ModeButton(mode), false);
        panel_.View().SetFlat(t_.stop, true);
    }
}

int CVideoChannel::ParseSpeed() {
    // A speed of 0 would divide by zero in the rate.
    return std::clamp(std::atoi(speedText_.c_str()), 1, 200);
}

namespace {
// The start edit as the fields of its picture, clamped into the clip.
int StartFields(CVelmarView& panel, const std::string& text, std::int64_t length) {
    const auto code = static_cast<PackedTimecode>(std::strtoul(text.c_str(), nullptr, 16));
    const std::int64_t frames = panel.TimecodeToFrames(IsValidTimecode(code, panel.Standard()));
    // A time code is at most a day of pictures: the clamped field fits an int.
    return static_cast<int>(std::clamp<std::int64_t>(2 * frames, 0, std::max<std::int64_t>(0, length - 1)));
}
}  // namespace

void CVideoChannel::SetVideoStartPosition() {
    const int p = StartFields(panel_, StartText(), length_);
    ApplyStart(p);
    if (p != position_) {
        position_ = p;
        panel_.Sliders().SetPosition(t_.slider, p);
        if (state_ != VideoState::Stopped) ReissueMode();
    }
    const int speed = ParseSpeed();
    panel_.View().SetPosition(t_.speedBar, speed);
    speedText_ = Format("%ld", static_cast<long>(speed));
    SetVarSpeed();
    panel_.UpdateData(false);
    if (fileChanged_) ReloadIfChanged();
    if (t_.decodesToFile && uncompressChanged_) panel_.View().SelectAllText(kDecodePath);
}

void CVideoChannel::OnSpeedEditKillFocus() {
    const int speed = ParseSpeed();
    panel_.View().SetPosition(t_.speedBar, speed);
    speedText_ = Format("%ld", static_cast<long>(speed));
    SetVarSpeed();
    panel_.UpdateData(false);
}

void CVideoChannel::OnSpeedSlider(int code, int position) {
    speedText_ = Format("%ld", static_cast<long>(position));
    if (code == static_cast<int>(velmar_ui::ScrollCode::EndScroll)) SetVarSpeed();
    AudioChannel& audio = *panel_.Channels().audio;
    if (t_.decodesToFile && audio.Linked()) {
        panel_.View().SetPosition(kSpeedBarAudio, position);
        audio.OnSpeedSlider(code, position);
    }
}

void CVideoChannel::SetVarSpeed() {
    if (state_ != VideoState::VarPlay) return;
    const int rate = RateForPercent(ParseSpeed());
    if (RateNeedsRestart(rate, rate_)) {
        panel_.SendCommand(board_commands::Freeze(Stream()));
        panel_.SendCommand(board_commands::Resume(Stream()));
    }
    rate_ = rate;
    panel_.SendCommand(board_commands::Rate(Stream(), static_cast<std::uint32_t>(rate)));
}

void CVideoChannel::OnPositionSlider(int position, bool dragging) {
    position_ = position;
    ApplyStart(position);
    if (!dragging && state_ != VideoState::Stopped) ReissueMode();
    AudioChannel& audio = *panel_.Channels().audio;
    if (t_.decodesToFile && audio.Linked()) {
        if (dragging) panel_.Sliders().SetTrackPosition(kSliderAudio, position);
        else panel_.Sliders().SetPosition(kSliderAudio, position);
        audio.OnPositionSlider(position, dragging);
    }
}

// ------------------------------------------------------------------ loading

bool CVideoChannel::ComputeMpegOffsets(const std::string& clip, std::uint64_t clipBytes, std::int64_t endPicture,
                                       std::uint64_t& startOffset, std::uint64_t& endOffset) {
    const std::string mdb = MdbPath(clip);
    std::error_code error;
    // An index too short for one record is as good as none: build it again.
    const bool usable = std::filesystem::file_size(mdb, error) >= 8 && !error;
    if (!usable) {
        if (panel_.Host().RunIndexBuild(clip)) {
            ReloadClip();
            start_ = StartFields(panel_, StartText(), length_);
        } else {
            panel_.Ui().MessageBox(
                {Format("Can't Find %s - Video Will Start From 1st Frame", mdb.c_str()), kFileError});
            start_ = 0;
            return true;
        }
    }
    if (start_ != 0) {
        const auto record = index_formats::ReadPictureIndexRecord(mdb, static_cast<std::uint64_t>(start_ / 2));
        // A group cannot begin before the clip: a record claiming more pictures before the start
        // than the clip has is damaged, and would start the play range before field 0.
        if (!record || record->pictureInGroup > start_ / 2) return false;
        pictureInGroup_ = record->pictureInGroup;
        startOffset = record->GroupByteOffset();
    }
    if (endPicture != 0) {
        const auto end = index_formats::ReadEndAfterPicture(mdb, static_cast<std::uint64_t>(endPicture), clipBytes);
        const auto records = static_cast<std::uint64_t>(length_ / 2);
        const auto last = records == 0 ? std::nullopt
                                       : index_formats::ReadPictureIndexRecord(
                                             mdb, static_cast<std::uint64_t>(endPicture) % records);
        if (!end || !last) return false;
        picturesAfterEnd_ = last->picturesToGroupEnd - 1;
        endOffset = *end;
    }
    return true;
}

std::string CVideoChannel::LoadLine(std::uint64_t startOffset, std::uint64_t endOffset,
                                    const std::string& clip) const {
    if (const auto slot = panel_.Channels().playList->QueueSlot(t_.input))
        return board_commands::QueuedVideoClip(t_.queueSlotBase + *slot, endOffset, startOffset, IsReversed(kind_), clip);
    return board_commands::VideoClip(Stream(), panel_.View().Checked(t_.loop), endOffset, startOffset, IsReversed(kind_),
                                     clip);
}

bool CVideoChannel::LoadVideo(std::int64_t endPicture) {
    pictureInGroup_ = 0;
    const std::string clip = PathText();
    if (!BoardTakesPath(panel_.Ui(), clip)) {
        if (panel_.Channels().playList->Active()) panel_.Channels().playList->Stop();
        return false;
    }
    const bool special = panel_.RefuseNonRegularFile(platform::NormalizePath(clip));
    const auto head = special ? std::nullopt : ReadClipHead(clip);
    if (special) {
        if (panel_.Channels().playList->Active()) panel_.Channels().playList->Stop();
        return false;
    }
    if (!head) {
        panel_.Ui().MessageBox({"Bad File Name", kFileError});
        if (panel_.Channels().playList->Active()) panel_.Channels().playList->Stop();
        return false;
    }
    const auto kind = head->firstWord ? ClassifyClip(*head->firstWord, panel_.Is2000Board()) : std::nullopt;
    if (!kind) {
        panel_.Ui().MessageBox({"Invalid MPEG2 File detected", kFileError});
        return false;
    }
    kind_ = *kind;
    // A start beyond the clip plays its last picture, as the start edit itself would clamp it.
    start_ = StartFields(panel_, StartText(), length_);
    std::uint64_t startOffset = 0, endOffset = 0;
    if (start_ != 0 || endPicture != 0) {
        if (!IsDv(kind_)) {
            if (!ComputeMpegOffsets(clip, head->bytes, endPicture, startOffset, endOffset)) {
                panel_.Ui().MessageBox({"Invalid Offset detected", kFileError});
                return false;
            }
        } else {
            // Beyond 4 GiB (about 20 minutes of 625-line DV25) the offset needs its high word.
            startOffset = static_cast<std::uint64_t>(dvFrameSize_) * static_cast<std::uint64_t>(start_ / 2);
            // A list entry ends after its last frame. Left at 0 ("the whole file") the entry would
            // run to the file's end, and a channel opened to loop would read the file over and over
            // instead of going on to the entry queued behind it.
            if (endPicture != 0)
                endOffset = std::min<std::uint64_t>(
                    head->bytes, static_cast<std::uint64_t>(dvFrameSize_) * (static_cast<std::uint64_t>(endPicture) + 1));
        }
    }
    const std::string line = LoadLine(startOffset, endOffset, clip);
    const auto word = ReadWordAt(clip, startOffset);
    if (!word || !StartWordMatches(*word, kind_, panel_.Is2000Board())) {
        panel_.Ui().MessageBox({"Invalid Offset detected", kFileError});
        return false;
    }
    panel_.SendCommand(line);
    if (!panel_.Channels().videoA->Loaded() && !panel_.Channels().videoB->Loaded()) panel_.ReferenceOff();
    return true;
}

// ------------------------------------------------------------------ modes

void CVideoChannel::SendPlayRange(std::uint32_t startTime, std::uint32_t s0) {
    panel_.SendCommand(board_commands::PlayRange(Stream(), board_commands::kImmediate, startTime, s0, PlayMode()));
}

void CVideoChannel::Start(std::uint32_t resumeField, bool withLinkedAudio, std::int64_t endPicture) {
    AudioChannel& audio = *panel_.Channels().audio;
    const bool linked = withLinkedAudio && t_.decodesToFile && audio.Linked();
    switch (state_) {
    case VideoState::Playing: return;
    case VideoState::Stopped: {
        if (!LoadVideo(endPicture)) return;
        PlayListChannel& list = *panel_.Channels().playList;
        if (list.Active()) {
            // Linked audio follows the list as it follows Video A's own PLAY: its file or audio
            // list is cued and started before the entry's schedule; a failed load ends the list.
            if (linked) {
                audio.PlayLinked(2 * pictureInGroup_);
                if (!list.Active()) return;
            }
            list.ChannelListPlay(t_.input, {pictureInGroup_, picturesAfterEnd_, IsDv(kind_)});
            EnterMode(VideoState::Playing);
            return;
        }
        DecodeSetup(false);
        if (linked) audio.PlayLinked(2 * pictureInGroup_);
        const auto s0 = static_cast<std::uint32_t>(start_ - 2 * pictureInGroup_);
        panel_.SendCommand(
            board_commands::PlayRange(Stream(), board_commands::kImmediate, board_commands::kImmediate, s0, PlayMode()));
        break;
    }
    case VideoState::Paused:
        DecodeSetup(true);
        if (linked) audio.Play();
        panel_.SendCommand(board_commands::ResumeAt(resumeField, Stream()));
        break;
    case VideoState::VarPlay:
    case VideoState::IpOnly:
    case VideoState::IOnly:
        if (linked) audio.Play();
        panel_.SendCommand(board_commands::Freeze(Stream()));
        panel_.SendCommand(board_commands::Resume(Stream()));
        break;
    }
    EnterMode(VideoState::Playing);
}

void CVideoChannel::OnPause() {
    switch (state_) {
    case VideoState::Paused: return;
    case VideoState::Stopped: {
        if (!LoadVideo()) return;
        const std::uint32_t cue = CueField(Counter());
        SendPlayRange(cue, static_cast<std::uint32_t>(start_ - 2 * pictureInGroup_));
        panel_.SendCommand(board_commands::FreezeAt(cue + 2 * pictureInGroup_, Stream()));
        break;
    }
    case VideoState::Playing:
        if (t_.decodesToFile && panel_.Channels().audio->Linked()) panel_.Channels().audio->Pause();
        panel_.SendCommand(board_commands::Freeze(Stream()));
        break;
    default: panel_.SendCommand(board_commands::Freeze(Stream())); break;
    }
    EnterMode(VideoState::Paused);
}

void CVideoChannel::OnStep(int frame) {
    if (state_ == VideoState::Stopped) {
        // A step from stopped cues the clip paused at its start, as PAUSE does.
        OnPause();
        return;
    }
    if (state_ == VideoState::Playing && t_.decodesToFile && panel_.Channels().audio->Linked())
        panel_.Channels().audio->Stop();
    panel_.SendCommand(board_commands::Step(Stream(), static_cast<std::uint32_t>(frame)));
    EnterMode(VideoState::Paused);
}

void CVideoChannel::OnVarPlay() {
    AudioChannel& audio = *panel_.Channels().audio;
    const bool linked = t_.decodesToFile && audio.Linked();
    switch (state_) {
    case VideoState::Stopped: {
        if (!LoadVideo()) return;
        const std::uint32_t at = Counter() + 16;
        SendPlayRange(at, static_cast<std::uint32_t>(start_ - 2 * pictureInGroup_));
        rate_ = RateForPercent(ParseSpeed());
        panel_.SendCommand(board_commands::RateAt(at, Stream(), static_cast<std::uint32_t>(rate_)));
        if (linked) audio.VarPlayLinked(2 * pictureInGroup_, at);
        EnterMode(VideoState::VarPlay);
        return;
    }
    case VideoState::Playing:
        if (linked) audio.Stop();
        break;
    case VideoState::Paused: panel_.SendCommand(board_commands::Resume(Stream())); break;
    default: break;
    }
    EnterMode(VideoState::VarPlay);
    SetVarSpeed();
}

void CVideoChannel::OnTrickMode(VideoState mode) {
    // Trick play needs I and P pictures; DV has none.
    if (IsDv(kind_) || state_ == mode) return;
    const std::uint32_t trick = mode == VideoState::IpOnly ? 1 : 2;
    const std::string trickLine = board_commands::Trick(Stream(), trick);
    switch (state_) {
    case VideoState::Stopped: {
        rate_ = 200;
        if (!LoadVideo()) return;
        if (IsDv(kind_)) return;
        const std::uint32_t at = Counter() + 16;
        SendPlayRange(at, static_cast<std::uint32_t>(start_ - 2 * pictureInGroup_));
        panel_.SendCommand(board_commands::TrickAt(at, Stream(), trick));
        break;
    }
    case VideoState::Playing:
        if (t_.decodesToFile && panel_.Channels().audio->Linked()) panel_.Channels().audio->Stop();
        panel_.SendCommand(board_commands::Freeze(Stream()));
        panel_.SendCommand(trickLine);
        break;
    case VideoState::VarPlay:
        panel_.SendCommand(board_commands::Freeze(Stream()));
        panel_.SendCommand(trickLine);
        break;
    default: panel_.SendCommand(trickLine); break;
    }
    rate_ = 200;
    EnterMode(mode);
}

void CVideoChannel::OnStop() {
    if (state_ == VideoState::Stopped) return;
    panel_.SendCommand(board_commands::Freeze(Stream()));
    // Park on the black clip so the board keeps showing black.
    const char* black = panel_.PalMode() ? data_files::kBlackClipPal : data_files::kBlackClip;
    panel_.SendCommand(board_commands::ParkingClip(Stream(), !panel_.Is2000Board(), data_files::BoardFileName(black)));
    panel_.SendCommand(board_commands::PlayRange(Stream(), 1, board_commands::kImmediate, 0, 0));
    panel_.Ui().Sleep(100);
    // Linked audio stops with Video A from any mode: paused or stepped, it would stay cued.
    if (t_.decodesToFile && panel_.Channels().audio->Linked()) panel_.Channels().audio->Stop();
    EnterMode(VideoState::Stopped);
    if (decoding_) FinishDecode();
}

}  // namespace velmar
