#include "mpeg_audio/stream_decoder.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "platform/replacing_file.h"
#include "platform/regular_file.h"

namespace mpa {

namespace {
constexpr std::size_t kHeaderBytes = 4;
// Free-format frames end at the next matching header, which must come within this many bytes.
constexpr std::size_t kMaxFreeFormatBytes = 8192;

bool SameStream(const AudioFrameHeader& a, const AudioFrameHeader& b) {
    return a.version == b.version && a.layer == b.layer && a.sampling_frequency == b.sampling_frequency &&
           (a.bitrate_index == 0) == (b.bitrate_index == 0);
}
}  // namespace

AudioStreamDecoder::AudioStreamDecoder(std::shared_ptr<const HuffmanDecoderTables> tables)
    : decoder_(std::move(tables)), pcm_(kMaxFrameValues) {}

AudioStreamDecoder::~AudioStreamDecoder() { wave_.Close(); }

bool AudioStreamDecoder::OpenWave(const std::string& path) {
    waveRequested_ = true;
    // The format is not known until the first frame; the header is rewritten at the end.
    return wave_.Open(path, 44100, 2);
}

bool AudioStreamDecoder::HeaderMatchesStream(const AudioFrameHeader& h) const {
    return !locked_ || SameStream(h, streamHeader_);
}

long AudioStreamDecoder::FrameLengthAt(std::size_t pos, bool final) const {
    const std::size_t end = pending_.size();
    if (end - pos < kHeaderBytes) return final ? 0 : -1;
    AudioFrameHeader h;
    if (!ParseHeaderBytes(&pending_[pos], h) || !HeaderMatchesStream(h)) return 0;
    long length = FrameLengthBytes(h);
    if (length == 0) {
        // Free format: up to the next header of the same kind.
        for (std::size_t next = pos + kHeaderBytes; next + kHeaderBytes <= end; ++next) {
            if (next - pos > kMaxFreeFormatBytes) return 0;
            AudioFrameHeader n;
            if (pending_[next] == 0xFF && ParseHeaderBytes(&pending_[next], n) && SameStream(h, n)) {
                return static_cast<long>(next - pos);
            }
        }
        if (!final) return end - pos > kMaxFreeFormatBytes ? 0 : -1;
        return static_cast<long>(end - pos);
    }
    if (pos + static_cast<std::size_t>(length) > end) {
        // Truncated at the end of the stream: a partial frame is not decoded.
        return final ? 0 : -1;
    }
    if (!locked_) {
        // Before the stream is known a header must be confirmed by the one that follows it.
        if (pos + length + kHeaderBytes > end) return final ? length : -1;
        AudioFrameHeader n;
        if (!ParseHeaderBytes(&pending_[pos + length], n) || !SameStream(h, n)) return 0;
    }
    return length;
}

void AudioStreamDecoder::Skip(std::size_t count) {
    if (stats_.firstSkipOffset < 0) stats_.firstSkipOffset = consumedOffset_ + static_cast<int64_t>(read_);
    stats_.bytesSkipped += static_cast<long>(count);
    read_ += count;
}

void AudioStreamDecoder::EmitFrame(std::size_t pos, std::size_t length) {
    int count = decoder_.DecodeAudioFrame(&pending_[pos], length, pcm_.data(), false);
    if (count <= 0) {
        ++stats_.framesDropped;
        return;
    }
    const int channels = decoder_.Channels();
    const int rate = SamplingRateHz(decoder_.Header());
    if (stats_.sampleRate == 0) {
        stats_.sampleRate = rate;
        stats_.channels = channels;
    }
    ++stats_.framesDecoded;
    const int16_t* samples = pcm_.data();
    std::size_t values = static_cast<std::size_t>(count);
    if (channels != stats_.channels) {
        // A frame in another channel count than the stream began with: fit it to the file.
        const std::size_t frames = values / static_cast<std::size_t>(channels);
        converted_.assign(frames * static_cast<std::size_t>(stats_.channels), 0);
        for (std::size_t i = 0; i < frames; ++i) {
            if (stats_.channels == 2) {
                converted_[2 * i] = converted_[2 * i + 1] = pcm_[i];
            } else {
                converted_[i] = pcm_[2 * i];
            }
        }
        samples = converted_.data();
        values = converted_.size();
    }
    stats_.sampleFrames += values / static_cast<std::size_t>(stats_.channels);
    if (waveRequested_ && !writeFailed_) {
        if (stats_.framesDecoded == 1) wave_.SetFormat(stats_.sampleRate, stats_.channels);
        if (!wave_.Write(samples, values)) writeFailed_ = true;
    }
    if (sink_) sink_(samples, values, stats_.sampleRate, stats_.channels);
}

bool AudioStreamDecoder::DecodeAvailable(bool final) {
    while (read_ < pending_.size()) {
        // Find the next byte-aligned sync.
        if (pending_[read_] != 0xFF) {
            std::size_t next = read_ + 1;
            while (next < pending_.size() && pending_[next] != 0xFF) ++next;
            Skip(next - read_);
            continue;
        }
        long length = FrameLengthAt(read_, final);
        if (length < 0) return true;  // wait for more bytes
        if (length == 0) {
            if (final && pending_.size() - read_ < kHeaderBytes) {
                Skip(pending_.size() - read_);
                break;
            }
            AudioFrameHeader h;
            if (final && pending_.size() - read_ >= kHeaderBytes && ParseHeaderBytes(&pending_[read_], h) &&
                HeaderMatchesStream(h) && FrameLengthBytes(h) > 0 &&
                read_ + static_cast<std::size_t>(FrameLengthBytes(h)) > pending_.size()) {
                ++stats_.framesDropped;  // truncated last frame
                Skip(pending_.size() - read_);
                break;
            }
            Skip(1);
            continue;
        }
        if (!locked_) {
            ParseHeaderBytes(&pending_[read_], streamHeader_);
            locked_ = true;
        }
        EmitFrame(read_, static_cast<std::size_t>(length));
        read_ += static_cast<std::size_t>(length);
    }
    return true;
}

void AudioStreamDecoder::Feed(const uint8_t* data, std::size_t size) {
    if (!data || size == 0) return;
    if (read_ > 0 && read_ >= pending_.size() / 2) {
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(read_));
        consumedOffset_ += static_cast<int64_t>(read_);
        read_ = 0;
    }
    pending_.insert(pending_.end(), data, data + size);
    DecodeAvailable(false);
}

bool AudioStreamDecoder::Finish() {
    DecodeAvailable(true);
    consumedOffset_ += static_cast<int64_t>(pending_.size());
    pending_.clear();
    read_ = 0;
    stats_.clippedSamples = decoder_.ClippedSamples();
    if (waveRequested_ && stats_.framesDecoded == 0) wave_.Discard();
    if (waveRequested_ && !wave_.Close()) writeFailed_ = true;
    return !writeFailed_;
}

bool DecodeMpegAudioFile(const std::string& input, const std::string& outputWav, StreamDecodeStats* stats,
                         std::string* error) {
    std::FILE* in = platform::OpenRegularFile(input, "rb").release();
    if (!in) {
        const bool other = std::filesystem::exists(input) && !platform::IsRegularFile(input);
        if (error) *error = "cannot open " + input + (other ? ": not a regular file" : "");
        return false;
    }
    AudioStreamDecoder decoder;
    if (!decoder.OpenWave(outputWav)) {
        std::fclose(in);
        if (error) *error = "cannot create " + outputWav;
        return false;
    }
    std::vector<uint8_t> buffer(1 << 16);
    std::size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), in)) > 0) decoder.Feed(buffer.data(), got);
    const bool readError = std::ferror(in) != 0;
    std::fclose(in);
    if (readError) decoder.AbandonWave();
    const bool written = decoder.Finish();
    if (stats) *stats = decoder.Stats();
    if (readError || !written) {
        if (error) *error = readError ? "cannot read " + input : "cannot write " + outputWav;
        return false;
    }
    return true;
}

}  // namespace mpa
