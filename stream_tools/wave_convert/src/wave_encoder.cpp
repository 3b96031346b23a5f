#include "wave_convert/wave_encoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "mpa_encoder/encoder.h"
#include "mpeg_audio/audio_frame.h"

namespace wave_convert {

namespace {

std::string Formatted(const char* format, int value) {
    char text[200];
    std::snprintf(text, sizeof text, format, value);
    return text;
}
}  // namespace

WaveEncoder::WaveEncoder(PcmInput input, int layer, int bitrate, const acm::Registry& registry)
    : input_(input), layer_(layer), bitrate_(bitrate), acm_(registry), builtIn_(std::make_unique<mpa::Encoder>()) {}

WaveEncoder::~WaveEncoder() = default;

void WaveEncoder::ChooseEncoder(platform::RunReport& report) {
    fast_ = false;
    if (layer_ != 2 && layer_ != 3) return;  // Layer I: the built-in encoder without a try
    const int r = acm_.OpenAcmEncoder(input_.rate, bitrate_ / 1000, layer_);
    if (r == 0 && layer_ == 2 && bitrate_ == 32000) {
        // Layer II at 32 kbit/s stays with the built-in encoder even where a driver takes it.
        acm_.CloseAcmEncoder();
        report.InfoBox(kLayer2NoSupport);
        return;
    }
    if (r == 0) {
        fast_ = true;
        return;
    }
    if (layer_ == 2)
        report.InfoBox(r == 1 ? kNoLayer2Driver : r == 2 ? kLayer2NoSupport : Formatted(kLayer2Error, r));
    else
        report.InfoBox(r == 1 ? kNoLayer3Driver : r == 2 ? kLayer3NoSupport : Formatted(kLayer3Error, r));
}

std::string WaveEncoder::OptionLine() const {
    char line[100];
    if (input_.rate == 44100)
        std::snprintf(line, sizeof line, "enc -l %d -b %d -s 44.1 -L", layer_, bitrate_ / 1000);
    else
        std::snprintf(line, sizeof line, "enc -l %d -b %d -s %d -L", layer_, bitrate_ / 1000, int(input_.rate / 1000));
    return line;
}

bool WaveEncoder::Start(platform::RunReport& report) {
    ChooseEncoder(report);
    planar_.assign(mpa::Encoder::kFrameInputSamples, 0);
    coded_.resize(mpa::Encoder::kOutputBufferBytes);
    if (!fast_) {
        // One frame of silence first: its output is dropped, the filter bank and the models keep
        // what they learnt from it.
        if (builtIn_->EncoderSetup(OptionLine()) < 0 ||
            builtIn_->EncodeFrame(planar_.data(), coded_.data(), coded_.size()) < 0) {
            error_ = builtIn_->LastError();
            return false;
        }
    }
    const int samples = builtIn_->EncoderSetup(OptionLine());
    if (samples <= 0) {
        error_ = builtIn_->LastError();
        return false;
    }
    samplesPerFrame_ = samples;
    frameLength_ = int(std::int64_t(samples / 8) * bitrate_ / std::int64_t(input_.rate));
    pcm_.resize(std::size_t(samples) * 4);
    return true;
}

std::size_t WaveEncoder::ReadFrame() {
    if (ended_) return 0;
    const std::uint64_t left = input_.bytes - bytesRead_;
    std::size_t want = std::size_t(std::min<std::uint64_t>(pcm_.size(), left - left % 4));
    std::size_t got = want ? input_.source->Read(pcm_.data(), want) : 0;
    got -= got % 4;
    bytesRead_ += got;
    // A short read ends the input; the rest of the frame is silence.
    std::fill(pcm_.begin() + std::ptrdiff_t(got), pcm_.end(), 0);
    if (got < pcm_.size()) ended_ = true;
    return got;
}

bool WaveEncoder::EncodeRead(std::vector<std::uint8_t>& out) {
    if (fast_) {
        std::memcpy(acm_.PcmBuffer(), pcm_.data(), std::min(pcm_.size(), AcmEncoder::kBufferBytes));
        const long bits = acm_.AcmEncodeFrame();
        if (bits < 0) return false;
        out.insert(out.end(), acm_.Output(), acm_.Output() + bits / 8);
        return true;
    }
    const std::size_t half = mpa::Encoder::kFrameInputSamples / 2;
    std::fill(planar_.begin(), planar_.end(), 0);
    for (int i = 0; i < samplesPerFrame_; ++i) {
        planar_[std::size_t(i)] = std::int16_t(pcm_[4 * i] | pcm_[4 * i + 1] << 8);             // left
        planar_[half + std::size_t(i)] = std::int16_t(pcm_[4 * i + 2] | pcm_[4 * i + 3] << 8);  // right
    }
    const long bits = builtIn_->EncodeFrame(planar_.data(), coded_.data(), coded_.size());
    if (bits < 0) {
        error_ = builtIn_->LastError();
        return false;
    }
    out.insert(out.end(), coded_.begin(), coded_.begin() + bits / 8);
    return true;
}

bool WaveEncoder::FlushCodec(std::vector<std::uint8_t>& out) {
    flushed_ = true;
    if (!fast_) {
        std::vector<std::uint8_t> rest(mpa::Encoder::kFlushBufferBytes);
        // The coding delay's frames of silence; Layer III also holds frames back until later ones settle
        // their free space.
        const long bits = builtIn_->Flush(rest.data(), rest.size());
        if (bits < 0) {
            error_ = builtIn_->LastError();
            return false;
        }
        out.insert(out.end(), rest.begin(), rest.begin() + bits / 8);
        return true;
    }
    for (;;) {
        const long bits = acm_.AcmFlush();
        if (bits < 0) return false;
        if (bits == 0) return true;
        out.insert(out.end(), acm_.Output(), acm_.Output() + bits / 8);
    }
}

void WaveEncoder::Trim(std::vector<std::uint8_t>& out) {
    trimPending_ = false;
    // Only the first frame, and only up to a header of the layer being coded.
    const std::uint8_t sync = HeaderSyncByte();
    for (std::size_t k = 0; k + 1 < out.size(); ++k) {
        if (out[k] == 0xFF && out[k + 1] == sync) {
            out.erase(out.begin(), out.begin() + std::ptrdiff_t(k));
            return;
        }
    }
}

bool WaveEncoder::CheckCodecFrames(const std::vector<std::uint8_t>& out) {
    unchecked_.insert(unchecked_.end(), out.begin(), out.end());
    std::size_t pos = 0;
    while (unchecked_.size() - pos >= 4) {
        mpa::AudioFrameHeader h;
        if (!mpa::ParseHeaderBytes(&unchecked_[pos], h) || h.layer != layer_ ||
            mpa::SamplingRateHz(h) != int(input_.rate))
            return false;
        const int length = mpa::FrameLengthBytes(h);
        if (length <= 4) return false;  // free format or no frame: nothing to check it by
        if (unchecked_.size() - pos < std::size_t(length)) break;
        pos += std::size_t(length);
    }
    unchecked_.erase(unchecked_.begin(), unchecked_.begin() + std::ptrdiff_t(pos));
    return true;
}

WaveEncoder::Next WaveEncoder::NextFrame(std::vector<std::uint8_t>& out) {
    out.clear();
    // A codec may hold frames back: encode on until bytes come out or the input ends.
    while (out.empty() && !ended_) {
        if (ReadFrame() == 0) break;
        if (!EncodeRead(out)) {
            if (error_.empty()) error_ = kEncoderError;
            return Next::Failed;
        }
    }
    if (out.empty() && !flushed_ && !FlushCodec(out)) {
        error_ = kEncoderError;
        return Next::Failed;
    }
    if (fast_ && !CheckCodecFrames(out)) {
        error_ = kEncoderNotFrames;
        return Next::Failed;
    }
    if (out.empty()) {
        if (!fast_ || unchecked_.empty()) return Next::End;
        error_ = kEncoderNotFrames;  // the stream ends inside a frame
        return Next::Failed;
    }
    if (trimPending_) Trim(out);
    return Next::Frame;
}

}  // namespace wave_convert
