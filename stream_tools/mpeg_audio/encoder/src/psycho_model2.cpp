#include "psycho_model2.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "mpa_encoder/hearing.h"

namespace mpa {

namespace {

constexpr float kCriticalBandEdgeHz[27] = {0,    100,  200,  300,  400,  510,  630,  770,  920,
                                           1080, 1270, 1480, 1720, 2000, 2320, 2700, 3150, 3700,
                                           4400, 5300, 6400, 7700, 9500, 12000, 15500, 25000, 30000};
constexpr float kBmaxByBark[27] = {20,  20,  20,  20,  20,  17,  15,  10,  7,   4.4, 4.5, 4.5, 4.5, 4.5,
                                   4.5, 4.5, 4.5, 4.5, 4.5, 4.5, 4.5, 4.5, 4.5, 4.5, 3.5, 3.5, 3.5};
constexpr double kNoiseMaskingTone = 5.5;
// A block with no history yet sees no previous threshold limiting its pre-echo control.
constexpr float kStartThreshold = 6.0802371e13f;
// Offset between the threshold in quiet in dB SPL and the model's energy units (16-bit samples, Hann window).
constexpr double kEnergyOffsetDb = 41.837376;
// Spectrum energy (sum over lines 0..512, Hann window) per unit of mean power of a full-scale-1 signal:
// 1024^2 x mean(w^2) / 2 in 16-bit units.
constexpr double kSpectrumEnergyPerPower = 1024.0 * 1024.0 * 0.375 / 2.0 * 32768.0 * 32768.0;
// Only a band whose own samples carry over 10 dB more than its spectrum lines is raised: a leak, not noise.
constexpr double kLeakAllowance = 0.1;

double BarkOfLine(int line, double rate) {
    double f = line * rate / 1024.0;
    int j = 1;
    while (j < 26 && f > kCriticalBandEdgeHz[j]) ++j;
    return j - 1 + (f - kCriticalBandEdgeHz[j - 1]) / (kCriticalBandEdgeHz[j] - kCriticalBandEdgeHz[j - 1]);
}

}  // namespace

PsychoModel2::PsychoModel2() {
    for (int i = 0; i < 1024; ++i)
        window_[i] = static_cast<float>(0.5 * (1.0 - std::cos(2.0 * std::numbers::pi * (i - 0.5) / 1024.0)));
}

double PsychoModel2::AbsoluteThreshold(int line, double rate) {
    // The standard's table holds the threshold of line i at the frequency of line i + 1; its last line
    // counts as above hearing at every rate.
    double hz = line >= kLines - 1 ? 1e6 : (line + 1) * rate / 1024.0;
    return std::pow(10.0, (ThresholdInQuietDbRounded(hz) + kEnergyOffsetDb) / 10.0);
}

bool PsychoModel2::Setup(int rate, int layer) {
    if (rate != 32000 && rate != 44100 && rate != 48000) return false;
    rate_ = rate;
    layer_ = layer;
    if (layer == 1) {
        // One pass over the frame's own 384 samples; the window ends where the frame ends.
        flush_ = 384;
        sync_size_ = 1024;
        sync_flush_ = 640;
    } else {
        flush_ = 576;
        sync_size_ = 1056;
        sync_flush_ = 480;
    }
    for (auto& channel : r_) for (auto& block : channel) block.fill(0.0f);
    for (auto& channel : cos_saved_) for (auto& block : channel) block.fill(1.0f);
    for (auto& channel : sin_saved_) for (auto& block : channel) block.fill(0.0f);
    for (auto& channel : lthr_) channel.fill(kStartThreshold);

    double bark[kLines];
    for (int i = 0; i < kLines; ++i) bark[i] = BarkOfLine(i, rate);

    // Partitions of about a third of a Bark; the last ones are merged when there would be too many.
    partitions_ = 1;
    int current = 0;
    double opening = bark[0];
    double barkSum[kMaxPartitions] = {};
    lines_in_partition_.fill(0);
    for (int i = 0; i < kLines; ++i) {
        if (i > 0 && bark[i] - opening > 0.33 && partitions_ < kMaxPartitions) {
            current = partitions_++;
            opening = bark[i];
        }
        partition_of_line_[i] = current;
        lines_in_partition_[current]++;
        barkSum[current] += bark[i];
    }
    for (int p = 0; p < partitions_; ++p) bark_of_partition_[p] = static_cast<float>(barkSum[p] / lines_in_partition_[p]);

    for (int j = 0; j < partitions_; ++j) {
        double norm = 0.0;
        for (int i = 0; i < partitions_; ++i) {
            double t = (bark_of_partition_[j] - bark_of_partition_[i]) * 1.05;
            double x = 0.0;
            if (t >= 0.5 && t <= 2.5) x = 8.0 * ((t - 0.5) * (t - 0.5) - 2.0 * (t - 0.5));
            double tt = t + 0.474;
            double y = 15.811389 + 7.5 * tt - 17.5 * std::sqrt(1.0 + tt * tt);
            float s = y <= -100.0 ? 0.0f : static_cast<float>(std::pow(10.0, (x + y) / 10.0));
            spread_[j][i] = s;
            norm += s;
        }
        rnorm_[j] = static_cast<float>(norm);
        tmn_[j] = std::max(15.5 + bark_of_partition_[j], 24.5);
        int barkIndex = std::clamp(static_cast<int>(std::lround(bark_of_partition_[j])), 0, 26);
        bmax_of_partition_[j] = kBmaxByBark[barkIndex];
    }
    for (int i = 0; i < kLines; ++i) absolute_threshold_[i] = static_cast<float>(AbsoluteThreshold(i, rate));
    return true;
}

bool PsychoModel2::Run(const std::int16_t* samples, int channel, int layer, double rate, float smr[32]) {
    if (layer != 1 && layer != 2) return false;
    int hz = static_cast<int>(std::lround(rate));
    if (hz != rate_ || layer != layer_) {
        if (!Setup(hz, layer)) return false;
    }
    auto& history = history_[channel];
    if (layer == 1) {
        std::copy(history.begin() + flush_, history.begin() + sync_size_, history.begin());
        std::copy(samples, samples + (sync_size_ - sync_flush_), history.begin() + sync_flush_);
        Pass(channel, smr, band_mask_[channel].data());
        return true;
    }
    float passes[2][32], masks[2][32];
    for (int pass = 0; pass < 2; ++pass) {
        std::copy(history.begin() + flush_, history.begin() + sync_size_, history.begin());
        std::copy(samples + pass * flush_, samples + pass * flush_ + (sync_size_ - sync_flush_),
                  history.begin() + sync_flush_);
        Pass(channel, passes[pass], masks[pass]);
    }
    for (int sb = 0; sb < 32; ++sb) {
        smr[sb] = std::max(passes[0][sb], passes[1][sb]);
        band_mask_[channel][sb] = std::min(masks[0][sb], masks[1][sb]);
    }
    return true;
}

void PsychoModel2::Pass(int channel, float smr[32], float mask[32]) {
    const auto& history = history_[channel];
    float input[1024];
    for (int i = 0; i < 1024; ++i) input[i] = window_[i] * history[i];
    ComputeSpectrumPhasors(fft_, input, energy_.data(), cos_phase_.data(), sin_phase_.data());

    // Layer I shares one rotation between both channels, driven by channel 0.
    if (layer_ == 2 || channel == 0) {
        new_block_ = 1 - new_block_;
        oldest_block_ = new_block_;
        old_block_ = 1 - old_block_;
    }

    // Unpredictability: distance of each line from its linear prediction out of the two previous blocks.
    auto& r = r_[channel];
    auto& cosSaved = cos_saved_[channel];
    auto& sinSaved = sin_saved_[channel];
    float unpredictability[kLines];
    for (int i = 0; i < kLines; ++i) {
        float rPred = 2.0f * r[old_block_][i] - r[oldest_block_][i];
        // e^{i(2 p_old - p_oldest)} from the stored phasors.
        float cOld = cosSaved[old_block_][i], sOld = sinSaved[old_block_][i];
        float cOldest = cosSaved[oldest_block_][i], sOldest = sinSaved[oldest_block_][i];
        float cDouble = cOld * cOld - sOld * sOld, sDouble = 2.0f * cOld * sOld;
        float cPred = cDouble * cOldest + sDouble * sOldest;
        float sPred = sDouble * cOldest - cDouble * sOldest;
        float rNew = std::sqrt(energy_[i]);
        r[new_block_][i] = rNew;
        cosSaved[new_block_][i] = cos_phase_[i];
        sinSaved[new_block_][i] = sin_phase_[i];
        float denominator = rNew + std::fabs(rPred);
        if (denominator == 0.0f) {
            unpredictability[i] = 0.0f;
            continue;
        }
        float dr = rNew * cos_phase_[i] - rPred * cPred;
        float di = rNew * sin_phase_[i] - rPred * sPred;
        unpredictability[i] = std::sqrt(dr * dr + di * di) / denominator;
    }

    float groupedEnergy[kMaxPartitions] = {};
    float groupedUnpredictability[kMaxPartitions] = {};
    for (int i = 0; i < kLines; ++i) {
        int p = partition_of_line_[i];
        groupedEnergy[p] += energy_[i];
        groupedUnpredictability[p] += unpredictability[i] * energy_[i];
    }

    float noise[kMaxPartitions];
    for (int j = 0; j < partitions_; ++j) {
        float ecb = 0.0f, cbSum = 0.0f;
        const auto& row = spread_[j];
        for (int i = 0; i < partitions_; ++i) {
            ecb += row[i] * groupedEnergy[i];
            cbSum += row[i] * groupedUnpredictability[i];
        }
        double cb = ecb != 0.0f ? cbSum / ecb : 0.0;
        cb = std::clamp(cb, 0.05, 0.5);
        double tonality = -0.434294482 * std::log(cb) - 0.301029996;
        double snrDb = std::max(tmn_[j] * tonality + kNoiseMaskingTone * (1.0 - tonality),
                                static_cast<double>(bmax_of_partition_[j]));
        double bc = std::pow(10.0, -snrDb / 10.0);
        noise[j] = (rnorm_[j] != 0.0f && lines_in_partition_[j] != 0)
                       ? static_cast<float>(ecb * bc / (rnorm_[j] * lines_in_partition_[j]))
                       : 0.0f;
    }

    float threshold[kLines];
    auto& lthr = lthr_[channel];
    for (int i = 0; i < kLines; ++i) {
        float t = std::max(noise[partition_of_line_[i]], absolute_threshold_[i]);
        // Layer I limits a threshold's jump above the previous block's to keep pre-echo down.
        threshold[i] = layer_ == 1 ? std::max(std::min(t, lthr[i]), 0.00316f * t) : t;
        lthr[i] = 32.0f * t;
    }

    for (int sb = 0; sb < 32; ++sb) {
        float energySum = 0.0f;
        int first = 16 * sb;
        for (int i = first; i <= first + 16; ++i) energySum += energy_[i];
        double ratio;
        if (sb < 13) {
            float smallest = threshold[first];
            for (int i = first + 1; i <= first + 16; ++i) smallest = std::min(smallest, threshold[i]);
            mask[sb] = 17.0f * smallest;
            ratio = energySum / mask[sb];
        } else {
            float thresholdSum = 0.0f;
            for (int i = first; i <= first + 16; ++i) thresholdSum += threshold[i];
            mask[sb] = thresholdSum;
            ratio = energySum / thresholdSum;
        }
        smr[sb] = static_cast<float>(4.342944819 * std::log(ratio));
    }
}

void RaiseRatiosToSubbandEnergy(const double sample[3][12][32], int parts, const std::array<float, 32>& mask,
                                float smr[32]) {
    for (int sb = 0; sb < 32; ++sb) {
        if (mask[sb] <= 0.0f) continue;
        double power = 0.0;
        for (int p = 0; p < parts; ++p)
            for (int s = 0; s < 12; ++s) power += sample[p][s][sb] * sample[p][s][sb];
        power /= 12.0 * parts;
        double energy = power * kSpectrumEnergyPerPower * kLeakAllowance;
        if (energy <= 0.0) continue;
        smr[sb] = std::max(smr[sb], static_cast<float>(10.0 * std::log10(energy / mask[sb])));
    }
}

}  // namespace mpa
