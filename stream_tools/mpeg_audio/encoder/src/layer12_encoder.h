// Layer I and II frame driver of the encoder: subband analysis, scale factors, the psychoacoustic
// model (1 or 2), joint stereo, bit allocation, quantization and the frame's fields, all state in
// this object, as Layer3Encoder's.
#pragma once

#include <cstdint>
#include <string>

#include "analysis_filter.h"
#include "layer12_coding.h"
#include "mpeg_audio/audio_frame.h"
#include "mpeg_audio/bit_stream.h"
#include "psycho_model1.h"
#include "psycho_model2.h"

namespace mpa {

class Layer12Encoder {
public:
    // A new run: the allocation and scale factors of the last one and the models' histories are
    // cleared, so the first frame refers back to nothing.
    void Reset();
    // Model 1's tables for the run (it has them for the Layer I and II rates only).
    bool SetupModel1(int layer, int frequencyIndex, int bitratePerChannel, std::string* error) {
        return model1_.Setup(layer, frequencyIndex, bitratePerChannel, error);
    }

    // One frame of planar samples (channel 1 at 1152) appended to `stream`, header first, in at
    // most `frameBits` when the allocation holds. The header's mode is `configuredMode`; in joint
    // stereo the frame picks its mode extension and bound. False when the model fails.
    bool EncodeFrame(const std::int16_t* samples, AudioFrameParams& params, int configuredMode, int model, int frameBits,
                     AnalysisFilter& filter, BitStream& stream, std::string* error);

private:
    Layer12Frame frame_{};
    PsychoModel1 model1_;
    PsychoModel2 model2_;
};

}  // namespace mpa
