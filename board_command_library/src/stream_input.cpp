// Input stream files: plain reading with end offsets, loops and queued follow-on files, the
// audio rate change of stream 3 and the frame sources of stream 2.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "platform/kernel.h"
#include "platform/regular_file.h"
#include "ruvent/board_driver.h"
#include "ruvent/stream_objects.h"

#include "tessolk/board_map.h"
#include "tessolk/tessolk.h"

namespace ruvent {
namespace {

// First driver name slot and slot count of each stream's follow-on queue; stream 4 has none.
struct QueueSlots {
    std::uint32_t firstSlot, count;
};
constexpr QueueSlots kQueueSlots[5] = {{4, 2}, {6, 2}, {10, 4}, {14, 2}, {0, 0}};
constexpr std::uint32_t kLargestFrame = 64u << 20;

std::uint32_t WindowWord(std::uint8_t* window, std::uint32_t offset) {
    return board_map::WindowWord(window, offset).load();
}
void SetWindowWord(std::uint8_t* window, std::uint32_t offset, std::uint32_t value) {
    board_map::WindowWord(window, offset).store(value);
}

std::uint32_t ReadFully(int fd, std::uint8_t* buffer, std::uint64_t bytes) {
    std::uint64_t done = 0;
    while (done < bytes) {
        const ssize_t got = ::read(fd, buffer + done, bytes - done);
        if (got <= 0) break;
        done += static_cast<std::uint64_t>(got);
    }
    return static_cast<std::uint32_t>(done);
}

}  // namespace

void SwapWords(std::uint8_t* data, std::uint32_t bytes) {
    for (std::uint32_t i = 0; i + 4 <= bytes; i += 4) {
        std::swap(data[i], data[i + 3]);
        std::swap(data[i + 1], data[i + 2]);
    }
}

std::string NextSequenceName(const std::string& name) {
    const std::size_t slash = name.find_last_of('/');
    const std::size_t dot = name.find_last_of('.');
    const std::size_t stemEnd = dot != std::string::npos && (slash == std::string::npos || dot > slash) ? dot
                                                                                                       : name.size();
    std::size_t digits = stemEnd;
    while (digits > 0 && digits > (slash == std::string::npos ? 0 : slash + 1) &&
           std::isdigit(static_cast<unsigned char>(name[digits - 1])))
        --digits;
    std::string number = name.substr(digits, stemEnd - digits);
    if (number.empty()) return name;
    // Add one in decimal, keeping the width (frame0009 -> frame0010); a carry out widens it.
    int i = static_cast<int>(number.size()) - 1;
    while (i >= 0 && number[i] == '9') number[i--] = '0';
    if (i >= 0)
        ++number[i];
    else
        number.insert(number.begin(), '1');
    return name.substr(0, digits) + number + name.substr(stemEnd);
}

InputStreamFile::InputStreamFile(const std::string& name, std::uint64_t end, std::uint64_t start, std::uint32_t flags,
                                 const StreamBoard& board, std::uint32_t stream)
    : end_(end), flags_(flags), board_(board), stream_(stream) {
    if (name == "mnullm" || !OpenFile(name, start)) {
        ended_ = true;
    }
    if (stream_ == 3 && board_.window) {
        samples_.resize(kAudioSampleBufferBytes);
        accumulator_ = WindowWord(board_.window, board_map::kAudioRateStep);
        if (accumulator_ < 256) accumulator_ *= 2;
    }
    if (stream_ == 2 && (flags_ & kInputRecordMode) && board_.window && !ended_) {
        auto source = std::make_unique<FrameSource>();
        const std::uint32_t at = board_map::kFrameSourceDescriptor;
        source->bytesPerLine = WindowWord(board_.window, at);
        source->lines = WindowWord(board_.window, at + 4);
        source->skip = WindowWord(board_.window, at + 8);
        source->type = WindowWord(board_.window, at + 12);
        source->fieldSequential = (flags_ & kInputFieldSequential) != 0;
        source->name = name;
        if (source->type == 3) {
            ::lseek(fd_, source->skip, SEEK_CUR);
            position_ += source->skip;
            source->bytesPerLine /= 2;
            source->lines *= 2;
        }
        const std::uint64_t frameBytes = std::uint64_t{source->bytesPerLine} * source->lines;
        // A descriptor the board never filled in, or one asking for an absurd frame, ends the stream.
        if (source->type < 1 || source->type > 3 || frameBytes == 0 || frameBytes > kLargestFrame) {
            ended_ = true;
            CloseFile();
        } else {
            source->frame.resize(frameBytes);
            frames_ = std::move(source);
        }
    }
}

InputStreamFile::~InputStreamFile() { CloseFile(); }

bool InputStreamFile::OpenFile(const std::string& name, std::uint64_t start) {
    CloseFile();
    fd_ = platform::OpenRegularFileDescriptor(platform::NormalizePath(name), O_RDONLY | O_CLOEXEC,
                                              platform::BlockDevices::Taken);
    if (fd_ < 0) {
        std::printf("cannot open input file %s\n", name.c_str());
        return false;
    }
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    position_ = static_cast<std::uint64_t>(::lseek(fd_, static_cast<off_t>(start), SEEK_SET));
    return true;
}

void InputStreamFile::CloseFile() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool InputStreamFile::SwitchToQueuedFile() {
    if (stream_ > 4 || !board_.window) return false;
    const QueueSlots slots = kQueueSlots[stream_];
    if (slots.count == 0) return false;
    const std::uint32_t flagWord = board_map::kQueueSlotFlags[stream_] + 4 * queueIndex_;
    if (WindowWord(board_.window, flagWord) == 0) return false;
    const std::uint32_t slot = slots.firstSlot + queueIndex_;
    char name[kQrddNameMax] = {};
    std::uint32_t endHigh = 0, endLow = 0, startHigh = 0, startLow = 0, flags = 0;
    BoardDriver& driver = ActiveDriver();
    driver.ReadInputFilename(board_.board, name, slot);
    driver.ReadInputFilenameOffset(board_.board, endHigh, endLow, startHigh, startLow, slot);
    driver.ReadInputFilenameReverse(board_.board, flags, slot);
    SetWindowWord(board_.window, flagWord, 0);
    queueIndex_ = (queueIndex_ + 1) % slots.count;
    end_ = std::uint64_t{endHigh} << 32 | endLow;
    flags_ = (flags & (kInputSwapBytes | kInputFieldSequential)) | (flags_ & kInputRecordMode);
    const std::string next = name;
    ended_ = next == "mnullm" || !OpenFile(next, std::uint64_t{startHigh} << 32 | startLow);
    return true;
}

std::uint32_t InputStreamFile::ReadInputFile(std::uint8_t* buffer, std::uint32_t bytes) {
    std::uint32_t filled = 0;
    while (filled < bytes) {
        if (!ended_) {
            std::uint64_t want = bytes - filled;
            bool reachesEnd = false;
            if (end_ != 0 && position_ + want >= end_) {
                want = end_ > position_ ? end_ - position_ : 0;
                reachesEnd = true;
            }
            const bool fromStart = position_ == 0;
            const std::uint32_t got = ReadFully(fd_, buffer + filled, want);
            if (fromStart && stream_ == 3 && got > 0)
                std::memset(buffer + filled, 0, std::min(got, kWaveHeaderBytes));
            if (flags_ & kInputSwapBytes) SwapWords(buffer + filled, got);
            position_ += got;
            const std::uint32_t startOfRead = filled;
            filled += got;
            if (got == want) {
                if (reachesEnd) ended_ = true;  // the queue below may carry on
                continue;
            }
            // End of file.
            if (got == 0 && fromStart) {
                // An empty file would otherwise be read again and again for nothing.
                ended_ = true;
                continue;
            }
            ::lseek(fd_, 0, SEEK_SET);
            position_ = 0;
            if (loopFlag) {
                if (loopTime >= 0) --loopTime;
                if (loopTime <= 0) {
                    // Played out: a later read (the audio rate change reads on from its sample
                    // buffer) gets nothing, or the queued file, rather than the file once more.
                    ended_ = true;
                    const std::uint32_t rounded = std::min(bytes, (filled + 7) & ~7u);
                    std::memset(buffer + filled, 0, rounded - filled);
                    lastTransfer_ = rounded;
                    return rounded;
                }
                continue;
            }
            if (fromStart) {
                // A file shorter than the buffer is repeated to fill it.
                std::uint32_t limit = bytes;
                while (filled < limit) {
                    const std::uint32_t chunk = std::min(got, limit - filled);
                    std::memmove(buffer + filled, buffer + startOfRead, chunk);
                    filled += chunk;
                }
            }
            break;
        }
        if (!SwitchToQueuedFile()) {
            ended_ = true;
            break;
        }
    }
    lastTransfer_ = filled;
    return filled;
}

std::uint32_t InputStreamFile::Read(std::uint8_t* buffer, std::uint32_t bytes) {
    std::uint32_t done;
    if (stream_ == 3 && !samples_.empty())
        done = ReadResampled(buffer, bytes);
    else if (frames_)
        done = ReadFrameSource(buffer, bytes);
    else
        done = ReadInputFile(buffer, bytes);
    lastTransfer_ = done;
    return done;
}

std::uint32_t InputStreamFile::ReadResampled(std::uint8_t* buffer, std::uint32_t bytes) {
    // 16-bit stereo frames of 4 bytes; AudioRateStep is read live, 256 = unchanged rate.
    const auto step = board_map::WindowWord(board_.window, board_map::kAudioRateStep);
    std::uint32_t out = 0;
    bool refilled = false;
    for (std::uint32_t frame = 0; frame < bytes / 4; ++frame) {
        if (accumulator_ < 256) {
            accumulator_ += step.load();
            ++sampleIndex_;
        }
        if (accumulator_ > 255) {
            if (sampleIndex_ < 0 || sampleIndex_ >= static_cast<std::int64_t>(samplesHeld_ / 4)) {
                if (refilled) break;
                refilled = true;
                // Never more than the sample buffer holds, whatever the caller asked for.
                samplesHeld_ = ReadInputFile(samples_.data(), std::min(bytes, kAudioSampleBufferBytes)) & ~3u;
                sampleIndex_ = 0;
                if (samplesHeld_ == 0) break;
            }
            std::memcpy(buffer + out, samples_.data() + sampleIndex_ * 4, 4);
            out += 4;
            accumulator_ -= 256;
        }
    }
    return out;
}

bool InputStreamFile::LoadFrame() {
    FrameSource& source = *frames_;
    const auto frameBytes = static_cast<std::uint32_t>(source.frame.size());
    if (source.type == 1) {
        if (ReadInputFile(source.frame.data(), frameBytes) < frameBytes) return false;
        const std::uint64_t skip = std::uint64_t{source.skip} * source.bytesPerLine;
        ::lseek(fd_, static_cast<off_t>(skip), SEEK_CUR);
        position_ += skip;
        return true;
    }
    if (source.type == 2) {
        if (fd_ < 0) return false;
        ::lseek(fd_, static_cast<off_t>(source.skip) - 4, SEEK_CUR);
        std::uint8_t descriptor[4];
        if (ReadFully(fd_, descriptor, 4) < 4) return false;
        source.topToBottom = (descriptor[3] & 0x20) != 0;  // bit 29: the Targa top-left origin bit
        if (ReadFully(fd_, source.frame.data(), frameBytes) < frameBytes) return false;
        if (flags_ & kInputSwapBytes) SwapWords(source.frame.data(), frameBytes);
        source.name = NextSequenceName(source.name);
        if (!OpenFile(source.name, 0)) ended_ = true;
        return true;
    }
    // Type 3: 4:2:2 frames whose 32-byte groups are reordered into two halves.
    std::vector<std::uint8_t> raw(frameBytes);
    if (ReadInputFile(raw.data(), frameBytes) < frameBytes) return false;
    const std::uint32_t half = frameBytes / 2;
    static constexpr int kHigh[16] = {12, 8, 4, 0, 28, 24, 20, 16, 14, 10, 6, 2, 30, 26, 22, 18};
    static constexpr int kLow[16] = {7, 5, 3, 1, 15, 13, 11, 9, 23, 21, 19, 17, 31, 29, 27, 25};
    for (std::uint32_t g = 0; g + 32 <= frameBytes && g / 2 + 16 <= half; g += 32) {
        const std::uint32_t p = g / 2;
        for (int i = 0; i < 16; ++i) {
            source.frame[half + p + i] = raw[g + kHigh[i]];
            source.frame[p + i] = raw[g + kLow[i]];
        }
    }
    return true;
}

std::uint32_t InputStreamFile::ReadFrameSource(std::uint8_t* buffer, std::uint32_t bytes) {
    FrameSource& source = *frames_;
    std::uint32_t done = 0;
    while (done < bytes) {
        if (source.line == 0 && source.byte == 0 && !LoadFrame()) break;
        const std::uint32_t row = source.topToBottom ? source.line : source.lines - source.line - 1;
        const std::uint32_t chunk = std::min(source.bytesPerLine - source.byte, bytes - done);
        std::memcpy(buffer + done, source.frame.data() + std::uint64_t{row} * source.bytesPerLine + source.byte,
                    chunk);
        done += chunk;
        source.byte += chunk;
        if (source.byte == source.bytesPerLine) {
            source.byte = 0;
            source.line += source.fieldSequential ? 2 : 1;
            if (source.line == source.lines) source.line = source.fieldSequential ? 1 : 0;
            if (source.line >= source.lines + 1) source.line = 0;
        }
    }
    return done;
}

std::unique_ptr<StreamObject> OpenInputStream(const std::string& name, std::uint64_t end, std::uint64_t start,
                                              std::uint32_t flags, const StreamBoard& board, std::uint32_t stream) {
    return std::make_unique<InputStreamFile>(name, end, start, flags, board, stream);
}

}  // namespace ruvent
