// The board's DV recorder, which the playback microcode offers beside the decoders: on the DV
// record word it encodes its own moving test picture (time code and field number shown) as DV25
// (4:1:1 for 525 lines, 4:2:0 for 625) or DV50 (4:2:2) for output 6, one frame every second
// field, and with its audio word 16-bit stereo PCM at 48 kHz for output 7. The TV standard is the
// one the last reference word named.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "softboard/pcm_tone.h"

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

namespace softboard {

class StreamHost;
struct DecodedCommand;

inline constexpr std::uint32_t kDvVideoOutput = 6;
inline constexpr std::uint32_t kDvAudioOutput = 7;

class DvRecorder {
public:
    explicit DvRecorder(StreamHost& board);
    ~DvRecorder();
    DvRecorder(const DvRecorder&) = delete;
    DvRecorder& operator=(const DvRecorder&) = delete;

    void OnCommand(const DecodedCommand& command);
    // One field: a frame every second field while recording, the audio due, the record counter.
    void OnField();
    void OnReset();

    // What is produced for output 6 or 7 and not yet handed to the host (empty for other streams).
    std::deque<std::uint8_t>& Pending(std::uint32_t stream);

    bool Recording() const { return context_ != nullptr; }
    bool Dv50() const { return dv50_; }
    bool Pal() const { return pal_; }
    std::uint64_t FramesEncoded() const { return frames_; }
    std::uint64_t AudioBytes() const { return audioBytes_; }
    const std::string& LastError() const { return error_; }

private:
    void Start(bool dv50);
    void Stop();
    void EncodeFrame();

    StreamHost& board_;
    bool pal_ = false;
    bool dv50_ = false;
    bool secondField_ = false;
    bool audioOn_ = false;
    std::uint64_t frames_ = 0;
    std::uint64_t audioBytes_ = 0;
    std::string error_;
    PcmTone tone_;
    std::deque<std::uint8_t> video_, audio_, none_;

    AVCodecContext* context_ = nullptr;
    AVFrame* drawn_ = nullptr;  // 4:2:2, as the test picture is drawn
    AVFrame* frame_ = nullptr;  // in the codec's chroma format
    AVPacket* packet_ = nullptr;
    SwsContext* scaler_ = nullptr;
};

}  // namespace softboard
