#include "ps_common/byte_io.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "platform/regular_file.h"

namespace ps {
namespace {
constexpr std::size_t kFileBufferBytes = 1 << 20;
}

std::int64_t FileSize(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return st.st_size;
}

std::unique_ptr<FileSource> FileSource::Open(const std::string& path) {
    // A FIFO or a device in an input's place is refused, never waited on or read without end.
    std::FILE* f = platform::OpenRegularFile(path, "rb").release();
    if (!f) return nullptr;
    return std::unique_ptr<FileSource>(new FileSource(f));
}

FileSource::FileSource(std::FILE* f) : file_(f), buffer_(kFileBufferBytes) {
    std::setvbuf(file_, buffer_.data(), _IOFBF, buffer_.size());
}

FileSource::~FileSource() { std::fclose(file_); }

std::size_t FileSource::Read(std::uint8_t* dst, std::size_t n) { return std::fread(dst, 1, n, file_); }

bool FileSource::Seek(std::uint64_t offset) { return fseeko(file_, off_t(offset), SEEK_SET) == 0; }

std::unique_ptr<FileSink> FileSink::Create(const std::string& path, std::initializer_list<std::string> inputs) {
    std::unique_ptr<FileSink> sink(new FileSink());
    if (!sink->file_.Open(path, inputs)) return nullptr;
    sink->buffer_.reserve(kFileBufferBytes);
    return sink;
}

bool FileSink::Write(const std::uint8_t* src, std::size_t n) {
    if (failed_) return false;
    if (buffer_.size() + n > kFileBufferBytes && !Finish()) return false;
    if (n < kFileBufferBytes) {
        buffer_.insert(buffer_.end(), src, src + n);
        return true;
    }
    failed_ = !file_.Write(src, n);
    return !failed_;
}

bool FileSink::WriteAt(std::uint64_t offset, const std::uint8_t* src, std::size_t n) {
    if (!Finish()) return false;
    failed_ = !file_.WriteAt(offset, src, n);
    return !failed_;
}

bool FileSink::Finish() {
    if (!failed_ && !buffer_.empty()) failed_ = !file_.Write(buffer_.data(), buffer_.size());
    buffer_.clear();
    return !failed_;
}

bool FileSink::Commit() {
    if (!Finish()) {
        file_.Discard();
        return false;
    }
    return file_.Commit();
}

std::size_t MemorySource::Read(std::uint8_t* dst, std::size_t n) {
    const std::size_t take = std::min(n, bytes_.size() - pos_);
    if (take) std::memcpy(dst, bytes_.data() + pos_, take);
    pos_ += take;
    return take;
}

bool MemorySink::Write(const std::uint8_t* src, std::size_t n) {
    if (bytes_.size() + n > limit_) return false;
    bytes_.insert(bytes_.end(), src, src + n);
    return true;
}

bool MemorySink::WriteAt(std::uint64_t offset, const std::uint8_t* src, std::size_t n) {
    if (offset + n > bytes_.size()) return false;
    std::memcpy(bytes_.data() + offset, src, n);
    return true;
}

}  // namespace ps
