// Layer III quantization: the rate and distortion loops, scale factors and the bit reservoir, per
// encoder object.
#pragma once

#include "layer3_huffman.h"
#include "layer3_types.h"
#include "mpeg_audio/layer3_tables.h"

namespace mpa {

// Psychoacoustic results of one granule and channel: allowed noise over energy per band.
struct Layer3Ratios {
    double l[21] = {};
    double s[12][3] = {};
};

// The bit reservoir: bits of earlier frames' main data space that later granules may use.
class BitReservoir {
public:
    void Reset() { content_ = 0, maximum_ = 0; }
    void BeginFrame(int frameBits, bool lsf);
    // Bits for a granule (all its channels) of `meanBits` on average whose coding is `demand` times as
    // hard as usual: an easy one lends to the reservoir while it has room, a hard one borrows from it.
    int GranuleBudget(double demand, int meanBits) const;
    void Adjust(const Layer3GranuleInfo& gi, int meanBits, int channels) {
        content_ += meanBits / channels - static_cast<int>(gi.part2_3_length);
    }
    // Bits over the maximum and below a whole byte become the frame's drain (zero bits after its main
    // data); the content becomes a whole number of bytes no larger than the maximum.
    void EndFrame(Layer3SideInfo& side, int granules, int channels, int meanBits);
    int Content() const { return content_; }
    int Maximum() const { return maximum_; }

private:
    int content_ = 0;
    int maximum_ = 0;
};

class Layer3Quantizer {
public:
    Layer3Quantizer();
    void Reset() {
        reservoir_.Reset();
        usual_demand_ = 0.0;
    }

    // `QuantizeLayer3Frame`: the whole frame. `xr` keeps the spectra (signs included); `ix` receives
    // magnitudes. `midSide`: the channels are mid and side.
    void QuantizeFrame(const double xr[2][2][576], const Layer3Ratios ratios[2][2],
                       Layer3SideInfo& side, int ix[2][2][576], Layer3ScaleFactors sf[2][2], int meanBits,
                       int channels, int granules, int bandTable, int frameBits, bool midSide);

    // One granule's outer loop with a given bit budget (also the unit tests' entry).
    int RunOuterLoop(const double xr[576], int budget, const Layer3Ratios& ratio, int ix[576],
                     Layer3ScaleFactors& sf, Layer3GranuleInfo& gi, bool lsf);

    const BitReservoir& Reservoir() const { return reservoir_; }

private:
    void ComputeAllowedNoise(const Layer3Ratios& ratio, const Layer3GranuleInfo& gi);
    void QuantizeSpectrum(int step, const Layer3GranuleInfo& gi, int ix[576]) const;
    int RunInnerLoop(int ix[576], int budget, Layer3GranuleInfo& gi);
    int SearchStepSize(int budget, int ix[576], Layer3GranuleInfo& gi);
    int MeasureQuantNoise(const int ix[576], const Layer3GranuleInfo& gi);
    // MPEG-1 granule 1: sets scfsi for the groups of long scale factors equal to granule 0's, and takes
    // their bits off its lengths.
    void ShareScaleFactors(Layer3SideInfo& side, const Layer3ScaleFactors& first, const Layer3ScaleFactors& second,
                           int ch) const;
    // Sum over the bands of their noise over the allowed noise.
    double NoiseOverMask(const Layer3GranuleInfo& gi) const;
    int AmplifyScaleFactorBands(Layer3ScaleFactors& sf, const Layer3GranuleInfo& gi);
    void AmplifyLines(int begin, int end, int stride, double factor);
    int CountScaleFactorBits(const Layer3GranuleInfo& gi, bool lsf) const;

    void SetBands(int bandTable);

    // Rough bits a granule's bands need: half a bit per line for each halving of the allowed noise
    // below the band's energy (perceptual entropy), also when the allowed noise is lowered further.
    struct BandDemand {
        struct Band {
            double log2_snr, half_width;
        } band[36];
        int count = 0;
        double Bits(double lowering) const;
    };
    void MeasureDemand(const double xr[576], const Layer3Ratios& ratio, const Layer3GranuleInfo& gi,
                       BandDemand& demand) const;
    int ChannelBudget(int granuleBudget, int used, const BandDemand demand[2], int ch, int channels, bool midSide) const;

    BitReservoir reservoir_;
    double usual_demand_ = 0.0;  // running mean of the granules' estimated bits
    const ScaleFactorBands* bands_ = nullptr;
    int band_table_ = -1;
    double quiet_l_[21] = {}, quiet_s_[12] = {};  // allowed noise per line in quiet
    double pow43_[8207];
    // Working state of one granule.
    double xrw_[576];   // magnitudes, amplified by the scale factors
    double xr34_[576];  // their 3/4 powers
    double xmin_l_[21], xmin_s_[12][3];
    double noise_l_[21], noise_s_[12][3];
};

// MPEG-1: 0 when a scalefac_compress carries the scale factors (set in gi), else 2.
int ChooseScaleFactorCompress(const Layer3ScaleFactors& sf, Layer3GranuleInfo& gi);
// LSF: number of partitions whose scale factors exceed their length; 0 sets the LSF fields.
int ChooseScaleFactorCompressLsf(const Layer3ScaleFactors& sf, Layer3GranuleInfo& gi);

}  // namespace mpa
