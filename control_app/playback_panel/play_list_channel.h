// The Play List group of the playback panel: a video play list (.vpl) played as an A/B roll.
// Entries go alternately to Video A and Video B; the next one is queued on the idle channel while
// the current one plays, and each entry's alpha stream keys the change to the next at the entry's
// transition point. The list engine's schedule words count fields from the list's start.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "panel_channels.h"
#include "play_lists/video_play_list.h"
#include "velmar_ui/data_exchange.h"
#include "velmar_ui/events.h"

namespace velmar {

class CVelmarView;
class CAlphaChannel;

// The schedule of one channel in the roll, in fields: the entry's words (I start, O end, X
// transition) and its transition, end and previous end times; whether the channel's next load is
// its first in the list (later ones are queued) and its queue slot index.
struct ListChannelWords {
    std::int64_t start = 0;
    std::int64_t end = 0;
    std::int64_t transition = 0;
    std::uint32_t transitionTime = 0;
    std::uint32_t endTime = 0;
    std::uint32_t previousEnd = 0;
    bool firstEntry = true;
    int queueSlot = 0;
};

enum class PlayListState { Off, Playing };

class CPlayListChannel : public PlayListChannel {
public:
    CPlayListChannel(CVelmarView& panel, CAlphaChannel& alpha);

    void Init() override;  // InitPlayList
    void Play() override { OnPlayListPlay(); }
    void Stop() override { OnPlayListStop(); }
    void Pause() override;
    void SetStartPosition() override { SetPlayListStartPosition(); }
    void OnPositionSlider(int position, bool dragging) override { OnPlayListSlider(position, dragging); }
    bool Loaded() const override { return state_ != PlayListState::Off; }
    std::uint32_t Length() const override { return static_cast<std::uint32_t>(std::max<std::int64_t>(1, total_)); }
    bool Active() const override { return state_ == PlayListState::Playing; }
    // The list and, whether or not it plays, its entries' clips and alpha streams with their indexes.
    void AddFilesInUse(std::vector<std::string>& files) const override;
    int NextEntryFlag() const override { return busy_ ? 1 : 0; }
    void NextPlayListEntry() override;
    void ScanPlayList() override;
    void Browse() override { OnPlayListBrowse(); }
    std::int32_t RunningOffset() const override { return static_cast<std::int32_t>(listTime_); }
    std::int32_t StartOffset() const override { return static_cast<std::int32_t>(listBase_); }
    std::optional<int> QueueSlot(int input) const override;
    void ChannelListPlay(int input, const ListEntryLoad& load) override;
    void PlayFrom(const std::string& listName, int frame) override;
    void ExchangeTexts(bool save) override;
    bool OnControl(const velmar_ui::Event& event);

    void OnPlayListPlay();
    void OnPlayListStop();
    // CHK FILE: the list's total, and its entries the board cannot play named.
    void CheckPlayList();
    void OnPlayListBrowse();
    void OnPlayListFileChanged();
    void SetPlayListStartPosition();
    void OnPlayListSlider(int position, bool dragging);
    // Seeks the entry at the list position and loads it into Video A; its last picture when it
    // is there.
    std::optional<std::int64_t> LoadPlayList();

    std::uint32_t TransitionTime(int input) const override { return words_[input & 1].transitionTime; }
    const ListChannelWords& Words(int input) const { return words_[input & 1]; }
    std::int64_t Total() const { return total_; }
    std::int64_t Position() const { return position_; }
    const std::string& StartText() const { return startText_; }
    std::uint32_t ListBase() const { return listBase_; }
    int NextChannel() const { return nextChannel_; }

private:
    // Gives an entry to a channel: its words, end picture, clip and alpha stream.
    void TakeEntry(int input, const play_lists::VideoListEntry& entry, std::int64_t startField);
    // Scans the list just named and stops what played.
    void TakeNewList();
    // True, after a box, when the named list is too large to be one.
    bool RefuseOversizedList();
    // The total length, scanned from the list or none.
    void SetTotal(std::optional<std::int64_t> scanned);
    std::uint32_t CueField() const;
    // A list plays its entries in one mode, that of the entry it starts with: MPEG-2 or DV (a
    // channel keeps the mode of its first entry for every entry queued behind it). Whether an
    // entry's clip is one the board cannot play in the list's mode (its kind unknown counts too;
    // a clip that cannot be read is left to the load, which names it).
    bool Refused(const play_lists::VideoListEntry& entry, bool listDv) const;
    // Names in one box the entries of the list file that are refused; how many entries it holds.
    std::size_t RefuseEntriesOfOtherKind(bool listDv);
    // The next entry the list can play, skipping refused ones (at most a pass through the list).
    std::optional<play_lists::VideoListEntry> NextPlayableEntry();
    // Each channel shows the entry it plays: a queued entry once the board has taken it.
    void ShowPlayingEntries();

    CVelmarView& panel_;
    CAlphaChannel& alpha_;
    // The group's form fields.
    std::string pathText_, startText_;
    velmar_ui::DataExchange<CPlayListChannel> texts_;
    PlayListState state_ = PlayListState::Off;
    play_lists::VideoPlayList list_;
    static constexpr std::int64_t kNoListTotal = 99;
    std::int64_t total_ = kNoListTotal;
    std::int64_t position_ = 0;  // frames
    bool changed_ = false;
    int nextChannel_ = 0;  // 0: the next entry goes to Video B, 1: to Video A
    bool busy_ = false;
    ListChannelWords words_[2];
    std::uint32_t listBase_ = 0;
    std::uint32_t listTime_ = 0;
    bool listDv_ = false;  // the mode of the playing list
    std::size_t entriesAtPlay_ = 0;
    // Per channel, the entries queued behind the one it plays: the queue slot and the clip.
    struct QueuedClip {
        int slot;
        std::string path;
    };
    std::deque<QueuedClip> queued_[2];
};

// Gives the panel its alpha channel and play list, each knowing the other.
void InstallAlphaAndPlayList(CVelmarView& panel);

}  // namespace velmar
