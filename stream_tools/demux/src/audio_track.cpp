#include "audio_track.h"

#include <algorithm>
#include <cstring>

#include "mpeg_audio/audio_frame.h"
#include "wave_format/wave_header.h"
#include "ps_demux/stream_report.h"

namespace ps_demux {

bool AudioTrackDecoder::Feed(const std::uint8_t* bytes, std::size_t n) {
    if (!decoding_) return true;
    held_.insert(held_.end(), bytes, bytes + n);
    if (firstBytes_ && held_.size() > 4) {
        firstBytes_ = false;
        if (!ParseFirstHeader()) return true;
    }
    return firstBytes_ || DecodeHeldFrames();
}

bool AudioTrackDecoder::ParseFirstHeader() {
    std::vector<std::string> lines;
    const AudioTrackHeader h = ParseAudioHeader(held_.data(), lines);
    for (const auto& line : lines) note_(line);
    if (!h.ok || !decoder_) {
        // The track is still written to its .mpg file; only its decoding stops.
        note_(decoder_ ? "Audio track not decoded: its header is refused" : "Audio track not decoded: no decoder");
        decoding_ = false;
        held_.clear();
        return false;
    }
    syncByte_ = h.syncByte;
    frequency_ = h.frequency;
    return true;
}

bool AudioTrackDecoder::DecodeHeldFrames() {
    // Each frame's length comes from its own header, so padded and unpadded frames of any layer
    // are cut where they end.
    while (held_.size() - start_ >= 4) {
        const std::uint8_t* p = held_.data() + start_;
        mpa::AudioFrameHeader header;
        int length = 0;
        if (p[0] == 0xFF && p[1] == syncByte_ && mpa::ParseHeaderBytes(p, header))
            length = mpa::FrameLengthBytes(header);
        if (length <= 0) {
            if (inSync_) note_("Can't find audio sync!");
            inSync_ = false;
            const std::uint8_t* end = held_.data() + held_.size();
            const std::uint8_t* next = p + 1;
            while ((next = static_cast<const std::uint8_t*>(std::memchr(next, 0xFF, std::size_t(end - next)))) &&
                   next + 1 < end && next[1] != syncByte_)
                ++next;
            start_ = next ? std::size_t(next - held_.data()) : held_.size();
            continue;
        }
        if (held_.size() - start_ < std::size_t(length)) break;
        inSync_ = true;
        const int values = decoder_->Decode(p, std::size_t(length), pcm_.data());
        start_ += std::size_t(length);
        if (values <= 0 || values > kMaxFrameValues) continue;
        channels_ = decoder_->Channels();
        const std::size_t bytes = std::size_t(values) * 2;
        for (std::size_t i = 0; i < std::size_t(values); ++i) {  // WAVE samples are little-endian
            pcmBytes_[2 * i] = std::uint8_t(pcm_[i]);
            pcmBytes_[2 * i + 1] = std::uint8_t(std::uint16_t(pcm_[i]) >> 8);
        }
        if (!wav_->Write(pcmBytes_.data(), bytes)) return false;
        dataBytes_ += bytes;
    }
    if (start_ > 0) {
        held_.erase(held_.begin(), held_.begin() + std::ptrdiff_t(start_));
        start_ = 0;
    }
    return true;
}

bool AudioTrackDecoder::Finish() {
    // The header goes into the 44 bytes reserved at the start, never over decoded samples.
    const auto header = wav::MakeWavHeader(frequency_ ? frequency_ : 48000, channels_, dataBytes_);
    return wav_->WriteAt(0, header.data(), header.size()) && wav_->Finish();
}

}  // namespace ps_demux
