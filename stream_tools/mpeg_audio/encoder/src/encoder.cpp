#include "mpa_encoder/encoder.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "analysis_filter.h"
#include "encoder_options.h"
#include "layer12_encoder.h"
#include "mpeg_audio/bit_stream.h"
#include "mpeg_audio/console.h"
#include "platform/log.h"
#include "layer3_encoder.h"

namespace mpa {

struct Encoder::State {
    // Set up per run.
    AudioFrameParams params;
    int configured_mode = kStereo;
    int model = 2;
    double quality = 1.0;
    BitStream stream;
    int whole_slots = 0;
    double fractional_slots = 0.0;
    double slot_lag = 0.0;
    int bits_per_slot = 0;
    int samples_per_frame = 0;
    bool ready = false;
    bool tail_written = false;
    std::string error;

    // Set up once per object and carried over between runs.
    AnalysisFilter filter;
    Layer12Encoder layer12;
    Layer3Encoder layer3;
};

Encoder::Encoder() : state_(std::make_unique<State>()) {}
Encoder::~Encoder() = default;

const std::string& Encoder::LastError() const { return state_->error; }
const AudioFrameHeader& Encoder::Header() const { return state_->params.header; }
int Encoder::SamplesPerFrame() const { return state_->samples_per_frame; }
int Encoder::PsychoModel() const { return state_->model; }

namespace {

// Pairs of bit rate and mode the coding cannot carry, named by their rule; empty when allowed.
std::string ModeAndBitrateRule(const AudioFrameHeader& h, int kbps, long rateHz) {
    const bool single = h.mode == kSingleChannel;
    if (h.layer == 2 && h.version == 1) {
        // The allowed combinations of Layer II: the low rates are for one channel, the high ones
        // for two.
        if (!single && (kbps == 32 || kbps == 48 || kbps == 56 || kbps == 80))
            return "Layer II at " + std::to_string(kbps) + " kbit/s takes single channel mode only (-m m)";
        if (single && kbps >= 224)
            return "Layer II at " + std::to_string(kbps) + " kbit/s takes two channels only, not single channel mode";
    }
    if (h.layer == 1) {
        // A Layer I frame holds at least the header, the CRC and four allocation bits per subband
        // and channel (joint stereo: both channels only below the smallest bound, 4).
        const long frameBits = 12L * kbps * 1000 / rateHz * 32;
        const long allocationBits = single ? 4 * 32 : h.mode == kJointStereo ? 4 * (32 + 4) : 4 * 32 * 2;
        const long needed = 32 + (h.error_protection ? 16 : 0) + allocationBits;
        if (needed > frameBits)
            return "Layer I at " + std::to_string(kbps) + " kbit/s and " + std::to_string(rateHz) +
                   " Hz has " + std::to_string(frameBits) + " bits a frame, fewer than the " + std::to_string(needed) +
                   " its header and bit allocation take in this mode";
    }
    return {};
}

}  // namespace

int Encoder::EncoderSetup(const std::string& optionLine) {
    State& s = *state_;
    s.ready = false;
    s.tail_written = false;
    s.error.clear();
    s.layer12.Reset();

    AudioFrameHeader& h = s.params.header;
    h = AudioFrameHeader{};
    h.version = 1;
    h.layer = 3;
    h.sampling_frequency = 0;
    h.bitrate_index = 9;
    s.params.alloc.reset();
    s.params.tab_num = -1;

    EncoderOptions options;
    std::string message;
    if (!ParseEncoderOptions(optionLine, options, message)) {
        if (!message.empty()) ConsoleMessage("%s", message.c_str());
        s.error = message.empty() ? "bad -q value" : message.substr(0, message.size() - 1);
        return -1;
    }
    int version = 1;
    int frequency = SmpFrqIndex(options.rate_hz, &version);
    if (frequency < 0) {
        s.error = "illegal sampling rate " + std::to_string(options.rate_hz);
        return -1;
    }
    if (version == 0 && options.layer != 3) {
        // The Layer I/II psychoacoustic models have tables for 32, 44.1 and 48 kHz only.
        s.error = "Layers I and II are coded at 32, 44.1 and 48 kHz only";
        return -1;
    }
    h.version = version;
    h.sampling_frequency = frequency;
    h.layer = options.layer;
    h.mode = options.mode;
    h.mode_ext = 0;
    h.error_protection = options.protection ? 1 : 0;
    h.copyright = options.copyright ? 1 : 0;
    h.original = options.original ? 1 : 0;
    h.emphasis = options.emphasis;
    s.configured_mode = options.mode;
    s.model = options.model;
    s.quality = options.quality;

    OpenBitWriter(s.stream, kWriterBufferBytes);

    int bitrate = options.bitrate_kbps;
    if (bitrate == 0) bitrate = kBitrateKbps[version][h.layer - 1][9];
    h.bitrate_index = BitrateIndex(h.layer, bitrate, version);
    if (h.bitrate_index <= 0) {
        s.error = "illegal bitrate " + std::to_string(bitrate) + " kbit/s for layer " + std::to_string(h.layer);
        return -1;
    }
    s.error = ModeAndBitrateRule(h, bitrate, options.rate_hz);
    if (!s.error.empty()) return -1;
    if (!HeaderToFrameParams(s.params)) {
        s.error = "unusable frame header";
        return -1;
    }
    // The set-up's notes are bookkeeping for whoever looks into the encoder, not news for every run.
    if (h.layer == 2) platform::Log(platform::LogLevel::Debug, "using bit allocation table " + std::to_string(s.params.tab_num));

    switch (h.layer) {
        case 1:
            s.bits_per_slot = 32;
            s.samples_per_frame = 384;
            break;
        case 2:
            s.bits_per_slot = 8;
            s.samples_per_frame = 1152;
            break;
        default:
            s.bits_per_slot = 8;
            s.samples_per_frame = version == 1 ? 1152 : 576;
            if (s.model == 1) {
                ConsoleMessage("Sorry, psycho model 1 not available for layer3\n");
                s.error = "psychoacoustic model 1 is not available for Layer III";
                return -1;
            }
            break;
    }
    if (h.layer == 3 && !s.layer3.Setup(SamplingRateHz(h), &s.error)) return -1;
    if (s.model == 1 &&
        !s.layer12.SetupModel1(h.layer, version == 1 ? frequency : frequency + 4, bitrate / s.params.stereo, &s.error))
        return -1;

    double rateKhz = kSamplingFrequencyKhz[version][frequency];
    double average = (s.samples_per_frame / rateKhz) * (static_cast<double>(bitrate) / s.bits_per_slot);
    s.whole_slots = static_cast<int>(average);
    s.fractional_slots = average - s.whole_slots;
    s.slot_lag = -s.fractional_slots;
    if (s.fractional_slots != 0.0) platform::Log(platform::LogLevel::Debug, "Fractional number of slots, padding required");
    h.padding = 0;
    s.ready = true;
    return s.samples_per_frame;
}

void Encoder::EmitBits(std::uint32_t value, int count) { PutBits(state_->stream, value, count); }

namespace {

long CopyOut(const std::vector<std::uint8_t>& bytes, std::uint8_t* out, std::size_t outSize, std::string& error) {
    if (bytes.size() > outSize) {
        error = "output buffer too small";
        return -1;
    }
    std::copy(bytes.begin(), bytes.end(), out);
    return static_cast<long>(bytes.size()) * 8;
}

}  // namespace

// Samples from an input sample to its place in the decoded stream: the analysis and synthesis filter
// banks (Layers I and II), with the MDCT's granule on top (Layer III).
constexpr int kLayer12Delay = 481;
constexpr int kLayer3Delay = 1057;

long Encoder::Flush(std::uint8_t* out, std::size_t outSize) {
    State& s = *state_;
    s.error.clear();
    if (!s.ready || s.tail_written) return 0;
    s.tail_written = true;
    // The filter banks still hold the input's last samples: frames of silence carry them into the stream,
    // however full the last input frame was.
    const int delay = s.params.header.layer == 3 ? kLayer3Delay : kLayer12Delay;
    const int tailFrames = (delay + s.samples_per_frame - 1) / s.samples_per_frame;
    const std::vector<std::int16_t> silence(kFrameInputSamples, 0);
    std::vector<std::uint8_t> bytes, frame(kOutputBufferBytes);
    for (int i = 0; i < tailFrames; ++i) {
        const long bits = EncodeFrame(silence.data(), frame.data(), frame.size());
        if (bits < 0) return -1;
        bytes.insert(bytes.end(), frame.begin(), frame.begin() + bits / 8);
    }
    if (s.params.header.layer == 3) s.layer3.Flush(bytes);
    return CopyOut(bytes, out, outSize, s.error);
}

long Encoder::EncodeFrame(const std::int16_t* samples, std::uint8_t* out, std::size_t outSize) {
    State& s = *state_;
    s.error.clear();
    if (!s.ready) {
        s.error = "encoder not set up";
        return -1;
    }
    AudioFrameParams& params = s.params;
    AudioFrameHeader& h = params.header;
    if (s.fractional_slots != 0.0) {
        if (s.fractional_slots - 1.0 >= s.slot_lag) {
            h.padding = 1;
            s.slot_lag += 1.0 - s.fractional_slots;
        } else {
            h.padding = 0;
            s.slot_lag -= s.fractional_slots;
        }
    }
    const int frameBits = (s.whole_slots + h.padding) * s.bits_per_slot;
    if (h.layer == 3) {
        h.mode = s.configured_mode;
        HeaderToFrameParams(params);
        std::vector<std::uint8_t> bytes;
        if (!s.layer3.EncodeFrame(samples, h, params.stereo, frameBits, s.quality, s.filter, bytes, &s.error))
            return -1;
        return CopyOut(bytes, out, outSize, s.error);
    }

    BitStream& stream = s.stream;
    if (!s.layer12.EncodeFrame(samples, params, s.configured_mode, s.model, frameBits, s.filter, stream, &s.error))
        return -1;

    long written = static_cast<long>(GetBitCount(stream));
    if (written > frameBits) {
        s.error = "frame overflow: " + std::to_string(written) + " bits for " + std::to_string(frameBits);
        OpenBitWriter(stream, kWriterBufferBytes);
        return -1;
    }
    for (long left = frameBits - written; left > 0; left -= std::min(left, 32L))
        PutBits(stream, 0, static_cast<int>(std::min(left, 32L)));

    long bits = static_cast<long>(GetBitCount(stream));
    if (bits % s.bits_per_slot != 0)
        ConsoleMessage("Sent %ld bits = %ld slots plus %ld\n", bits, bits / s.bits_per_slot, bits % s.bits_per_slot);
    std::vector<std::uint8_t> bytes = TakeWrittenBytes(stream);
    OpenBitWriter(stream, kWriterBufferBytes);
    if (bytes.size() > outSize) {
        s.error = "output buffer too small";
        return -1;
    }
    std::copy(bytes.begin(), bytes.end(), out);
    return bits;
}

}  // namespace mpa
