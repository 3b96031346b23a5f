// The alpha channel: loading the stream, the cut and keyed transitions, and the list's prepared
// transition lines.
#include "alpha_channel.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <limits>

#include "alpha_stream/alpha_reader.h"
#include "board_commands/command_lines.h"
#include "board_panel/data_files.h"
#include "board_link/format.h"
#include "index_formats/index_files.h"
#include "platform/kernel.h"
#include "record_output/record_output.h"
#include "platform/regular_file.h"
#include "velmar_view.h"
#include "velmar_view_ids.h"
#include "video_clip.h"

namespace velmar {

using namespace panel_ids;

namespace {

constexpr const char* kFileError = "Velmar File Error";
constexpr const char* kAlphaFilter =
    "Alpha Files (*.alp)|*.alp|Audio Files (*.wav)|*.wav|Data Files (*.mpg;*.wav)|*.mpg; *.wav|All Files (*.*)|*.*||";
// The play list's cut: one alpha frame of 320 bytes.
const std::string kCutAlphaLoad =
    board_commands::AlphaStream(false, 320, 0, false, data_files::BoardFileName(data_files::kCutAlpha));
constexpr std::uint32_t kAlphaQueueFlags = window::kQueueSlotFlags[2];
constexpr int kAlphaQueueSlots = 4;
constexpr int kAlphaFirstQueueSlot = 10;

std::optional<std::uint32_t> ReadWord(const std::string& path, std::uint64_t offset) {
    const platform::CFile in = platform::OpenRegularFile(platform::NormalizePath(path), "rb");
    unsigned char b[4];
    if (!in || offset > std::uint64_t(std::numeric_limits<off_t>::max()) ||
        ::fseeko(in.get(), static_cast<off_t>(offset), SEEK_SET) != 0 || std::fread(b, 1, 4, in.get()) != 4)
        return std::nullopt;
    return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
}

int LastFrameOf(const std::string& alp) {
    std::error_code error;
    const auto size = std::filesystem::file_size(AdbPath(alp), error);
    if (error || size < 4) return kNoAlphaIndex;
    return static_cast<int>(std::min<std::uintmax_t>(size / 4, kNoAlphaIndex)) - 1;
}

}  // namespace

AlphaOrder AlphaOrderOf(std::uint32_t firstWord, bool is2000Board) {
    constexpr std::uint32_t kAbcc = 0x43434241;  // bytes "ABCC"
    constexpr std::uint32_t kCcba = 0x41424343;  // bytes "CCBA"
    if (firstWord == kAbcc) return is2000Board ? AlphaOrder::Reversed : AlphaOrder::AsStored;
    if (firstWord == kCcba) return is2000Board ? AlphaOrder::AsStored : AlphaOrder::Reversed;
    return AlphaOrder::Invalid;
}

CAlphaChannel::CAlphaChannel(CVelmarView& panel)
    : panel_(panel),
      texts_{velmar_ui::DdxText(kPathAlpha, &CAlphaChannel::pathText_),
             velmar_ui::DdxText(kStartAlpha, &CAlphaChannel::startText_)} {}

void CAlphaChannel::ExchangeTexts(bool save) { texts_.UpdateData(*this, panel_.View(), panel_.Ui(), save); }

bool CAlphaChannel::ListMode() const { return list_ != nullptr && list_->Active(); }

void CAlphaChannel::AddFilesInUse(std::vector<std::string>& files) const {
    if (pathText_.empty()) return;
    files.push_back(pathText_);
    files.push_back(AdbPath(pathText_));
}

std::uint32_t CAlphaChannel::Length() const {
    return static_cast<std::uint32_t>(std::max(1, lastAlphaFrame_ + 1));
}

bool CAlphaChannel::OnControl(const velmar_ui::Event& event) {
    using velmar_ui::EventKind;
    if (event.kind == EventKind::Command) {
        switch (event.id) {
        case kPlayAlpha: OnAlphaPlay(); return true;
        case kPauseAlpha: OnAlphaPause(); return true;
        case kStopAlpha: OnAlphaStop(); return true;
        case kFileAlpha: OnAlphaBrowse(); return true;
        default: return false;
        }
    }
    if (event.id != kPathAlpha) return false;
    if (event.kind == EventKind::EditChange) {
        changed_ = true;
        panel_.UpdateData(true);
        return true;
    }
    if (event.kind == EventKind::EditLostFocus) {
        OnAlphaFileChanged();
        return true;
    }
    return false;
}

void CAlphaChannel::ReadStream() {
    lastAlphaFrame_ = LastFrameOf(pathText_);
    panel_.Sliders().SetLength(kSliderAlpha, lastAlphaFrame_);
    const auto word = ReadWord(pathText_, 0);
    reversed_ = word && AlphaOrderOf(*word, panel_.Is2000Board()) == AlphaOrder::Reversed;
    // Without a stream and its index the count is the default: show none.
    const bool countKnown = word && lastAlphaFrame_ != kNoAlphaIndex;
    panel_.View().SetText(kCountAlpha, countKnown ? Format(reversed_ ? "%.7d" : "%.7d R", lastAlphaFrame_ + 1) : "");
}

void CAlphaChannel::Init() {
    panel_.View().SetFlat(kStopAlpha, true);
    pathText_ = panel_.ReadKey("PATHALP");
    // Read as no stream, but the operator learns why at once.
    panel_.RefuseNonRegularFile(platform::NormalizePath(pathText_));
    ReadStream();
    changed_ = false;
    position_ = 0;
    startText_ = "00000000";
    panel_.UpdateData(false);
    panel_.View().SelectAllText(kPathAlpha);
}

void CAlphaChannel::OnAlphaFileChanged() {
    if (!changed_) return;
    panel_.WriteKey("PATHALP", pathText_);
    panel_.Sliders().SetPosition(kSliderAlpha, 0);
    ReadStream();
    changed_ = false;
    position_ = 0;
    startText_ = "00000000";
    panel_.UpdateData(false);
    panel_.View().SelectAllText(kPathAlpha);
}

void CAlphaChannel::OnAlphaBrowse() {
    const std::string stored = panel_.ReadKey("PATHALP");
    std::string extension = std::filesystem::path(stored).extension().string();
    if (extension.empty()) extension = ".alp";
    velmar_ui::FileChooserSpec chooser;
    chooser.startFolder = velmar_ui::FolderOf(stored);
    chooser.initialName = "*" + extension;
    chooser.defaultExtension = "alp";
    chooser.filter = kAlphaFilter;
    const auto chosen = panel_.Ui().ChooseFile(chooser);
    if (!chosen) return;
    pathText_ = *chosen;
    changed_ = true;
    OnAlphaFileChanged();
    OnAlphaStop();
}

void CAlphaChannel::Retake() {
    // A new start while running takes the transition again in its mode.
    const AlphaState was = state_;
    state_ = AlphaState::Stopped;
    if (was == AlphaState::Playing) OnAlphaPlay();
    if (was == AlphaState::Paused) OnAlphaPause();
}

void CAlphaChannel::SetAlphaStartFrame() {
    const long typed = std::strtol(startText_.c_str(), nullptr, 10);
    const int start = static_cast<int>(std::clamp<long>(typed, 0, std::max(0, lastAlphaFrame_)));
    startText_ = Format("%.8d", start);
    if (start != position_) {
        position_ = start;
        panel_.Sliders().SetPosition(kSliderAlpha, start);
        Retake();
    }
    panel_.UpdateData(false);
    if (changed_) OnAlphaFileChanged();
}

void CAlphaChannel::OnAlphaSlider(int position, bool dragging) {
    position_ = position;
    startText_ = Format("%.8d", position);
    panel_.UpdateData(false);
    if (!dragging) Retake();
}

bool CAlphaChannel::LoadAlphaFile() {
    const std::string path = platform::NormalizePath(pathText_);
    if (path.empty()) {
        noAlpha_ = true;
        return true;
    }
    noAlpha_ = false;
    const bool listMode = ListMode();
    if (!BoardTakesPath(panel_.Ui(), path)) {
        if (listMode) list_->Stop();
        return false;
    }
    // A FIFO or a device has had its own box; a name that reaches nothing is a bad name.
    const bool special = panel_.RefuseNonRegularFile(path);
    if (special || !platform::IsRegularFile(path)) {
        if (!special) panel_.Ui().MessageBox({"Bad File Name", kFileError});
        if (listMode) list_->Stop();
        return false;
    }
    const auto first = ReadWord(path, 0);
    const AlphaOrder order = first ? AlphaOrderOf(*first, panel_.Is2000Board()) : AlphaOrder::Invalid;
    // A truncated stream, or one whose tables disagree with its codes, would feed the board
    // garbage from the bad frame on: refuse it here.
    std::string problem;
    if (order == AlphaOrder::Invalid || !alpha_stream::ReadAlphaStreamInfo(path, &problem)) {
        if (!problem.empty()) panel_.AddLogMessage("Alpha stream " + path + ": " + problem);
        panel_.Ui().MessageBox({"Invalid ALPHA File detected", kFileError});
        return false;
    }
    std::uint64_t endOffset = 0;
    if (listMode) {
        std::error_code error;
        endOffset = std::filesystem::file_size(path, error);
    }
    int start = static_cast<int>(std::strtol(startText_.c_str(), nullptr, 10));
    start = std::max(0, start) & ~1;

    auto buildIndex = [&]() {
        if (panel_.Host().RunIndexBuild(path)) {
            changed_ = true;
            OnAlphaFileChanged();
            return true;
        }
        panel_.Ui().MessageBox(
            {Format("Can't Find %s - Alpha Will Start From 1st Frame", AdbPath(path).c_str()), kFileError});
        return false;
    };
    if (listMode && lastAlphaFrame_ == kNoAlphaIndex) buildIndex();
    std::uint64_t startOffset = 0;
    if (start != 0) {
        bool haveIndex = LastFrameOf(path) != kNoAlphaIndex;
        if (!haveIndex) haveIndex = buildIndex();
        if (haveIndex) {
            const auto entry = index_formats::ReadAlphaIndexEntry(AdbPath(path), static_cast<std::uint64_t>(start));
            if (!entry) {
                panel_.Ui().MessageBox({"Invalid Offset detected", kFileError});
                return false;
            }
            startOffset = entry->ByteOffset();
        }
    }

    const bool reversed = order == AlphaOrder::Reversed;
    const bool queued = listMode && !firstAlpha_;
    std::string line;
    if (queued) {
        line = board_commands::QueuedAlphaStream(kAlphaFirstQueueSlot + slotIndex_, endOffset, startOffset, reversed, path);
    } else {
        line = board_commands::AlphaStream(panel_.View().Checked(kLoopAlpha), endOffset, startOffset, reversed, path);
    }
    const auto word = ReadWord(path, startOffset);
    if (!word || *word != *first) {
        panel_.Ui().MessageBox({"Invalid Offset detected", kFileError});
        return false;
    }
    panel_.SendCommand(line);
    if (queued) {
        if (BoardWindow* window = panel_.Window())
            window->Write32(kAlphaQueueFlags + 4 * static_cast<std::uint32_t>(slotIndex_), 1);
        slotIndex_ = (slotIndex_ + 1) % kAlphaQueueSlots;
    }
    return true;
}

std::uint32_t CAlphaChannel::CueField() const {
    const BoardWindow* window = panel_.Window();
    const std::uint32_t counter = window ? window->Read32(window::kChannelAStatus + window::kStatusFieldClock) : 0;
    return (counter + 16) & ~1u;
}

void CAlphaChannel::EnterState(AlphaState state) {
    state_ = state;
    panel_.View().SetFlat(kPlayAlpha, state == AlphaState::Playing);
    panel_.View().SetFlat(kPauseAlpha, state == AlphaState::Paused);
    panel_.View().SetFlat(kStopAlpha, state == AlphaState::Stopped);
}

void CAlphaChannel::ShowView() {
    panel_.View().SetChecked(kViewB, viewB_);
    panel_.View().SetChecked(kViewA, !viewB_);
}

void CAlphaChannel::SetViewA() {
    viewB_ = false;
    ShowView();
}

void CAlphaChannel::OnAlphaPlay(std::uint32_t transitionField) {
    if (state_ == AlphaState::Playing) return;
    if (state_ == AlphaState::Paused) {
        panel_.SendCommand(board_commands::SelectSourceAt(transitionField, viewB_ ? board_commands::kVideoB : board_commands::kVideoA,
                                                          noAlpha_ ? board_commands::kFlagSet : "0"));
        EnterState(AlphaState::Playing);
        return;
    }
    if (!LoadAlphaFile()) return;
    viewB_ = !viewB_;
    ShowView();
    // The words of the channel the transition goes to: stream byte 1 for B, 0 for A; the list's
    // variants 0x21 and 0x10.
    const std::uint32_t to = viewB_ ? 1 : 0;
    if (!ListMode()) {
        if (noAlpha_)
            panel_.SendCommand(board_commands::SelectSourceAt(transitionField, to, board_commands::kFlagSet));
        else
            panel_.SendCommand(board_commands::KeyedTransitionWide(to, transitionField, 0));
    } else {
        // Prepared now, sent by the other channel's next list PLAY: the transition out of the
        // entry just started, at its transition point.
        const std::uint32_t at = list_->TransitionTime(viewB_ ? 0 : 1);
        const std::uint32_t firstMode = viewB_ ? 2 : 1;
        const std::uint32_t laterStream = board_commands::ListStream(to, to);
        if (noAlpha_ && firstAlpha_) {
            panel_.SendCommand(kCutAlphaLoad);
            preparedLine_ = board_commands::KeyedTransition(to, at, firstMode);
            firstAlpha_ = false;
            span_ = 1;
        } else if (noAlpha_) {
            preparedLine_ = board_commands::SelectSourceAt(at, laterStream, board_commands::kFlagSet);
            span_ = 0;
        } else {
            preparedLine_ = firstAlpha_ ? board_commands::KeyedTransition(to, at, firstMode)
                                      : board_commands::SelectSourceAt(at, laterStream, "0");
            firstAlpha_ = false;
            span_ = static_cast<std::uint32_t>(lastAlphaFrame_ + 1);
        }
    }
    EnterState(AlphaState::Playing);
}

void CAlphaChannel::OnAlphaPause() {
    if (state_ == AlphaState::Paused) return;
    if (state_ == AlphaState::Playing) {
        panel_.SendCommand(board_commands::SelectSource(viewB_ ? board_commands::kVideoB : board_commands::kVideoA, "1"));
        EnterState(AlphaState::Paused);
        return;
    }
    if (!LoadAlphaFile()) return;
    // Cued: the transition waits at c', at least 16 fields ahead, for PLAY.
    const std::uint32_t to = viewB_ ? 0 : 1;
    const std::uint32_t cue = CueField();
    if (!noAlpha_) panel_.SendCommand(board_commands::KeyedTransition(to, cue, 0));
    panel_.SendCommand(board_commands::SelectSourceAt(cue, to, "1"));
    viewB_ = !viewB_;
    ShowView();
    EnterState(AlphaState::Paused);
}

void CAlphaChannel::OnAlphaStop() {
    if (state_ == AlphaState::Stopped) return;
    panel_.SendCommand(board_commands::SelectSource(viewB_ ? board_commands::kVideoB : board_commands::kVideoA, "1"));
    EnterState(AlphaState::Stopped);
    if (BoardWindow* window = panel_.Window()) {
        window->Write32(window::kAlphaStopWord, 0);
        window->Write32(window::kAlphaCounterWord, 0);
    }
}

}  // namespace velmar
