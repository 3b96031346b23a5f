#include "mpeg_audio/wave_writer.h"

#include "wave_format/wave_header.h"

#include <algorithm>
#include <bit>

namespace mpa {

namespace {
// Only big-endian hosts convert; little-endian ones write the samples as they are.
[[maybe_unused]] void Put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
}  // namespace

WaveFileWriter::~WaveFileWriter() { Close(); }

bool WaveFileWriter::Open(const std::string& path, int sampleRate, int channels) {
    Close();
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) return false;
    sampleRate_ = sampleRate;
    channels_ = channels;
    dataBytes_ = 0;
    failed_ = false;
    return WriteHeader();
}

bool WaveFileWriter::WriteHeader() {
    const auto h = wav::MakeWavHeader(static_cast<uint32_t>(sampleRate_), channels_, dataBytes_);
    if (std::fwrite(h.data(), 1, h.size(), file_) != h.size()) failed_ = true;
    return !failed_;
}

bool WaveFileWriter::Write(const int16_t* samples, std::size_t count) {
    if (!file_) return false;
    const std::size_t bytes = count * 2;
    if constexpr (std::endian::native == std::endian::little) {
        // The samples are already in the file's byte order.
        if (std::fwrite(samples, 1, bytes, file_) != bytes) failed_ = true;
    } else {
        uint8_t chunk[4096];
        for (std::size_t done = 0; done < count && !failed_;) {
            const std::size_t n = std::min(count - done, sizeof chunk / 2);
            for (std::size_t i = 0; i < n; ++i) Put16(&chunk[2 * i], static_cast<uint16_t>(samples[done + i]));
            if (std::fwrite(chunk, 1, 2 * n, file_) != 2 * n) failed_ = true;
            done += n;
        }
    }
    dataBytes_ += bytes;
    return !failed_;
}

bool WaveFileWriter::Close() {
    if (!file_) return !failed_;
    if (std::fseek(file_, 0, SEEK_SET) != 0 || !WriteHeader()) failed_ = true;
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    return !failed_;
}

}  // namespace mpa
