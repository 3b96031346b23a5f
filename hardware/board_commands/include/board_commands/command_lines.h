// The command lines the host sends through the board command library, rendered from the command
// words. Their text is what the board and the operators' command logs see, byte for byte: where the
// panels write two blanks or a bare "0" the function says so, and callers keep to the function.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "board_commands/command_words.h"

namespace board_commands {

// "0x%x": a parameter word as the lines write it.
std::string Hex(std::uint32_t value);

// ---- Command words ("mwcmd -p" at once, "mwcmd -s" at a time) ----
// "mwcmd -p 0x0 0x<word>[ <params>]": a playback command at once.
std::string SendNow(std::uint32_t word, std::string_view params = {});
// "mwcmd -p 0x0  0x<word> <params>": as SendNow, with the two blanks the speed changes and the keyed
// transition outside a play list are written with.
std::string SendNowWide(std::uint32_t word, std::string_view params);
// "mwcmd -s 0x<time> 0x<word>[ <params>]": a command that waits for its time.
std::string SendAt(std::uint32_t time, std::uint32_t word, std::string_view params = {});
// "mwcmd -p 0xffffffff 0x<word>[ <params>]": a record command at once.
std::string SendRecordNow(std::uint32_t word, std::string_view params = {});
// "mwcmd -s 0xffffffff <words>": words as written, at once (devices, encoder parameters).
std::string SendWordsImmediate(std::string_view words);
// "mwcmd -p 0x0 <words>": words as written, at once (set-up words whose text is fixed).
std::string SendWordsNow(std::string_view words);
// "mwcmd -s 0x<time> <words>": words as written, at a time.
std::string SendWordsAt(std::uint32_t time, std::string_view words);

// Video channels A and B (stream 0, 1) and their play list variants.
inline std::string Freeze(std::uint32_t stream) { return SendNow(Make(kFreeze, stream, 0)); }
inline std::string Resume(std::uint32_t stream) { return SendNow(Make(kResume, stream, 0)); }
inline std::string Flush(std::uint32_t stream) { return SendNow(Make(kFlush, stream, 0)); }
inline std::string FreezeAt(std::uint32_t time, std::uint32_t stream) { return SendAt(time, Make(kFreeze, stream, 0)); }
inline std::string ResumeAt(std::uint32_t time, std::uint32_t stream) { return SendAt(time, Make(kResume, stream, 0)); }
inline std::string Step(std::uint32_t stream, std::uint32_t direction) {
    return SendNow(Make(kStep, stream, 1), Hex(direction));
}
// Speed mode 0 plays at `rate` (256 normal); modes 1 (I and P pictures) and 2 (I pictures) trick play.
std::string Rate(std::uint32_t stream, std::uint32_t rate);
std::string Trick(std::uint32_t stream, std::uint32_t trick);
std::string RateAt(std::uint32_t time, std::uint32_t stream, std::uint32_t rate);
std::string TrickAt(std::uint32_t time, std::uint32_t stream, std::uint32_t trick);
// Output source select; the value as the lines write it: "0x1", "1" or "0".
inline std::string SelectSource(std::uint32_t stream, std::string_view value) {
    return SendNow(Make(kOutputSource, stream, 1), value);
}
inline std::string SelectSourceAt(std::uint32_t time, std::uint32_t stream, std::string_view value) {
    return SendAt(time, Make(kOutputSource, stream, 1), value);
}
// A play range with "-L<stream>": four parameter words (kImmediate where a time is "at once").
std::string PlayRange(std::uint32_t stream, std::uint32_t first, std::uint32_t startTime, std::uint32_t startField,
                      std::uint32_t mode);
// The play list's first entry of a channel: a bare "0" third word.
std::string ListPlayRange(std::uint32_t stream, std::uint32_t startField, std::uint32_t mode);
// Keyed transition to `stream` at `time`, its alpha on stream 2 ("-L2").
std::string KeyedTransition(std::uint32_t stream, std::uint32_t time, std::uint32_t mode);
std::string KeyedTransitionWide(std::uint32_t stream, std::uint32_t time, std::uint32_t mode);

// Record control: video (stream 0), audio (stream 1) or both in one line.
inline std::string RecordStartNow(std::uint32_t stream) { return SendRecordNow(Make(kRecordStart, stream, 0)); }
inline std::string RecordStopNow(std::uint32_t stream) { return SendRecordNow(Make(kRecordStop, stream, 1), "0x1"); }
std::string RecordStartBothNow();
std::string RecordStopBothNow();
inline std::string RecordPauseNow() { return SendRecordNow(Make(kRecordPause, kRecordVideo, 0)); }
// Resuming a paused recording goes with the playback time word.
inline std::string RecordResumeNow() { return SendNow(Make(kRecordResume, kRecordVideo, 0)); }
inline std::string RecordAt(std::uint32_t time, std::uint32_t opcode) { return SendAt(time, Make(opcode, kRecordVideo, 0)); }
// An encoder parameter word (stream 0) with its parameters as written, at once.
inline std::string EncoderParameter(std::uint32_t opcode, std::uint32_t count, std::string_view params) {
    return SendAt(kImmediate, Make(opcode, 0, count), params);
}
// The record panel's encoder word at start-up, its word in capitals as the panel has always sent it.
std::string EncoderStart();
// The compress-from-file source on input 2: pixels per line, the source format word as written and
// the frame count.
std::string CompressSource(std::uint32_t pixelsPerLine, std::string_view format, std::uint32_t frames);
// Its source format words: a film strip, 32- and 24-bit Targa, QuickTime.
inline constexpr const char* kSourceFormatFilmStrip = "0x00120000";
inline constexpr const char* kSourceFormatTarga32 = "0x00820200";
inline constexpr const char* kSourceFormatTarga24 = "0x00720000";
inline constexpr const char* kSourceFormatQuickTime = "0x00410200";
// The encoder's vertical size code.
inline std::string VerticalSize(std::uint32_t code) { return SendAt(kImmediate, Make(kVerticalSize, 0, 1), Hex(code)); }

// The audio path of stream 1 (record) or 3 (playback): seven words as written, two blanks after the
// command word.
std::string AudioPath(std::uint32_t stream, std::string_view words);

// The playback panel's audio path, set once at start-up.
inline std::string PlaybackAudioPath() {
    return AudioPath(kAudioInput, "0x01010000 0x01000100 0x0 0x0 0x0 0x0 0x0");
}

// The record panel's audio path, on while the panel runs.
inline std::string RecordAudioPath(bool on) {
    return AudioPath(kRecordAudio, on ? "0x01010000 0x01000101 0xbb80 0x0 0x010001 0x0 0x0"
                                      : "0x01010000 0x01000101 0xbb80 0x0 0x010000 0x0 0x0");
}

// Decode to file (stream 0x25): the format word (width << 16 | field lines) and the decoder's mode
// (kDecodeFromStart, kDecodeFromPause) at `time`, then the decode of its last field.
inline constexpr std::uint32_t kDecodeFromStart = 0x00120000;
inline constexpr std::uint32_t kDecodeFromPause = 0x00120200;
std::string DecodeFormatAt(std::uint32_t time, std::uint32_t format, std::uint32_t mode);
std::string DecodeToFileAt(std::uint32_t time);

// Audio (stream 3, DV audio 7).
std::string AudioPlay(std::uint32_t stream, std::uint32_t startTime);
inline std::string AudioOff(std::uint32_t stream) { return SendNow(Make(kAudioOnOff, stream, 1), "0x1"); }
inline std::string AudioOnAt(std::uint32_t time, std::uint32_t stream) {
    return SendAt(time, Make(kAudioOnOff, stream, 1), "0");
}

// DV record and the reference (stream 0xf): the standard (PAL or not), the DV record and reference
// words, the reference colour and the last word (1 while a DV recording runs).
std::string ReferenceSetup(bool pal, std::uint32_t dvRecord, std::uint32_t reference, std::uint32_t color,
                           std::uint32_t recording);
// The DV recording's frame size word (2 DV25, 4 DV50), with the DV audio output's start where wanted.
std::string DvRecordStart(std::uint32_t size, bool withAudio);
// Freeze of every stream, with the DV audio output's end where it runs.
std::string DvRecordStop(bool withAudio);

// ---- Messages to devices on the board's bus (opcode 0x09, at once) ----
// One byte to a device register: the device word and the register word as the lines write them.
inline constexpr const char* kPortExpander40 = "0x01010001 0x004003E8";  // the audio rate code, among others
inline constexpr const char* kPortExpander42 = "0x01010001 0x004203E8";
inline constexpr const char* kCodecRegister30 = "0x01020001 0x003003E8";
inline constexpr const char* kCodecVolume = "0x01020001 0x003203E8";
inline constexpr const char* kCodecGain = "0x01020001 0x003403E8";
inline constexpr const char* kCodecRegister36 = "0x01020001 0x003603E8";
inline constexpr const char* kCodecRegister38 = "0x01020001 0x003803E8";
inline constexpr const char* kCodecRegister3A = "0x01020001 0x003a03E8";
inline constexpr const char* kCodecRegister3C = "0x01020001 0x003c03E8";
inline constexpr const char* kCodecRegister3E = "0x01020001 0x003e03E8";
inline constexpr const char* kCodecRegister40 = "0x01020001 0x004003E8";
// Several bytes: the input colour (two data words), the reference tables (three), the decoder's
// input selection (one word of two bytes) on either device.
inline constexpr const char* kInputColor48 = "0x01010005 0x004803E8";
inline constexpr const char* kInputColor4A = "0x01010005 0x004A03E8";
inline constexpr const char* kReferenceTable48 = "0x0101000C 0x004803E8";
inline constexpr const char* kReferenceTable4A = "0x0101000C 0x004A03E8";
inline constexpr const char* kInputSelect88 = "0x01010002 0x008803E8";
inline constexpr const char* kCodecInputSelect88 = "0x01020002 0x008803E8";
// The decoder's set-up words per reference source: the tables of groups 0x48 and 0x4A, PAL and NTSC.
struct ReferenceTableWords {
    const char* group48Pal;
    const char* group48Ntsc;
    const char* group4APal;
    const char* group4ANtsc;
};
inline constexpr ReferenceTableWords kCVideoReferenceTables{
    "0x02D82300 0x00001008 0x1879433f", "0x02D82300 0x00001048 0x1879433f", "0x02C03300 0x00E90D18 0x01804740",
    "0x02C03300 0x00E90D58 0x01804740"};
inline constexpr ReferenceTableWords kSvhsReferenceTables{
    "0x02DF2300 0x00001008 0x98804642", "0x02DF2300 0x00001048 0x98804642", "0x02C73300 0x00E90D18 0x81804740",
    "0x02C73300 0x00E90D58 0x81804740"};
inline constexpr ReferenceTableWords kFreeRunReferenceTables{
    "0x02D82300 0x00001006 0x1879433f", "0x02D82300 0x00001046 0x1879433f", "0x02C03300 0x00E90D26 0x01804740",
    "0x02C03300 0x00E90D66 0x01804740"};
// The input selection word: composite video (also the word for every digital source), S-video.
inline constexpr const char* kInputSelectCVideo = "0x5CB20000";
inline constexpr const char* kInputSelectSvhs = "0x5CB00000";
// A data word of zero bytes, written out in full.
inline constexpr const char* kZeroDataWord = "0x00000000";
// "mwcmd -s 0xffffffff 0x00090004 <device register> 0x00000000 0x<value>000000".
std::string DeviceByte(std::string_view deviceRegister, std::uint32_t value);
// The same with the data words as written ("0x00000000" for a zero byte written out in full).
std::string DeviceMessage(std::uint32_t count, std::string_view deviceRegister, std::string_view data);

// ---- Stream file requests ----
// "mwcmd -i<stream>B <options><path>": a file on an input; options end in a blank where given.
std::string InputFile(std::uint32_t stream, std::string_view options, std::string_view path);
// "mwcmd -q<slot> <options><path>": a file queued after the one playing.
std::string QueueFile(int slot, std::string_view options, std::string_view path);
// "mwcmd -o<stream>B <options><path>": an output written to a file.
std::string OutputFile(std::uint32_t stream, std::string_view options, std::string_view path);
// "mwcmd -U<stream>": wait until the output's partial end is written.
std::string OutputEnd(std::uint32_t stream);
// "<path>" with its angle brackets, as the file word of a request.
std::string FileWord(std::string_view path);
// "-O <end high> <end low> <start high> <start low>": the byte range of an input file.
std::string RangeOption(std::uint64_t endOffset, std::uint64_t startOffset);
// "<high> 0x<low>": an offset as two words whose high word is a bare "0" below 4 GiB, as the audio and
// alpha lines write it.
std::string OffsetWords(std::uint64_t offset);

// ---- Clips on the playback inputs ----
// "-R" sends a file whose words are stored in the other byte order; "-l1" plays an input's file
// once, "-l0" without end; "-F" loads the file before the stream starts.
// A video clip on input 0 or 1: "mwcmd -i<stream>B -l1|-l0 <RangeOption> [-R ]-F <path>".
std::string VideoClip(std::uint32_t stream, bool loopForever, std::uint64_t endOffset, std::uint64_t startOffset,
                      bool reversed, std::string_view path);
// A video clip of a play list queued after the one playing: "mwcmd -q<slot> <RangeOption> [-R ]<path>".
std::string QueuedVideoClip(int slot, std::uint64_t endOffset, std::uint64_t startOffset, bool reversed,
                            std::string_view path);
// The black clip a stopped input is parked on, played once: "mwcmd -i<stream>B -l1 [-R ]-F <path>".
std::string ParkingClip(std::uint32_t stream, bool reversed, std::string_view path);
// The alpha stream on input 2, its end offset in two words and its start as OffsetWords:
// "mwcmd -i2B -l1|-l0 -O 0x<end high> 0x<end low> 0 0x<start> [-R ]-F <path>".
std::string AlphaStream(bool loopForever, std::uint64_t endOffset, std::uint64_t startOffset, bool reversed,
                        std::string_view path);
// An alpha stream of a play list queued after the one playing: "mwcmd -q<slot> -O ... [-R ]<path>".
std::string QueuedAlphaStream(int slot, std::uint64_t endOffset, std::uint64_t startOffset, bool reversed,
                              std::string_view path);
// The audio file on input 3, "-R" before the loop count and both offsets as OffsetWords:
// "mwcmd -i3B [-R ]-l1|-l0 -O 0 0x<end> 0 0x<start> -F <path>".
std::string AudioFile(bool loopForever, std::uint64_t endOffset, std::uint64_t startOffset, bool reversed,
                      std::string_view path);
// An audio file of a play list queued after the one playing: "mwcmd -q<slot> [-R ]-O 0 0x<end> 0 0x<start> <path>".
std::string QueuedAudioFile(int slot, std::uint64_t endOffset, std::uint64_t startOffset, bool reversed,
                            std::string_view path);

// ---- Files the board writes or encodes from ----
// A recording into a file: "mwcmd -o<stream>B [-R ]<path>".
std::string OutputToFile(std::uint32_t stream, bool reversed, std::string_view path);
// The decode to file, its fields interleaved into frames ("-I") or written one by one:
// "mwcmd -o5B [-I ]<path>".
std::string DecodeOutput(bool frames, std::string_view path);
// The pictures to compress from a file, frames with their fields interleaved ("-I"):
// "mwcmd -i2B -l1 [-I ]<path>".
std::string CompressInputFile(bool frames, std::string_view path);

// ---- Board start-up and the service loop ----
inline std::string Quit() { return "mquit"; }  // ends the board's service loop
inline std::string Reset() { return "mreset"; }
// "mwrblk -fill 0x<value> 0x<first> 0x<last>": a value into every word of a range of board memory.
std::string FillMemory(std::uint32_t value, std::uint32_t first, std::uint32_t last);
inline std::string ClearHostRegisters() { return FillMemory(0, kHostRegisterBlockFirst, kHostRegisterBlockLast); }
// "mld -first <file>": the microcode a panel runs on, from the run directory's ucode folder.
std::string LoadMicrocode(std::string_view file);
inline constexpr const char* kPlaybackMicrocode = "ucode\\ppdecMain.ux";
inline constexpr const char* kRecord422Microcode = "ucode\\single422_nle.ux";
inline constexpr const char* kRecord422PalMicrocode = "ucode\\single422_pal_nle.ux";
inline constexpr const char* kRecord420Microcode = "ucode\\single_nle.ux";
inline constexpr const char* kRecord420PalMicrocode = "ucode\\single_pal_nle.ux";
inline constexpr const char* kRecordMpeg1Microcode = "ucode\\single_mpeg1.ux";
inline constexpr const char* kRecordMpeg1PalMicrocode = "ucode\\single_mpeg1_pal.ux";
// The service loop of a panel with the sizes of its buffer areas ("mdaemon -start -s ..."); the
// board link adds "-b2" for the second board.
std::string PlaybackServiceLoop();
std::string RecordServiceLoop();

// ---- Registers ----
std::string WriteRegister(std::uint32_t address, std::string_view value);  // "mwr 0x<address> <value>"
// Register values and flag words as the lines write them: short, or written out in full.
inline constexpr const char* kFlagSet = "0x1";
inline constexpr const char* kFlagClear = "0x0";
inline constexpr const char* kFlagSetWord = "0x00000001";
inline constexpr const char* kFlagClearWord = "0x00000000";
std::string ReadRegister(std::uint32_t address);                           // "mrd 0x<address>"
// The I2C bus lines by command line, with the five-digit values the operators' logs show
// ("mwr 0xfc0a08 0x30001").
std::string WriteI2cLines(std::uint32_t value);
inline std::string ReadI2cLines() { return ReadRegister(kI2cRegister); }

}  // namespace board_commands
