// The software board as an encoder: once record microcode is loaded, the record command words
// drive a real MPEG encoder (libavcodec). Output 0 carries the video elementary stream (every
// start code on a 4-byte boundary) with EncoderIndexRing entries for its pictures, output 1
// 16-bit stereo PCM. Live recordings encode a moving test picture of the board's own; compress
// runs encode the frames the host streams on input 2.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "softboard/pcm_tone.h"
#include "softboard/soft_board.h"

struct SwsContext;

namespace softboard {

class VideoEncoder;
struct EncoderProgram;
struct PictureUnit;

class BoardEncoder {
public:
    explicit BoardEncoder(SoftBoard& board);
    ~BoardEncoder();
    BoardEncoder(const BoardEncoder&) = delete;
    BoardEncoder& operator=(const BoardEncoder&) = delete;

    // A command the board ran while record microcode is loaded.
    void OnCommand(const DecodedCommand& command);
    // Whether the encoder reads input `stream` itself (the compress source, input 2).
    bool ClaimsInput(std::uint32_t stream) const;
    // One field: encode what is due and hand the produced bytes to the host's output pairs.
    void OnField();
    void OnReset();

    // Counters that may be watched from another thread while the board steps.
    std::uint64_t FramesEncoded() const { return framesEncoded_.load(); }
    std::uint64_t VideoBytes() const { return produced_[0].load(); }
    std::uint64_t AudioBytes() const { return produced_[1].load(); }
    bool VideoRunning() const { return state_ == State::Running; }
    const std::string& LastError() const { return error_; }

private:
    enum class State { Idle, Running, Paused, Finished };
    struct OutputQueue {
        std::vector<std::uint8_t> bytes;
        std::size_t read = 0;
        std::uint32_t fillOffset = 0;
        std::size_t queuedAfterFill = 0;  // pairs the host had queued after the last fill
        int filledSinceReturn = 0;        // pairs filled since the host last handed some back
    };

    void StartVideo(bool compress);
    void StopVideo();
    void StartAudio();
    void StopAudio();
    void EncodeLiveFrame();
    bool EncodeSourceFrame();
    void ProduceAudio();
    bool ReversedAudio() const;
    void TakeEncodedBytes();
    void WriteIndexEntries();
    void Fill(std::uint32_t stream);
    bool TakeInput(std::uint8_t* destination, std::size_t bytes);

    SoftBoard& board_;
    std::unique_ptr<EncoderProgram> program_;
    std::unique_ptr<VideoEncoder> video_;
    State state_ = State::Idle;
    bool compress_ = false;
    std::uint32_t framesLeft_ = 0;
    bool secondField_ = false;
    std::atomic<std::uint64_t> framesEncoded_{0};
    std::uint64_t fieldClock_ = 0;
    std::string error_;

    bool audioOn_ = false;
    PcmTone tone_;

    OutputQueue outputs_[2];
    std::atomic<std::uint64_t> produced_[2]{};  // bytes handed to the host, video and audio
    std::deque<PictureUnit> units_;
    std::uint32_t ringWrite_ = 0;
    std::uint32_t groupNumber_ = 0;

    std::uint32_t inputHead_ = 0;  // bytes of the front input pair already taken
    std::vector<std::uint8_t> fields_;
    std::vector<std::uint8_t> sourceFrame_;
    SwsContext* scaler_ = nullptr;
};

}  // namespace softboard
