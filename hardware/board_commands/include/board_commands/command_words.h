// The command words the host sends to the board and the board decodes: opcode in bits 16-31,
// stream in bits 8-15, count of parameter words in bits 0-7. On a line each word follows a time
// word: kPlaybackTime for the playback panel's "-p" commands, kImmediate for record and device
// commands, or a packed time code for a command that waits for its time.
#pragma once

#include <cstdint>

namespace board_commands {

// The time word of a playback command sent at once ("-p 0x0").
inline constexpr std::uint32_t kPlaybackTime = 0x0;
// The time word of a record or device command sent at once; as a start parameter of a play range,
// "start at once".
inline constexpr std::uint32_t kImmediate = 0xFFFFFFFF;

constexpr std::uint32_t Make(std::uint32_t opcode, std::uint32_t stream, std::uint32_t count) {
    return (opcode << 16) | ((stream & 0xFF) << 8) | (count & 0xFF);
}
constexpr std::uint32_t Opcode(std::uint32_t word) { return word >> 16; }
constexpr std::uint32_t Stream(std::uint32_t word) { return (word >> 8) & 0xFF; }
constexpr std::uint32_t Count(std::uint32_t word) { return word & 0xFF; }

// ---- Opcodes ----
// Playback.
inline constexpr std::uint32_t kDvRecordSetup = 0x90;    // stream 0xf; DV record and reference
inline constexpr std::uint32_t kPlayRange = 0x93;        // streams 0, 1; four parameters; with "-L"
inline constexpr std::uint32_t kSpeed = 0x94;            // streams 0, 1; mode, value
inline constexpr std::uint32_t kStep = 0x95;             // streams 0, 1; direction
inline constexpr std::uint32_t kResume = 0x96;           // streams 0, 1, 0x10, 0x21
inline constexpr std::uint32_t kAudioPlay = 0x98;        // streams 3, 7
inline constexpr std::uint32_t kAudioOnOff = 0x99;       // streams 3, 7
inline constexpr std::uint32_t kDvAudioSetup = 0x9A;     // stream 0xf
inline constexpr std::uint32_t kKeyedTransition = 0x9B;  // alpha: streams 0, 1
inline constexpr std::uint32_t kOutputSource = 0x9C;     // streams 0, 1, 0x10, 0x11, 0x20, 0x21
inline constexpr std::uint32_t kFreeze = 0x9E;           // streams 0, 1, 0x11, 0x20, 0xf
inline constexpr std::uint32_t kFlush = 0x9F;            // streams 3, 5, 6, 0xf
// Devices and formats.
inline constexpr std::uint32_t kDeviceMessage = 0x09;    // stream 0; a message to a device on the bus
inline constexpr std::uint32_t kSourceFormat = 0x0B;     // streams 2, 0x25
inline constexpr std::uint32_t kDecodeToFile = 0x0C;     // stream 0x25
inline constexpr std::uint32_t kAudioPath = 0x0D;        // streams 1, 3
inline constexpr std::uint32_t kSourceFrameCount = 0x10;
// Record control (stream 0 video, 1 audio).
inline constexpr std::uint32_t kRecordStart = 0x8001;
inline constexpr std::uint32_t kRecordStop = 0x8002;
inline constexpr std::uint32_t kRecordPause = 0x8003;
inline constexpr std::uint32_t kRecordResume = 0x8004;
// Encoder parameters.
inline constexpr std::uint32_t kClosedGop = 0xA002;
inline constexpr std::uint32_t kSceneChange = 0xA004;
inline constexpr std::uint32_t kBitRate = 0xA00D;
inline constexpr std::uint32_t kRateControl = 0xA10D;
inline constexpr std::uint32_t kEncoderStartWord = 0xA10B;  // sent once as the record panel starts
inline constexpr std::uint32_t kVerticalSize = 0xB111;
inline constexpr std::uint32_t kHorizontalSize = 0xB113;
inline constexpr std::uint32_t kGop = 0xC117;
inline constexpr std::uint32_t kFilters = 0xC119;
inline constexpr std::uint32_t kEncoderReference = 0xB115;  // last word 1 while the reference runs

// The mailbox packet's own opcodes, which the service loop writes and the board takes.
inline constexpr std::uint32_t kPacketAudioIn = 3;        // "Ain"
inline constexpr std::uint32_t kPacketAudioOut = 4;       // "Aout"
inline constexpr std::uint32_t kPacketBufferPair = 5;     // "bufferpair": an input's refilled pair
inline constexpr std::uint32_t kPacketOutBufferPair = 6;  // "BOutBufferpair": an output's drained pair

// ---- Streams ----
inline constexpr std::uint32_t kVideoA = 0;
inline constexpr std::uint32_t kVideoB = 1;
inline constexpr std::uint32_t kRecordVideo = 0;
inline constexpr std::uint32_t kRecordAudio = 1;
inline constexpr std::uint32_t kAlphaInput = 2;     // playback: the alpha stream
inline constexpr std::uint32_t kCompressInput = 2;  // record: the pictures to compress from file
inline constexpr std::uint32_t kAudioInput = 3;
inline constexpr std::uint32_t kDecodeOutput = 5;
inline constexpr std::uint32_t kDvOutput = 6;
inline constexpr std::uint32_t kDvAudioOutput = 7;
inline constexpr std::uint32_t kAllStreams = 0xF;  // flush and freeze of every stream; DV set-up
inline constexpr std::uint32_t kDecodeStream = 0x25;
// The play list's variants of the channel words: the high nibble names the list's channel (1 A,
// 2 B), the low one the video stream the word acts on.
constexpr std::uint32_t ListStream(std::uint32_t listChannel, std::uint32_t video) {
    return (listChannel + 1) << 4 | video;
}

// ---- Registers the host writes by command line ("mwr") ----
// The host's register block, cleared before the microcode loads; the two registers below lie in it.
inline constexpr std::uint32_t kHostRegisterBlockFirst = 0x40000;
inline constexpr std::uint32_t kHostRegisterBlockLast = 0x4003F;
inline constexpr std::uint32_t kCompressFromFileRegister = 0x40030;  // 1 while the encoder reads a file
inline constexpr std::uint32_t kNewerBoardRegister = 0x40038;        // 1 on the newer board
inline constexpr std::uint32_t kI2cRegister = 0xFC0A08;              // the I2C bus lines, read back by line
inline constexpr std::uint32_t kMicrocodeClearRegisters[2] = {0x410C0, 0x411C0};
inline constexpr std::uint32_t k420ClearRegisters[2] = {0x7E9A00, 0x7E9B00};

}  // namespace board_commands
