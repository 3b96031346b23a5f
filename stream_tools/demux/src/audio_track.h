// The audio side of a track while decoding: frames gathered from the packet payloads, decoded
// and appended to the track's WAVE file.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ps_common/byte_io.h"
#include "ps_demux/track_audio_decoder.h"

namespace ps_demux {

class AudioTrackDecoder {
public:
    using Note = std::function<void(const std::string&)>;
    // `wav` already holds the 44 bytes reserved for the header.
    AudioTrackDecoder(std::unique_ptr<ps::ByteSink> wav, std::unique_ptr<TrackAudioDecoder> decoder, Note note)
        : wav_(std::move(wav)), decoder_(std::move(decoder)), note_(std::move(note)) {}

    // False when the WAVE file could not be written.
    bool Feed(const std::uint8_t* bytes, std::size_t n);
    // Writes the header over the reserved bytes. False on a write failure.
    bool Finish();
    // Puts the finished WAVE file in place.
    bool Commit() { return wav_->Commit(); }

private:
    bool ParseFirstHeader();
    bool DecodeHeldFrames();

    std::unique_ptr<ps::ByteSink> wav_;
    std::unique_ptr<TrackAudioDecoder> decoder_;
    Note note_;
    std::vector<std::uint8_t> held_;
    std::size_t start_ = 0;
    bool firstBytes_ = true;
    bool decoding_ = true;
    bool inSync_ = true;
    std::uint8_t syncByte_ = 0;
    std::uint32_t frequency_ = 0;
    int channels_ = 2;
    std::uint64_t dataBytes_ = 0;
    std::vector<std::int16_t> pcm_ = std::vector<std::int16_t>(kMaxFrameValues);
    std::vector<std::uint8_t> pcmBytes_ = std::vector<std::uint8_t>(2 * kMaxFrameValues);
};

}  // namespace ps_demux
