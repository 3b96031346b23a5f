// The command words the panels send to the board: opcode in bits 16-31, stream in bits 8-15, count
// of parameter words in bits 0-7. Preceded on a line by a time word: kNow (0x0) for playback
// commands, kImmediate (0xffffffff) for record and device commands, or a packed time code.
#pragma once

#include <cstdint>

namespace velmar::command_word {

inline constexpr std::uint32_t kNow = 0x0;
inline constexpr std::uint32_t kImmediate = 0xFFFFFFFF;

constexpr std::uint32_t Make(std::uint32_t opcode, std::uint32_t stream, std::uint32_t count) {
    return (opcode << 16) | ((stream & 0xFF) << 8) | (count & 0xFF);
}
constexpr std::uint32_t Opcode(std::uint32_t word) { return word >> 16; }
constexpr std::uint32_t Stream(std::uint32_t word) { return (word >> 8) & 0xFF; }
constexpr std::uint32_t Count(std::uint32_t word) { return word & 0xFF; }

// Playback.
inline constexpr std::uint32_t kPlayRange = 0x93;        // streams 0, 1; start, end, mode; with "-L"
inline constexpr std::uint32_t kSpeed = 0x94;            // streams 0, 1; mode, value
inline constexpr std::uint32_t kStep = 0x95;             // streams 0, 1; direction
inline constexpr std::uint32_t kResume = 0x96;           // streams 0, 1, 0x10, 0x21
inline constexpr std::uint32_t kFreeze = 0x9E;           // streams 0, 1, 0x11, 0x20, 0xf
inline constexpr std::uint32_t kOutputSource = 0x9C;     // streams 0, 1, 0x10, 0x11, 0x20, 0x21
inline constexpr std::uint32_t kKeyedTransition = 0x9B;  // alpha: streams 0, 1
inline constexpr std::uint32_t kFlush = 0x9F;            // streams 3, 5, 6, 0xf
inline constexpr std::uint32_t kAudioPlay = 0x98;        // streams 3, 7
inline constexpr std::uint32_t kAudioOnOff = 0x99;       // streams 3, 7
inline constexpr std::uint32_t kDvAudioSetup = 0x9A;     // stream 0xf
inline constexpr std::uint32_t kDvRecordSetup = 0x90;    // stream 0xf; DV record and reference
// Devices and formats.
inline constexpr std::uint32_t kDeviceMessage = 0x09;    // stream 0; a message to a device on the bus
inline constexpr std::uint32_t kSourceFormat = 0x0B;     // streams 2, 0x25
inline constexpr std::uint32_t kSourceFrameCount = 0x10;
inline constexpr std::uint32_t kDecodeToFile = 0x0C;     // stream 0x25
inline constexpr std::uint32_t kAudioPath = 0x0D;        // streams 1, 3
// Record control (stream 0 video, 1 audio).
inline constexpr std::uint32_t kRecordStart = 0x8001;
inline constexpr std::uint32_t kRecordStop = 0x8002;
inline constexpr std::uint32_t kRecordPause = 0x8003;
inline constexpr std::uint32_t kRecordResume = 0x8004;

}  // namespace velmar::command_word
