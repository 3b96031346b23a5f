// The channel groups of the playback panel as the panel core sees them: what start-up, the timer,
// PLAY ALL, the menus and the settings ask of each. The bodies here are the idle channel; the
// video, audio, alpha, play list and DV record groups replace them with their own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

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
};

class VideoChannel : public Channel {
public:
    // A speed track bar moved (scroll code, position).
    virtual void OnSpeedSlider(int /*code*/, int /*position*/) {}
    // An event of one of the channel's own controls (buttons, edits); false when it has none.
    virtual bool OnControl(const velmar_ui::Event& /*event*/) { return false; }
    // 0 stopped, 1 playing, 2 paused, 3 var play, 4 IP only, 5 I only.
    virtual int State() const { return 0; }
    // Pictures of the start picture's group that come before it (0 for DV and a start of 0).
    virtual int PictureInGroup() const { return 0; }
    virtual bool IsDvClip() const { return false; }
    // Re-reads the clip named by the path field (the play list sets the path first).
    virtual void ReloadClip() {}
    // A play list entry starting at `startField` of the clip: the channel counts as stopped
    // without a stop being sent, and its slider and start time code show the entry's start.
    virtual void PrepareListEntry(std::int64_t /*startField*/) {}
    // The channel's position in fields (the split tool's "G" buttons take it).
    virtual int Position() const { return 0; }

    // Play list words: the entry's last picture (0 = to the end of the file), set by the list
    // engine; the pictures of that picture's group after it, set by the load; whether the next
    // load is the list's first entry on this channel (later ones are queued); the queue slot index.
    std::int64_t endPicture = 0;
    int picturesAfterEnd = 0;
    bool listFirstEntry = true;
    int queueSlotIndex = 0;
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

    // Variable-speed play following Video A.
    virtual void VarPlay() {}
    // An event of one of the group's own controls (buttons, edits, the link box); false when it
    // has none.
    virtual bool OnControl(const velmar_ui::Event& /*event*/) { return false; }
    // The rate radios: 1 48 kHz, 2 44.1 kHz, 3 32 kHz.
    virtual void SetAudioRate(int /*rateIndex*/) {}
    // Measures the file the path edit names again and stops the channel, as after a path change
    // (a recording has just written that file).
    virtual void ReloadFile() {}

    // Audio follows Video A's transport.
    bool linked = false;
    // Set by Video A for the length of a linked PLAY or VAR PLY from stopped: the fields of the
    // start picture's group before it, and the board time the variable play starts at.
    std::int32_t linkOffsetFields = 0;
    std::uint32_t linkVarPlayStart = 0;
    // Last position shown, in fields.
    std::uint32_t position = 0;
};

class AlphaChannel : public Channel {
public:
    // An event of one of the group's own controls; false when it has none.
    virtual bool OnControl(const velmar_ui::Event& /*event*/) { return false; }
};

class PlayListChannel : public Channel {
public:
    virtual bool Active() const { return false; }
    // 0 while the next entry still has to be loaded.
    virtual int NextEntryFlag() const { return 1; }
    virtual void NextPlayListEntry() {}
    virtual void ScanPlayList() {}
    virtual void Browse() {}
    virtual std::int32_t RunningOffset() const { return 0; }
    virtual std::int32_t StartOffset() const { return 0; }
    // A video channel (input 0 or 1) has opened or queued its entry in list mode and starts:
    // the list sends its schedule words.
    virtual void ChannelListPlay(int /*input*/) {}
    // An event of one of the group's own controls; false when it has none.
    virtual bool OnControl(const velmar_ui::Event& /*event*/) { return false; }
};

class DvRecordChannel : public Channel {
public:
    virtual bool Recording() const { return false; }
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
