// MPEG-2 video decoding for the software board's channel A: coded pictures in, pictures in display
// order out, each converted on request to 8-bit 4:2:2 fields (Cb Y Cr Y, two bytes a pixel) of the
// size the decode output asks for. libavcodec does the decoding, libswscale the conversion.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace softboard {

class PictureDecoder {
public:
    PictureDecoder();
    ~PictureDecoder();
    PictureDecoder(const PictureDecoder&) = delete;
    PictureDecoder& operator=(const PictureDecoder&) = delete;

    bool Ready() const;
    // One coded picture with the headers in front of it; `displayIndex` comes back with the
    // picture it decodes to.
    void Feed(const std::uint8_t* data, std::size_t bytes, std::int64_t displayIndex);
    // The end of the stream: the pictures still held for reordering come out.
    void Flush();
    // Starts afresh (a new clip).
    void Reset();

    bool Has(std::int64_t displayIndex) const { return pictures_.count(displayIndex) != 0; }
    // The field (0 top: even lines, 1 bottom: odd lines) of a decoded picture scaled to
    // width x (2 x fieldLines), 2 x width bytes a line. Empty when the picture is not decoded.
    std::vector<std::uint8_t> Field(std::int64_t displayIndex, int parity, int width, int fieldLines);
    // Drops pictures before `displayIndex`.
    void Forget(std::int64_t displayIndex);
    // Pictures the decoder gave up on (damaged, or references it never saw), for the log.
    std::uint64_t Lost() const { return lost_; }

private:
    struct Codec;
    void Receive();
    std::unique_ptr<Codec> codec_;
    std::map<std::int64_t, std::shared_ptr<void>> pictures_;  // AVFrame, freed by its deleter
    std::uint64_t lost_ = 0;
};

}  // namespace softboard
