// The board's video channels A and B (inputs 0 and 1) as the control application drives them: a
// play-range word starts a channel on the clip that follows it in the input, from a given field
// counter and at a given field-clock time (or parked on its first picture); freeze, resume,
// speed and trick-mode words and field or frame steps change how the field counter moves. The
// channel pulls its input picture by picture as it shows them, so a frozen channel stops
// consuming. MPEG-2 pictures are told apart by their start codes and ordered by their temporal
// references; DV frames by their size. Channel A also decodes what it shows into output 5 when a
// decode range is set.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "picture_decoder.h"

namespace softboard {

class StreamHost;
class BoardStreaming;
struct DecodedCommand;

// Splits an MPEG video elementary stream fed piece by piece into coded pictures, each with the
// sequence and group headers in front of it.
class CodedPictureSplitter {
public:
    struct Picture {
        std::vector<std::uint8_t> bytes;
        int temporalReference = 0;
        std::uint8_t type = 0;  // 1 I, 2 P, 3 B
        bool groupStart = false;  // a sequence or group header precedes it
    };
    void Add(const std::uint8_t* data, std::size_t bytes);
    // The next complete picture; at the end of the stream also the last one.
    std::optional<Picture> Next(bool atEnd);
    void Clear() { *this = {}; }
    bool Empty() const { return buffer_.empty(); }

private:
    std::vector<std::uint8_t> buffer_;  // from the current picture's first header
    std::size_t scan_ = 0;
    std::ptrdiff_t pictureAt_ = -1;
    bool headerSeen_ = false;
    std::optional<Picture> Cut(std::size_t end);
};

class VideoChannels {
public:
    VideoChannels(StreamHost& board, BoardStreaming& streaming);
    ~VideoChannels();

    // True once a play-range word has started the channel of this input: it then takes its own
    // input; until then the input is consumed at the stream's rate as for any other.
    bool Active(std::uint32_t stream) const;
    // Commands whose time word is no board time code: the decode range words (fields of channel
    // A's counter) are taken on arrival; channel words scheduled at a field-clock value are due
    // once the clock reaches it. Nothing for commands that are not the channels'.
    bool TakesOnArrival(const DecodedCommand& command) const;
    std::optional<bool> Due(const DecodedCommand& command, std::uint32_t fieldClock) const;
    void OnCommand(const DecodedCommand& command);
    // One field: the channels move, their status words are written, decoded fields are queued.
    void OnInterrupt(std::uint32_t fieldClock);
    void OnReset();

    // Output 5's bytes not yet handed to the host.
    std::deque<std::uint8_t>& DecodedBytes() { return decoded_; }

private:
    struct Channel;
    void PlayRange(Channel& channel, const DecodedCommand& command);
    void Advance(Channel& channel, std::uint32_t fieldClock);
    void Show(Channel& channel, std::uint32_t counter);
    enum class Have { Yes, Hole, No };
    Have Ensure(Channel& channel, std::int64_t displayIndex);
    bool PullMpeg(Channel& channel);
    void AddMpegBytes(Channel& channel, std::vector<std::uint8_t> bytes);
    bool PullDv(Channel& channel, std::int64_t displayIndex);
    void FeedPictures(Channel& channel, bool endOfInput);
    void EndOfInput(Channel& channel);
    void WriteStatus(const Channel& channel);
    // Decode to file.
    void QueueField(Channel& channel, std::uint32_t counter);
    void EmitFields(Channel& channel, bool finishing);
    void FinishDecoding(Channel& channel);

    StreamHost& board_;
    BoardStreaming& streaming_;
    std::unique_ptr<Channel> channels_[2];

    struct DecodeRange {
        bool armed = false;
        std::uint32_t from = 0;
        std::uint32_t to = 0xFFFFFFFF;
        int width = 720;
        int fieldLines = 240;
        std::optional<std::uint32_t> lastQueued;
    } range_;
    struct PendingField {
        std::int64_t displayIndex;
        int parity;
    };
    std::deque<PendingField> pending_;
    std::deque<std::uint8_t> decoded_;
};

}  // namespace softboard
