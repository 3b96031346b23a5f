// The board's audio input (input 3) as the playback panel drives it: the group 0x40 bus byte sets
// the sample rate (bits 0-1: 2 48 kHz, 1 44.1 kHz, 0 32 kHz), the audio play word (0x98) starts
// it at a field-clock time or now, the on/off word (0x99: 1 off, 0 on) pauses and resumes it and
// the stream's flush (0x9f) drops what it holds. While it plays it takes 16-bit stereo bytes at the
// sample rate, one interrupt's worth each field; the service loop has already applied the
// variable-speed step (each frame twice at 512, every other at 128), so the board's pace in file
// time follows the step. Until the first audio word arrives the input is consumed like any other.
#pragma once

#include <cstdint>
#include <optional>

namespace softboard {

class StreamHost;
class BoardStreaming;
struct DecodedCommand;

class AudioInput {
public:
    static constexpr std::uint32_t kStream = 3;
    // Bytes the board fetches ahead of what it plays when it starts: the progress it reports
    // includes them, and the panel's display takes them off again.
    static constexpr std::uint32_t kPrefetchBytes = 102392;

    AudioInput(StreamHost& board, BoardStreaming& streaming, int interruptPeriodMs);

    // Whether the input is the audio's (an audio word has arrived since the last reset).
    bool Claims(std::uint32_t stream) const { return stream == kStream && armed_; }
    // Words scheduled at a field-clock value are due once the clock reaches it; nothing for
    // words that are not the audio's.
    std::optional<bool> Due(const DecodedCommand& command, std::uint32_t fieldClock) const;
    void OnCommand(const DecodedCommand& command);
    void OnInterrupt(std::uint32_t fieldClock, bool asFastAsPossible);
    void OnReset();

    int SampleRate() const;
    bool Playing() const { return playing_ && !off_; }
    std::uint64_t BytesTaken() const { return taken_; }

private:
    static bool IsAudioWord(const DecodedCommand& command);
    void ReportProgress();

    StreamHost& board_;
    BoardStreaming& streaming_;
    const int periodMs_;
    int rateCode_ = 2;
    bool armed_ = false;
    bool playing_ = false;
    bool off_ = false;
    std::uint32_t startAt_ = 0xFFFFFFFF;  // field clock the play word starts at
    bool prefetchDue_ = false;
    std::uint64_t carry_ = 0;   // sub-byte remainder of the pace, in 1/1000 bytes
    std::uint64_t taken_ = 0;   // bytes taken since the play word
};

}  // namespace softboard
