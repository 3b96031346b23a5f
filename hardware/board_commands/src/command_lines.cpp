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

std::string WriteRegister(std::uint32_t address, std::string_view value) {
    return Format("mwr 0x%x ", address) + std::string(value);
}

std::string ReadRegister(std::uint32_t address) { return Format("mrd 0x%x", address); }
std::string WriteI2cLines(std::uint32_t value) { return WriteRegister(kI2cRegister, Format("0x%.5x", value)); }

}  // namespace board_commands
