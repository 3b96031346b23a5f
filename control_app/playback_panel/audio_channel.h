// The Audio group of the playback panel: an audio file, or the files of an audio play list (.apl),
// played on board input 3 at 48, 44.1 or 32 kHz, at normal or variable speed, alone or following
// Video A and the video play list. Lengths and offsets count 16-bit stereo samples at the chosen
// rate in fields of the TV standard (audio_bytes.h).
#pragma once

#include <cstdint>
#include <string>

#include "audio_bytes.h"
#include "panel_channels.h"
#include "play_lists/audio_play_list.h"
#include "velmar_ui/data_exchange.h"

namespace velmar {

class CVelmarView;

enum class AudioState : int { Stopped = 0, Playing = 1, Paused = 2, VarPlay = 3 };

// Gives the panel its audio channel.
void InstallAudioChannel(CVelmarView& panel);

class CAudioChannel : public AudioChannel {
public:
    explicit CAudioChannel(CVelmarView& panel);

    // --- the panel's view of the channel
    void Init() override { InitAudioChannel(); }
    void Play() override { OnAudioPlay(); }
    void PlayAt(std::int32_t field) override { OnAudioPlay(static_cast<std::uint32_t>(field)); }
    void PlayLinked(std::int32_t offsetFields) override { OnAudioPlay(0, offsetFields); }
    void Pause() override { OnAudioPause(); }
    void Stop() override { OnAudioStop(); }
    void VarPlayLinked(std::int32_t offsetFields, std::uint32_t startField) override {
        OnAudioVarPlay(offsetFields, startField);
    }
    void ExchangeTexts(bool save) override;
    void SetStartPosition() override { SetAudioStartPosition(); }
    void OnPositionSlider(int position, bool dragging) override { OnAudioSlider(position, dragging); }
    void OnSpeedSlider(int code, int position) override { OnAudioSpeedSlider(code, position); }
    bool OnControl(const velmar_ui::Event& event) override;
    void SetAudioRate(int rateIndex) override;
    void ReloadFile() override;
    bool Loaded() const override { return state_ != AudioState::Stopped; }
    // Never 0: the status loop and the slider take positions modulo the length.
    std::uint32_t Length() const override;
    void AddFilesInUse(std::vector<std::string>& files) const override;
    void QueueNextAudioEntry() override;
    bool ListActive() const override { return listActive_; }
    bool ListFinished() const override { return !listActive_; }
    std::uint32_t StartOffset() const override { return static_cast<std::uint32_t>(startOffset_); }
    std::uint32_t FieldsPerBytesNumerator() const override { return fraction_.denominator; }
    std::uint32_t FieldsPerBytesDenominator() const override { return fraction_.numerator; }

    // --- handlers
    void InitAudioChannel();
    // A paused channel resumes at `resumeField` (0: at once); one stopped starts `linkOffset`
    // fields before its start (Video A's start group).
    void OnAudioPlay(std::uint32_t resumeField = 0, std::int32_t linkOffset = 0);
    void OnAudioPause();
    // From stopped: `linkOffset` as for PLAY, and the board field the play starts at (0: at once).
    void OnAudioVarPlay(std::int32_t linkOffset = 0, std::uint32_t startField = 0);
    void OnAudioStop();
    void OnAudioBrowse();
    void OnAudioFileChanged();
    void SetAudioStartPosition();
    void SetAudioSpeed();
    void OnAudioSpeedSlider(int code, int position);
    void OnAudioSlider(int position, bool dragging);
    void OnLinkAudio();
    void OnNotImplemented();
    // Opens the file, or the list's entry that holds the start (`linkOffset` fields earlier), on
    // input 3; false when nothing was opened.
    bool LoadAudioFile(std::int32_t linkOffset = 0);

    // Whole frames in `bytes` and the bytes of `frames` frames at the current rate.
    std::uint64_t AudioBytesToFrames(std::uint64_t bytes) const { return AudioBytesToFields(bytes, fraction_) / 2; }
    std::uint64_t FramesToAudioBytes(std::uint64_t frames) const { return AudioFieldsToBytes(2 * frames, fraction_); }

    // --- state, for the panel and tests
    AudioState State() const { return state_; }
    AudioRate Rate() const { return rate_; }
    AudioFraction Fraction() const { return fraction_; }
    std::int64_t LengthFields() const { return length_; }
    std::int64_t StartFields() const { return start_; }
    std::uint64_t EndOffset() const { return endOffset_; }
    int QueueSlotIndex() const { return slotIndex_; }
    const std::string& StartText() const { return startText_; }
    const std::string& SpeedText() const { return speedText_; }

private:
    bool IsListPath() const;
    // Measures the path edit's file or list, and shows the length.
    void MeasureSource();
    void ShowLength();
    void ResetStart();
    void EnterState(AudioState state);
    velmar_ui::ControlId StateButton(AudioState state) const;
    // Leaving stopped: the load and the routing switched off; false when the load failed.
    bool Cue(std::int32_t linkOffset);
    void ReissueState();
    int ParseSpeed() const;
    void ApplySpeedEdit();
    void SetRateStep(std::uint32_t step);
    // Finds the entry holding `startField`, queues the two after it; fills the file and start.
    bool OpenListEntry(std::int64_t& startField, std::string& file);
    // False, with the list's message and the list closed, for an entry that names the list itself
    // or a video clip: the board would play either as audio.
    bool EntryIsAudio(const std::string& file);
    void CloseList();

    CVelmarView& panel_;
    // The group's form fields.
    std::string pathText_, startText_, speedText_ = "100";
    velmar_ui::DataExchange<CAudioChannel> texts_;
    AudioFraction fraction_;
    AudioRate rate_ = AudioRate::k48;
    AudioState state_ = AudioState::Stopped;
    std::int64_t length_ = 100;  // fields
    std::int64_t start_ = 0;     // fields
    std::uint64_t fileSize_ = 0;
    bool lengthFromFile_ = false;  // the length was measured from a file's size (not a list, not missing)
    bool lengthKnown_ = false;     // measured from a file or a list, not the default of a missing one
    bool fileChanged_ = false;
    std::uint64_t startOffset_ = 0;
    std::uint64_t endOffset_ = 0;

    // The audio play list while it plays.
    play_lists::AudioPlayList list_;
    std::string entryFile_;
    std::int64_t entryStart_ = 0;
    std::int64_t entryEnd_ = 0;
    bool slotUsed_[2] = {false, false};
    int slotIndex_ = 0;
    bool listActive_ = false;
};

}  // namespace velmar
