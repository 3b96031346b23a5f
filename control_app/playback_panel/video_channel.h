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
#include "velmar_ui/data_exchange.h"
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
};

const VideoChannelTable& VideoTableA();
const VideoChannelTable& VideoTableB();

// Gives the panel its two video channels.
void InstallVideoChannels(CVelmarView& panel);

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
    void PlayAt(std::int32_t field) override { Start(static_cast<std::uint32_t>(field), false, 0); }
    void Pause() override { OnPause(); }
    void Stop() override { OnStop(); }
    void SetStartPosition() override { SetVideoStartPosition(); }
    void OnPositionSlider(int position, bool dragging) override;
    bool Loaded() const override { return state_ != VideoState::Stopped; }
    std::uint32_t Length() const override;
    void AddFilesInUse(std::vector<std::string>& files) const override;
    void OnSpeedSlider(int code, int position) override;
    bool OnControl(const velmar_ui::Event& event) override;
    VideoState State() const override { return state_; }
    int PictureInGroup() const override { return pictureInGroup_; }
    bool IsDvClip() const override { return IsDv(kind_); }
    void SetPath(const std::string& path) override { pathText_ = path; }
    void ReloadClip() override {
        fileChanged_ = true;
        ReloadIfChanged();
    }
    void ShowClip(const std::string& path) override;
    std::string ClipPath() const override { return pathText_; }
    void PrepareListEntry(std::int64_t startField) override;
    void PlayListEntry(std::int64_t endPicture) override { Start(0, true, endPicture); }
    void ExchangeTexts(bool save) override;
    bool ExchangeNumbers(bool save) override;

    // --- handlers
    void OnPlay() { Start(0, true, 0); }
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
    // Opens the clip on the board from the start time code, to its end or to picture `endPicture`
    // (a list entry's); false when it is not opened.
    bool LoadVideo(std::int64_t endPicture = 0);
    // Channel A: choose the decode output file; open it on output stream 5.
    void OnUncompressFile();
    // Opened; not opened (the operator kept the file, or it cannot be written); or refused with a
    // box of its own (a name the board cannot take, an input in use, not a regular file).
    enum class DecodeOutput { Opened, NotOpened, Refused };
    DecodeOutput OpenDecodeOutput();

    // --- state, for the panel and tests
    VideoKind Kind() const { return kind_; }
    int Position() const override { return position_; }
    int StartField() const { return start_; }
    int Rate() const { return rate_; }
    int DvFrameBytes() const { return dvFrameSize_; }
    bool Decoding() const { return decoding_; }
    // The pictures of the last load's end picture's group after it.
    int PicturesAfterEnd() const { return picturesAfterEnd_; }
    const std::string& PathText() const { return pathText_; }
    const std::string& StartText() const { return startText_; }

private:
    // PLAY, to picture `endPicture` (0: the end of the file): a paused channel resumes at
    // `resumeField` (0: at once); channel A's linked audio follows when `withLinkedAudio`.
    void Start(std::uint32_t resumeField, bool withLinkedAudio, std::int64_t endPicture);
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
    bool ComputeMpegOffsets(const std::string& clip, std::uint64_t clipBytes, std::int64_t endPicture,
                            std::uint64_t& startOffset, std::uint64_t& endOffset);
    std::string LoadLine(std::uint64_t startOffset, std::uint64_t endOffset, const std::string& clip) const;
    void SendPlayRange(std::uint32_t startTime, std::uint32_t s0);
    // Decode to file (channel A).
    void DecodeSetup(bool fromPaused);
    static velmar_ui::DataExchange<CVideoChannel> TextFields(const VideoChannelTable& table);
    static velmar_ui::DataExchange<CVideoChannel> NumberFields(const VideoChannelTable& table);
    void FinishDecode();

    // The stream byte of the channel's command words, its input; a play range's mode word, 2 for DV.
    std::uint32_t Stream() const { return static_cast<std::uint32_t>(t_.input); }
    std::uint32_t PlayMode() const { return IsDv(kind_) ? 2 : 0; }
    velmar_ui::ControlId ModeButton(VideoState mode) const;
    std::uint32_t Counter() const;

    CVelmarView& panel_;
    const VideoChannelTable& t_;
    // The group's form fields; channel A's Uncompress group too.
    std::string pathText_, startText_, speedText_ = "100";
    std::string decodePath_;
    int decodeFieldsEntry_ = 0;
    velmar_ui::DataExchange<CVideoChannel> texts_;
    velmar_ui::DataExchange<CVideoChannel> numbers_;

    VideoKind kind_ = VideoKind::MpegReversed;
    // In fields; 64-bit, as a huge index gives more than an int holds.
    std::int64_t length_ = index_formats::kUnknownClipLengthWords;
    int dvFrameSize_ = 120000;
    int position_ = 0;
    int start_ = 0;
    int pictureInGroup_ = 0;
    int picturesAfterEnd_ = 0;
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
