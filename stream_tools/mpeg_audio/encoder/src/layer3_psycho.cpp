#include "layer3_psycho.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "psy_data_builder.h"

namespace mpa {

namespace {

constexpr double kDbToNeper = 0.2302585093;  // ln(10) / 10

// Reads the block of `rate` in the section starting at `pos`; advances `pos` past the section.
const double* FindBlock(const double* table, std::size_t size, std::size_t& pos, int rate, int& rows) {
    const double* found = nullptr;
    for (int block = 0; block < 6 && pos + 2 <= size; ++block) {
        int blockRate = static_cast<int>(table[pos]);
        int count = static_cast<int>(table[pos + 1]) + 1;
        if (blockRate == rate) {
            found = table + pos + 2;
            rows = count;
        }
        pos += 2 + 6 * static_cast<std::size_t>(count);
    }
    return pos <= size ? found : nullptr;
}

void MapLines(const int* lines, int count, int* partitionOfLine, int total) {
    int line = 0;
    for (int p = 0; p < count; ++p)
        for (int k = 0; k < lines[p] && line < total; ++k) partitionOfLine[line++] = p;
    while (line < total) partitionOfLine[line++] = -1;
}

}  // namespace

bool CheckPsyData(const double* table, std::size_t size, int rateHz, PsyParameters& out, std::string* error) {
    auto fail = [&](const std::string& message) {
        if (error) *error = "psy_data: " + message + " at " + std::to_string(rateHz) + " Hz";
        return false;
    };
    std::size_t pos = 0;
    int rows = 0;
    const double* block = FindBlock(table, size, pos, rateHz, rows);
    if (!block || rows > PsyParameters::kLong) return fail("no long partitions");
    out.long_count = rows;
    for (int p = 0; p < rows; ++p) {
        const double* row = block + 6 * p;
        if (static_cast<int>(row[0]) != p) return fail("long partition row out of order");
        out.long_lines[p] = static_cast<int>(row[1]);
        out.minval[p] = row[2];
        out.long_quiet[p] = row[3];
        out.long_norm[p] = row[4];
        out.long_bark[p] = row[5];
    }
    MapLines(out.long_lines, rows, out.long_partition_of_line, 513);
    for (int i = 0; i < PsyParameters::kLong; ++i)
        for (int j = 0; j < PsyParameters::kLong; ++j)
            out.spread[i][j] = i < rows && j < rows ? SpreadingFunction(out.long_bark[i], out.long_bark[j]) : 0.0;
    for (int i = 0; i < rows; ++i) {
        out.span_first[i] = rows;
        out.span_last[i] = -1;
        for (int j = 0; j < rows; ++j)
            if (out.spread[i][j] != 0.0) {
                out.span_first[i] = std::min(out.span_first[i], j);
                out.span_last[i] = j;
            }
    }

    block = FindBlock(table, size, pos, rateHz, rows);
    if (!block || rows > PsyParameters::kShort) return fail("no short partitions");
    out.short_count = rows;
    for (int p = 0; p < rows; ++p) {
        const double* row = block + 6 * p;
        if (static_cast<int>(row[0]) != p) return fail("short partition row out of order");
        out.short_lines[p] = static_cast<int>(row[1]);
        out.short_quiet[p] = row[2];
        out.short_norm[p] = row[3];
        out.short_snr[p] = row[4];
        out.short_bark[p] = row[5];
    }
    MapLines(out.short_lines, rows, out.short_partition_of_line, 129);
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < rows; ++j) out.short_spread[i][j] = SpreadingFunction(out.short_bark[i], out.short_bark[j]);

    for (int section = 0; section < 2; ++section) {
        const int bands = section == 0 ? 21 : 12;
        const int partitions = section == 0 ? out.long_count : out.short_count;
        PsyParameters::Band* map = section == 0 ? out.long_bands : out.short_bands;
        block = FindBlock(table, size, pos, rateHz, rows);
        if (!block || rows != bands) return fail("no band map");
        for (int b = 0; b < bands; ++b) {
            const double* row = block + 6 * b;
            PsyParameters::Band& band = map[b];
            band = {static_cast<int>(row[1]), static_cast<int>(row[2]), static_cast<int>(row[3]), row[4], row[5]};
            if (static_cast<int>(row[0]) != b) return fail("band map row out of order");
            if (band.first < 0 || band.last >= partitions || band.first > band.last) return fail("band outside the partitions");
            if (b > 0 && (band.last != band.first + band.count || std::fabs(1.0 - band.w1 - map[b - 1].w2) > 0.01))
                return fail("band map does not continue the previous band");
        }
    }
    return true;
}

bool Layer3PsychoModel::Setup(int rateHz, std::string* error) {
    if (!CheckPsyData(kPsyData, kPsyDataSize, rateHz, params_, error)) return false;
    rate_ = rateHz;
    const double pi = std::numbers::pi;
    for (int i = 0; i < 1024; ++i) long_window_[i] = static_cast<float>(0.5 * (1.0 - std::cos(2.0 * pi * (i - 0.5) / 1024.0)));
    for (int i = 0; i < 256; ++i) short_window_[i] = static_cast<float>(0.5 * (1.0 - std::cos(2.0 * pi * (i - 0.5) / 256.0)));
    Reset();
    return true;
}

void Layer3PsychoModel::Reset() {
    for (Channel& c : channels_) {
        c = Channel{};
        for (auto& slot : c.re) std::fill(std::begin(slot), std::end(slot), 1.0f);
    }
    new_slot_ = 0;
    old_slot_ = 1;
    oldest_slot_ = 0;
}

void Layer3PsychoModel::Run(const std::int16_t* samples, int channel, double quality, Layer3Ratios& ratios, double& pe,
                            Layer3GranuleInfo& gi, double* energy) {
    const PsyParameters& P = params_;
    Channel& c = channels_[channel];
    // The ratios of the previous call for this channel go out first.
    for (int b = 0; b < 21; ++b) ratios.l[b] = c.last.l[b] / quality;
    for (int b = 0; b < 12; ++b)
        for (int w = 0; w < 3; ++w) ratios.s[b][w] = c.last.s[b][w] / quality;
    if (channel == 0) {
        if (new_slot_ == 1) new_slot_ = 0, old_slot_ = 1, oldest_slot_ = 0;
        else new_slot_ = 1, old_slot_ = 0, oldest_slot_ = 1;
    }
    std::copy(c.buffer + 576, c.buffer + 1344, c.buffer);
    std::copy(samples, samples + 576, c.buffer + 768);

    // Long spectrum.
    float wsamp[1024], e[513], cosp[513], sinp[513];
    for (int i = 0; i < 1024; ++i) wsamp[i] = long_window_[i] * c.buffer[i];
    ComputeSpectrumPhasors(fft_long_, wsamp, e, cosp, sinp);
    if (energy) {
        double sum = 0.0;
        for (int j = 0; j < 512; ++j) sum += static_cast<double>(e[j]) * e[j];
        *energy = sum;
    }
    // Unpredictability: how far each line is from its prediction out of the two blocks before.
    float unpredict[513];
    auto measure = [](double r, double re, double im, double rp, double rep, double imp) {
        double dx = r * re - rp * rep, dy = r * im - rp * imp;
        double divisor = r + std::fabs(rp);
        return divisor == 0.0 ? 0.0f : static_cast<float>(std::sqrt(dx * dx + dy * dy) / divisor);
    };
    for (int j = 0; j < 6; ++j) {
        double r = std::sqrt(e[j]);
        double rp = 2.0 * c.r[old_slot_][j] - c.r[oldest_slot_][j];
        // Phase 2 old - oldest as a phasor: old^2 / oldest.
        double ore = c.re[old_slot_][j], oim = c.im[old_slot_][j];
        double tre = c.re[oldest_slot_][j], tim = c.im[oldest_slot_][j];
        double sre = ore * ore - oim * oim, sim = 2.0 * ore * oim;
        double pre = sre * tre + sim * tim, pim = sim * tre - sre * tim;
        c.r[new_slot_][j] = static_cast<float>(r);
        c.re[new_slot_][j] = cosp[j];
        c.im[new_slot_][j] = sinp[j];
        unpredict[j] = measure(r, cosp[j], sinp[j], rp, pre, pim);
    }
    // Three short spectra.
    float es[3][129], cs[3][129], ss[3][129];
    for (int b = 0; b < 3; ++b) {
        float w[256];
        for (int i = 0; i < 256; ++i) w[i] = short_window_[i] * c.buffer[256 + 128 * b + i];
        ComputeSpectrumPhasors(fft_short_, w, es[b], cs[b], ss[b]);
    }
    for (int j = 6; j < 206; j += 4) {
        int k = (j + 2) / 4;
        double r0 = std::sqrt(es[0][k]), r2 = std::sqrt(es[2][k]);
        double rp = 2.0 * r0 - r2;
        double sre = cs[0][k] * cs[0][k] - ss[0][k] * ss[0][k], sim = 2.0 * cs[0][k] * ss[0][k];
        double pre = sre * cs[2][k] + sim * ss[2][k], pim = sim * cs[2][k] - sre * ss[2][k];
        float u = measure(std::sqrt(es[1][k]), cs[1][k], ss[1][k], rp, pre, pim);
        unpredict[j] = unpredict[j + 1] = unpredict[j + 2] = unpredict[j + 3] = u;
    }
    for (int j = 206; j < 513; ++j) unpredict[j] = 0.4f;

    double eb[63] = {}, cb[63] = {};
    for (int j = 0; j < 513; ++j) {
        int p = P.long_partition_of_line[j];
        if (p < 0) continue;
        eb[p] += e[j];
        cb[p] += e[j] * unpredict[j];
    }
    double thr[63] = {};
    pe = 0.0;
    for (int p = 0; p < P.long_count; ++p) {
        double ecb = 0.0, ctb = 0.0;
        for (int q = P.span_first[p]; q <= P.span_last[p]; ++q) {
            ecb += P.spread[p][q] * eb[q];
            ctb += P.spread[p][q] * cb[q];
        }
        double t = ecb != 0.0 ? std::log(std::max(ctb / ecb, 0.01)) : 0.0;
        double tb = std::clamp(-0.299 - 0.43 * t, 0.0, 1.0);
        double snr = std::max(P.minval[p], 29.0 * tb + 6.0 * (1.0 - tb));
        double nb = ecb * P.long_norm[p] * std::exp(-snr * kDbToNeper);
        thr[p] = std::max(P.long_quiet[p], std::min({nb, 2.0 * c.nb_1[p], 16.0 * c.nb_2[p]}));
        c.nb_2[p] = c.nb_1[p];
        c.nb_1[p] = nb;
        pe -= P.long_lines[p] * std::min(0.0, std::log((thr[p] + 1.0) / (eb[p] + 1.0)));
    }

    auto bandRatio = [](const PsyParameters::Band& band, const double* energyOf, const double* threshold) {
        double en = band.w1 * energyOf[band.first] + band.w2 * energyOf[band.last];
        double thm = band.w1 * threshold[band.first] + band.w2 * threshold[band.last];
        for (int p = band.first + 1; p < band.last; ++p) {
            en += energyOf[p];
            thm += threshold[p];
        }
        return en > 0.0 ? thm / en : 0.0;
    };
    int decision = c.decision;
    if (pe < kAttackPe) {
        for (int b = 0; b < 21; ++b) c.last.l[b] = bandRatio(P.long_bands[b], eb, thr);
        gi.block_type = static_cast<std::uint32_t>(decision);
        c.decision = decision == kShortBlock ? kStopBlock : kNormalBlock;
    } else {
        for (int b = 0; b < 3; ++b) {
            double ebs[PsyParameters::kShort] = {}, thrs[PsyParameters::kShort] = {};
            for (int k = 0; k < 129; ++k) {
                int p = P.short_partition_of_line[k];
                if (p >= 0) ebs[p] += es[b][k];
            }
            for (int p = 0; p < P.short_count; ++p) {
                double ecbs = 0.0;
                for (int q = 0; q < P.short_count; ++q) ecbs += P.short_spread[p][q] * ebs[q];
                double nbs = ecbs * P.short_norm[p] * std::exp(P.short_snr[p] * kDbToNeper);
                thrs[p] = std::max(P.short_quiet[p], nbs);
            }
            for (int sb = 0; sb < 12; ++sb) c.last.s[sb][b] = bandRatio(P.short_bands[sb], ebs, thrs);
        }
        if (decision == kNormalBlock) decision = kStartBlock;
        else if (decision == kStopBlock) decision = kShortBlock;
        gi.block_type = static_cast<std::uint32_t>(decision);
        c.decision = kShortBlock;
    }
    gi.window_switching_flag = gi.block_type != kNormalBlock ? 1 : 0;
    gi.mixed_block_flag = 0;
}

}  // namespace mpa
