#include "layer3_encoder.h"

#include <cstring>

#include "mpeg_audio/layer3_tables.h"

namespace mpa {

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
    const int bandTable = BandTableIndex(header.version, header.sampling_frequency);
    header.mode_ext = ApplyLayer3MidSide(w.xr, channels, granules, joint, side_, energy, w.ratios, Layer3Bands(bandTable));

    const int sideBits = 32 + (header.error_protection ? 16 : 0) + Layer3SideInfoBits(header.version, channels);
    const int meanBits = (frameBits - sideBits) / granules;
    quantizer_.QuantizeFrame(w.pe, w.xr, w.ratios, side_, w.ix, w.sf, meanBits, channels, granules, bandTable,
                             frameBits);
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
