// Video channels A and B of the playback panel: one class, told by a table which controls, board
// input, command words, status block and profile key are its own. It opens clips on the board
// from a start time code, drives the modes (PLAY, PAUSE, STOP, VAR PLY, IP ONLY, I ONLY, field and
// frame steps) and, on channel A, decodes what it plays into an uncompressed file.
#pragma once

#include <cstdint>
#include <string>

#include "index_formats/index_files.h"
#include "panel_channels.h"
#include "video_clip.h"
#include "velmar_ui/form_view.h"

namespace velmar {

class CVelmarView;

struct VideoChannelTable {
    char letter;  // 'A' or 'B', for messages in the log
    int input;    // board input stream: "-i%dB", "-L%d" and the stream byte of the command words
    int queueSlotBase;       // 4 for A, 6 for B
    std::uint32_t status;    // the channel's status block in the board window
    const char* pathKey;     // profile key of the clip path
    bool decodesToFile;      // channel A: the Uncompress group and the linked audio
    velmar_ui::ControlId file, path, play, pause, stop, varPlay, ipOnly, iOnly, fieldStep, frameStep, start,
        speed, timecode, length, slider, speedBar, loop;
    std::string CVelmarView::*pathField;
    std::string CVelmarView::*startField;
    std::string CVelmarView::*speedField;
};

const VideoChannelTable& VideoTableA();
const VideoChannelTable& VideoTableB();

// Gives the panel its two video channels.
void InstallVideoChannels(CVelmarView& panel);

enum class VideoState : int { Stopped = 0, Playing = 1, Paused = 2, VarPlay = 3, IpOnly = 4, IOnly = 5 };

// The variable-speed word for a speed in percent (100 % is 256; larger is slower).
inline int RateForPercent(int percent) { return 25600 / (percent < 1 ? 1 : percent); }
// Whether a new rate first needs a freeze and a resume: normal speed or slower entered from faster
// play (or from IP / I only), and slow motion entered from normal speed. Staying at a speed, or
// going faster, does not.
inline bool RateNeedsRestart(int rate, int previousRate) {
    return rate >= 256 && previousRate <= 256 && !(rate == 256 && previousRate == 256);
}
// The field at which a cue from the channel's counter c starts: at least 16 fields ahead, even.
inline std::uint32_t CueField(std::uint32_t counter) { return (counter + 16) & ~1u; }

class CVideoChannel : public VideoChannel {
public:
    CVideoChannel(CVelmarView& panel, const VideoChannelTable& table);

    // --- the panel's view of a channel
    void Init() override;
    void Play() override { OnPlay(); }
    void PlayAt(std::int32_t field) override { Start(static_cast<std::uint32_t>(field), false); }
    void Pause() override { OnPause(); }
    void Stop() override { OnStop(); }
    void SetStartPosition() override { SetVideoStartPosition(); }
    void OnPositionSlider(int position, bool dragging) override;
    bool Loaded() const override { return state_ != VideoState::Stopped; }
    std::uint32_t Length() const override { return length_ < 1 ? 1 : static_cast<std::uint32_t>(length_); }
    void OnSpeedSlider(int code, int position) override;
    bool OnControl(const velmar_ui::Event& event) override;
    int State() const override { return static_cast<int>(state_); }
    int PictureInGroup() const override { return pictureInGroup_; }
    bool IsDvClip() const override { return IsDv(kind_); }
    void ReloadClip() override {
        fileChanged_ = true;
        ReloadIfChanged();
    }
    void PrepareListEntry(std::int64_t startField) override;

    // --- handlers
    void OnPlay() { Start(0, true); }
    void OnPause();
    void OnStop();
    void OnVarPlay();
    void OnIpOnly() { OnTrickMode(VideoState::IpOnly); }
    void OnIOnly() { OnTrickMode(VideoState::IOnly); }
    void OnFieldStep() { OnStep(0); }
    void OnFrameStep() { OnStep(1); }
    void OnFile();
    void SetVideoStartPosition();
    void SetVarSpeed();
    // Opens the clip on the board from the start time code; false when it is not opened.
    bool LoadVideo();
    // Channel A: choose the decode output file; open it on output stream 5.
    void OnUncompressFile();
    bool OpenDecodeOutput();

    // --- state, for the panel and tests
    VideoKind Kind() const { return kind_; }
    int Position() const override { return position_; }
    int StartField() const { return start_; }
    int Rate() const { return rate_; }
    int DvFrameBytes() const { return dvFrameSize_; }
    bool Decoding() const { return decoding_; }

private:
    // PLAY: a paused channel resumes at `resumeField` (0: at once); channel A's linked audio
    // follows when `withLinkedAudio`.
    void Start(std::uint32_t resumeField, bool withLinkedAudio);
    void OnTrickMode(VideoState mode);
    void OnStep(int frame);
    void OnSpeedEditKillFocus();
    // Stores the path key, re-reads the clip and stops the channel when the path has changed.
    void ReloadIfChanged();
    // Reads kind and length of the clip the path edit names and shows the length.
    void ReadClip();
    // The clip is loaded in its mode again from stopped (a new start while running).
    void ReissueMode();
    void EnterMode(VideoState mode);
    int ParseSpeed();
    void ApplyStart(int fields);
    bool ComputeMpegOffsets(const std::string& clip, std::uint64_t clipBytes, std::uint64_t& startOffset,
                            std::uint64_t& endOffset);
    std::string LoadLine(std::uint64_t startOffset, std::uint64_t endOffset, const std::string& clip) const;
    void SendPlayRange(std::uint32_t startTime, std::uint32_t s0);
    // Decode to file (channel A).
    void DecodeSetup(bool fromPaused);
    void FinishDecode();

    // The stream byte of the channel's command words, its input; a play range's mode word, 2 for DV.
    std::uint32_t Stream() const { return static_cast<std::uint32_t>(t_.input); }
    std::uint32_t PlayMode() const { return IsDv(kind_) ? 2 : 0; }
    velmar_ui::ControlId ModeButton(VideoState mode) const;
    std::uint32_t Counter() const;
    std::string& PathText();
    std::string& StartText();
    std::string& SpeedText();

    CVelmarView& panel_;
    const VideoChannelTable& t_;
    VideoKind kind_ = VideoKind::MpegReversed;
    int length_ = static_cast<int>(index_formats::kUnknownClipLengthWords);
    int dvFrameSize_ = 120000;
    int position_ = 0;
    int start_ = 0;
    int pictureInGroup_ = 0;
    VideoState state_ = VideoState::Stopped;
    int rate_ = 256;
    bool fileChanged_ = false;
    // Channel A's decode output.
    bool uncompressChanged_ = false;
    bool decoding_ = false;
    int decodeFields_ = 0;
    bool decodeFrames_ = true;
};

}  // namespace velmar
