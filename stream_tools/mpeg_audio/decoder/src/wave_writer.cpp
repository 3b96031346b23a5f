#include "mpeg_audio/wave_writer.h"

#include "wave_format/wave_header.h"

#include <algorithm>
#include <bit>

namespace mpa {

namespace {
constexpr std::size_t kBufferBytes = 1 << 16;

// Only big-endian hosts convert; little-endian ones write the samples as they are.
[[maybe_unused]] void Put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
}  // namespace

WaveFileWriter::~WaveFileWriter() {
    // A writer that goes without a failure completes its file, as it always has.
    if (!failed_) Close();
}

bool WaveFileWriter::Open(const std::string& path, int sampleRate, int channels) {
    // Only Close puts a file in place: one run, one rename, at its end.
    Discard();
    failed_ = false;
    if (!file_.Open(path)) return false;
    sampleRate_ = sampleRate;
    channels_ = channels;
    dataBytes_ = 0;
    buffer_.clear();
    buffer_.reserve(kBufferBytes);
    const auto h = wav::MakeWavHeader(static_cast<uint32_t>(sampleRate_), channels_, 0);
    return WriteBytes(h.data(), h.size());
}

void WaveFileWriter::SetFormat(int sampleRate, int channels) {
    sampleRate_ = sampleRate;
    channels_ = channels;
    // While no sample is written the header is still in the buffer: a device written straight
    // into then gets the right one too.
    if (dataBytes_ != 0 || buffer_.size() < wav::kWavHeaderSize) return;
    const auto h = wav::MakeWavHeader(static_cast<uint32_t>(sampleRate_), channels_, 0);
    std::copy(h.begin(), h.end(), buffer_.begin());
}

bool WaveFileWriter::WriteBytes(const void* bytes, std::size_t size) {
    if (failed_) return false;
    if (buffer_.size() + size > kBufferBytes && !Flush()) return false;
    const auto* p = static_cast<const uint8_t*>(bytes);
    if (size >= kBufferBytes) {
        failed_ = !file_.Write(p, size);
    } else {
        buffer_.insert(buffer_.end(), p, p + size);
    }
    return !failed_;
}

bool WaveFileWriter::Flush() {
    if (!failed_ && !buffer_.empty()) failed_ = !file_.Write(buffer_.data(), buffer_.size());
    buffer_.clear();
    return !failed_;
}

bool WaveFileWriter::Write(const int16_t* samples, std::size_t count) {
    if (!file_.IsOpen()) return false;
    const std::size_t bytes = count * 2;
    if constexpr (std::endian::native == std::endian::little) {
        // The samples are already in the file's byte order.
        WriteBytes(samples, bytes);
    } else {
        uint8_t chunk[4096];
        for (std::size_t done = 0; done < count && !failed_;) {
            const std::size_t n = std::min(count - done, sizeof chunk / 2);
            for (std::size_t i = 0; i < n; ++i) Put16(&chunk[2 * i], static_cast<uint16_t>(samples[done + i]));
            WriteBytes(chunk, 2 * n);
            done += n;
        }
    }
    dataBytes_ += bytes;
    return !failed_;
}

bool WaveFileWriter::Close() {
    if (!file_.IsOpen()) return !failed_;
    const auto h = wav::MakeWavHeader(static_cast<uint32_t>(sampleRate_), channels_, dataBytes_);
    if (!Flush() || !file_.WriteAt(0, h.data(), h.size())) failed_ = true;
    if (failed_) {
        file_.Discard();
        return false;
    }
    failed_ = !file_.Commit();
    return !failed_;
}

void WaveFileWriter::Discard() {
    buffer_.clear();
    file_.Discard();
}

}  // namespace mpa
