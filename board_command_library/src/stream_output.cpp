// Output stream files: recorded data to disk, unbuffered where alignment allows, with the picture
// index of a recorded video stream taken from the board's EncoderIndexRing; the interlacing
// writer; the comma-joined pair of outputs.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/kernel.h"
#include "platform/regular_file.h"
#include "ruvent/stream_objects.h"
#include "tessolk/board_map.h"

namespace ruvent {
namespace {

constexpr std::uintptr_t kDirectAddressAlign = 4096;
constexpr std::uint64_t kDirectSizeAlign = 0x40000;
using board_map::kIndexGroupStartBelow;
using board_map::kIndexRingNone;
using board_map::kIndexRingWrap;
// How long a close waits at most, in all, for pictures the board held back behind a full index
// ring: it publishes them at its next interrupts, one field apart.
constexpr std::int64_t kHeldBackWaitUs = 100'000;

std::atomic_ref<std::uint32_t> RingWord(std::uint8_t* window, std::uint32_t index) {
    return board_map::WindowWord(window, board_map::kEncoderIndexRing + 4 * index);
}

bool ValidRingIndex(std::uint32_t index) { return index % 2 == 0 && index < kIndexRingWrap; }

bool WriteFd(int fd, const std::uint8_t* data, std::uint64_t bytes) {
    while (bytes > 0) {
        const ssize_t put = ::write(fd, data, bytes);
        if (put <= 0) {
            if (put < 0 && errno == EINTR) continue;
            return false;
        }
        data += put;
        bytes -= static_cast<std::uint64_t>(put);
    }
    return true;
}

std::vector<std::uint8_t> EncodeGroup(std::vector<index_formats::PictureIndexRecord> records, bool lastGroup) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < records.size(); ++i) {
        // The field has 7 bits: a longer group must not spill into the last-group mark.
        records[i].picturesToGroupEnd =
            static_cast<std::uint8_t>(std::min<std::size_t>(records.size() - i, index_formats::kMaxPicturesPerGroup));
        records[i].lastGroup = lastGroup;
        const auto encoded = records[i].Encode();
        bytes.insert(bytes.end(), encoded.begin(), encoded.end());
    }
    return bytes;
}

}  // namespace

std::string PictureIndexName(const std::string& streamName) {
    const std::size_t slash = streamName.find_last_of('/');
    const std::size_t dot = streamName.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return streamName + ".mdb";
    return streamName.substr(0, dot) + ".mdb";
}

OutputStreamFile::OutputStreamFile(const std::string& name, std::uint32_t flags, std::uint8_t* window)
    : name_(platform::NormalizePath(name)), flags_(flags), window_(window) {
    if ((flags_ & kOutputPictureIndex) && window_) {
        indexFd_ = platform::OpenRegularFileDescriptor(PictureIndexName(name_), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC);
        if (indexFd_ < 0) std::printf("cannot create picture index %s\n", PictureIndexName(name_).c_str());
    }
}

OutputStreamFile::~OutputStreamFile() {
    // CloseOutputStream: the rest of the index with its last-group mark, then the file. After a
    // failed write, or a stream that ended without its stop, the index ends with the last picture
    // the file holds whole; an unfinished file is cut after that picture, so that the two agree.
    if (indexFd_ >= 0) {
        if (!failed_ && boardReadable_) TakeHeldBackEntries();
        const bool wholeOnly = failed_ || unfinished_;
        WriteIndexGroups(wholeOnly ? bytesOnDisk_ / 4 : std::numeric_limits<std::uint64_t>::max(), true);
        if (indexFd_ >= 0) ::close(indexFd_);
        const std::uint64_t indexedBytes = indexedEndWords_ * 4;
        if (unfinished_ && fd_ >= 0 && indexedBytes < bytesOnDisk_ &&
            ::ftruncate(fd_, static_cast<off_t>(indexedBytes)) != 0)
            std::printf("cannot cut %s back to its last whole picture\n", name_.c_str());
    }
    if (fd_ >= 0) ::close(fd_);
}

void OutputStreamFile::EndUnfinished(bool boardReadable) {
    unfinished_ = true;
    boardReadable_ = boardReadable;
}

bool OutputStreamFile::CreateFile(bool unbuffered) {
    const int flags = O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC;
    fd_ = -1;
    if (unbuffered) fd_ = platform::OpenRegularFileDescriptor(name_, flags | O_DIRECT, platform::BlockDevices::Taken);
    // File systems without direct I/O (tmpfs) refuse O_DIRECT: write buffered there.
    if (fd_ < 0) {
        unbuffered = false;
        fd_ = platform::OpenRegularFileDescriptor(name_, flags, platform::BlockDevices::Taken);
    }
    if (fd_ < 0) {
        std::printf("cannot create output file %s\n", name_.c_str());
        return false;
    }
    writeMode_ = unbuffered ? 1 : 2;
    return true;
}

bool OutputStreamFile::SetUnbuffered(bool unbuffered) {
    const int current = ::fcntl(fd_, F_GETFL);
    if (current < 0) return false;
    const int wanted = unbuffered ? current | O_DIRECT : current & ~O_DIRECT;
    if (wanted != current && ::fcntl(fd_, F_SETFL, wanted) != 0) return false;
    writeMode_ = unbuffered ? 1 : 2;
    return true;
}

bool OutputStreamFile::WriteAll(const std::uint8_t* data, std::uint32_t bytes) {
    if (WriteFd(fd_, data, bytes)) return true;
    // Direct I/O refused for this write (EINVAL on some file systems): once more, buffered.
    if (writeMode_ == 1 && errno == EINVAL && SetUnbuffered(false)) return WriteFd(fd_, data, bytes);
    return false;
}

bool OutputStreamFile::Write(std::uint8_t* buffer, std::uint32_t bytes) {
    const std::uint64_t position = bytesWritten_;
    bytesWritten_ += bytes;
    if (flags_ & kOutputSwapBytes) SwapWords(buffer, bytes);
    // After a failed write nothing more reaches the file, so nothing more is indexed.
    if (failed_) return false;
    if (indexFd_ >= 0) TakeIndexEntries();

    const bool aligned = reinterpret_cast<std::uintptr_t>(buffer) % kDirectAddressAlign == 0 &&
                         bytes % kDirectSizeAlign == 0 && position % kDirectSizeAlign == 0;
    if (writeMode_ == 0) {
        if (!CreateFile(aligned)) {
            failed_ = true;
            return false;
        }
    } else if ((writeMode_ == 1) != aligned) {
        // Switching on an open descriptor keeps the position; a refusal leaves it buffered.
        if (!SetUnbuffered(aligned) && writeMode_ == 1) SetUnbuffered(false);
    }
    if (!WriteAll(buffer, bytes)) {
        // A full disk or a failing device: close what was written cleanly and report it.
        std::printf("write to %s failed: %s\n", name_.c_str(), std::strerror(errno));
        const off_t held = ::lseek(fd_, 0, SEEK_END);
        if (held > 0) bytesOnDisk_ = static_cast<std::uint64_t>(held);
        ::close(fd_);
        fd_ = -1;
        failed_ = true;
        return false;
    }
    bytesOnDisk_ = bytesWritten_;
    if (indexFd_ >= 0) WriteIndexGroups(bytesOnDisk_ / 4, false);
    return true;
}

std::uint32_t OutputStreamFile::Read(std::uint8_t* buffer, std::uint32_t bytes) {
    // Reading an output name (input names beginning with '_') reads the file from its start.
    std::uint32_t done = 0;
    const int fd = platform::OpenRegularFileDescriptor(name_, O_RDONLY | O_CLOEXEC, platform::BlockDevices::Taken);
    if (fd >= 0) {
        while (done < bytes) {
            const ssize_t got = ::pread(fd, buffer + done, std::min<std::uint32_t>(4096, bytes - done),
                                        static_cast<off_t>(readPosition_));
            if (got <= 0) break;
            done += static_cast<std::uint32_t>(got);
            readPosition_ += static_cast<std::uint64_t>(got);
        }
        ::close(fd);
    }
    lastTransfer_ = done;
    return done;
}

bool OutputStreamFile::TakeIndexEntries() {
    const std::uint32_t writeIndex = RingWord(window_, 0).load();
    if (writeIndex == kIndexRingNone) return false;
    std::uint32_t read = RingWord(window_, 1).load();
    if (!ValidRingIndex(writeIndex)) return false;  // a torn or foreign word: look again next time
    if (!ValidRingIndex(read)) read = writeIndex;  // resynchronise rather than loop for ever
    // A ring the board has not written since the last look tells nothing new.
    if (read != writeIndex) ringWasFull_ = (writeIndex + 2) % kIndexRingWrap == read;
    while (read != writeIndex) {
        const std::uint32_t a = RingWord(window_, read + 2).load();
        const std::uint32_t b = RingWord(window_, read + 3).load();
        if (a < kIndexGroupStartBelow) {
            ++groups_;
            groupStartWords_ = runningWords_;
            picturesInGroup_ = 0;
        }
        IndexedPicture picture;
        picture.group = groups_;
        picture.record.groupStartWords = groupStartWords_;
        picture.record.pictureInGroup = static_cast<std::uint8_t>(std::min<std::size_t>(picturesInGroup_++, 255));
        runningWords_ += b >> 5;
        picture.endWords = runningWords_;
        pending_.push_back(picture);
        read = (read + 2) % kIndexRingWrap;
    }
    RingWord(window_, 1).store(read);
    return ringWasFull_;
}

// The board publishes a picture only while its ring has room, and an interrupt's pictures at
// once: a ring found full may hide whole pictures of the file that come at the board's next
// interrupt, a ring with room hides none.
void OutputStreamFile::TakeHeldBackEntries() {
    const std::int64_t giveUp = platform::PerformanceCounter() + kHeldBackWaitUs;
    while (TakeIndexEntries() && runningWords_ < bytesOnDisk_ / 4) {
        while (RingWord(window_, 0).load() == RingWord(window_, 1).load()) {
            if (platform::PerformanceCounter() >= giveUp) return;
            platform::SleepMs(1);
        }
    }
}

void OutputStreamFile::WriteIndexGroups(std::uint64_t dataWords, bool closing) {
    while (!pending_.empty() && indexFd_ >= 0) {
        std::size_t count = 1;
        while (count < pending_.size() && pending_[count].group == pending_[0].group) ++count;
        const bool mayGrow = count == pending_.size() && !closing;
        std::size_t held = 0;
        while (held < count && pending_[held].endWords <= dataWords) ++held;
        if (mayGrow || held == 0 || (held < count && !closing)) break;
        // A close that cuts the group ends the index with the pictures the file holds.
        if (!AppendGroup(held) || held < count) break;
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(count));
    }
    if (closing) pending_.clear();
}

bool OutputStreamFile::AppendGroup(std::size_t count) {
    std::vector<index_formats::PictureIndexRecord> group;
    for (std::size_t i = 0; i < count; ++i) group.push_back(pending_[i].record);
    const std::vector<std::uint8_t> bytes = EncodeGroup(group, true);
    if (!WriteFd(indexFd_, bytes.data(), bytes.size())) {
        // A full disk: the index keeps the whole groups it has and takes no more, since a gap
        // would shift every picture after it.
        std::printf("write to %s failed\n", PictureIndexName(name_).c_str());
        if (::ftruncate(indexFd_, static_cast<off_t>(indexBytes_)) != 0)
            std::printf("cannot cut back %s\n", PictureIndexName(name_).c_str());
        ::close(indexFd_);
        indexFd_ = -1;
        return false;
    }
    if (!lastWritten_.empty()) {
        // The group before is no longer the last one.
        const std::vector<std::uint8_t> before = EncodeGroup(lastWritten_, false);
        const auto at = static_cast<off_t>(indexBytes_ - before.size());
        if (::pwrite(indexFd_, before.data(), before.size(), at) != static_cast<ssize_t>(before.size()))
            std::printf("write to %s failed\n", PictureIndexName(name_).c_str());
    }
    indexBytes_ += bytes.size();
    indexedEndWords_ = pending_[count - 1].endWords;
    lastWritten_ = std::move(group);
    return true;
}

InterlacedOutput::InterlacedOutput(const std::string& name, std::uint32_t lineBytes, std::uint32_t lines)
    : lineBytes_(lineBytes), lines_(lines), frame_(std::size_t{lineBytes} * lines) {
    fd_ = platform::OpenRegularFileDescriptor(platform::NormalizePath(name), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC,
                                              platform::BlockDevices::Taken);
    if (fd_ < 0) {
        std::printf("cannot create output file %s\n", name.c_str());
        failed_ = true;
    }
}

InterlacedOutput::~InterlacedOutput() {
    if (fd_ >= 0) ::close(fd_);  // a partial frame is dropped
}

std::uint32_t InterlacedOutput::Read(std::uint8_t* buffer, std::uint32_t bytes) {
    const ssize_t got = fd_ >= 0 ? ::pread(fd_, buffer, bytes, 0) : 0;
    lastTransfer_ = got > 0 ? static_cast<std::uint32_t>(got) : 0;
    return lastTransfer_;
}

bool InterlacedOutput::Write(std::uint8_t* buffer, std::uint32_t bytes) {
    // WriteInterlacedFields: the first 240 lines are the first field (even rows), the rest the
    // second (odd rows).
    bool ok = !failed_;
    std::uint32_t at = 0;
    while (at < bytes) {
        const std::uint32_t row = line_ < lines_ / 2 ? 2 * line_ : 2 * line_ - (lines_ - 1);
        const std::uint32_t chunk = std::min(lineBytes_ - byte_, bytes - at);
        std::memcpy(frame_.data() + std::size_t{row} * lineBytes_ + byte_, buffer + at, chunk);
        at += chunk;
        byte_ += chunk;
        if (byte_ < lineBytes_) continue;
        byte_ = 0;
        if (++line_ < lines_) continue;
        line_ = 0;
        if (!failed_ && !WriteFd(fd_, frame_.data(), frame_.size())) {
            std::printf("write of an interlaced frame failed: %s\n", std::strerror(errno));
            failed_ = true;
        }
        ok = ok && !failed_;
    }
    return ok;
}

void InterlacedGeometry(const std::uint8_t* window, std::uint32_t& lineBytes, std::uint32_t& lines) {
    std::uint32_t words[3];
    std::memcpy(words, window + board_map::kFrameSourceDescriptor, sizeof words);
    const std::uint32_t width = words[0], height = words[1];
    if (words[2] != 0 || width < 16 || width > 4096 || width % 2 || height < 2 || height > 4096 || height % 2) return;
    lineBytes = 2 * width;
    lines = height;
}

StreamPair::StreamPair(std::unique_ptr<StreamObject> first, std::unique_ptr<StreamObject> second)
    : first_(std::move(first)), second_(std::move(second)) {}

std::uint32_t StreamPair::Read(std::uint8_t* buffer, std::uint32_t bytes) {
    if (first_) first_->Read(buffer, bytes);
    if (second_) second_->Read(buffer, bytes);
    lastTransfer_ = bytes;
    return bytes;
}

bool StreamPair::Write(std::uint8_t* buffer, std::uint32_t bytes) {
    bool ok = first_ ? first_->Write(buffer, bytes) : true;
    if (second_) ok = second_->Write(buffer, bytes) && ok;
    return ok;
}

void StreamPair::EndUnfinished(bool boardReadable) {
    if (first_) first_->EndUnfinished(boardReadable);
    if (second_) second_->EndUnfinished(boardReadable);
}

std::unique_ptr<StreamObject> CreateStreamPair(const std::string& name, std::uint32_t flags, std::uint8_t* window) {
    const std::size_t comma = name.find(',');
    const std::string firstName = name.substr(0, comma);
    std::unique_ptr<StreamObject> first;
    if (flags & kOutputInterlaced) {
        std::uint32_t lineBytes = kInterlacedLineBytes, lines = kInterlacedLines;
        if (window) InterlacedGeometry(window, lineBytes, lines);
        first = std::make_unique<InterlacedOutput>(firstName, lineBytes, lines);
    }
    else
        first = std::make_unique<OutputStreamFile>(firstName, flags, window);
    std::unique_ptr<StreamObject> second;
    if (comma != std::string::npos && comma + 1 < name.size())
        second = CreateStreamPair(name.substr(comma + 1), 0, window);
    return std::make_unique<StreamPair>(std::move(first), std::move(second));
}

}  // namespace ruvent
