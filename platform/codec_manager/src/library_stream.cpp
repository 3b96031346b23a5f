#include "library_stream.h"

#include <algorithm>

namespace acm {

namespace {
void PutLe16(std::vector<std::uint8_t>& v, std::uint32_t x) {
    v.push_back(std::uint8_t(x));
    v.push_back(std::uint8_t(x >> 8));
}
void PutLe32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    PutLe16(v, x & 0xFFFF);
    PutLe16(v, x >> 16);
}
}  // namespace

ConvertResult LibraryStream::Convert(const std::uint8_t* source, std::size_t sourceBytes, std::uint8_t* destination,
                                     std::size_t destinationBytes, unsigned flags) {
    ConvertResult result;
    const std::size_t block = std::size_t(channels_) * 2;
    std::size_t used = sourceBytes - sourceBytes % block;
    if (!(flags & kConvertBlockAlign) && used != sourceBytes) return result;  // no partial samples
    if (used > 0) {
        if (flushed_) return result;
        pcm_.resize(used / 2);
        for (std::size_t i = 0; i < pcm_.size(); ++i)
            pcm_[i] = std::int16_t(source[2 * i] | source[2 * i + 1] << 8);  // little-endian, as in WAVE files
        coded_.clear();
        if (!Encode(pcm_.data(), int(used / block), coded_)) return result;
        pending_.insert(pending_.end(), coded_.begin(), coded_.end());
    }
    if ((flags & kConvertEnd) && !flushed_) {
        coded_.clear();
        if (!Flush(coded_)) return result;
        pending_.insert(pending_.end(), coded_.begin(), coded_.end());
        flushed_ = true;
    }
    const std::size_t out = std::min(destinationBytes, pending_.size());
    std::copy_n(pending_.begin(), out, destination);
    pending_.erase(pending_.begin(), pending_.begin() + std::ptrdiff_t(out));
    result.ok = true;
    result.sourceUsed = used;
    result.destinationUsed = out;
    return result;
}

bool LibraryStream::AppendCoded(int reported, const unsigned char* scratch, int room, std::vector<std::uint8_t>& out) {
    if (reported < 0 || reported > room) return false;
    out.insert(out.end(), scratch, scratch + reported);
    return true;
}

WaveFormat MpegFormat(std::uint32_t rate, int kbps, int layer) {
    WaveFormat f;
    f.tag = layer == 3 ? kTagMpegLayer3 : kTagMpeg;
    f.channels = 2;
    f.rate = rate;
    f.byteRate = std::uint32_t(kbps) * 125;
    f.blockAlign = 1;
    const std::uint32_t frameBytes = 144 * std::uint32_t(kbps) * 1000 / rate;
    if (layer == 3) {
        PutLe16(f.extra, 1);           // id: MPEG
        PutLe32(f.extra, 2);           // flags: padding off
        PutLe16(f.extra, frameBytes);  // block size
        PutLe16(f.extra, 1);           // frames per block
        PutLe16(f.extra, 0);           // codec delay not stated
    } else {
        PutLe16(f.extra, 2);              // head layer: Layer II
        PutLe32(f.extra, f.byteRate * 8);  // head bit rate
        PutLe16(f.extra, 1);              // head mode: stereo
        PutLe16(f.extra, 0);              // mode extension
        PutLe16(f.extra, 1);              // emphasis: none
        PutLe16(f.extra, 0x10);           // flags: MPEG-1
        PutLe32(f.extra, 0);              // PTS low
        PutLe32(f.extra, 0);              // PTS high
    }
    return f;
}

}  // namespace acm
