#include "layer12_encoder.h"

#include <cstring>

#include "mpeg_audio/crc.h"

namespace mpa {

namespace {

void WriteHeader(const AudioFrameHeader& h, BitStream& stream) {
    PutBits(stream, 0xFFF, 12);                            // sync
    PutBits(stream, h.version, 1);                         // ID
    PutBits(stream, 4 - h.layer, 2);                       // layer
    PutBits(stream, h.error_protection ? 0 : 1, 1);        // protection bit, 0 = CRC follows
    PutBits(stream, h.bitrate_index, 4);
    PutBits(stream, h.sampling_frequency, 2);
    PutBits(stream, h.padding, 1);
    PutBits(stream, h.extension, 1);                       // private bit
    PutBits(stream, h.mode, 2);
    PutBits(stream, h.mode_ext, 2);
    PutBits(stream, h.copyright, 1);
    PutBits(stream, h.original, 1);
    PutBits(stream, h.emphasis, 2);
}

void JoinChannels(Layer12Frame& f, int parts, int sblimit) {
    for (int part = 0; part < parts; ++part)
        for (int s = 0; s < 12; ++s)
            for (int sb = 0; sb < sblimit; ++sb)
                f.joint_sample[part][s][sb] = (f.sample[0][part][s][sb] + f.sample[1][part][s][sb]) * 0.5;
}

}  // namespace

void Layer12Encoder::Reset() {
    Layer12Frame& f = frame_;
    std::memset(f.bit_alloc, 0, sizeof f.bit_alloc);
    std::memset(f.scalar, 0, sizeof f.scalar);
    std::memset(f.joint_scalar, 0, sizeof f.joint_scalar);
    std::memset(f.scfsi, 0, sizeof f.scfsi);
    std::memset(f.multiple, 0, sizeof f.multiple);
    std::memset(f.smr, 0, sizeof f.smr);
    model2_.ClearHistory();
    model1_.ClearHistory();
}

bool Layer12Encoder::EncodeFrame(const std::int16_t* samples, AudioFrameParams& params, int configuredMode, int model,
                                 int frameBits, AnalysisFilter& filter, BitStream& stream, std::string* error) {
    AudioFrameHeader& h = params.header;
    int bitsAvailable = frameBits;
    // Joint stereo decides mode and bound per frame from the configured mode.
    h.mode = configuredMode;
    h.mode_ext = 0;
    HeaderToFrameParams(params);
    const int channels = params.stereo;
    const int parts = h.layer == 1 ? 1 : 3;
    Layer12Frame& f = frame_;

    for (int part = 0; part < parts; ++part)
        for (int block = 0; block < 12; ++block)
            for (int ch = 0; ch < channels; ++ch)
                filter.Filter(samples + ch * 1152 + 32 * (12 * part + block), ch, f.sample[ch][part][block]);

    for (int ch = 0; ch < channels; ++ch) {
        if (h.layer == 1) {
            ComputeLayer1ScaleFactors(f.sample[ch], f.scalar[ch]);
            LookUpScaleFactorValues(f.scalar[ch], f.multiple[ch]);
        } else {
            ComputeLayer2ScaleFactors(f.sample[ch], params.sblimit, f.scalar[ch]);
            ComputeLayer2Multiples(f.scalar[ch], params.sblimit, f.multiple[ch]);
        }
    }
    if (configuredMode == kJointStereo) {
        if (h.layer == 1) {
            JoinChannels(f, 1, 32);
            ComputeLayer1ScaleFactors(f.joint_sample, f.joint_scalar);
        } else {
            JoinChannels(f, 3, params.sblimit);
            ComputeLayer2ScaleFactors(f.joint_sample, params.sblimit, f.joint_scalar);
        }
    }

    for (int ch = 0; ch < channels; ++ch) {
        const std::int16_t* input = samples + ch * 1152;
        float smr[32];
        bool ok = model == 1
                      ? model1_.Run(input, ch, f.multiple[ch], smr)
                      : model2_.Run(input, ch, h.layer, kSamplingFrequencyKhz[h.version][h.sampling_frequency] * 1000.0,
                                    smr);
        if (!ok) {
            if (error) *error = "psychoacoustic model failed";
            return false;
        }
        if (model == 2) RaiseRatiosToSubbandEnergy(f.sample[ch], h.layer == 1 ? 1 : 3, model2_.BandMask(ch), smr);
        for (int sb = 0; sb < 32; ++sb) f.smr[ch][sb] = smr[sb];
    }

    if (h.layer == 2)
        for (int ch = 0; ch < channels; ++ch) ChooseScaleFactorTransmission(f.scalar[ch], params.sblimit, f.scfsi[ch]);
    if (configuredMode == kJointStereo) ChooseJointStereoBound(f, bitsAvailable, params);

    if (h.layer == 1)
        AllocateLayer1Bits(f, bitsAvailable, params);
    else
        AllocateLayer2Bits(f, bitsAvailable, params);

    std::uint32_t crc = kCrcStart;
    if (h.error_protection) {
        if (h.layer == 1)
            ComputeLayer1Crc(params, f.bit_alloc, &crc);
        else
            ComputeLayer2Crc(params, f.bit_alloc, f.scfsi, &crc);
    }

    WriteHeader(h, stream);
    if (h.error_protection) WriteFrameCrc(crc, stream);
    if (h.layer == 1) {
        WriteLayer1Allocation(f, params, stream);
        WriteLayer1ScaleFactors(f, params, stream);
        QuantizeLayer1Samples(f, params);
        WriteLayer1Samples(f, params, stream);
    } else {
        WriteLayer2Allocation(f, params, stream);
        WriteLayer2ScaleFactors(f, params, stream);
        QuantizeLayer2Samples(f, params);
        WriteLayer2Samples(f, params, stream);
    }
    return true;
}

}  // namespace mpa
