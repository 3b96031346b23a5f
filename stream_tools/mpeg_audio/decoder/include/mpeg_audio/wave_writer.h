// 16-bit PCM WAVE file output. The header is written with zero sizes first and completed on Close.
// The file is written under a temporary name (platform::ReplacingFile) and put in place by
// Close; Discard, or a writer that goes unclosed after a failed write, leaves what was there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/replacing_file.h"

namespace mpa {

class WaveFileWriter {
public:
    WaveFileWriter() = default;
    ~WaveFileWriter();
    WaveFileWriter(const WaveFileWriter&) = delete;
    WaveFileWriter& operator=(const WaveFileWriter&) = delete;

    // Starts a file at `path`; a file this writer still had open is dropped, not put in place.
    bool Open(const std::string& path, int sampleRate, int channels);
    // The format, once known after Open (a decoder learns it from the first frame); the header
    // says it when the file is closed.
    void SetFormat(int sampleRate, int channels);
    bool IsOpen() const { return file_.IsOpen(); }
    // Interleaved little-endian samples.
    bool Write(const int16_t* samples, std::size_t count);
    // Completes the header with the final sizes and puts the file in place; false, with nothing
    // put in place, when a write failed.
    bool Close();
    // Drops the file: what was at the name stays.
    void Discard();
    uint64_t DataBytes() const { return dataBytes_; }

private:
    bool WriteBytes(const void* bytes, std::size_t size);
    bool Flush();
    platform::ReplacingFile file_;
    std::vector<uint8_t> buffer_;
    int sampleRate_ = 0;
    int channels_ = 0;
    uint64_t dataBytes_ = 0;
    bool failed_ = false;
};

}  // namespace mpa
