#include "ps_common/byte_io.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

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
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return nullptr;
    return std::unique_ptr<FileSource>(new FileSource(f));
}

FileSource::FileSource(std::FILE* f) : file_(f), buffer_(kFileBufferBytes) {
    std::setvbuf(file_, buffer_.data(), _IOFBF, buffer_.size());
}

FileSource::~FileSource() { std::fclose(file_); }

std::size_t FileSource::Read(std::uint8_t* dst, std::size_t n) { return std::fread(dst, 1, n, file_); }

bool FileSource::Seek(std::uint64_t offset) { return fseeko(file_, off_t(offset), SEEK_SET) == 0; }

std::unique_ptr<FileSink> FileSink::Create(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return nullptr;
    return std::unique_ptr<FileSink>(new FileSink(f));
}

FileSink::FileSink(std::FILE* f) : file_(f), buffer_(kFileBufferBytes) {
    std::setvbuf(file_, buffer_.data(), _IOFBF, buffer_.size());
}

FileSink::~FileSink() { std::fclose(file_); }

bool FileSink::Write(const std::uint8_t* src, std::size_t n) {
    return n == 0 || std::fwrite(src, 1, n, file_) == n;
}

bool FileSink::WriteAt(std::uint64_t offset, const std::uint8_t* src, std::size_t n) {
    const off_t end = ftello(file_);
    if (end < 0 || fseeko(file_, off_t(offset), SEEK_SET) != 0) return false;
    const bool ok = std::fwrite(src, 1, n, file_) == n;
    return fseeko(file_, end, SEEK_SET) == 0 && ok;
}

bool FileSink::Finish() { return std::fflush(file_) == 0; }

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
