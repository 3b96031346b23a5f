// Layer I and II coding steps: scale factors and their selection, bit allocation, quantization and the
// frame fields. The frame driver calls them in frame order on one Layer12Frame.
#pragma once

#include <cstdint>

#include "mpeg_audio/audio_frame.h"
#include "mpeg_audio/bit_stream.h"

namespace mpa {

constexpr unsigned kUnusedScaleFactor = 63;

// Working arrays of one frame, for two channels even when one is coded. Layer I uses part 0.
struct Layer12Frame {
    double sample[2][3][12][32];       // subband samples [channel][part][sample][subband]
    double joint_sample[3][12][32];    // (left + right) / 2 in joint stereo
    unsigned scalar[2][3][32];         // scale factor indexes, 0 largest .. 62 smallest, 63 unused
    unsigned joint_scalar[3][32];
    unsigned scfsi[2][32];
    double multiple[2][32];            // scale factor values for the psychoacoustic model
    double smr[2][32];                 // signal-to-mask ratios in dB
    unsigned bit_alloc[2][32];
    unsigned sample_code[2][3][12][32];
};

// Scale factors: the smallest scale factor value that is not below the largest magnitude in 12 samples.
void ComputeLayer1ScaleFactors(const double sample[3][12][32], unsigned scalar[3][32]);
void ComputeLayer2ScaleFactors(const double sample[3][12][32], int sblimit, unsigned scalar[3][32]);
// Scale factor values per subband: Layer I of part 0, Layer II of the largest of the three parts.
void LookUpScaleFactorValues(const unsigned scalar[3][32], double multiple[32]);
void ComputeLayer2Multiples(const unsigned scalar[3][32], int sblimit, double multiple[32]);
// Layer II: chooses which of the three parts' scale factors are sent and equalises the others.
void ChooseScaleFactorTransmission(unsigned scalar[3][32], int sblimit, unsigned scfsi[32]);

// Bits a frame needs for noise-free coding with the params' current bound.
int Layer1NoiseFreeBits(const Layer12Frame& frame, const AudioFrameParams& params);
int Layer2NoiseFreeBits(const Layer12Frame& frame, const AudioFrameParams& params);
// Joint stereo: codes in stereo when the frame fits, else picks the widest bound that does (header
// mode and mode extension, params' bound).
void ChooseJointStereoBound(const Layer12Frame& frame, int bitsAvailable, AudioFrameParams& params);

// Greedy allocation by the smallest mask-to-noise ratio. `bitsAvailable` drops by everything the frame
// will carry (header, CRC, fields, scale factors, samples). Returns the count of bands left noisy.
int AllocateLayer1Bits(Layer12Frame& frame, int& bitsAvailable, const AudioFrameParams& params);
int AllocateLayer2Bits(Layer12Frame& frame, int& bitsAvailable, const AudioFrameParams& params);

// Quantizer codes of every coded band. Returns the count of Layer II samples above their scale factor.
void QuantizeLayer1Samples(Layer12Frame& frame, const AudioFrameParams& params);
int QuantizeLayer2Samples(Layer12Frame& frame, const AudioFrameParams& params);

void WriteLayer1Allocation(const Layer12Frame& frame, const AudioFrameParams& params, BitStream& stream);
void WriteLayer1ScaleFactors(const Layer12Frame& frame, const AudioFrameParams& params, BitStream& stream);
void WriteLayer1Samples(const Layer12Frame& frame, const AudioFrameParams& params, BitStream& stream);
void WriteLayer2Allocation(const Layer12Frame& frame, const AudioFrameParams& params, BitStream& stream);
void WriteLayer2ScaleFactors(const Layer12Frame& frame, const AudioFrameParams& params, BitStream& stream);
void WriteLayer2Samples(const Layer12Frame& frame, const AudioFrameParams& params, BitStream& stream);
void WriteFrameCrc(uint32_t crc, BitStream& stream);

}  // namespace mpa
