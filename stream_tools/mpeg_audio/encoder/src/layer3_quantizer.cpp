#include "layer3_quantizer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "mpa_encoder/hearing.h"

namespace mpa {

namespace {

constexpr int kMaxQuantized = 8191 + 15;
// Steps that global_gain (8 bits, step + 210) can carry.
constexpr int kLowestStep = -210;
constexpr int kHighestStep = 45;
// The cap bounds the outer loop's time; past it the kept iteration seldom changes.
constexpr int kMaxOuterIterations = 16;
constexpr double kAmplify = 1.4142135623730951;  // scalefac_scale 0: one scale factor step
constexpr int kLsfMaxSlen[6][4] = {{4, 4, 3, 3}, {4, 4, 3, 0}, {3, 2, 0, 0}, {4, 5, 5, 0}, {3, 3, 3, 0}, {2, 2, 0, 0}};
constexpr int kBitsForMax[16] = {0, 1, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4};

int LsfRow(const Layer3GranuleInfo& gi) { return gi.IsShort() ? 1 : 0; }

// A spectral line's energy per unit of 16-bit sample energy (the filter banks' scale).
constexpr double kLineEnergyPerSampleEnergy = 1.0 / (32768.0 * 32768.0 * 288.0);
// Threshold in quiet of 0 dB SPL as the variance of 16-bit samples (the models' level convention).
constexpr double kQuietVarianceAt0Db = 15290.0 / 384.0;
// Noise that far below the threshold in quiet is never worth a scale factor step.
constexpr double kQuietMarginDb = 12.0;

// Reservoir policy: the largest share of its mean bits an easy granule saves, the tenths of the content
// a hard one may borrow, and how fast the usual demand follows the signal (granules). A granule's demand
// counts by its square root: the bits of a steady signal stay steady, which keeps its noise even.
constexpr double kMaxSavedShare = 0.15;
constexpr int kMaxLentShare = 6;
// Granules this much harder than usual borrow; below, the reservoir refills towards this share of its
// maximum by this share of the mean.
constexpr double kHardDemand = 1.15;
constexpr double kRefillBelow = 0.6;
constexpr double kRefillShare = 0.05;
constexpr double kUsualDemandGranules = 24.0;
// A channel's share of its granule's bits stays within these bounds, however little it needs.
constexpr double kMinChannelShare = 0.1;

}  // namespace

void Layer3Quantizer::SetBands(int bandTable) {
    bands_ = &Layer3Bands(bandTable);
    if (bandTable == band_table_) return;
    band_table_ = bandTable;
    static constexpr int kRates[6] = {44100, 48000, 32000, 22050, 24000, 16000};
    const double rate = kRates[bandTable];
    auto quiet = [&](double hz) {
        return kQuietVarianceAt0Db * std::pow(10.0, (ThresholdInQuietDb(std::max(hz, 20.0)) - kQuietMarginDb) / 10.0) *
               kLineEnergyPerSampleEnergy;
    };
    // Quantization noise spreads evenly over a band's lines, so it must stay under the threshold of the
    // band's most sensitive line.
    for (int b = 0; b < 21; ++b) {
        quiet_l_[b] = quiet((bands_->long_start[b] + 0.5) * rate / 1152.0);
        for (int i = bands_->long_start[b]; i < bands_->long_start[b + 1]; ++i)
            quiet_l_[b] = std::min(quiet_l_[b], quiet((i + 0.5) * rate / 1152.0));
    }
    for (int b = 0; b < 12; ++b) {
        quiet_s_[b] = quiet((bands_->short_start[b] + 0.5) * rate / 384.0);
        for (int i = bands_->short_start[b]; i < bands_->short_start[b + 1]; ++i)
            quiet_s_[b] = std::min(quiet_s_[b], quiet((i + 0.5) * rate / 384.0));
    }
}

void BitReservoir::BeginFrame(int frameBits, bool lsf) {
    maximum_ = frameBits > 7680 ? 0 : 7680 - frameBits;
    maximum_ = std::min(maximum_, lsf ? 2040 : 4088);
}

int BitReservoir::GranuleBudget(double demand, int meanBits) const {
    if (maximum_ == 0) return meanBits;
    int budget = meanBits;
    if (demand > kHardDemand) {
        budget += std::min(static_cast<int>(meanBits * (demand - 1.0)), content_ * kMaxLentShare / 10);
    } else {
        // Easy granules save; ordinary ones too, a little, while the reservoir is low.
        double share = 1.0 - demand;
        if (content_ < maximum_ * kRefillBelow) share = std::max(share, kRefillShare);
        const int save = static_cast<int>(meanBits * std::clamp(share, 0.0, kMaxSavedShare));
        budget -= std::clamp(save, 0, maximum_ - content_);
    }
    // A nearly full reservoir spends what it would otherwise stuff away.
    const int over = content_ - maximum_ * 8 / 10;
    if (over > 0) budget = std::max(budget, meanBits + over);
    return budget;
}

void BitReservoir::EndFrame(Layer3SideInfo& side, int granules, int channels, int meanBits) {
    (void)granules;
    if (channels == 2 && (meanBits & 1)) content_ += 1;
    int stuffing = 0;
    if (content_ > maximum_) {
        stuffing = content_ - maximum_;
        content_ = maximum_;
    }
    stuffing += content_ % 8;
    content_ -= content_ % 8;
    // Stuffing rides after the frame's main data as zero bits: inside part2_3_length the decoders would
    // read it as count1 quadruples.
    side.reservoir_drain = stuffing;
}

Layer3Quantizer::Layer3Quantizer() {
    for (int i = 0; i <= kMaxQuantized; ++i) pow43_[i] = std::pow(static_cast<double>(i), 4.0 / 3.0);
}

int ChooseScaleFactorCompress(const Layer3ScaleFactors& sf, Layer3GranuleInfo& gi) {
    int max1 = 0, max2 = 0;
    if (gi.IsShort()) {
        for (int b = 0; b < 12; ++b)
            for (int w = 0; w < 3; ++w) (b < 6 ? max1 : max2) = std::max(b < 6 ? max1 : max2, sf.s[b][w]);
    } else {
        for (int b = 0; b < 21; ++b) (b < 11 ? max1 : max2) = std::max(b < 11 ? max1 : max2, sf.l[b]);
    }
    for (int k = 0; k < 16; ++k)
        if (max1 < (1 << kSlen[0][k]) && max2 < (1 << kSlen[1][k])) {
            gi.scalefac_compress = k;
            return 0;
        }
    return 2;
}

int ChooseScaleFactorCompressLsf(const Layer3ScaleFactors& sf, Layer3GranuleInfo& gi) {
    const int table = gi.preflag ? 2 : 0;
    const int row = LsfRow(gi);
    const int* nr = kLsfSfbPartitions[table][row];
    int max[4] = {};
    int band = 0;
    for (int i = 0; i < 4; ++i) {
        if (row == 1) {
            for (int n = 0; n < nr[i] / 3; ++n, ++band)
                for (int w = 0; w < 3; ++w) max[i] = std::max(max[i], sf.s[band][w]);
        } else {
            for (int n = 0; n < nr[i]; ++n, ++band) max[i] = std::max(max[i], sf.l[band]);
        }
    }
    int over = 0;
    for (int i = 0; i < 4; ++i)
        if (max[i] >= (1 << kLsfMaxSlen[table][i])) ++over;
    if (over != 0) return over;
    gi.sfb_partition_table = table;
    for (int i = 0; i < 4; ++i) gi.slen[i] = kBitsForMax[max[i]];
    if (table == 0)
        gi.scalefac_compress = ((gi.slen[0] * 5 + gi.slen[1]) * 16) + gi.slen[2] * 4 + gi.slen[3];
    else
        gi.scalefac_compress = 500 + gi.slen[0] * 3 + gi.slen[1];
    return 0;
}

int Layer3Quantizer::CountScaleFactorBits(const Layer3GranuleInfo& gi, bool lsf) const {
    if (lsf) {
        const int* nr = kLsfSfbPartitions[gi.sfb_partition_table][LsfRow(gi)];
        int bits = 0;
        for (int i = 0; i < 4; ++i) bits += nr[i] * gi.slen[i];
        return bits;
    }
    int slen1 = kSlen[0][gi.scalefac_compress], slen2 = kSlen[1][gi.scalefac_compress];
    if (gi.IsShort()) return 18 * (slen1 + slen2);
    return 11 * slen1 + 10 * slen2;
}

void Layer3Quantizer::ComputeAllowedNoise(const Layer3Ratios& ratio, const Layer3GranuleInfo& gi) {
    const ScaleFactorBands& bands = *bands_;
    for (int b = 0; b < 21; ++b) xmin_l_[b] = 0.0;
    for (int b = 0; b < 12; ++b)
        for (int w = 0; w < 3; ++w) xmin_s_[b][w] = 0.0;
    for (int b = 0; b < gi.lmax; ++b) {
        double en = 0.0;
        for (int i = bands.long_start[b]; i < bands.long_start[b + 1]; ++i) en += xrw_[i] * xrw_[i];
        xmin_l_[b] = std::max(ratio.l[b] * en / (bands.long_start[b + 1] - bands.long_start[b]), quiet_l_[b]);
    }
    for (int b = gi.smax; b < 12; ++b)
        for (int w = 0; w < 3; ++w) {
            double en = 0.0;
            for (int k = bands.short_start[b]; k < bands.short_start[b + 1]; ++k) en += xrw_[3 * k + w] * xrw_[3 * k + w];
            xmin_s_[b][w] = std::max(ratio.s[b][w] * en / (bands.short_start[b + 1] - bands.short_start[b]), quiet_s_[b]);
        }
}

void Layer3Quantizer::QuantizeSpectrum(int step, const Layer3GranuleInfo& gi, int ix[576]) const {
    if (!gi.IsShort()) {
        const double scale = std::pow(2.0, -0.1875 * step);
        for (int i = 0; i < 576; ++i) ix[i] = static_cast<int>(xr34_[i] * scale + 0.4054);
        return;
    }
    for (int w = 0; w < 3; ++w) {
        const double scale = std::pow(2.0, -0.1875 * (step + 8.0 * gi.subblock_gain[w]));
        for (int k = 0; k < 192; ++k) ix[3 * k + w] = static_cast<int>(xr34_[3 * k + w] * scale + 0.4054);
    }
}

int Layer3Quantizer::SearchStepSize(int budget, int ix[576], Layer3GranuleInfo& gi) {
    // Bisection for the smallest step whose bits fit; the inner loop finishes from there.
    int low = kLowestStep, high = kHighestStep;
    while (high - low > 1) {
        int mid = (low + high) / 2;
        QuantizeSpectrum(mid, gi, ix);
        if (CountTestBits(ix, *bands_, gi) <= budget)
            high = mid;
        else
            low = mid;
    }
    return high;
}

int Layer3Quantizer::RunInnerLoop(int ix[576], int budget, Layer3GranuleInfo& gi) {
    for (int step = gi.quantizer_step; step <= kHighestStep; ++step) {
        QuantizeSpectrum(step, gi, ix);
        int bits = CountTestBits(ix, *bands_, gi);
        if (bits <= budget) {
            gi.quantizer_step = step;
            return bits;
        }
    }
    // Even the coarsest step does not fit: the all-zero spectrum costs nothing.
    std::fill(ix, ix + 576, 0);
    gi.quantizer_step = kHighestStep;
    return CountTestBits(ix, *bands_, gi);
}

int Layer3Quantizer::MeasureQuantNoise(const int ix[576], const Layer3GranuleInfo& gi) {
    const ScaleFactorBands& bands = *bands_;
    const double m = std::pow(2.0, gi.quantizer_step / 4.0);
    int over = 0;
    for (int b = 0; b < gi.lmax; ++b) {
        double noise = 0.0;
        for (int i = bands.long_start[b]; i < bands.long_start[b + 1]; ++i) {
            double d = xrw_[i] - pow43_[ix[i]] * m;
            noise += d * d;
        }
        noise_l_[b] = noise / (bands.long_start[b + 1] - bands.long_start[b]);
        over += noise_l_[b] > xmin_l_[b];
    }
    for (int b = gi.smax; b < 12; ++b)
        for (int w = 0; w < 3; ++w) {
            double noise = 0.0;
            for (int k = bands.short_start[b]; k < bands.short_start[b + 1]; ++k) {
                double d = xrw_[3 * k + w] - pow43_[ix[3 * k + w]] * m;
                noise += d * d;
            }
            noise_s_[b][w] = noise / (bands.short_start[b + 1] - bands.short_start[b]);
            over += noise_s_[b][w] > xmin_s_[b][w];
        }
    return over;
}

void Layer3Quantizer::ShareScaleFactors(Layer3SideInfo& side, const Layer3ScaleFactors& first,
                                        const Layer3ScaleFactors& second, int ch) const {
    const Layer3GranuleInfo& gi0 = side.gr[0][ch];
    Layer3GranuleInfo& gi1 = side.gr[1][ch];
    if (gi0.IsShort() || gi1.IsShort() || gi1.part2_3_length == 0) return;
    // Groups whose scale factors came out the same in both granules are sent once: free bits.
    const int slen1 = kSlen[0][gi1.scalefac_compress], slen2 = kSlen[1][gi1.scalefac_compress];
    for (int group = 0; group < 4; ++group) {
        bool same = true;
        for (int b = kScfsiBandStart[group]; b < kScfsiBandStart[group + 1] && same; ++b) same = first.l[b] == second.l[b];
        if (!same) continue;
        side.scfsi[ch][group] = 1;
        const int saved = (kScfsiBandStart[group + 1] - kScfsiBandStart[group]) * (group < 2 ? slen1 : slen2);
        gi1.part2_length -= saved;
        gi1.part2_3_length -= static_cast<std::uint32_t>(saved);
    }
}

double Layer3Quantizer::NoiseOverMask(const Layer3GranuleInfo& gi) const {
    double sum = 0.0;
    for (int b = 0; b < gi.lmax; ++b)
        if (xmin_l_[b] > 0.0) sum += noise_l_[b] / xmin_l_[b];
    for (int b = gi.smax; b < 12; ++b)
        for (int w = 0; w < 3; ++w)
            if (xmin_s_[b][w] > 0.0) sum += noise_s_[b][w] / xmin_s_[b][w];
    return sum;
}

void Layer3Quantizer::AmplifyLines(int begin, int end, int stride, double factor) {
    const double factor34 = std::pow(factor, 0.75);
    for (int i = begin; i < end; i += stride) {
        xrw_[i] *= factor;
        xr34_[i] *= factor34;
    }
}

int Layer3Quantizer::AmplifyScaleFactorBands(Layer3ScaleFactors& sf, const Layer3GranuleInfo& gi) {
    // Only the bands furthest over their allowed noise take a scale factor step: amplifying every band
    // that is over coarsens the step for all and leaves the worst where it was.
    const ScaleFactorBands& bands = *bands_;
    int over = 0;
    double worst = 1.0;
    for (int b = 0; b < gi.lmax; ++b)
        if (noise_l_[b] > xmin_l_[b]) ++over, worst = std::max(worst, noise_l_[b] / xmin_l_[b]);
    for (int b = gi.smax; b < 12; ++b)
        for (int w = 0; w < 3; ++w)
            if (noise_s_[b][w] > xmin_s_[b][w]) ++over, worst = std::max(worst, noise_s_[b][w] / xmin_s_[b][w]);
    if (over == 0) return 0;
    for (int b = 0; b < gi.lmax; ++b)
        if (noise_l_[b] >= worst * xmin_l_[b]) {
            xmin_l_[b] *= kAmplify * kAmplify;
            ++sf.l[b];
            AmplifyLines(bands.long_start[b], bands.long_start[b + 1], 1, kAmplify);
        }
    for (int b = gi.smax; b < 12; ++b)
        for (int w = 0; w < 3; ++w)
            if (noise_s_[b][w] >= worst * xmin_s_[b][w]) {
                xmin_s_[b][w] *= kAmplify * kAmplify;
                ++sf.s[b][w];
                AmplifyLines(3 * bands.short_start[b] + w, 3 * bands.short_start[b + 1], 3, kAmplify);
            }
    return over;
}

int Layer3Quantizer::RunOuterLoop(const double xr[576], int budget, const Layer3Ratios& ratio, int ix[576],
                                  Layer3ScaleFactors& sf, Layer3GranuleInfo& gi, bool lsf) {
    for (int i = 0; i < 576; ++i) {
        xrw_[i] = std::fabs(xr[i]);
        xr34_[i] = std::pow(xrw_[i], 0.75);
    }
    ComputeAllowedNoise(ratio, gi);

    struct Best {
        double noise_over_mask = 1e300;
        int huffman_bits = 0;
        Layer3GranuleInfo gi;
        Layer3ScaleFactors sf;
        int ix[576];
    };
    auto best = std::make_unique<Best>();
    int trial[576];
    gi.quantizer_step = SearchStepSize(budget, trial, gi);
    for (int iteration = 0; iteration < kMaxOuterIterations; ++iteration) {
        gi.part2_length = CountScaleFactorBits(gi, lsf);
        int huffmanBudget = budget - gi.part2_length;
        if (huffmanBudget < 0) break;
        int huffmanBits = RunInnerLoop(trial, huffmanBudget, gi);
        MeasureQuantNoise(trial, gi);
        const double noiseOverMask = NoiseOverMask(gi);
        Layer3GranuleInfo snapshot = gi;
        Layer3ScaleFactors sfSnapshot = sf;

        // Pre-emphasis once, when the top long bands are all too noisy.
        if (!gi.IsShort() && gi.preflag == 0 && gi.lmax == 21 && noise_l_[17] > xmin_l_[17] &&
            noise_l_[18] > xmin_l_[18] && noise_l_[19] > xmin_l_[19] && noise_l_[20] > xmin_l_[20]) {
            gi.preflag = 1;
            const ScaleFactorBands& bands = *bands_;
            for (int b = 0; b < gi.lmax; ++b) {
                if (kPretab[b] == 0) continue;
                double f = std::pow(kAmplify, kPretab[b]);
                xmin_l_[b] *= f * f;
                AmplifyLines(bands.long_start[b], bands.long_start[b + 1], 1, f);
            }
        }
        int over = AmplifyScaleFactorBands(sf, gi);
        // The kept iteration is the one whose noise is least over the allowed noise, band by band.
        if (noiseOverMask < best->noise_over_mask) {
            best->noise_over_mask = noiseOverMask;
            best->huffman_bits = huffmanBits;
            best->gi = snapshot;
            best->sf = sfSnapshot;
            std::memcpy(best->ix, trial, sizeof trial);
        }
        int status = lsf ? ChooseScaleFactorCompressLsf(sf, gi) : ChooseScaleFactorCompress(sf, gi);
        if (status != 0 || over == 0) break;
    }
    gi = best->gi;
    sf = best->sf;
    std::memcpy(ix, best->ix, sizeof best->ix);
    gi.part2_length = CountScaleFactorBits(gi, lsf);
    gi.part2_3_length = gi.part2_length + best->huffman_bits;
    return static_cast<int>(gi.part2_3_length);
}

void Layer3Quantizer::MeasureDemand(const double xr[576], const Layer3Ratios& ratio, const Layer3GranuleInfo& gi,
                                    BandDemand& demand) const {
    const ScaleFactorBands& bands = *bands_;
    demand.count = 0;
    auto add = [&](double energy, double allowed, int width) {
        if (energy > 0.0 && allowed > 0.0) demand.band[demand.count++] = {std::log2(energy / allowed), 0.5 * width};
    };
    if (gi.IsShort()) {
        for (int b = 0; b < 12; ++b)
            for (int w = 0; w < 3; ++w) {
                double en = 0.0;
                for (int k = bands.short_start[b]; k < bands.short_start[b + 1]; ++k) en += xr[3 * k + w] * xr[3 * k + w];
                const int width = bands.short_start[b + 1] - bands.short_start[b];
                add(en, std::max(ratio.s[b][w] * en, quiet_s_[b] * width), width);
            }
        return;
    }
    for (int b = 0; b < 21; ++b) {
        double en = 0.0;
        for (int i = bands.long_start[b]; i < bands.long_start[b + 1]; ++i) en += xr[i] * xr[i];
        const int width = bands.long_start[b + 1] - bands.long_start[b];
        add(en, std::max(ratio.l[b] * en, quiet_l_[b] * width), width);
    }
}

double Layer3Quantizer::BandDemand::Bits(double lowering) const {
    double bits = 0.0;
    for (int i = 0; i < count; ++i) bits += band[i].half_width * std::max(0.0, band[i].log2_snr + lowering);
    return bits;
}

int Layer3Quantizer::ChannelBudget(int granuleBudget, int used, const BandDemand demand[2], int ch, int channels,
                                   bool midSide) const {
    if (channels == 1) return std::min(granuleBudget, 4095);
    if (ch == 1) return std::clamp(granuleBudget - used, 0, 4095);
    // Left and right each keep half; mid and side share by what they need.
    if (!midSide) return std::min(granuleBudget / 2, 4095);
    // Bits beyond the masks lower the noise of both channels alike: the thresholds of both come down by
    // the same factor until their estimated bits take the budget, and each channel gets its part.
    double low = -8.0, high = 40.0;
    for (int step = 0; step < 24; ++step) {
        const double mid = 0.5 * (low + high);
        (demand[0].Bits(mid) + demand[1].Bits(mid) > granuleBudget ? high : low) = mid;
    }
    const double first = demand[0].Bits(low), total = first + demand[1].Bits(low);
    const double share = total > 0.0 ? std::clamp(first / total, kMinChannelShare, 1.0 - kMinChannelShare) : 0.5;
    return std::min(static_cast<int>(granuleBudget * share), 4095);
}

void Layer3Quantizer::QuantizeFrame(const double xr[2][2][576], const Layer3Ratios ratios[2][2], Layer3SideInfo& side,
                                    int ix[2][2][576], Layer3ScaleFactors sf[2][2], int meanBits, int channels,
                                    int granules, int bandTable, int frameBits, bool midSide) {
    const bool lsf = granules == 1;
    SetBands(bandTable);
    side.reservoir_drain = 0;
    std::memset(side.scfsi, 0, sizeof side.scfsi);
    reservoir_.BeginFrame(frameBits, lsf);
    for (int g = 0; g < granules; ++g) {
        BandDemand demand[2];
        for (int ch = 0; ch < channels; ++ch) {
            Layer3GranuleInfo& gi = side.gr[g][ch];
            Layer3GranuleInfo fresh;
            fresh.window_switching_flag = gi.window_switching_flag;
            fresh.block_type = gi.block_type;
            fresh.mixed_block_flag = gi.mixed_block_flag;
            gi = fresh;
            if (gi.IsShort()) {
                gi.lmax = 0;
                gi.smax = 0;
            }
            MeasureDemand(xr[g][ch], ratios[g][ch], gi, demand[ch]);
        }
        // The granule's bits follow its demand against the usual one; its channels share them by theirs.
        const double granuleDemand = demand[0].Bits(0.0) + demand[1].Bits(0.0);
        if (usual_demand_ <= 0.0) usual_demand_ = granuleDemand;
        const int granuleBudget =
            reservoir_.GranuleBudget(usual_demand_ > 0.0 ? std::sqrt(granuleDemand / usual_demand_) : 1.0, meanBits);
        usual_demand_ += (granuleDemand - usual_demand_) / kUsualDemandGranules;
        int used = 0;
        for (int ch = 0; ch < channels; ++ch) {
            Layer3GranuleInfo& gi = side.gr[g][ch];
            sf[g][ch] = Layer3ScaleFactors{};
            const int budget = ChannelBudget(granuleBudget, used, demand, ch, channels, midSide);
            bool silent = true;
            for (int i = 0; i < 576 && silent; ++i) silent = xr[g][ch][i] == 0.0;
            if (silent) {
                std::fill(ix[g][ch], ix[g][ch] + 576, 0);
                CountTestBits(ix[g][ch], *bands_, gi);
            } else {
                RunOuterLoop(xr[g][ch], budget, ratios[g][ch], ix[g][ch], sf[g][ch], gi, lsf);
            }
            if (g == 1) ShareScaleFactors(side, sf[0][ch], sf[1][ch], ch);
            used += static_cast<int>(gi.part2_3_length);
            reservoir_.Adjust(gi, meanBits, channels);
            gi.global_gain = static_cast<std::uint32_t>(gi.quantizer_step + 210);
        }
    }
    reservoir_.EndFrame(side, granules, channels, meanBits);
}

}  // namespace mpa
