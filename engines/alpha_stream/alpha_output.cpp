#include "alpha_output.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "alpha_reader.h"
#include "platform/regular_file.h"

namespace alpha_stream {
namespace {

// A device or a pipe at the name is written into as it is: there is no file beside it to index.
bool IsDeviceOrPipe(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
}

}  // namespace

bool AlphaOutput::Fail(const std::string& path) {
    problem_ = path + ": " + std::strerror(errno != 0 ? errno : EIO);
    return false;
}

bool AlphaOutput::Open(const std::string& streamPath) {
    const std::string indexPath = index_formats::IndexPathBeside(streamPath, ".adb");
    if (indexPath == streamPath) return false;  // "x.adb": the index would be written over the stream
    streamPath_ = streamPath;
    withIndex_ = !IsDeviceOrPipe(streamPath);
    errno = 0;
    // The index first: a folder at its name is refused before a pipe at the stream's is opened.
    if (withIndex_ && !index_.Open(indexPath, streamPath)) return Fail(indexPath);
    if (stream_.Open(streamPath)) return true;
    const int error = errno;
    index_.Discard();
    errno = error;
    return Fail(streamPath);
}

bool AlphaOutput::AppendFrame(const std::function<bool(std::FILE*)>& write) {
    char* data = nullptr;
    std::size_t size = 0;
    std::FILE* memory = ::open_memstream(&data, &size);
    if (memory == nullptr) throw std::bad_alloc();
    const bool written = write(memory);
    const bool closed = std::fclose(memory) == 0;
    const std::unique_ptr<char, decltype(&std::free)> frame(data, &std::free);
    if (!written || !closed || !CheckAlphaFrame(reinterpret_cast<const std::uint8_t*>(data), size)) return false;
    if (bytes_ / 4 > UINT32_MAX) return false;  // beyond what an .adb entry can hold
    entries_.push_back({static_cast<std::uint32_t>(bytes_ / 4)});
    bytes_ += size;
    return stream_.Write(data, size) || Fail(streamPath_);
}

bool AlphaOutput::Commit() {
    const std::string indexPath = index_formats::IndexPathBeside(streamPath_, ".adb");
    // Every byte of both is written before either is put in place.
    const auto index = index_formats::EncodeAlphaIndex(entries_);
    if (withIndex_ && !index_.Write(index.data(), index.size())) {
        Fail(indexPath);
        index_.Discard();
        stream_.Discard();
        return false;
    }
    const platform::OutputGroupLock group(streamPath_);
    if (!group.Held()) {
        problem_ = group.Problem();
        index_.Discard();
        stream_.Discard();
        return false;
    }
    if (!stream_.Commit()) {
        Fail(streamPath_);
        index_.Discard();
        return false;
    }
    if (!withIndex_ || index_.Commit()) return true;
    Fail(indexPath);
    // The new stream is in place and its index could not follow: the old index would point into
    // the wrong stream, so it goes (the index builder makes a new one when the stream is played).
    if (platform::IsRegularFile(indexPath)) std::remove(indexPath.c_str());
    return false;
}

}  // namespace alpha_stream
