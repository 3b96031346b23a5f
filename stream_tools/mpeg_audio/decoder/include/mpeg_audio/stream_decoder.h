// Decoding a whole MPEG audio stream that arrives in pieces of any size (PES payloads, file
// reads): frames are found by their headers, checked against the next header, decoded, and the
// PCM goes to a WAVE file and/or a sink.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mpeg_audio/audio_decoder.h"
#include "mpeg_audio/wave_writer.h"

namespace mpa {

struct StreamDecodeStats {
    long framesDecoded = 0;
    long framesDropped = 0;   // found but not decoded (CRC, reservoir, damaged, truncated at the end)
    long bytesSkipped = 0;    // bytes that belong to no frame
    int64_t firstSkipOffset = -1;  // stream offset of the first skipped byte
    long clippedSamples = 0;
    int sampleRate = 0;
    int channels = 0;
    uint64_t sampleFrames = 0;
};

class AudioStreamDecoder {
public:
    // Interleaved samples of one frame, in the stream's channel count.
    using PcmSink = std::function<void(const int16_t* samples, std::size_t count, int sampleRate, int channels)>;

    explicit AudioStreamDecoder(std::shared_ptr<const HuffmanDecoderTables> tables = {});
    ~AudioStreamDecoder();

    // Creates the WAVE file now; its format is that of the first decoded frame.
    bool OpenWave(const std::string& path);
    void SetPcmSink(PcmSink sink) { sink_ = std::move(sink); }

    void Feed(const uint8_t* data, std::size_t size);
    // Decodes what is left and puts the completed WAVE file in place; a stream in which no frame
    // was decoded leaves no WAVE file (what was at its name stays). False when the file could not
    // be written.
    bool Finish();
    // Drops the WAVE file unwritten: the run failed elsewhere (its input could not be read).
    void AbandonWave() { wave_.Discard(); }

    const StreamDecodeStats& Stats() const { return stats_; }

private:
    bool DecodeAvailable(bool final);
    // Length of the frame whose header is at `pos`: 0 = not a frame here, -1 = need more bytes.
    long FrameLengthAt(std::size_t pos, bool final) const;
    bool HeaderMatchesStream(const AudioFrameHeader& h) const;
    void Skip(std::size_t count);
    void EmitFrame(std::size_t pos, std::size_t length);

    AudioFrameDecoder decoder_;
    std::vector<uint8_t> pending_;
    std::size_t read_ = 0;          // first unconsumed byte of pending_
    int64_t consumedOffset_ = 0;   // stream offset of pending_[0]
    bool locked_ = false;
    AudioFrameHeader streamHeader_;
    WaveFileWriter wave_;
    bool waveRequested_ = false;
    bool writeFailed_ = false;
    PcmSink sink_;
    StreamDecodeStats stats_;
    std::vector<int16_t> pcm_;
    std::vector<int16_t> converted_;
};

// Decodes a file of MPEG audio frames (a regular file: a pipe or device is refused, as it could
// run for ever) into a 16-bit WAVE file, put in place only when complete.
bool DecodeMpegAudioFile(const std::string& input, const std::string& outputWav, StreamDecodeStats* stats,
                         std::string* error);

}  // namespace mpa
