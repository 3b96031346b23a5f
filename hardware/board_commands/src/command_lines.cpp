#include "board_commands/command_lines.h"

#include "platform/text_format.h"

namespace board_commands {
namespace {

using platform::Format;

std::string WithParams(std::string line, std::string_view params) {
    if (params.empty()) return line;
    line += ' ';
    line += params;
    return line;
}

const char* LoopOption(bool loopForever) { return loopForever ? "-l0" : "-l1"; }
const char* ReverseOption(bool reversed) { return reversed ? "-R " : ""; }
const char* InterleaveOption(bool frames) { return frames ? "-I " : ""; }

// The alpha lines' range: the end offset in two words, the start as OffsetWords.
std::string AlphaRange(std::uint64_t endOffset, std::uint64_t startOffset) {
    return "-O " + Hex(static_cast<std::uint32_t>(endOffset >> 32)) + " " + Hex(static_cast<std::uint32_t>(endOffset)) +
           " " + OffsetWords(startOffset);
}

std::string AudioRange(std::uint64_t endOffset, std::uint64_t startOffset) {
    return "-O " + OffsetWords(endOffset) + " " + OffsetWords(startOffset);
}

}  // namespace

std::string Hex(std::uint32_t value) { return Format("0x%x", value); }

std::string SendNow(std::uint32_t word, std::string_view params) {
    return WithParams(Format("mwcmd -p 0x0 0x%x", word), params);
}

std::string SendNowWide(std::uint32_t word, std::string_view params) {
    return WithParams(Format("mwcmd -p 0x0  0x%x", word), params);
}

std::string SendAt(std::uint32_t time, std::uint32_t word, std::string_view params) {
    return WithParams(Format("mwcmd -s 0x%x 0x%x", time, word), params);
}

std::string SendRecordNow(std::uint32_t word, std::string_view params) {
    return WithParams(Format("mwcmd -p 0xffffffff 0x%x", word), params);
}

std::string RecordStartBothNow() {
    return SendRecordNow(Make(kRecordStart, kRecordVideo, 0), "0xffffffff " + Hex(Make(kRecordStart, kRecordAudio, 0)));
}

std::string RecordStopBothNow() {
    return SendRecordNow(Make(kRecordStop, kRecordVideo, 1),
                         "0x1 0xffffffff " + Hex(Make(kRecordStop, kRecordAudio, 1)) + " 0x1");
}

std::string SendWordsImmediate(std::string_view words) { return "mwcmd -s 0xffffffff " + std::string(words); }
std::string SendWordsNow(std::string_view words) { return "mwcmd -p 0x0 " + std::string(words); }
std::string SendWordsAt(std::uint32_t time, std::string_view words) {
    return Format("mwcmd -s 0x%x ", time) + std::string(words);
}

std::string Rate(std::uint32_t stream, std::uint32_t rate) {
    return SendNowWide(Make(kSpeed, stream, 2), "0x0 " + Hex(rate));
}

std::string Trick(std::uint32_t stream, std::uint32_t trick) {
    return SendNowWide(Make(kSpeed, stream, 2), Hex(trick) + " 0x0");
}

std::string RateAt(std::uint32_t time, std::uint32_t stream, std::uint32_t rate) {
    return Format("mwcmd -s 0x%x  0x%x 0x0 0x%x", time, Make(kSpeed, stream, 2), rate);
}

std::string TrickAt(std::uint32_t time, std::uint32_t stream, std::uint32_t trick) {
    return SendAt(time, Make(kSpeed, stream, 2), Hex(trick) + " 0x0");
}

std::string PlayRange(std::uint32_t stream, std::uint32_t first, std::uint32_t startTime, std::uint32_t startField,
                      std::uint32_t mode) {
    return Format("mwcmd -p 0x0 0x%x 0x%x 0x%x 0x%x 0x%x -L%u", Make(kPlayRange, stream, 4), first, startTime,
                  startField, mode, stream);
}

std::string ListPlayRange(std::uint32_t stream, std::uint32_t startField, std::uint32_t mode) {
    return Format("mwcmd -p 0x0 0x%x 0xffffffff 0x%x 0 0x%x -L%u", Make(kPlayRange, stream, 4), startField, mode,
                  stream);
}

std::string KeyedTransition(std::uint32_t stream, std::uint32_t time, std::uint32_t mode) {
    return SendNow(Make(kKeyedTransition, stream, 2), Hex(time) + " " + Hex(mode) + " -L2");
}

std::string KeyedTransitionWide(std::uint32_t stream, std::uint32_t time, std::uint32_t mode) {
    return SendNowWide(Make(kKeyedTransition, stream, 2), Hex(time) + " " + Hex(mode) + " -L2");
}

std::string AudioPath(std::uint32_t stream, std::string_view words) {
    return Format("mwcmd -p 0x0 0x%x  ", Make(kAudioPath, stream, 7)) + std::string(words);
}

std::string CompressSource(std::uint32_t pixelsPerLine, std::string_view format, std::uint32_t frames) {
    return Format("mwcmd -s 0xffffffff 0x%.8X 0x%x00F0 ", Make(kSourceFormat, kCompressInput, 2), pixelsPerLine) +
           std::string(format) + Format(" -s 0xFFFFFFFF 0x%.8X 0x%x", Make(kSourceFrameCount, 0, 1), frames);
}

std::string EncoderStart() {
    return Format("mwcmd -s 0xffffffff 0x%.8X 14 16", Make(kEncoderStartWord, 0, 2));
}

std::string DecodeFormatAt(std::uint32_t time, std::uint32_t format, std::uint32_t mode) {
    return Format("mwcmd -s 0x%x 0x%.8X 0x%.8X 0x%.8X", time, Make(kSourceFormat, kDecodeStream, 2), format, mode);
}

std::string DecodeToFileAt(std::uint32_t time) {
    return Format("mwcmd -s 0x%x 0x%.8X", time, Make(kDecodeToFile, kDecodeStream, 0));
}

std::string AudioPlay(std::uint32_t stream, std::uint32_t startTime) {
    return Format("mwcmd -p 0x0 0x%x 0x%x 0x0 0x0 0x0 -L%u", Make(kAudioPlay, stream, 4), startTime, stream);
}

std::string ReferenceSetup(bool pal, std::uint32_t dvRecord, std::uint32_t reference, std::uint32_t color,
                           std::uint32_t recording) {
    return Format("mwcmd -p 0x0 0x%.6X 0x%x  0x%.8X 0x%.8X 0x%x 0x%x", Make(kDvRecordSetup, kAllStreams, 5),
                  pal ? 0x1000001u : 0x1000000u, dvRecord, reference, color, recording);
}

std::string DvRecordStart(std::uint32_t size, bool withAudio) {
    std::string params = "0xfffffff0 0 " + Hex(size);
    if (withAudio) params += " 0x0 " + Hex(Make(kAudioPlay, kDvAudioOutput, 4)) + " 0xffffffff 0 0 0";
    return SendNow(Make(kDvAudioSetup, kAllStreams, 3), params);
}

std::string DvRecordStop(bool withAudio) {
    return SendNow(Make(kFreeze, kAllStreams, 0),
                   withAudio ? "0x0 " + Hex(Make(kAudioOnOff, kDvAudioOutput, 1)) + " 0x1" : std::string());
}

std::string DeviceByte(std::string_view deviceRegister, std::uint32_t value) {
    return DeviceMessage(4, deviceRegister, Format("0x%x000000", value));
}

std::string DeviceMessage(std::uint32_t count, std::string_view deviceRegister, std::string_view data) {
    return Format("mwcmd -s 0xffffffff 0x%.8x ", Make(kDeviceMessage, 0, count)) + std::string(deviceRegister) +
           " 0x00000000 " + std::string(data);
}

std::string InputFile(std::uint32_t stream, std::string_view options, std::string_view path) {
    return Format("mwcmd -i%uB ", stream) + std::string(options) + FileWord(path);
}

std::string QueueFile(int slot, std::string_view options, std::string_view path) {
    return Format("mwcmd -q%d ", slot) + std::string(options) + FileWord(path);
}

std::string OutputFile(std::uint32_t stream, std::string_view options, std::string_view path) {
    return Format("mwcmd -o%uB ", stream) + std::string(options) + FileWord(path);
}

std::string OutputEnd(std::uint32_t stream) { return Format("mwcmd -U%u", stream); }

std::string FileWord(std::string_view path) { return "<" + std::string(path) + ">"; }

std::string RangeOption(std::uint64_t endOffset, std::uint64_t startOffset) {
    return Format("-O 0x%x 0x%x 0x%x 0x%x", static_cast<std::uint32_t>(endOffset >> 32),
                  static_cast<std::uint32_t>(endOffset), static_cast<std::uint32_t>(startOffset >> 32),
                  static_cast<std::uint32_t>(startOffset));
}

std::string OffsetWords(std::uint64_t offset) {
    const auto high = static_cast<std::uint32_t>(offset >> 32);
    return (high == 0 ? std::string("0") : Hex(high)) + " " + Hex(static_cast<std::uint32_t>(offset));
}

std::string VideoClip(std::uint32_t stream, bool loopForever, std::uint64_t endOffset, std::uint64_t startOffset,
                      bool reversed, std::string_view path) {
    return InputFile(stream,
                     std::string(LoopOption(loopForever)) + " " + RangeOption(endOffset, startOffset) + " " +
                         ReverseOption(reversed) + "-F ",
                     path);
}

std::string QueuedVideoClip(int slot, std::uint64_t endOffset, std::uint64_t startOffset, bool reversed,
                            std::string_view path) {
    return QueueFile(slot, RangeOption(endOffset, startOffset) + " " + ReverseOption(reversed), path);
}

std::string ParkingClip(std::uint32_t stream, bool reversed, std::string_view path) {
    return InputFile(stream, std::string("-l1 ") + ReverseOption(reversed) + "-F ", path);
}

std::string AlphaStream(bool loopForever, std::uint64_t endOffset, std::uint64_t startOffset, bool reversed,
                        std::string_view path) {
    return InputFile(kAlphaInput,
                     std::string(LoopOption(loopForever)) + " " + AlphaRange(endOffset, startOffset) + " " +
                         ReverseOption(reversed) + "-F ",
                     path);
}

std::string QueuedAlphaStream(int slot, std::uint64_t endOffset, std::uint64_t startOffset, bool reversed,
                              std::string_view path) {
    return QueueFile(slot, AlphaRange(endOffset, startOffset) + " " + ReverseOption(reversed), path);
}

std::string AudioFile(bool loopForever, std::uint64_t endOffset, std::uint64_t startOffset, bool reversed,
                      std::string_view path) {
    return InputFile(kAudioInput,
                     std::string(ReverseOption(reversed)) + LoopOption(loopForever) + " " +
                         AudioRange(endOffset, startOffset) + " -F ",
                     path);
}

std::string QueuedAudioFile(int slot, std::uint64_t endOffset, std::uint64_t startOffset, bool reversed,
                            std::string_view path) {
    return QueueFile(slot, ReverseOption(reversed) + AudioRange(endOffset, startOffset) + " ", path);
}

std::string OutputToFile(std::uint32_t stream, bool reversed, std::string_view path) {
    return OutputFile(stream, ReverseOption(reversed), path);
}

std::string DecodeOutput(bool frames, std::string_view path) {
    return OutputFile(kDecodeOutput, InterleaveOption(frames), path);
}

std::string CompressInputFile(bool frames, std::string_view path) {
    return InputFile(kCompressInput, std::string("-l1 ") + InterleaveOption(frames), path);
}

std::string FillMemory(std::uint32_t value, std::uint32_t first, std::uint32_t last) {
    return Format("mwrblk -fill 0x%x 0x%x 0x%x", value, first, last);
}

std::string LoadMicrocode(std::string_view file) { return "mld -first " + std::string(file); }

std::string PlaybackServiceLoop() {
    return "mdaemon -start -s 0x1000 0x1000 0x400 0x400 0x100000 0x100000 0x100000 0x100000 0x0 0x0 0x0 0x0 0x0 "
           "0x0 0x0 0x0 0x800 0x100000 0x200000 0xbdc0";
}

std::string RecordServiceLoop() {
    return "mdaemon -start -s 0x400 0x400 0x400 0x400 0 0 0x500000 0x1800 0 0 0 0 0x200000 0xbdc0 0 0 0x2000";
}

std::string WriteRegister(std::uint32_t address, std::string_view value) {
    return Format("mwr 0x%x ", address) + std::string(value);
}

std::string ReadRegister(std::uint32_t address) { return Format("mrd 0x%x", address); }
std::string WriteI2cLines(std::uint32_t value) { return WriteRegister(kI2cRegister, Format("0x%.5x", value)); }

}  // namespace board_commands
