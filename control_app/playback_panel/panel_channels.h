// The channel groups of the playback panel as the panel core sees them: what start-up, the timer,
// PLAY ALL, the menus and the settings ask of each. The bodies here are the idle channel; the
// video, audio, alpha, play list and DV record groups replace them with their own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace velmar {

class Channel {
public:
    virtual ~Channel() = default;
    virtual void Init() {}
    virtual void Play() {}
    virtual void Pause() {}
    virtual void Stop() {}
    // Applies the start edit (the Enter key).
    virtual void SetStartPosition() {}
    // The operator moved the channel's position slider.
    virtual void OnPositionSlider(int /*position*/, bool /*dragging*/) {}
    virtual bool Loaded() const { return false; }
    // Positions of the track; never 0.
    virtual std::uint32_t Length() const { return 1; }

    // The field at which PLAY ALL starts the channel; 0 (the alpha's -1) outside PLAY ALL.
    std::int32_t scheduledStart = 0;
};

class VideoChannel : public Channel {
public:
    // A speed track bar moved (scroll code, position).
    virtual void OnSpeedSlider(int /*code*/, int /*position*/) {}
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

    // Audio follows Video A's transport.
    bool linked = false;
    // Last position shown, in fields.
    std::uint32_t position = 0;
};

class AlphaChannel : public Channel {
public:
    AlphaChannel() { scheduledStart = -1; }
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
};

class DvRecordChannel : public Channel {
public:
    virtual bool Recording() const { return false; }
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
