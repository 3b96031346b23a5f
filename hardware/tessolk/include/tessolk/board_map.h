// The host-visible map of the board: offsets into the common buffer (`BoardWindow`), board
// register and memory addresses, and the words the software board and its microcode agree on.
// Every side (driver, software board, command library, control application) takes them from here.
#pragma once

#include <atomic>
#include <cstdint>

namespace board_map {

// ---- Board address space (qrddReadInt32 / qrddWriteInt32 / block transfers) ----
// Every register and memory word lies below this bound; anything above is not on the board.
inline constexpr std::uint32_t kBoardAddressSpace = 0x1000000;

inline constexpr std::uint32_t kAreaAddressRegisters = 0x40000;  // CBE, CBO, MBE, MBO at +0, +4, +8, +0xC
inline constexpr std::uint32_t kNeverWrittenByByteLists = 0x40028;

inline constexpr std::uint32_t kControlRegister = 0xFC0000;
inline constexpr std::uint32_t kControlStart = 0xFFFFFFFE;
inline constexpr std::uint32_t kControlReset = 7;
inline constexpr std::uint32_t kResetCompanionA = 0xFC0600;  // always written with 21
inline constexpr std::uint32_t kResetCompanionAValue = 21;
inline constexpr std::uint32_t kResetCompanionB = 0xFC0610;  // always written with 0
inline constexpr std::uint32_t kResetCompanionBValue = 0;

inline constexpr std::uint32_t kReferenceControl = 0xFC0A00;
inline constexpr std::uint32_t kReferenceOnBit = 0x10;
inline constexpr std::uint32_t kI2cLines = 0xFC0A08;

// What the running microcode makes of the board: role << 16 | format << 8 | standard, 0 = none.
inline constexpr std::uint32_t kBoardIdentityRegister = 0xFC0A40;

// Bases added by the access keywords "RMEM" and "CBUSReg".
inline constexpr std::uint32_t kRmemBase = 0xFE0000;
inline constexpr std::uint32_t kCbusRegBase = 0xFC0000;

// ---- BoardWindow (common buffer) offsets, all words u32 little-endian ----
inline constexpr std::uint32_t kWindowSize = 0x1000000;
inline constexpr std::uint32_t kCommandPacket = 0x0000;
inline constexpr std::uint32_t kPacketReadyFlag = 0x1000;
inline constexpr std::uint32_t kFirstAreaOffsetWord = 0x1008;
inline constexpr std::uint32_t kFirstAreaOffset = 0x8000;
inline constexpr std::uint32_t kCommandDoneWord = 0x1010;
inline constexpr std::uint32_t kAreaSizes = 0x1114;  // CBE, CBO, MBE, MBO
inline constexpr std::uint32_t kStreamProgressTable = 0x1124;  // 32 entries of two words
inline constexpr std::uint32_t kBoardTypeWord = 0x1324;
inline constexpr std::uint32_t kFrameSourceDescriptor = 0x1364;
inline constexpr std::uint32_t kAudioRateStep = 0x1384;
inline constexpr std::uint32_t kQueueSlotFlags[4] = {0x138C, 0x1394, 0x139C, 0x13AC};
inline constexpr std::uint32_t kChannelAStatus = 0x13C8;
inline constexpr std::uint32_t kChannelBStatus = 0x1558;
inline constexpr std::uint32_t kRecordStatus = 0x16D4;
inline constexpr std::uint32_t kRecordTimecode = 0x1864;
inline constexpr std::uint32_t kDiskOverrunCounter = 0x1D14;
inline constexpr std::uint32_t kEncoderIndexRing = 0x1DA4;

// Stream progress table: one entry of two words per stream, inputs from entry 0 and outputs from
// entry 16. Inputs count the pairs consumed in word 0; outputs count the pairs filled in word 0
// and hold the next fill position in word 1.
inline constexpr std::uint32_t kProgressEntries = 32;
inline constexpr std::uint32_t kFirstOutputEntry = 16;
inline constexpr std::uint32_t kAudioProgressEntry = 3;  // the audio input: {pairs, bytes} of its buffer
inline constexpr std::uint32_t ProgressWordOffset(std::uint32_t entry, std::uint32_t word) {
    return kStreamProgressTable + 8 * entry + 4 * word;
}

// Within a channel status block (kChannelAStatus, kChannelBStatus): the board's field clock, the
// field counter of the picture shown (runs while the channel plays) and, in the top byte of the
// word at +40, the shown picture's coding type.
inline constexpr std::uint32_t kStatusFieldClock = 4;
inline constexpr std::uint32_t kStatusFieldCounter = 8;
inline constexpr std::uint32_t kStatusPictureTypeWord = 40;
inline constexpr std::uint32_t kStatusPictureTypeByte = 43;

// The record block's counter runs down from -16 while a DV recording runs.
inline constexpr std::uint32_t kRecordCounter = kRecordStatus + 8;
// Audio and alpha words the panel shows positions from.
inline constexpr std::uint32_t kAudioBaseWord = 0x1230;
inline constexpr std::uint32_t kAlphaStopWord = 0x13C0;
inline constexpr std::uint32_t kAlphaCounterWord = 0x1550;
// The software board's mix of channels A and B (softboard/mix_follower.h): bit 0 channel B on air,
// bit 1 a keyed transition runs, bit 2 the last transition was keyed, bits 8-15 and 16-23 how often
// A and B took a queued clip.
inline constexpr std::uint32_t kMixStatusWord = 0x1554;

// EncoderIndexRing: word 0 the board's write index (kIndexRingNone: nothing written yet), word 1
// the host's read index, entries of two words from word 2; indices step by 2 and wrap to 0 at
// kIndexRingWrap. An entry's first word is below kIndexGroupStartBelow where a group starts.
inline constexpr std::uint32_t kIndexRingWrite = kEncoderIndexRing;
inline constexpr std::uint32_t kIndexRingRead = kEncoderIndexRing + 4;
inline constexpr std::uint32_t kIndexRingNone = 200;
inline constexpr std::uint32_t kIndexRingWrap = 126;
inline constexpr std::uint32_t kIndexGroupStartBelow = 0x10000000;
inline constexpr std::uint32_t IndexRingWordOffset(std::uint32_t index) { return kEncoderIndexRing + 4 * (index + 2); }

// The status area: every word above that the board changes on its own and the panels show.
// A panel copies it whole once per tick.
inline constexpr std::uint32_t kStatusAreaBegin = kStreamProgressTable;
// The record panel shows the time code block's VITC (word 3) too.
inline constexpr std::uint32_t kStatusAreaEnd = kRecordTimecode + 16;

inline constexpr std::uint32_t kNewerBoardType = 0x8120;
inline constexpr std::uint32_t kDefaultPacketSize = 0x1000;

// One word of a mapped window, read and written whole: the board and the host change the window
// under one another.
inline std::atomic_ref<std::uint32_t> WindowWord(std::uint8_t* window, std::uint32_t offset) {
    return std::atomic_ref<std::uint32_t>(*reinterpret_cast<std::uint32_t*>(window + offset));
}

// Sets the coding type of the picture a channel shows (the top byte of its status word at +40),
// keeping the word's other bytes.
inline void SetShownPictureType(std::uint8_t* window, std::uint32_t status, std::uint8_t type) {
    auto word = WindowWord(window, status + kStatusPictureTypeWord);
    word.store((word.load() & 0x00FFFFFFu) | std::uint32_t{type} << 24);
}

// ---- Microcode descriptor ----
// Every microcode file carries, in its bulk data, a small descriptor at this board address that
// tells the software board what the loaded microcode makes it.
inline constexpr std::uint32_t kMicrocodeDescriptorAddress = 0x100000;
inline constexpr std::uint32_t kMicrocodeDescriptorMagic = 0x564D4344;  // "VMCD" as a big-endian word
inline constexpr std::uint32_t kMicrocodeDescriptorBytes = 16;          // magic, role, format, standard

enum class BoardRole : std::uint32_t { None = 0, Decoder = 1, Encoder = 2 };
enum class StreamFormat : std::uint32_t { None = 0, Mpeg2_422 = 1, Mpeg2_420 = 2, Mpeg1 = 3 };
enum class TvStandard : std::uint32_t { Ntsc = 0, Pal = 1 };

inline constexpr std::uint32_t PackIdentity(BoardRole role, StreamFormat format, TvStandard standard) {
    return static_cast<std::uint32_t>(role) << 16 | static_cast<std::uint32_t>(format) << 8 |
           static_cast<std::uint32_t>(standard);
}

}  // namespace board_map
