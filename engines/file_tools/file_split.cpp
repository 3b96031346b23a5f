#include "file_split.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "index_formats/picture_index.h"
#include "platform/kernel.h"
#include "tool_file.h"
#include "wave_format/wave_header.h"

namespace file_tools {
namespace {

using index_formats::kPictureIndexRecordSize;

std::uint32_t GetLe32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
void PutLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i));
}

std::optional<index_formats::PictureIndexRecord> ReadRecord(ToolFile& index, std::int64_t picture) {
    if (picture < 0) return std::nullopt;
    std::array<std::uint8_t, kPictureIndexRecordSize> bytes{};
    if (!index.Seek(std::uint64_t(picture) * kPictureIndexRecordSize) ||
        index.Read(bytes.data(), bytes.size()) != (long long)bytes.size())
        return std::nullopt;
    return index_formats::PictureIndexRecord::Decode(bytes.data());
}

// Copies `count` bytes from `in` to `out`; `first` may replace the beginning of the first block.
// A source that ends early is a file error: the range came from an index that does not match it.
RunResult CopyRange(ToolFile& in, platform::ReplacingFile& out, std::uint64_t count, platform::RunReport& run,
                    const std::uint8_t* first = nullptr, std::size_t firstSize = 0) {
    std::vector<std::uint8_t> block(kSplitBlock);
    platform::ProgressStepper progress(run, count);
    std::uint64_t done = 0;
    while (done < count) {
        if (run.StopRequested()) return kCanceled;
        const std::size_t want = std::size_t(std::min<std::uint64_t>(block.size(), count - done));
        const long long n = in.Read(block.data(), want);
        if (n != (long long)want) return kFileError;
        if (done == 0 && first) std::memcpy(block.data(), first, std::min(firstSize, want));
        done += want;
        progress.Advance(done);
        if (!out.Write(block.data(), want)) return kFileError;
    }
    progress.Finish(done);
    return kDone;
}

// Two names of one file, whether it exists yet or not.
bool SameName(const std::string& a, const std::string& b) { return a == b || platform::IsSameFile(a, b); }

// How far a WAVE source's samples lie from where a plain 44-byte header would put them: the range
// is shifted by as much, so that a cut starts on a whole sample (left first) whatever chunks come
// before the data. 0 for anything but a WAVE file.
std::uint64_t WaveDataShift(ToolFile& in) {
    std::vector<std::uint8_t> head(65536);
    const auto size = in.Size();
    const long long n = in.Read(head.data(), head.size());
    if (!size || n <= 0) return 0;
    head.resize(std::size_t(n));
    const auto layout = wav::ParseWaveLayout(head, *size);
    return layout && layout->dataOffset > wav::kWavHeaderSize ? layout->dataOffset - wav::kWavHeaderSize : 0;
}

}  // namespace

AudioTimebase AudioTimebase::Of(AudioRate rate, bool ntsc) {
    switch (rate) {
    case AudioRate::k44_1: return ntsc ? AudioTimebase{147147, 50} : AudioTimebase{3528, 1};
    case AudioRate::k32: return ntsc ? AudioTimebase{32032, 15} : AudioTimebase{2560, 1};
    case AudioRate::k48: break;
    }
    return ntsc ? AudioTimebase{16016, 5} : AudioTimebase{3840, 1};
}

std::int64_t AudioTimebase::BytesToFrames(std::uint64_t bytes) const {
    // Quotient and remainder apart so that no product leaves 64 bits.
    const std::uint64_t fields = bytes / numerator * denominator + bytes % numerator * denominator / numerator;
    return std::int64_t(fields / 2);
}

std::uint64_t AudioTimebase::FramesToBytes(std::int64_t frames) const {
    if (frames <= 0) return 0;
    const std::uint64_t fields = std::uint64_t(frames) * 2;
    return fields / denominator * numerator + fields % denominator * numerator / denominator;
}

std::uint32_t SampleRateOf(AudioRate rate) {
    switch (rate) {
    case AudioRate::k44_1: return 44100;
    case AudioRate::k32: return 32000;
    case AudioRate::k48: break;
    }
    return 48000;
}

bool SplitsAsVideo(const std::string& sourcePath) { return ExtensionOf(sourcePath) == ".mpg"; }

void ClampSplitPoints(int& startField, int& endField, int lengthFields) {
    startField = std::max(std::min(startField, lengthFields - 2), 0);
    endField = std::max(std::min(endField, lengthFields - 2), startField);
}

std::optional<int> SplitSourceLength(const std::string& source, bool video, const AudioTimebase& audio) {
    const std::string measured = video ? PictureIndexPathBeside(source) : source;
    auto file = ToolFile::Open(measured, ToolFile::Mode::Read);
    if (!file) return std::nullopt;
    const auto size = file->Size();
    if (!size) return std::nullopt;
    const std::uint64_t fields = video ? *size / 4 : 2 * std::uint64_t(audio.BytesToFrames(*size));
    return int(std::min<std::uint64_t>(fields, 0x7FFFFFFE));
}

std::optional<SplitSelection> VideoSplitSelection(const std::string& source, int startField, int endField) {
    auto index = ToolFile::Open(PictureIndexPathBeside(source), ToolFile::Mode::Read);
    if (!index) return std::nullopt;
    const auto indexSize = index->Size();
    const auto start = ReadRecord(*index, startField / 2);
    const auto end = ReadRecord(*index, endField / 2);
    if (!indexSize || !start || !end) return std::nullopt;
    SplitSelection sel;
    sel.startField = startField;
    sel.endField = endField;
    sel.startPictureInGroup = start->pictureInGroup;
    sel.startByte = start->GroupByteOffset();
    sel.endPicturesToGroupEnd = end->picturesToGroupEnd;
    const std::int64_t after = std::int64_t(endField / 2) + end->picturesToGroupEnd;
    if (std::uint64_t(after) * kPictureIndexRecordSize >= *indexSize) {
        // The end frame's group is the file's last: the range runs to the end of the file.
        auto stream = ToolFile::Open(source, ToolFile::Mode::Read);
        const auto size = stream ? stream->Size() : std::nullopt;
        if (!size) return std::nullopt;
        sel.endByte = *size;
    } else {
        const auto next = ReadRecord(*index, after);
        if (!next) return std::nullopt;
        sel.endByte = next->GroupByteOffset();
    }
    return sel;
}

SplitSelection AudioSplitSelection(int startField, int endField, const AudioTimebase& audio) {
    SplitSelection sel;
    sel.startField = startField;
    sel.endField = endField;
    sel.startByte = audio.FramesToBytes(startField / 2) & ~std::uint64_t{3};
    // Whole stereo samples: a count off the 4-byte grid would cut the last sample in two.
    const std::uint64_t count = audio.FramesToBytes(endField / 2 - startField / 2 + 1) & ~std::uint64_t{3};
    sel.endByte = sel.startByte + count;
    return sel;
}

bool SplitWouldOverwriteInput(const std::string& source, const std::string& destination, bool video) {
    if (SameName(source, destination)) return true;
    if (!video) return false;
    const std::string sourceIndex = PictureIndexPathBeside(source);
    const std::string destinationIndex = PictureIndexPathBeside(destination);
    // A destination named like an index would be its own index.
    return destination == destinationIndex || SameName(sourceIndex, destination) ||
           SameName(source, destinationIndex) || SameName(sourceIndex, destinationIndex);
}

namespace {

// The cut's pictures into `out`, which the caller puts in place.
RunResult CopyVideoData(const std::string& source, const std::string& destination, const SplitSelection& sel,
                        platform::RunReport& run, platform::ReplacingFile& out) {
    run.SetProgress(0);
    if (SplitWouldOverwriteInput(source, destination, true)) return kOverInput;
    // A group holds at least one picture: an empty or backward range comes from a damaged index.
    if (sel.endByte <= sel.startByte) return kFileError;
    auto in = ToolFile::Open(source, ToolFile::Mode::Read);
    if (!in || !in->Seek(sel.startByte)) return kFileError;
    if (!out.Open(destination, source)) return kFileError;
    return CopyRange(*in, out, sel.endByte - sel.startByte, run);
}

}  // namespace

RunResult SplitVideoData(const std::string& source, const std::string& destination, const SplitSelection& sel,
                         platform::RunReport& run) {
    platform::ReplacingFile out;
    return FinishOutput(out, CopyVideoData(source, destination, sel, run, out));
}

namespace {

RunResult CopyRebasedRecords(ToolFile& in, platform::ReplacingFile& out, const SplitSelection& sel,
                             platform::RunReport& run) {
    const std::int64_t first = sel.FirstFrame();
    const std::int64_t records = std::int64_t(sel.endField / 2) + sel.endPicturesToGroupEnd - first;
    if (first < 0 || records <= 0 || !in.Seek(std::uint64_t(first) * kPictureIndexRecordSize))
        return kFileError;
    const std::uint64_t total = std::uint64_t(records) * kPictureIndexRecordSize;
    const std::uint64_t rebase = sel.startByte / 4;
    const std::uint32_t rebaseLow = std::uint32_t(rebase);
    const std::uint32_t rebaseHigh = std::uint32_t(rebase >> 32) & 0xFFFF;

    std::vector<std::uint8_t> block(kSplitBlock);
    platform::ProgressStepper progress(run, total);
    std::uint64_t done = 0;
    std::int64_t left = records;
    while (done < total) {
        if (run.StopRequested()) return kCanceled;
        const std::size_t want = std::size_t(std::min<std::uint64_t>(block.size(), total - done));
        if (in.Read(block.data(), want) != (long long)want) return kFileError;
        done += want;
        progress.Advance(done);
        for (std::size_t i = 0; i < want; i += kPictureIndexRecordSize, --left) {
            std::uint8_t* record = &block[i];
            const std::uint32_t low = GetLe32(record);
            std::uint32_t second = GetLe32(record + 4);
            const std::uint32_t borrow = low < rebaseLow ? 1 : 0;
            if (std::int64_t((second >> 8) & 0x7F) == left) second |= 0x8000;
            const std::uint32_t high = ((second >> 16) - rebaseHigh - borrow) & 0xFFFF;
            PutLe32(record, low - rebaseLow);
            PutLe32(record + 4, high << 16 | (second & 0xFFFF));
        }
        if (!out.Write(block.data(), want)) return kFileError;
    }
    progress.Finish(done);
    return kDone;
}

// The cut's index, its records rebased to the cut, into `out`, which the caller puts in place.
RunResult CopySplitIndex(const std::string& source, const std::string& destination, const SplitSelection& sel,
                         platform::RunReport& run, platform::ReplacingFile& out) {
    run.SetProgress(0);
    if (SplitWouldOverwriteInput(source, destination, true)) return kOverInput;
    const std::string sourceIndex = PictureIndexPathBeside(source);
    auto in = ToolFile::Open(sourceIndex, ToolFile::Mode::Read);
    if (!in) return kFileError;
    if (!out.Open(PictureIndexPathBeside(destination), sourceIndex)) return kFileError;
    return CopyRebasedRecords(*in, out, sel, run);
}

}  // namespace

RunResult WriteSplitIndex(const std::string& source, const std::string& destination, const SplitSelection& sel,
                          platform::RunReport& run) {
    platform::ReplacingFile out;
    return FinishOutput(out, CopySplitIndex(source, destination, sel, run, out));
}

RunResult SplitVideo(const std::string& source, const std::string& destination, const SplitSelection& sel,
                     platform::RunReport& run) {
    // A cut without its index is no clip the panel can play: the two are put in place together,
    // and a run that fails leaves the files that were there.
    platform::ReplacingFile data;
    platform::ReplacingFile index;
    RunResult result = CopyVideoData(source, destination, sel, run, data);
    // A cancel during the copy is still pending, so the index step stops at its first check.
    if (result == kDone || result == kCanceled) result = CopySplitIndex(source, destination, sel, run, index);
    if (result != kDone && result != kCanceled) return result;  // both temporaries go with their owners
    // Runs onto the same destination put their pairs in place in turn, never one's cut beside
    // another's index.
    const platform::OutputGroupLock group(destination);
    if (!group.Held()) {
        run.AddMessage(group.Problem());
        return kFileError;
    }
    if (!data.Commit()) return kFileError;
    if (index.Commit()) return result;
    // The new cut is in place and its index could not follow: an older index would point into
    // the wrong pictures, so it goes.
    platform::RemoveIncompleteOutput(PictureIndexPathBeside(destination));
    return kFileError;
}

RunResult SplitAudioToWav(const std::string& source, const std::string& destination, const SplitSelection& sel,
                          std::uint32_t sampleRate, platform::RunReport& run) {
    run.SetProgress(0);
    if (SplitWouldOverwriteInput(source, destination, false)) return kOverInput;
    if (sel.endByte < sel.startByte) return kFileError;
    auto in = ToolFile::Open(source, ToolFile::Mode::Read);
    if (!in) return kFileError;
    const std::uint64_t shift = WaveDataShift(*in);
    if (!in->Seek(sel.startByte + shift)) return kFileError;
    platform::ReplacingFile out;
    if (!out.Open(destination, source)) return kFileError;
    const std::uint64_t count = sel.endByte - sel.startByte;
    // The header takes the place of the range's first bytes: the file is exactly `count` long.
    const auto header = wav::MakeWavHeader(sampleRate, 2, count >= wav::kWavHeaderSize ? count - wav::kWavHeaderSize : 0);
    return FinishOutput(out, CopyRange(*in, out, count, run, header.data(), header.size()));
}

}  // namespace file_tools
