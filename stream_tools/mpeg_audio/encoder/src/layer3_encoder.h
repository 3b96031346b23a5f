// Layer III frame driver of the encoder: model, analysis, hybrid filterbank and mid/side, the loops
// and the formatter, all state in this object.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analysis_filter.h"
#include "hybrid_filterbank.h"
#include "layer3_formatter.h"
#include "layer3_mid_side.h"
#include "layer3_psycho.h"
#include "layer3_quantizer.h"
#include "mpeg_audio/audio_frame.h"

namespace mpa {

class Layer3Encoder {
public:
    // A new run: every history, the reservoir and the frame queue start empty, so the first frame
    // refers back to nothing.
    bool Setup(int rateHz, std::string* error);

    // One frame (1152 samples per channel, 576 at the half rates; planar at 0 and 1152). Complete frames
    // are appended to `out`.
    bool EncodeFrame(const std::int16_t* samples, AudioFrameHeader& header, int channels, int frameBits,
                     double quality, AnalysisFilter& filter, std::vector<std::uint8_t>& out, std::string* error);
    void Flush(std::vector<std::uint8_t>& out) { formatter_.Flush(out); }

    // Side information of the last frame coded (for tests).
    const Layer3SideInfo& LastSideInfo() const { return side_; }
    const BitReservoir& Reservoir() const { return quantizer_.Reservoir(); }

private:
    struct Work {
        double xr[2][2][576];
        int ix[2][2][576];
        Layer3ScaleFactors sf[2][2];
        Layer3Ratios ratios[2][2];
        double pe[2][2];
    };
    HybridFilterbank hybrid_;
    Layer3PsychoModel psycho_;
    Layer3Quantizer quantizer_;
    Layer3Formatter formatter_;
    Layer3SideInfo side_;
    std::unique_ptr<Work> work_ = std::make_unique<Work>();
};

}  // namespace mpa
