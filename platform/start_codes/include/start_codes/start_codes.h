// MPEG start codes, of video streams and of program streams: a zero byte, a zero byte, a one byte,
// then the code. Streams put them anywhere, so they are searched byte by byte, never only at word
// boundaries. Every program that looks for one takes its code from here.
#pragma once

#include <cstddef>
#include <cstdint>

namespace start_codes {

// Video elementary stream.
inline constexpr std::uint8_t kPicture = 0x00;
inline constexpr std::uint8_t kSequenceHeader = 0xB3;
inline constexpr std::uint8_t kExtension = 0xB5;
inline constexpr std::uint8_t kSequenceEnd = 0xB7;
inline constexpr std::uint8_t kGroup = 0xB8;
// Program stream.
inline constexpr std::uint8_t kProgramEnd = 0xB9;
inline constexpr std::uint8_t kPack = 0xBA;
inline constexpr std::uint8_t kSystemHeader = 0xBB;

// The four bytes 00 00 01 <code> read as a big-endian word: 0x000001B3 for a sequence header. A
// little-endian read of a file stored with every word byte-reversed gives the same word.
constexpr std::uint32_t BigEndianWord(std::uint8_t code) { return 0x00000100u | code; }
// The same four bytes read as a little-endian word, as the board's files are checked: 0xB3010000.
constexpr std::uint32_t LittleEndianWord(std::uint8_t code) { return std::uint32_t{code} << 24 | 0x00010000u; }

// The offset of the first start code at or after `from` whose code byte lies inside the buffer;
// `size` when there is none.
std::size_t FindStartCode(const std::uint8_t* data, std::size_t size, std::size_t from = 0);

// A start code met in a stream: the offset of its first zero byte and the code. For a picture
// start code, `next` holds the two bytes after it (temporal reference and coding type).
struct StartCode {
    std::uint64_t offset = 0;
    std::uint8_t code = 0;
    std::uint8_t next[2] = {};
};

inline int TemporalReference(const StartCode& picture) { return picture.next[0] << 2 | picture.next[1] >> 6; }
inline int CodingType(const StartCode& picture) { return (picture.next[1] >> 3) & 7; }

// Follows a stream that arrives in pieces: a start code split between two pieces is still found.
// Every code is handed over as soon as its code byte has arrived, except a picture's, which waits
// for the two bytes after it.
class StartCodeScanner {
public:
    template <class OnCode>
    void Feed(const std::uint8_t* data, std::size_t bytes, OnCode&& onCode) {
        std::size_t i = 0;
        while (i < bytes) {
            // Between codes, jump to the next one with the buffer search: byte steps cost the
            // software board most of its time. Stepping resumes at the code byte, so the last
            // four bytes are rebuilt from this piece; a piece's first bytes, a picture's two
            // bytes and a code cut by the piece's end go byte by byte.
            if (pictureBytesDue_ == 0 && i >= 4 && bytes - i > 8) {
                const std::size_t at = FindStartCode(data, bytes, i - 3);
                const std::size_t to = at < bytes ? at + 3 : bytes - 3;
                if (to > i) {
                    offset_ += to - i;
                    i = to;
                    recent_ = std::uint32_t{data[i - 4]} << 24 | std::uint32_t{data[i - 3]} << 16 |
                              std::uint32_t{data[i - 2]} << 8 | data[i - 1];
                }
            }
            Step(data[i++], onCode);
        }
    }
    // Bytes fed so far.
    std::uint64_t Offset() const { return offset_; }

private:
    template <class OnCode>
    void Step(std::uint8_t b, OnCode& onCode) {
        if (pictureBytesDue_ > 0) {
            picture_.next[2 - pictureBytesDue_] = b;
            if (--pictureBytesDue_ == 0) onCode(static_cast<const StartCode&>(picture_));
        }
        recent_ = recent_ << 8 | b;
        ++offset_;
        if ((recent_ & 0xFFFFFF00u) != 0x00000100u) return;
        const StartCode found{offset_ - 4, b, {}};
        if (b == kPicture) {
            picture_ = found;
            pictureBytesDue_ = 2;
        } else {
            onCode(found);
        }
    }

    std::uint32_t recent_ = 0xFFFFFFFF;  // the last four bytes seen
    std::uint64_t offset_ = 0;
    StartCode picture_;
    int pictureBytesDue_ = 0;
};

}  // namespace start_codes
