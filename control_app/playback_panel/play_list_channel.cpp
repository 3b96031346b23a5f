// The play list: scanning and seeking the .vpl, starting and stopping the A/B roll, queueing the
// next entry on the idle channel, and the schedule words each channel's list PLAY sends.
#include "play_list_channel.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "alpha_channel.h"
#include "board_commands/command_lines.h"
#include "board_link/format.h"
#include "platform/kernel.h"
#include "velmar_view.h"
#include "velmar_view_ids.h"
#include "video_clip.h"
#include "video_channel.h"

namespace velmar {

using namespace panel_ids;

namespace {

constexpr const char* kFileError = "Velmar File Error";
constexpr const char* kListFilter =
    "Video Play List Files (*.vpl)|*.vpl|Audio Files (*.wav)|*.wav|Data Files (*.mpg;*.wav)|*.mpg; *.wav|All Files "
    "(*.*)|*.*||";
// Words of the play-list block that a new list starts from zero.
constexpr std::uint32_t kListBlockWords[] = {0x1B84, 0x1B94, 0x1BA4, 0x1BB4, 0x1BC4};
constexpr std::uint32_t kPlayListStartWord = 0x13B4;
constexpr std::uint32_t kListChannelWord = 0x1544;

std::uint32_t U32(std::int64_t v) { return static_cast<std::uint32_t>(v); }

enum class EntryClip { Unreadable, Mpeg, Dv, Unknown };

EntryClip ClipOf(const play_lists::VideoListEntry& entry, bool is2000Board) {
    const auto head = ReadClipHead(platform::NormalizePath(entry.videoPath));
    if (!head) return EntryClip::Unreadable;
    const auto kind = head->firstWord ? ClassifyClip(*head->firstWord, is2000Board) : std::nullopt;
    if (!kind) return EntryClip::Unknown;
    return IsDv(*kind) ? EntryClip::Dv : EntryClip::Mpeg;
}

// The entries of the list file, from the top; none when it cannot be opened.
std::vector<play_lists::VideoListEntry> EntriesOf(const std::string& listPath) {
    play_lists::VideoPlayList list;
    if (!list.Open(listPath)) return {};
    return list.Entries();
}

}  // namespace

void InstallAlphaAndPlayList(CVelmarView& panel) {
    auto alpha = std::make_unique<CAlphaChannel>(panel);
    auto list = std::make_unique<CPlayListChannel>(panel, *alpha);
    alpha->SetPlayList(list.get());
    panel.Channels().alpha = std::move(alpha);
    panel.Channels().playList = std::move(list);
}

CPlayListChannel::CPlayListChannel(CVelmarView& panel, CAlphaChannel& alpha)
    : panel_(panel),
      alpha_(alpha),
      texts_{velmar_ui::DdxText(kPathList, &CPlayListChannel::pathText_),
             velmar_ui::DdxText(kStartList, &CPlayListChannel::startText_)} {}

void CPlayListChannel::ExchangeTexts(bool save) { texts_.UpdateData(*this, panel_.View(), panel_.Ui(), save); }

void CPlayListChannel::PlayFrom(const std::string& listName, int frame) {
    if (listName != pathText_) {
        pathText_ = listName;
        panel_.UpdateData(false);
        ScanPlayList();
    }
    panel_.Sliders().SetPosition(kSliderList, frame);
    startText_ = Format("%.8x", panel_.FramesToTimecode(frame));
    panel_.UpdateData(false);
    OnPlayListStop();
    OnPlayListPlay();
}

bool CPlayListChannel::OnControl(const velmar_ui::Event& event) {
    using velmar_ui::EventKind;
    if (event.kind == EventKind::Command) {
        switch (event.id) {
        case kPlayList: OnPlayListPlay(); return true;
        case kStopList: OnPlayListStop(); return true;
        case kPauseList: Pause(); return true;
        case kCheckList: CheckPlayList(); return true;
        case kFileList: OnPlayListBrowse(); return true;
        default: return false;
        }
    }
    if (event.id == kPathList && event.kind == EventKind::EditChange) {
        changed_ = true;
        panel_.UpdateData(true);
        return true;
    }
    if (event.id == kPathList && event.kind == EventKind::EditLostFocus) {
        OnPlayListFileChanged();
        return true;
    }
    if (event.id == kStartList && event.kind == EventKind::EditLostFocus) {
        panel_.UpdateData(true);
        SetPlayListStartPosition();
        return true;
    }
    return false;
}

void CPlayListChannel::Pause() {
    panel_.Ui().MessageBox({"This feature has not yet been implemented", "Velmar Message"});
}

void CPlayListChannel::SetTotal(std::optional<std::int64_t> scanned) {
    // Without a list the slider keeps a default length, which the display does not show as one.
    total_ = scanned.value_or(kNoListTotal);
    panel_.Sliders().SetLength(kSliderList, static_cast<long>(total_));
    panel_.View().SetText(kLengthList, scanned ? FormatTimecode(panel_.FramesToTimecode(total_)) : "");
}

void CPlayListChannel::Init() {
    panel_.View().SetFlat(kStopList, true);
    pathText_ = panel_.ReadKey("PATHPL");
    panel_.UpdateData(false);
    if (!pathText_.empty()) {
        ScanPlayList();
    } else {
        SetTotal(std::nullopt);
    }
    changed_ = false;
    nextChannel_ = 0;
    busy_ = false;
}

void CPlayListChannel::ScanPlayList() {
    if (RefuseOversizedList()) return;
    const auto total = play_lists::ScanVideoPlayList(platform::NormalizePath(pathText_));
    if (!total) {
        panel_.Ui().MessageBox({Format("Can't find file %s", pathText_.c_str()), "File Error"});
        return;
    }
    SetTotal(*total);
    position_ = 0;
    panel_.Sliders().SetPosition(kSliderList, 0);
    startText_ = "00000000";
    OnPlayListStop();
    panel_.UpdateData(false);
    panel_.View().SelectAllText(kPathList);
}

void CPlayListChannel::CheckPlayList() {
    if (RefuseOversizedList()) return;
    ScanPlayList();
    // Until PLAY names the entry it starts with, the list's mode is that of its first clip.
    for (const auto& entry : EntriesOf(platform::NormalizePath(pathText_))) {
        const EntryClip clip = ClipOf(entry, panel_.Is2000Board());
        if (clip != EntryClip::Mpeg && clip != EntryClip::Dv) continue;
        RefuseEntriesOfOtherKind(clip == EntryClip::Dv);
        return;
    }
}

bool CPlayListChannel::Refused(const play_lists::VideoListEntry& entry, bool listDv) const {
    const EntryClip clip = ClipOf(entry, panel_.Is2000Board());
    return clip == EntryClip::Unknown || clip == (listDv ? EntryClip::Mpeg : EntryClip::Dv);
}

std::size_t CPlayListChannel::RefuseEntriesOfOtherKind(bool listDv) {
    const auto entries = EntriesOf(platform::NormalizePath(pathText_));
    std::string names;
    for (const auto& entry : entries)
        if (Refused(entry, listDv)) names += "\n" + entry.videoPath;
    if (!names.empty())
        panel_.Ui().MessageBox({Format("The board cannot play these entries in a play list of %s clips; the list "
                                       "leaves them out:%s",
                                       listDv ? "DV" : "MPEG-2", names.c_str()),
                                kFileError});
    return entries.size();
}

std::optional<play_lists::VideoListEntry> CPlayListChannel::NextPlayableEntry() {
    for (std::size_t skipped = 0; skipped <= entriesAtPlay_; ++skipped) {
        auto entry = list_.NextEntry();
        if (!entry || !Refused(*entry, listDv_)) return entry;
    }
    return std::nullopt;  // the list on disk changed since PLAY and holds nothing it can play
}

void CPlayListChannel::ShowPlayingEntries() {
    const BoardWindow* window = panel_.Window();
    if (!window) return;
    for (int input : {0, 1}) {
        auto& queue = queued_[input];
        bool taken = false;
        std::string playing;
        // The board clears a slot's word when it has taken the queued clip.
        while (!queue.empty() &&
               window->Read32(window::kQueueSlotFlags[input] + 4 * static_cast<std::uint32_t>(queue.front().slot)) == 0) {
            playing = queue.front().path;
            queue.pop_front();
            taken = true;
        }
        if (!taken) continue;
        VideoChannel& channel = input == 0 ? *panel_.Channels().videoA : *panel_.Channels().videoB;
        channel.ShowClip(playing);
    }
}

void CPlayListChannel::OnPlayListFileChanged() {
    if (!changed_) return;
    changed_ = false;
    panel_.WriteKey("PATHPL", pathText_);
    TakeNewList();
}

void CPlayListChannel::TakeNewList() {
    if (!RefuseOversizedList() && play_lists::ScanVideoPlayList(platform::NormalizePath(pathText_))) {
        ScanPlayList();
    } else {
        SetTotal(std::nullopt);
    }
    OnPlayListStop();
}

bool CPlayListChannel::RefuseOversizedList() {
    return panel_.RefuseLargerThan(platform::NormalizePath(pathText_), play_lists::kMaxListBytes, "play list");
}

void CPlayListChannel::OnPlayListBrowse() {
    const std::string stored = panel_.ReadKey("PATHPL");
    std::string extension = std::filesystem::path(stored).extension().string();
    if (extension.empty()) extension = ".vpl";
    velmar_ui::FileChooserSpec chooser;
    chooser.startFolder = velmar_ui::FolderOf(stored);
    chooser.initialName = "*" + extension;
    chooser.defaultExtension = "vpl";
    chooser.filter = kListFilter;
    const auto chosen = panel_.Ui().ChooseFile(chooser);
    if (!chosen) return;
    pathText_ = *chosen;
    panel_.WriteKey("PATHPL", *chosen);
    panel_.UpdateData(false);
    TakeNewList();
}

void CPlayListChannel::SetPlayListStartPosition() {
    const auto code = static_cast<PackedTimecode>(std::strtoul(startText_.c_str(), nullptr, 16));
    const std::int64_t frames = std::clamp<std::int64_t>(panel_.TimecodeToFrames(IsValidTimecode(code, panel_.Standard())),
                                                         0, std::max<std::int64_t>(0, total_ - 1));
    startText_ = Format("%.8x", panel_.FramesToTimecode(frames));
    panel_.UpdateData(false);
    if (frames == position_) return;
    position_ = frames;
    panel_.Sliders().SetPosition(kSliderList, static_cast<long>(frames));
    if (state_ == PlayListState::Playing) {
        OnPlayListStop();
        OnPlayListPlay();
    }
}

void CPlayListChannel::OnPlayListSlider(int position, bool dragging) {
    position_ = position;
    startText_ = Format("%.8x", panel_.FramesToTimecode(position));
    panel_.UpdateData(false);
    AudioChannel& audio = *panel_.Channels().audio;
    if (audio.Linked()) {
        // The audio slider counts fields.
        if (dragging)
            panel_.Sliders().SetTrackPosition(kSliderAudio, position * 2 + 1);
        else
            panel_.Sliders().SetPosition(kSliderAudio, position * 2 + 1);
        audio.OnPositionSlider(position * 2 + 1, dragging);
    }
    if (!dragging && state_ == PlayListState::Playing) {
        OnPlayListStop();
        OnPlayListPlay();
    }
}

std::uint32_t CPlayListChannel::CueField() const {
    const BoardWindow* window = panel_.Window();
    const std::uint32_t counter = window ? window->Read32(window::kChannelAStatus + window::kStatusFieldClock) : 0;
    return (counter + 16) & ~1u;
}

void CPlayListChannel::TakeEntry(int input, const play_lists::VideoListEntry& entry, std::int64_t startField) {
    VideoChannel& channel = input == 0 ? *panel_.Channels().videoA : *panel_.Channels().videoB;
    ListChannelWords& w = words_[input];
    w.start = startField;
    w.end = entry.EndField();
    w.transition = entry.TransitionField();
    channel.SetPath(entry.videoPath);
    alpha_.SetPath(entry.alphaPath);
    panel_.UpdateData(false);
    // Counted as stopped before the reload, so that reading the new clip stops nothing on the
    // board; then the slider and start time code of the entry's start.
    channel.PrepareListEntry(startField);
    channel.ReloadClip();
    channel.PrepareListEntry(startField);
    alpha_.ReloadStream();
    panel_.UpdateData(false);
}

void CPlayListChannel::AddFilesInUse(std::vector<std::string>& files) const {
    if (pathText_.empty()) return;
    files.push_back(pathText_);
    for (const auto& entry : EntriesOf(platform::NormalizePath(pathText_))) {
        files.push_back(entry.videoPath);
        files.push_back(MdbPath(entry.videoPath));
        if (!entry.HasAlpha()) continue;
        files.push_back(entry.alphaPath);
        files.push_back(AdbPath(entry.alphaPath));
    }
}

std::optional<std::int64_t> CPlayListChannel::LoadPlayList() {
    const std::string listPath = platform::NormalizePath(pathText_);
    if (panel_.RefuseUnreachablePath(listPath) || RefuseOversizedList()) return std::nullopt;
    std::error_code error;
    if (!std::filesystem::is_regular_file(listPath, error)) {
        panel_.Ui().MessageBox({"Bad File Name", kFileError});
        return std::nullopt;
    }
    const auto code = static_cast<PackedTimecode>(std::strtoul(startText_.c_str(), nullptr, 16));
    const std::int64_t s = panel_.TimecodeToFrames(code);
    panel_.OnViewVideoA();
    alpha_.SetViewA();
    panel_.Channels().videoA->Stop();
    panel_.Channels().videoB->Stop();
    alpha_.Stop();
    panel_.Channels().audio->Stop();
    if (BoardWindow* window = panel_.Window())
        for (std::uint32_t word : kListBlockWords) window->Write32(word, 0);
    nextChannel_ = 0;
    if (!list_.Open(listPath)) {
        panel_.Ui().MessageBox({"Bad File Name", kFileError});
        return std::nullopt;
    }
    // One pass at most: a list without entries, or one that ends before the position (changed on
    // disk since its scan), is not played.
    const auto seek = list_.SeekTo(s);
    if (!seek) {
        list_.Close();
        panel_.Ui().MessageBox({Format("No entry of the play list %s holds the start position", pathText_.c_str()),
                                kFileError});
        return std::nullopt;
    }
    TakeEntry(0, seek->entry, 2 * (seek->entry.in + s - seek->before));
    return seek->entry.out;
}

void CPlayListChannel::OnPlayListPlay() {
    if (state_ == PlayListState::Playing) return;
    const auto endPicture = LoadPlayList();
    if (!endPicture) return;
    BoardWindow* window = panel_.Window();
    if (window) {
        window->Write32(kPlayListStartWord, 1);
        window->Write32(kListChannelWord, 4);
        for (int input : {0, 1, 2}) {
            const int slots = input == 2 ? 4 : 2;
            for (int slot = 0; slot < slots; ++slot)
                window->Write32(window::kQueueSlotFlags[input] + 4 * static_cast<std::uint32_t>(slot), 0);
        }
    }
    for (ListChannelWords& w : words_) {
        w.queueSlot = 0;
        w.firstEntry = true;
    }
    alpha_.StartList();
    state_ = PlayListState::Playing;
    listTime_ = U32(2 * position_);
    for (auto& queue : queued_) queue.clear();
    // The entry the list starts with sets its mode; entries of the other kind are named now and
    // left out as the roll comes to them.
    listDv_ = panel_.Channels().videoA->IsDvClip();
    entriesAtPlay_ = RefuseEntriesOfOtherKind(listDv_);
    panel_.Channels().videoA->PlayListEntry(*endPicture);
    if (state_ != PlayListState::Playing) return;  // the entry could not be loaded: the list has stopped
    alpha_.Play();
    NextPlayListEntry();
    panel_.View().SetFlat(kPlayList, true);
    panel_.View().SetFlat(kStopList, false);
}

void CPlayListChannel::OnPlayListStop() {
    if (state_ == PlayListState::Off && !list_.IsOpen()) return;
    list_.Close();
    if (state_ == PlayListState::Playing) {
        panel_.Channels().videoA->Stop();
        panel_.Channels().videoB->Stop();
        alpha_.Stop();
        AudioChannel& audio = *panel_.Channels().audio;
        audio.Stop();
        audio.SetLinked(panel_.View().Checked(kLinkAudio));
        panel_.SendCommand(board_commands::Flush(board_commands::kAllStreams));
        nextChannel_ = 0;
    }
    panel_.View().SetFlat(kPlayList, false);
    state_ = PlayListState::Off;
    panel_.View().SetFlat(kStopList, true);
}

void CPlayListChannel::NextPlayListEntry() {
    if (state_ != PlayListState::Playing || busy_) return;
    busy_ = true;
    struct Idle {
        bool& busy;
        ~Idle() { busy = false; }
    } idle{busy_};
    ShowPlayingEntries();
    const int target = nextChannel_ == 1 ? 0 : 1;
    // The other channel's queued entry must have been taken by the board first.
    if (const BoardWindow* window = panel_.Window()) {
        const int otherInput = 1 - target;
        const auto slot = static_cast<std::uint32_t>(words_[otherInput].queueSlot);
        if (window->Read32(window::kQueueSlotFlags[otherInput] + 4 * slot) != 0) return;
    }
    const auto entry = NextPlayableEntry();
    if (!entry) {
        panel_.Ui().MessageBox({Format("The play list %s holds no entry to play", pathText_.c_str()), kFileError});
        OnPlayListStop();
        return;
    }
    VideoChannel& channel = target == 0 ? *panel_.Channels().videoA : *panel_.Channels().videoB;
    const std::string playing = channel.ClipPath();
    const int slot = words_[target].queueSlot;
    TakeEntry(target, *entry, entry->StartField());
    channel.PlayListEntry(entry->out);
    if (state_ != PlayListState::Playing) return;
    // A queued entry waits behind the one the channel plays, which it goes on showing.
    if (words_[target].queueSlot != slot) {
        queued_[target].push_back({slot, entry->videoPath});
        channel.ShowClip(playing);
    }
    alpha_.PrepareListTransition();
    nextChannel_ = target == 0 ? 0 : 1;
}

std::optional<int> CPlayListChannel::QueueSlot(int input) const {
    const ListChannelWords& w = words_[input & 1];
    if (!Active() || w.firstEntry) return std::nullopt;
    return w.queueSlot;
}

void CPlayListChannel::ChannelListPlay(int input, const ListEntryLoad& load) {
    if (input != 0 && input != 1) return;
    ListChannelWords& w = words_[input];
    const ListChannelWords& o = words_[1 - input];
    const std::int64_t g = load.pictureInGroup;
    const std::int64_t e = load.picturesAfterEnd;
    const std::uint32_t mode = load.dv ? 2 : 0;
    // The list's variants of the words, as the board's list engine takes them: this channel resumes
    // on its own list stream, freezes the other's video and ends the alpha span on the other list.
    const auto self = static_cast<std::uint32_t>(input);
    const auto other = 1 - self;
    const std::uint32_t resume = board_commands::ListStream(self, self);
    const std::uint32_t freezeOther = board_commands::ListStream(self, other);
    const std::uint32_t spanEnd = board_commands::ListStream(other, self);
    if (w.firstEntry) {
        if (input == 0) {
            const std::uint32_t base = CueField();
            panel_.SendCommand(board_commands::ListPlayRange(board_commands::kVideoA, base, mode));
            listBase_ = base + U32(2 * g);
        } else {
            const std::int64_t gA = panel_.Channels().videoA->PictureInGroup();
            panel_.SendCommand(board_commands::ListPlayRange(board_commands::kVideoB,
                                                             U32(o.transitionTime + listBase_ - 2 * (gA + g)), mode));
            listBase_ += U32(2 * g);
            w.previousEnd = 0;
        }
        w.firstEntry = false;
        w.transitionTime = U32(w.transition - w.start + 2 * g);
        w.endTime = U32(w.end - w.start + 2 * (g + e));
        if (input == 1) {
            panel_.SendCommand(alpha_.PreparedLine());
            panel_.SendCommand(board_commands::FreezeAt(o.endTime, freezeOther));
            if (alpha_.Span() != 0)
                panel_.SendCommand(board_commands::SelectSourceAt(U32(alpha_.Span() + 2 * g + w.previousEnd), spanEnd, "1"));
        }
        return;
    }
    w.previousEnd = w.endTime;
    w.transitionTime = U32(w.transition - w.start + 2 * g + w.endTime);
    w.endTime = U32(w.end - w.start + 2 * (g + e) + w.endTime);
    panel_.SendCommand(board_commands::ResumeAt(U32(o.transitionTime - 2 * g), resume));
    panel_.SendCommand(alpha_.PreparedLine());
    panel_.SendCommand(board_commands::FreezeAt(o.endTime, freezeOther));
    if (alpha_.Span() != 0)
        panel_.SendCommand(board_commands::SelectSourceAt(U32(alpha_.Span() + 2 * g + w.previousEnd), spanEnd, "1"));
    if (BoardWindow* window = panel_.Window())
        window->Write32(window::kQueueSlotFlags[input] + 4 * static_cast<std::uint32_t>(w.queueSlot), 1);
    w.queueSlot ^= 1;
}

}  // namespace velmar
