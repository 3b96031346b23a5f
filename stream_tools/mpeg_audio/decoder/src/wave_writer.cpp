#include "mpeg_audio/wave_writer.h"

#include <vector>

namespace mpa {

namespace {
void Put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    Put16(p, v & 0xFFFF);
    Put16(p + 2, v >> 16);
}
}  // namespace

WaveFileWriter::~WaveFileWriter() { Close(); }

bool WaveFileWriter::Open(const std::string& path, int sample_rate, int channels) {
    Close();
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) return false;
    sample_rate_ = sample_rate;
    channels_ = channels;
    data_bytes_ = 0;
    failed_ = false;
    return WriteHeader();
}

bool WaveFileWriter::WriteHeader() {
    // A RIFF file cannot describe more than 4 GB; the sizes saturate.
    const uint32_t data = data_bytes_ > 0xFFFFFFFFull - 36 ? 0xFFFFFFFFu - 36 : static_cast<uint32_t>(data_bytes_);
    uint8_t h[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
    Put32(h + 4, 36 + data);
    Put32(h + 16, 16);
    Put16(h + 20, 1);  // PCM
    Put16(h + 22, static_cast<uint32_t>(channels_));
    Put32(h + 24, static_cast<uint32_t>(sample_rate_));
    Put32(h + 28, static_cast<uint32_t>(sample_rate_ * channels_ * 2));
    Put16(h + 32, static_cast<uint32_t>(channels_ * 2));
    Put16(h + 34, 16);
    h[36] = 'd';
    h[37] = 'a';
    h[38] = 't';
    h[39] = 'a';
    Put32(h + 40, data);
    if (std::fwrite(h, 1, sizeof h, file_) != sizeof h) failed_ = true;
    return !failed_;
}

bool WaveFileWriter::Write(const int16_t* samples, std::size_t count) {
    if (!file_) return false;
    std::vector<uint8_t> bytes(count * 2);
    for (std::size_t i = 0; i < count; ++i) Put16(&bytes[2 * i], static_cast<uint16_t>(samples[i]));
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) failed_ = true;
    data_bytes_ += bytes.size();
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
