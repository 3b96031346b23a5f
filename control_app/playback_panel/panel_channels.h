// The channel groups of the playback panel as the panel core sees them: what start-up, the timer,
// PLAY ALL, the menus and the settings ask of each. The bodies here are the idle channel; the
// video, audio, alpha, play list and DV record groups replace them with their own.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "velmar_ui/events.h"

namespace velmar {

class Channel {
public:
    virtual ~Channel() = default;
    virtual void Init() {}
    virtual void Play() {}
    // PLAY ALL: starts the cued channel at board field `field`, on its own (linked audio keeps its
    // own turn).
    virtual void PlayAt(std::int32_t /*field*/) { Play(); }
    virtual void Pause() {}
    virtual void Stop() {}
    // Applies the start edit (the Enter key).
    virtual void SetStartPosition() {}
    // The operator moved the channel's position slider.
    virtual void OnPositionSlider(int /*position*/, bool /*dragging*/) {}
    virtual bool Loaded() const { return false; }
    // Positions of the track; never 0.
    virtual std::uint32_t Length() const { return 1; }
    // Adds the files the group reads (its clip or stream with its index, its list), which no output
    // of the panel may replace.
    virtual void AddFilesInUse(std::vector<std::string>& /*files*/) const {}

    // The group's form fields. The panel exchanges the groups' texts first and their numbers after
    // them, in the form's order: a bad number stops a save of only the fields that follow it.
    virtual void ExchangeTexts(bool /*save*/) {}
    virtual bool ExchangeNumbers(bool /*save*/) { return true; }
};

enum class VideoState : int { Stopped = 0, Playing = 1, Paused = 2, VarPlay = 3, IpOnly = 4, IOnly = 5 };

class VideoChannel : public Channel {
public:
    // A speed track bar moved (scroll code, position).
    virtual void OnSpeedSlider(int /*code*/, int /*position*/) {}
    // An event of one of the channel's own controls (buttons, edits); false when it has none.
    virtual bool OnControl(const velmar_ui::Event& /*event*/) { return false; }
    virtual VideoState State() const { return VideoState::Stopped; }
    // Pictures of the start picture's group that come before it (0 for DV and a start of 0).
    virtual int PictureInGroup() const { return 0; }
    virtual bool IsDvClip() const { return false; }
    // The clip path edit's text (the play list names its entries' clips).
    virtual void SetPath(const std::string& /*path*/) {}
    // Re-reads the clip the path edit names.
    virtual void ReloadClip() {}
    // Shows `path` and its length as the clip the channel plays, without touching the board (a
    // play list's channel plays one entry while the next waits in its queue).
    virtual void ShowClip(const std::string& /*path*/) {}
    // The clip the path edit names.
    virtual std::string ClipPath() const { return {}; }
    // Plays a play list's entry up to its last picture `endPicture` (0: to the end of the file).
    virtual void PlayListEntry(std::int64_t /*endPicture*/) { Play(); }
    // A play list entry starting at `startField` of the clip: the channel counts as stopped
    // without a stop being sent, and its slider and start time code show the entry's start.
    virtual void PrepareListEntry(std::int64_t /*startField*/) {}
    // The channel's position in fields (the split tool's "G" buttons take it).
    virtual int Position() const { return 0; }
};

class AudioChannel : public Channel {
public:
    virtual void OnSpeedSlider(int /*code*/, int /*position*/) {}
    // The audio play list queues its next entry.
    virtual void QueueNextAudioEntry() {}
    virtual bool ListActive() const { return false; }
    virtual bool ListFinished() const { return true; }
    // Byte offset of the channel's start, added to the board's progress word.
    virtual std::uint32_t StartOffset() const { return 0; }
    // Fields per byte of the current rate, as numerator and denominator.
    virtual std::uint32_t FieldsPerBytesNumerator() const { return 1; }
    virtual std::uint32_t FieldsPerBytesDenominator() const { return 3840; }

    // Video A's linked PLAY and VAR PLY from stopped: `offsetFields` are the fields of the start
    // picture's group before it; variable play starts at board field `startField`.
    virtual void PlayLinked(std::int32_t /*offsetFields*/) { Play(); }
    virtual void VarPlayLinked(std::int32_t /*offsetFields*/, std::uint32_t /*startField*/) {}
    // An event of one of the group's own controls (buttons, edits, the link box); false when it
    // has none.
    virtual bool OnControl(const velmar_ui::Event& /*event*/) { return false; }
    // The rate radios: 1 48 kHz, 2 44.1 kHz, 3 32 kHz.
    virtual void SetAudioRate(int /*rateIndex*/) {}
    // Measures the file the path edit names again and stops the channel, as after a path change
    // (a recording has just written that file).
    virtual void ReloadFile() {}

    // Audio follows Video A's transport.
    bool Linked() const { return linked_; }
    void SetLinked(bool linked) { linked_ = linked; }
    // Last position shown, in fields.
    std::uint32_t Position() const { return position_; }
    void SetPosition(std::uint32_t fields) { position_ = fields; }

protected:
    bool linked_ = false;
    std::uint32_t position_ = 0;
};

class AlphaChannel : public Channel {
public:
    // An event of one of the group's own controls; false when it has none.
    virtual bool OnControl(const velmar_ui::Event& /*event*/) { return false; }
};

// What a video channel's load of a list entry found: the pictures of the start picture's group
// before it, those of the end picture's group after it, and whether the clip is DV.
struct ListEntryLoad {
    int pictureInGroup = 0;
    int picturesAfterEnd = 0;
    bool dv = false;
};

class PlayListChannel : public Channel {
public:
    virtual bool Active() const { return false; }
    // 0 while the next entry still has to be loaded.
    virtual int NextEntryFlag() const { return 1; }
    virtual void NextPlayListEntry() {}
    virtual void ScanPlayList() {}
    virtual void Browse() {}
    // A controller's request: plays the list `listName` (scanned first when it is another one)
    // from frame `frame`.
    virtual void PlayFrom(const std::string& /*listName*/, int /*frame*/) {}
    virtual std::int32_t RunningOffset() const { return 0; }
    virtual std::int32_t StartOffset() const { return 0; }
    // The queue slot index (0 or 1) of video input `input`'s next load in the running list; none
    // when the channel opens its file itself (no list, or the list's first entry on it).
    virtual std::optional<int> QueueSlot(int /*input*/) const { return std::nullopt; }
    // A video channel (input 0 or 1) has opened or queued its entry in list mode and starts:
    // the list sends its schedule words.
    virtual void ChannelListPlay(int /*input*/, const ListEntryLoad& /*load*/) {}
    // The transition time of channel `input` (0 A, 1 B) in the running list, for the alpha
    // channel's prepared line.
    virtual std::uint32_t TransitionTime(int /*input*/) const { return 0; }
    // An event of one of the group's own controls; false when it has none.
    virtual bool OnControl(const velmar_ui::Event& /*event*/) { return false; }
};

class DvRecordChannel : public Channel {
public:
    virtual bool Recording() const { return false; }
    // The panel ends (its window closed, or its service loop ended): a recording ends as STOP
    // ends it, so that its files are complete.
    virtual void EndWithPanel() {}
    // An event of one of the group's own controls; false when it has none.
    virtual bool OnControl(const velmar_ui::Event& /*event*/) { return false; }
};

struct PanelChannels {
    std::unique_ptr<VideoChannel> videoA = std::make_unique<VideoChannel>();
    std::unique_ptr<VideoChannel> videoB = std::make_unique<VideoChannel>();
    std::unique_ptr<AudioChannel> audio = std::make_unique<AudioChannel>();
    std::unique_ptr<AlphaChannel> alpha = std::make_unique<AlphaChannel>();
    std::unique_ptr<PlayListChannel> playList = std::make_unique<PlayListChannel>();
    std::unique_ptr<DvRecordChannel> dvRecord = std::make_unique<DvRecordChannel>();
};

}  // namespace velmar
