// How the software board mixes its two video channels: it follows the alpha stream fed on input
// stream 2 frame by frame, takes the output-source, keyed-transition, resume and freeze words of
// the channels at the fields their time words name, and tells which channel is on air.
//
// Time words of these commands count fields of the board's field clock (0 and 0xFFFFFFFF: at
// once), as the panel's transition and play-list schedule computes them. Resume and freeze name
// their channel in the low nibble of the stream byte (0 A, 1 B). Output-source words name it in
// the high nibble when it is set (0x1x A, 0x2x B, the play list's variants), else in the low one;
// a list word whose two nibbles disagree (0x20, 0x11) ends the span of a keyed transition: the
// key is released with its target on air. A keyed transition otherwise shows one alpha frame a
// field and ends when the stream has no frame left.
//
// The play list's words (stream bytes with a high nibble, a keyed transition of mode 1 or 2)
// count fields on a list clock of one channel: high nibble or mode 2 on channel A's, 1 on
// channel B's. Each channel's clock starts at the start field of its own list play range and
// counts the fields the channel plays: it stands while the channel is frozen, so an entry queued
// behind a frozen one keeps the times the list reckoned from the lengths played. Until a list
// starts them, both clocks read the board's field clock.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "board_commands/command_words.h"

namespace softboard {

// A decoded command as far as the mix cares.
struct MixCommand {
    std::uint32_t time = 0;
    std::uint32_t opcode = 0;
    std::uint32_t stream = 0;
    std::vector<std::uint32_t> parameters;
    // Which clock `time` counts: -1 the board's field clock, 0 channel A's list clock, 1 B's.
    int clock = -1;
};

// One channel's list clock: fields played since its origin, less the fields it stood frozen.
class ListClock {
public:
    // Reads the board's field clock until started.
    ListClock() = default;
    void Start(std::uint64_t origin) { *this = ListClock(); origin_ = origin; }
    // Not running until Start(): words on it wait.
    void Stop() { *this = ListClock(); running_ = false; }
    void Freeze(std::uint64_t field);
    void Resume(std::uint64_t field);
    // The clock at `field`; empty before its origin or when stopped.
    std::optional<std::uint64_t> Value(std::uint64_t field) const;

private:
    bool running_ = true;
    std::uint64_t origin_ = 0;
    std::uint64_t held_ = 0;  // fields frozen since the origin
    bool frozen_ = false;
    std::uint64_t frozenAt_ = 0;
};

// What happened at a field, for the status words and for whoever watches the roll.
struct MixEvent {
    enum Kind { Cut, KeyedStart, KeyedEnd, Resume, Freeze };
    std::uint64_t field = 0;
    Kind kind = Cut;
    int channel = 0;
    bool operator==(const MixEvent&) const = default;
};

// Counts the alpha frames of a stream fed piece by piece: each frame is found by its marker word
// ("CCBA", or "ABCC" in a word-reversed copy) and skipped by its padded length.
class AlphaFrameCounter {
public:
    void Feed(const std::uint8_t* data, std::size_t bytes);
    std::uint64_t Frames() const { return frames_; }
    void Reset() { *this = AlphaFrameCounter(); }
    // The next byte starts a frame (what was left of the stream before was dropped); the frames
    // counted so far stay.
    void StartStream() {
        headerBytes_ = 0;
        skip_ = 0;
        lost_ = false;
    }

private:
    std::uint8_t header_[8] = {};
    std::size_t headerBytes_ = 0;
    std::uint64_t skip_ = 0;  // bytes of the current frame still to pass
    std::uint64_t frames_ = 0;
    bool lost_ = false;       // a frame did not start with a marker: count nothing more
};

class MixFollower {
public:
    // The words the mix follows, by the catalogue's names.
    static constexpr std::uint32_t kOpResume = board_commands::kResume;
    static constexpr std::uint32_t kOpFreeze = board_commands::kFreeze;
    static constexpr std::uint32_t kOpOutputSource = board_commands::kOutputSource;
    static constexpr std::uint32_t kOpKeyedTransition = board_commands::kKeyedTransition;
    static constexpr std::uint32_t kOpFlush = board_commands::kFlush;
    static constexpr std::uint32_t kOpPlayRange = board_commands::kPlayRange;

    // Every command the board decodes; the mix takes its own and ignores the rest.
    void OnCommand(const MixCommand& command);
    // Bytes of input stream 2 as the board consumes them.
    void OnAlphaBytes(const std::uint8_t* data, std::size_t bytes) { alpha_.Feed(data, bytes); }
    // Input stream 2's queued bytes were dropped: a new stream follows.
    void OnAlphaRestart() { alpha_.StartStream(); }
    // One field: runs the commands due at `fieldClock` and shows the next alpha frame of a keyed
    // transition.
    void OnField(std::uint64_t fieldClock);
    void Reset();

    int OnAir() const { return onAir_; }
    bool Keyed() const { return keyedActive_; }
    // Alpha frames shown by the transitions so far (the board's alpha counter).
    std::uint32_t AlphaCounter() const { return alphaCounter_; }
    // The status word: bit 0 channel B on air, bit 1 a keyed transition runs, bit 2 the last
    // transition was keyed, bits 8-15 and 16-23 how often A and B resumed (took a queued clip).
    std::uint32_t StatusWord() const;
    const std::vector<MixEvent>& Events() const { return events_; }

private:
    void Run(const MixCommand& command, std::uint64_t field);
    void StartKeyed(int target, std::uint64_t field);
    void FinishKeyed(std::uint64_t field);
    bool Due(const MixCommand& command, std::uint64_t field) const;

    std::vector<MixCommand> waiting_;
    AlphaFrameCounter alpha_;
    std::vector<MixEvent> events_;
    int onAir_ = 0;
    bool keyedActive_ = false;
    bool lastKeyed_ = false;
    int keyedTarget_ = 0;
    std::uint64_t keyedFramesShown_ = 0;
    std::uint64_t alphaFramesUsed_ = 0;  // frames of the stream earlier transitions took
    std::uint32_t alphaCounter_ = 0;
    std::uint32_t resumes_[2] = {0, 0};
    std::uint64_t now_ = 0;
    ListClock clocks_[2];
};

}  // namespace softboard
