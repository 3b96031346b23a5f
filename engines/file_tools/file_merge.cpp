#include "file_merge.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "byte_swap.h"
#include "index_formats/picture_index.h"
#include "start_codes/start_codes.h"
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

// B's start codes stay on 4-byte boundaries only when A ends on one; zero bytes before a start
// code are stuffing, so A is padded with them first. The rebased index then points exactly at
// B's groups.
std::uint64_t PaddingBeforeB(std::uint64_t sizeA, std::uint64_t sizeB) { return sizeB == 0 ? 0 : (4 - sizeA % 4) % 4; }

// A read or write of `path` failed: the message list says which file and why.
RunResult Failed(platform::RunReport& run, const std::string& path) {
    run.AddMessage(IoProblem(path, errno));
    return kFileError;
}

// The names of the four files, for the messages.
struct MergeNames {
    const std::string& a;
    const std::string& b;
    const std::string& indexA;
    const std::string& indexB;
};

RunResult AppendData(ToolFile& a, ToolFile& b, std::uint64_t padding, std::uint64_t sizeB, const MergeNames& names,
                     platform::RunReport& run) {
    std::uint8_t headA[4] = {};
    std::vector<std::uint8_t> block(kMergeBlock);
    if (!a.Seek(0) || a.Read(headA, 4) < 0 || !a.SeekEnd()) return Failed(run, names.a);
    const std::uint8_t zeros[4] = {};
    if (!a.Write(zeros, std::size_t(padding))) return Failed(run, names.a);
    long long n = b.Read(block.data(), block.size());
    if (n < 0) return Failed(run, names.b);
    const bool swap = n >= 4 && MergeSwapsB(headA, block.data());
    platform::ProgressStepper progress(run, sizeB);
    std::uint64_t done = 0;
    while (n > 0) {
        if (run.StopRequested()) return kCanceled;
        done += std::uint64_t(n);
        progress.Advance(done);
        if (swap) ReverseWords(block.data(), std::size_t(n));
        if (!a.Write(block.data(), std::size_t(n))) return Failed(run, names.a);
        n = b.Read(block.data(), block.size());
        if (n < 0) return Failed(run, names.b);
    }
    progress.Finish(done);
    return kDone;
}

// A's index as it was: its size and the records whose last-group flag the merge clears.
struct IndexBefore {
    std::uint64_t size = 0;
    std::uint64_t tailOffset = 0;
    std::vector<std::uint8_t> tail;
};

RunResult AppendIndex(ToolFile& indexA, ToolFile& indexB, std::uint64_t rebaseWords, IndexBefore& before,
                      const MergeNames& names, platform::RunReport& run) {
    const auto sizeB = indexB.Size();
    if (!sizeB) return Failed(run, names.indexB);
    const std::uint64_t whole = before.size - before.size % index_formats::kPictureIndexRecordSize;
    const std::uint64_t tail = std::min<std::uint64_t>(whole, kLastGroupRecords * index_formats::kPictureIndexRecordSize);
    before.tailOffset = whole - tail;
    before.tail.resize(std::size_t(tail));
    if (!indexA.Seek(before.tailOffset) || indexA.Read(before.tail.data(), tail) != (long long)tail)
        return Failed(run, names.indexA);
    std::vector<std::uint8_t> block(before.tail);
    for (std::size_t i = 0; i < tail; i += index_formats::kPictureIndexRecordSize)
        PutLe32(&block[i + 4], GetLe32(&block[i + 4]) & ~kLastGroupBit);
    if (!indexA.Seek(before.tailOffset) || !indexA.Write(block.data(), tail)) return Failed(run, names.indexA);

    block.resize(kMergeBlock);
    platform::ProgressStepper progress(run, *sizeB);
    std::uint64_t done = 0;
    for (;;) {
        const long long n = indexB.Read(block.data(), block.size());
        if (n < 0) return Failed(run, names.indexB);
        if (n == 0) {
            progress.Finish(done);
            return kDone;
        }
        if (run.StopRequested()) return kCanceled;
        done += std::uint64_t(n);
        progress.Advance(done);
        for (long long i = 0; i + 8 <= n; i += 8) RebaseRecord(&block[std::size_t(i)], rebaseWords);
        if (!indexA.Write(block.data(), std::size_t(n))) return Failed(run, names.indexA);
    }
}

// After a failure midway A and its index go back to what they were; nothing is appended to
// either.
void RollBack(ToolFile& a, std::uint64_t sizeA, ToolFile* indexA, const IndexBefore& before) {
    a.Truncate(sizeA);
    if (!indexA) return;
    indexA->Truncate(before.size);
    if (indexA->Seek(before.tailOffset)) indexA->Write(before.tail.data(), before.tail.size());
}

}  // namespace

bool MergeSwapsB(const std::uint8_t* headA, const std::uint8_t* headB) {
    const std::uint32_t first = GetLe32(headB);
    if (first != start_codes::LittleEndianWord(start_codes::kSequenceHeader) &&
        first != start_codes::BigEndianWord(start_codes::kSequenceHeader))
        return false;
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

RunResult MergeFiles(const std::string& fileA, const std::string& fileB, platform::RunReport& run) {
    run.SetProgress(0);
    if (fileA == fileB || platform::IsSameFile(fileA, fileB)) return kOverInput;
    const std::string mdbA = PictureIndexPathBeside(fileA);
    const std::string mdbB = PictureIndexPathBeside(fileB);
    // Files that are not there, or not regular files, say so before the indexes are compared.
    for (const std::string& file : {fileA, fileB}) {
        if (const std::string problem = InputProblem(file); !problem.empty() && !FileExists(file)) {
            run.AddMessage(problem);
            return kFileError;
        }
    }
    const bool withIndex = FileExists(mdbA);
    // An index on one side only cannot be merged; find that out before A grows.
    if (withIndex != FileExists(mdbB)) {
        const std::string& lacking = withIndex ? fileB : fileA;
        run.AddMessage(lacking + " has no picture index (" + PictureIndexPathBeside(lacking) +
                       "): build it with the Index Builder (clip-tool index " + lacking + "), then merge again");
        return kFileError;
    }
    using platform::IsSameFile;
    if (withIndex && (IsSameFile(mdbA, mdbB) || IsSameFile(mdbA, fileB) || IsSameFile(mdbB, fileA)))
        return kOverInput;

    const MergeNames names{fileA, fileB, mdbA, mdbB};
    auto open = [&run](const std::string& path, ToolFile::Mode mode) {
        errno = 0;
        auto file = ToolFile::Open(path, mode);
        if (!file) {
            const int error = errno != 0 ? errno : EACCES;
            // Readable but refused for writing (A, its index): the open's own error says why.
            const std::string problem = InputProblem(path);
            run.AddMessage(problem.empty() ? IoProblem(path, error) : problem);
        }
        return file;
    };
    auto a = open(fileA, ToolFile::Mode::ReadWrite);
    if (!a) return kFileError;
    auto b = open(fileB, ToolFile::Mode::Read);
    if (!b) return kFileError;
    std::optional<ToolFile> indexA, indexB;
    if (withIndex) {
        indexA = open(mdbA, ToolFile::Mode::ReadWrite);
        if (!indexA) return kFileError;
        indexB = open(mdbB, ToolFile::Mode::Read);
        if (!indexB) return kFileError;
    }
    const auto sizeA = a->Size();
    if (!sizeA) return Failed(run, fileA);
    const auto sizeB = b->Size();
    if (!sizeB) return Failed(run, fileB);
    IndexBefore before;
    if (withIndex) {
        const auto size = indexA->Size();
        if (!size) return Failed(run, mdbA);
        before.size = *size;
    }

    const std::uint64_t padding = PaddingBeforeB(*sizeA, *sizeB);
    RunResult result = AppendData(*a, *b, padding, *sizeB, names, run);
    if (result == kDone && withIndex)
        result = AppendIndex(*indexA, *indexB, (*sizeA + padding) / 4, before, names, run);
    if (result == kFileError) RollBack(*a, *sizeA, withIndex ? &*indexA : nullptr, before);
    return result;
}

}  // namespace file_tools
