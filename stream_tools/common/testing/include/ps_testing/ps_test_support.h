// Helpers for the stream engines' tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ps_testing {

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Runs ffmpeg quietly with the given arguments; true on success.
bool Ffmpeg(const std::string& args);

// Clip makers (2 s unless told): paths in `dir`, made once per process and reused.
std::string MakeMpeg2Video(const std::string& dir, int seconds = 2, const std::string& extra = "");
std::string MakeMpeg1Video(const std::string& dir, int seconds = 2);
// ffmpeg's default rate control: a variable rate stream whose header says "variable".
std::string MakeVariableRateVideo(const std::string& dir, bool mpeg2, int seconds = 5);
// codec "mp2" or "libmp3lame"; Layer II/III.
std::string MakeMpegAudio(const std::string& dir, const std::string& codec, int rate, int kbps,
                          int seconds = 2);

// Inserts 0-3 zero bytes before each start code so that every start code lies on a 4-byte
// boundary (legal stuffing; decodes to the same pictures).
std::vector<std::uint8_t> AlignStartCodes(const std::vector<std::uint8_t>& es);

// Bit writer for hand-built headers.
class BitWriter {
public:
    void Put(std::uint32_t value, int bits);
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
    int used_ = 8;
};

// One packet of a program stream, as a small independent reader sees it.
struct PsPacket {
    std::uint64_t packOffset = 0;
    std::uint64_t scr = 0;
    std::uint32_t muxRate = 0;
    int version = 0;
    std::uint8_t streamId = 0;
    std::uint64_t offset = 0;      // of the packet start code
    std::size_t headerBytes = 0;   // start code to payload
    std::size_t payloadBytes = 0;
    bool hasPts = false, hasDts = false;
    std::uint64_t pts = 0, dts = 0;
};
struct PsReadResult {
    std::vector<PsPacket> packets;
    bool endCode = false;
    std::string error;
};
PsReadResult ReadProgramStream(const std::vector<std::uint8_t>& ps);
// The concatenated payloads of one stream id.
std::vector<std::uint8_t> StreamPayload(const std::vector<std::uint8_t>& ps, const PsReadResult& read,
                                        std::uint8_t id);

}  // namespace ps_testing
