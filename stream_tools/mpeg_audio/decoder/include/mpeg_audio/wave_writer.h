// 16-bit PCM WAVE file output. The header is written with zero sizes first and completed on Close.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace mpa {

class WaveFileWriter {
public:
    WaveFileWriter() = default;
    ~WaveFileWriter();
    WaveFileWriter(const WaveFileWriter&) = delete;
    WaveFileWriter& operator=(const WaveFileWriter&) = delete;

    bool Open(const std::string& path, int sampleRate, int channels);
    bool IsOpen() const { return file_ != nullptr; }
    // Interleaved little-endian samples.
    bool Write(const int16_t* samples, std::size_t count);
    // Completes the header with the final sizes and closes the file.
    bool Close();
    uint64_t DataBytes() const { return dataBytes_; }

private:
    bool WriteHeader();
    std::FILE* file_ = nullptr;
    int sampleRate_ = 0;
    int channels_ = 0;
    uint64_t dataBytes_ = 0;
    bool failed_ = false;
};

}  // namespace mpa
