#include "layer3_encoder.h"

#include <algorithm>
#include <cstring>

#include "mpeg_audio/layer3_tables.h"

namespace mpa {

namespace {

// Below this many kbit/s per channel the lines above a cutoff are not coded: the top octave's noise-like
// content costs more bits than it brings, lower down they buy more.
constexpr double kFullBandKbps = 96.0;
constexpr double kCutoffAt64KbpsHz = 17000.0;
constexpr double kCutoffHzPerKbps = 100.0;

void RemoveTopLines(double xr[2][2][576], int channels, int granules, int frameBits, long rateHz) {
    const double kbpsPerChannel = frameBits * (rateHz / (granules * 576.0)) / 1000.0 / channels;
    if (kbpsPerChannel >= kFullBandKbps) return;
    const double cutoff = kCutoffAt64KbpsHz + (kbpsPerChannel - 64.0) * kCutoffHzPerKbps;
    const int first = std::clamp(static_cast<int>(cutoff / (rateHz / 2.0) * 576.0), 0, 576);
    for (int g = 0; g < granules; ++g)
        for (int ch = 0; ch < channels; ++ch) std::fill(xr[g][ch] + first, xr[g][ch] + 576, 0.0);
}

}  // namespace

bool Layer3Encoder::Setup(int rateHz, std::string* error) {
    if (!psycho_.Setup(rateHz, error)) return false;
    hybrid_.Clear();
    quantizer_.Reset();
    formatter_.Reset();
    side_ = Layer3SideInfo{};
    return true;
}

bool Layer3Encoder::EncodeFrame(const std::int16_t* samples, AudioFrameHeader& header, int channels, int frameBits,
                                double quality, AnalysisFilter& filter, std::vector<std::uint8_t>& out,
                                std::string* error) {
    Work& w = *work_;
    const int granules = header.version == 1 ? 2 : 1;
    double energy[2] = {0.0, 0.0};
    const bool joint = header.mode == kJointStereo && channels == 2;
    for (int g = 0; g < granules; ++g)
        for (int ch = 0; ch < channels; ++ch)
            psycho_.Run(samples + ch * 1152 + g * 576, ch, quality, w.ratios[g][ch], w.pe[g][ch], side_.gr[g][ch],
                        joint ? &energy[ch] : nullptr);
    for (int g = 0; g < granules; ++g)
        for (int block = 0; block < 18; ++block)
            for (int ch = 0; ch < channels; ++ch)
                filter.Filter(samples + ch * 1152 + g * 576 + 32 * block, ch, hybrid_.Slot(ch, g + 1)[block]);
    hybrid_.Run(w.xr, channels, side_, granules);
    RemoveTopLines(w.xr, channels, granules, frameBits, SamplingRateHz(header));
    const int bandTable = BandTableIndex(header.version, header.sampling_frequency);
    header.mode_ext = ApplyLayer3MidSide(w.xr, channels, granules, joint, side_, energy, w.ratios, Layer3Bands(bandTable));

    const int sideBits = 32 + (header.error_protection ? 16 : 0) + Layer3SideInfoBits(header.version, channels);
    const int meanBits = (frameBits - sideBits) / granules;
    quantizer_.QuantizeFrame(w.xr, w.ratios, side_, w.ix, w.sf, meanBits, channels, granules, bandTable, frameBits,
                             header.mode_ext == 2);
    for (int g = 0; g < granules; ++g)
        for (int ch = 0; ch < channels; ++ch)
            for (int i = 0; i < 576; ++i)
                if (w.xr[g][ch][i] < 0.0) w.ix[g][ch][i] = -w.ix[g][ch][i];
    if (!formatter_.WriteFrame(header, frameBits, side_, w.ix, w.sf, channels, granules, bandTable)) {
        if (error) *error = "Layer III main data do not match their side information";
        return false;
    }
    formatter_.TakeCompleteFrames(out);
    return true;
}

}  // namespace mpa
