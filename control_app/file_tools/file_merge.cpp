#include "file_merge.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "byte_swap.h"
#include "index_formats/picture_index.h"
#include "tool_file.h"

namespace file_tools {
namespace {

std::uint32_t GetLe32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
void PutLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i));
}

constexpr std::uint32_t kLastGroupBit = 0x8000;
// A group holds at most this many pictures, so clearing the flag on this many records from the
// end reaches every record of A's last group.
constexpr std::size_t kLastGroupRecords = index_formats::kMaxPicturesPerGroup;

ToolResult AppendData(ToolFile& a, ToolFile& b, std::uint64_t sizeB, ToolRun& run) {
    std::uint8_t headA[4] = {};
    std::vector<std::uint8_t> block(kMergeBlock);
    if (!a.Seek(0) || a.Read(headA, 4) < 0 || !a.SeekEnd()) return ToolResult::FileError;
    long long n = b.Read(block.data(), block.size());
    if (n < 0) return ToolResult::FileError;
    const bool swap = n >= 4 && MergeSwapsB(headA, block.data());
    std::uint64_t done = 0;
    while (n > 0) {
        if (run.CancelRequested()) return ToolResult::Cancelled;
        done += std::uint64_t(n);
        run.SetProgress(ProgressStep(done, sizeB));
        if (swap) ReverseWords(block.data(), std::size_t(n));
        if (!a.Write(block.data(), std::size_t(n))) return ToolResult::FileError;
        n = b.Read(block.data(), block.size());
        if (n < 0) return ToolResult::FileError;
    }
    return ToolResult::Done;
}

ToolResult AppendIndex(ToolFile& indexA, ToolFile& indexB, std::uint64_t rebaseWords, ToolRun& run) {
    const auto sizeA = indexA.Size();
    const auto sizeB = indexB.Size();
    if (!sizeA || !sizeB) return ToolResult::FileError;
    const std::uint64_t whole = *sizeA - *sizeA % index_formats::kPictureIndexRecordSize;
    const std::uint64_t tail = std::min<std::uint64_t>(whole, kLastGroupRecords * index_formats::kPictureIndexRecordSize);
    std::vector<std::uint8_t> block(kMergeBlock);
    if (!indexA.Seek(whole - tail) || indexA.Read(block.data(), tail) != (long long)tail) return ToolResult::FileError;
    for (std::size_t i = 0; i < tail; i += index_formats::kPictureIndexRecordSize)
        PutLe32(&block[i + 4], GetLe32(&block[i + 4]) & ~kLastGroupBit);
    if (!indexA.Seek(whole - tail) || !indexA.Write(block.data(), tail)) return ToolResult::FileError;

    std::uint64_t done = 0;
    for (;;) {
        const long long n = indexB.Read(block.data(), block.size());
        if (n < 0) return ToolResult::FileError;
        if (n == 0) return ToolResult::Done;
        if (run.CancelRequested()) return ToolResult::Cancelled;
        done += std::uint64_t(n);
        run.SetProgress(ProgressStep(done, *sizeB));
        for (long long i = 0; i + 8 <= n; i += 8) RebaseRecord(&block[std::size_t(i)], rebaseWords);
        if (!indexA.Write(block.data(), std::size_t(n))) return ToolResult::FileError;
    }
}

}  // namespace

bool MergeSwapsB(const std::uint8_t* headA, const std::uint8_t* headB) {
    const std::uint32_t first = GetLe32(headB);
    if (first != 0xB3010000u && first != 0x000001B3u) return false;
    return headB[0] == headA[3] && headB[1] == headA[2] && headB[2] == headA[1] && headB[3] == headA[0];
}

void RebaseRecord(std::uint8_t* record, std::uint64_t words) {
    const std::uint32_t low = GetLe32(record);
    const std::uint32_t second = GetLe32(record + 4);
    const std::uint64_t sumLow = std::uint64_t(low) + (words & 0xFFFFFFFFu);
    const std::uint32_t carry = std::uint32_t(sumLow >> 32);
    const std::uint32_t high = ((second >> 16) + std::uint32_t(words >> 32) + carry) & 0xFFFF;
    PutLe32(record, std::uint32_t(sumLow));
    PutLe32(record + 4, high << 16 | (second & 0xFFFF));
}

ToolResult MergeFiles(const std::string& fileA, const std::string& fileB, ToolRun& run) {
    run.SetProgress(0);
    if (fileA == fileB || SameFile(fileA, fileB)) return ToolResult::SameFile;
    const std::string mdbA = PictureIndexPathBeside(fileA);
    const std::string mdbB = PictureIndexPathBeside(fileB);
    const bool withIndex = FileExists(mdbA);
    // An index on one side only cannot be merged; find that out before A grows.
    if (withIndex != FileExists(mdbB)) return ToolResult::FileError;
    if (withIndex && SameFile(mdbA, mdbB)) return ToolResult::SameFile;

    auto a = ToolFile::Open(fileA, ToolFile::Mode::ReadWrite);
    auto b = ToolFile::Open(fileB, ToolFile::Mode::Read);
    if (!a || !b) return ToolResult::FileError;
    std::optional<ToolFile> indexA, indexB;
    if (withIndex) {
        indexA = ToolFile::Open(mdbA, ToolFile::Mode::ReadWrite);
        indexB = ToolFile::Open(mdbB, ToolFile::Mode::Read);
        if (!indexA || !indexB) return ToolResult::FileError;
    }
    const auto sizeA = a->Size();
    const auto sizeB = b->Size();
    if (!sizeA || !sizeB) return ToolResult::FileError;

    const ToolResult data = AppendData(*a, *b, *sizeB, run);
    if (data != ToolResult::Done || !withIndex) return data;
    return AppendIndex(*indexA, *indexB, *sizeA / 4, run);
}

}  // namespace file_tools
