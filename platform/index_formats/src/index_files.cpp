#include "index_formats/index_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <limits>

#include "platform/regular_file.h"

namespace index_formats {
namespace {

// An index read whole is refused past this size: 32 Mi pictures, over twelve days of video.
constexpr std::size_t kIndexFileMaxBytes = std::size_t{1} << 28;

std::optional<std::vector<std::uint8_t>> ReadBytes(const std::string& path) {
    std::string bytes;
    if (platform::ReadRegularFile(path, kIndexFileMaxBytes, bytes) != platform::WholeFileRead::Read)
        return std::nullopt;
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

// `count` bytes at `offset`, or nothing when the file ends before them.
bool ReadAt(const std::string& path, std::uint64_t offset, std::uint8_t* out, std::size_t count) {
    const int fd = platform::OpenRegularFileDescriptor(path, O_RDONLY);
    if (fd < 0) return false;
    std::size_t done = 0;
    while (done < count && offset + done <= std::uint64_t(std::numeric_limits<off_t>::max())) {
        const ssize_t got = ::pread(fd, out + done, count - done, off_t(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += std::size_t(got);
    }
    ::close(fd);
    return done == count;
}

std::optional<std::uint64_t> FileSize(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error) return std::nullopt;
    return size;
}

}  // namespace

std::string IndexPathBeside(const std::string& streamPath, std::string_view extension) {
    const std::size_t slash = streamPath.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = streamPath.find_last_of('.');
    // A dot that starts the name (".clip") or lies in a folder name is no extension.
    const bool hasExtension = dot != std::string::npos && dot > nameStart;
    return (hasExtension ? streamPath.substr(0, dot) : streamPath) + std::string(extension);
}

std::uint64_t VideoClipLengthWords(const std::string& mdbPath) {
    const auto size = FileSize(mdbPath);
    if (!size || *size < kPictureIndexRecordSize) return kUnknownClipLengthWords;
    return *size / 4;
}

std::optional<PictureIndexRecord> ReadPictureIndexRecord(const std::string& mdbPath, std::uint64_t picture) {
    std::uint8_t bytes[kPictureIndexRecordSize];
    if (picture > ~std::uint64_t{0} / kPictureIndexRecordSize) return std::nullopt;
    if (!ReadAt(mdbPath, picture * kPictureIndexRecordSize, bytes, sizeof bytes)) return std::nullopt;
    return PictureIndexRecord::Decode(bytes);
}

std::optional<std::uint64_t> ReadEndAfterPicture(const std::string& mdbPath, std::uint64_t picture,
                                                 std::uint64_t streamBytes) {
    const auto size = FileSize(mdbPath);
    if (!size) return std::nullopt;
    const std::uint64_t records = *size / kPictureIndexRecordSize;
    if (records == 0) return std::nullopt;
    const std::uint64_t h = picture % records;
    const auto record = ReadPictureIndexRecord(mdbPath, h);
    if (!record) return std::nullopt;
    std::uint64_t end = streamBytes;
    if (!record->lastGroup) {
        const std::uint64_t next = h + record->picturesToGroupEnd;
        if (record->picturesToGroupEnd == 0 || next >= records) return std::nullopt;
        const auto following = ReadPictureIndexRecord(mdbPath, next);
        if (!following) return std::nullopt;
        end = following->GroupByteOffset();
    }
    return (picture / records) * streamBytes + end;
}

std::optional<std::vector<PictureIndexRecord>> ReadPictureIndexFile(const std::string& path) {
    const auto bytes = ReadBytes(path);
    if (!bytes) return std::nullopt;
    return DecodePictureIndex(*bytes);
}

bool WritePictureIndexFile(const std::string& path, const std::vector<PictureIndexRecord>& records,
                           const std::string& streamPath) {
    IndexFileWriter writer;
    return writer.Open(path, streamPath) && writer.Append(records) && writer.Commit();
}

std::optional<std::vector<AlphaIndexEntry>> ReadAlphaIndexFile(const std::string& path) {
    const auto bytes = ReadBytes(path);
    if (!bytes) return std::nullopt;
    return DecodeAlphaIndex(*bytes);
}

std::optional<AlphaIndexEntry> ReadAlphaIndexEntry(const std::string& adbPath, std::uint64_t frame) {
    std::uint8_t bytes[4];
    if (frame > ~std::uint64_t{0} / 4) return std::nullopt;
    if (!ReadAt(adbPath, frame * 4, bytes, sizeof bytes)) return std::nullopt;
    return DecodeAlphaIndex({bytes, bytes + 4}).front();
}

bool WriteAlphaIndexFile(const std::string& path, const std::vector<AlphaIndexEntry>& entries,
                         const std::string& streamPath) {
    IndexFileWriter writer;
    return writer.Open(path, streamPath) && writer.Append(entries) && writer.Commit();
}

namespace {
// Groups are small; the temporary file is written in pieces of this size.
constexpr std::size_t kWriteBufferBytes = 65536;
}  // namespace

bool IndexFileWriter::Open(const std::string& path, const std::string& streamPath) {
    buffer_.clear();
    failed_ = false;
    return file_.Open(path, streamPath);
}

bool IndexFileWriter::Flush() {
    if (!failed_ && !file_.Write(buffer_.data(), buffer_.size())) failed_ = true;
    buffer_.clear();
    return !failed_;
}

bool IndexFileWriter::AppendBytes(const std::vector<std::uint8_t>& bytes) {
    if (!file_.IsOpen()) return false;
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    return buffer_.size() < kWriteBufferBytes ? !failed_ : Flush();
}

bool IndexFileWriter::Append(const std::vector<PictureIndexRecord>& records) {
    return AppendBytes(EncodePictureIndex(records));
}

bool IndexFileWriter::Append(const std::vector<AlphaIndexEntry>& entries) {
    return AppendBytes(EncodeAlphaIndex(entries));
}

bool IndexFileWriter::Commit() {
    if (!file_.IsOpen()) return false;
    if (!Flush()) {
        file_.Discard();
        return false;
    }
    return file_.Commit();
}

void IndexFileWriter::Discard() {
    buffer_.clear();
    file_.Discard();
}

}  // namespace index_formats
