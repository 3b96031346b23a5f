#include "index_builder/index_builder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "index_builder/picture_scan.h"
#include "index_formats/index_files.h"
#include "platform/c_file.h"
#include "platform/kernel.h"
#include "platform/regular_file.h"
#include "platform/run_report.h"
#include "start_codes/start_codes.h"

namespace index_builder {
namespace {

constexpr std::uint32_t kAlphaMarker = 0x41424343;          // "CCBA"
constexpr std::uint32_t kAlphaMarkerReversed = 0x43434241;  // "ABCC"

using File = platform::CFile;

std::string Printf(const char* format, const std::string& argument) {
    std::vector<char> text(argument.size() + 128);
    std::snprintf(text.data(), text.size(), format, argument.c_str());
    return text.data();
}

// Reads up to one block; the words are the bytes read / 4, little-endian (trailing 1-3 bytes of
// the file are not a word).
std::size_t ReadBlock(std::FILE* file, std::vector<std::uint8_t>& bytes, std::vector<std::uint32_t>& words) {
    const std::size_t read = std::fread(bytes.data(), 1, bytes.size(), file);
    const std::size_t count = read / 4;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = bytes.data() + 4 * i;
        words[i] = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                   std::uint32_t(p[3]) << 24;
    }
    return count;
}

// A regular file only: a pipe would hold the run in its first read, where no cancel reaches it.
File OpenRegularFile(const std::string& path) {
    const int fd = platform::OpenRegularFileDescriptor(path, O_RDONLY);
    if (fd < 0) return nullptr;
    File file(::fdopen(fd, "rb"));
    if (!file) ::close(fd);
    return file;
}

const char* StatusFormat(StreamKind kind) {
    switch (kind) {
        case StreamKind::Mpeg2: return "MPEG2 file detected, creating %s\n";
        case StreamKind::Mpeg2Reversed: return "Reversed MPEG2 file detected, creating %s\n";
        case StreamKind::Alpha: return "Alpha file detected, creating %s\n";
        case StreamKind::AlphaReversed: return "Reverse Alpha file detected, creating %s\n";
        case StreamKind::Unknown: break;
    }
    return "";
}

// One run: the files, the scans and the bookkeeping of what was created.
class Run {
    using RunStatus = platform::RunStatus;

public:
    Run(const std::string& streamPath, platform::RunReport& report) : streamPath_(streamPath), report_(report) {}

    BuildOutcome Go() {
        outcome_.run.status = Build();
        // The run's file is put in place only when complete: until then the previous index stays.
        if (outcome_.run.status != RunStatus::Done) index_.Discard();
        return outcome_;
    }

private:
    RunStatus Fail(std::string message) {
        outcome_.run.error = std::move(message);
        return RunStatus::Error;
    }

    RunStatus Build() {
        File stream = OpenRegularFile(streamPath_);
        if (!stream) return Fail(Printf("can't open %s\n", streamPath_));
        struct stat info {};
        if (fstat(fileno(stream.get()), &info) != 0) return Fail(Printf("can't open %s\n", streamPath_));
        const std::uint64_t size = std::uint64_t(info.st_size);

        std::vector<std::uint8_t> bytes(kBlockBytes);
        std::vector<std::uint32_t> words(kBlockBytes / 4);
        std::size_t count = ReadBlock(stream.get(), bytes, words);
        outcome_.kind = count > 0 ? ClassifyFirstWord(words[0]) : StreamKind::Unknown;
        if (outcome_.kind == StreamKind::Unknown) return Fail("this is not an MPEG2 or Alpha file\n");
        const bool alpha = IsAlpha(outcome_.kind);
        outcome_.indexPath = index_formats::IndexPathBeside(streamPath_, alpha ? ".adb" : ".mdb");
        if (platform::IsSameFile(outcome_.indexPath, streamPath_))
            return Fail(Printf("the index %s would replace the stream itself\n", outcome_.indexPath));
        if (!index_.Open(outcome_.indexPath, streamPath_)) return Fail(Printf("can't open %s\n", outcome_.indexPath));
        report_.AddMessage(Printf(StatusFormat(outcome_.kind), outcome_.indexPath));

        PictureIndexScan pictures(outcome_.kind == StreamKind::Mpeg2Reversed,
                                  [this](const auto& group) { return index_.Append(group); });
        AlphaIndexScan markers(outcome_.kind == StreamKind::Alpha ? kAlphaMarker : kAlphaMarkerReversed);
        platform::ProgressStepper progress(report_, size);
        std::uint64_t total = 0;
        while (count > 0) {
            if (report_.StopRequested()) return RunStatus::Canceled;
            total += count * 4;
            progress.Advance(total);
            report_.SetCounts(std::int64_t(total), std::int64_t(size));
            if (alpha) {
                std::vector<index_formats::AlphaIndexEntry> entries;
                if (!markers.Feed(words.data(), count, entries)) return Fail(markers.Error());
                if (!index_.Append(entries)) return Fail("write error\n");
            } else if (!pictures.Feed(words.data(), count)) {
                return Fail(pictures.Error());
            }
            count = ReadBlock(stream.get(), bytes, words);
        }
        if (!alpha && !pictures.Finish()) return Fail(pictures.Error());
        if (!index_.Commit()) return Fail("write error\n");
        progress.Finish(total);
        return RunStatus::Done;
    }

    const std::string& streamPath_;
    platform::RunReport& report_;
    index_formats::IndexFileWriter index_;
    BuildOutcome outcome_;
};

}  // namespace

StreamKind ClassifyFirstWord(std::uint32_t word) {
    switch (word) {
        case start_codes::LittleEndianWord(start_codes::kSequenceHeader): return StreamKind::Mpeg2;
        case start_codes::BigEndianWord(start_codes::kSequenceHeader): return StreamKind::Mpeg2Reversed;
        case kAlphaMarker: return StreamKind::Alpha;
        case kAlphaMarkerReversed: return StreamKind::AlphaReversed;
        default: return StreamKind::Unknown;
    }
}

bool IsAlpha(StreamKind kind) { return kind == StreamKind::Alpha || kind == StreamKind::AlphaReversed; }

BuildOutcome BuildIndexFile(const std::string& streamPath, platform::RunReport* report) {
    platform::RunReport quiet;
    return Run(streamPath, report ? *report : quiet).Go();
}

}  // namespace index_builder
