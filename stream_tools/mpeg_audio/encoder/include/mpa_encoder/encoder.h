// MPEG audio encoder: set up once per run with an option line, then one call per frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "mpeg_audio/audio_frame.h"

namespace mpa {

class Encoder {
public:
    // Input of one frame call: 1152 left samples, then 1152 right samples (planar).
    static constexpr int kFrameInputSamples = 2304;
    // Room the caller provides for one coded frame.
    static constexpr std::size_t kOutputBufferBytes = 4096;
    // Room the caller provides for `Flush`.
    static constexpr std::size_t kFlushBufferBytes = 16384;

    Encoder();
    ~Encoder();
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    // Parses the option line ("enc -l 2 -b 192 -s 48 ...") and prepares a run. Returns the samples per
    // frame and channel (384, 1152 or 576), or -1 with LastError() set. The analysis filter history and
    // the psychoacoustic models' state carry over from an earlier set-up of the same object.
    int EncoderSetup(const std::string& optionLine);

    // Codes one frame of `samples` (kFrameInputSamples values; Layer I reads the first 384 of each half,
    // Layer III at the half rates the first 576, single channel only the first half) into `out`. Returns
    // the bit count written (a whole number of bytes), or -1 with LastError() set. Layer III hands out
    // frames only once complete: a frame's free space takes the main data of later ones, so a call may
    // give none, one or two frames; `Flush` gives the rest.
    long EncodeFrame(const std::int16_t* samples, std::uint8_t* out, std::size_t outSize);

    // End of a run: codes frames of silence until every input sample has passed the filter banks (so a
    // decoded stream holds the whole input after the coding delay), completes the frames still held
    // (Layer III) and writes them; returns their bits, or -1 with LastError() set. Once per set-up.
    long Flush(std::uint8_t* out, std::size_t outSize);

    // Appends bits to the frame being written; the bit-writer callback of the Layer III formatter.
    void EmitBits(std::uint32_t value, int count);

    const std::string& LastError() const;
    // Header of the run (padding of the last frame coded).
    const AudioFrameHeader& Header() const;
    int SamplesPerFrame() const;
    int PsychoModel() const;

    struct State;

private:
    std::unique_ptr<State> state_;
};

}  // namespace mpa
