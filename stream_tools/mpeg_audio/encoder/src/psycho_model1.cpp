#include "psycho_model1.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "mpeg_audio/console.h"
#include "mpeg_audio/table_file.h"

namespace mpa {

namespace {

constexpr double kRemoved = -std::numeric_limits<double>::infinity();
constexpr double kTonalDistanceDb = 7.0;

double PowerOf(double db) { return std::pow(10.0, db / 10.0); }
double DbOf(double power) { return 10.0 * std::log10(std::max(power, 1e-30)); }

// Neighbourhood of a local maximum that must lie 7 dB below it to call it tonal.
int TonalReach(int line, int fftSize) {
    int scaled = fftSize == 512 ? line * 2 : line;
    if (scaled < 63) return 2;
    if (scaled < 127) return 3;
    if (scaled < 255) return 6;
    return 12;
}

// Spreading of a masker of level `level` dB over the Bark distance dz = z(maskee) - z(masker).
double MaskingFunction(double dz, double level) {
    if (dz < -1.0) return 17.0 * (dz + 1.0) - (0.4 * level + 6.0);
    if (dz < 0.0) return (0.4 * level + 6.0) * dz;
    if (dz < 1.0) return -17.0 * dz;
    return -(dz - 1.0) * (17.0 - 0.15 * level) - 17.0;
}

struct Masker {
    int grid;
    double level;
    bool tonal;
};

}  // namespace

void PsychoModel1::ClearHistory() {
    for (auto& channel : history_) channel.fill(0);
}

bool PsychoModel1::Setup(int layer, int frequencyIndex, int bitratePerChannel, std::string* error) {
    quiet_offset_db_ = bitratePerChannel >= 96 ? -12.0 : 0.0;
    std::string suffix = std::to_string(frequencyIndex);
    std::string cbName = std::to_string(layer) + "cb" + suffix;
    std::string thName = std::to_string(layer) + "th" + suffix;
    if (loaded_ == cbName + thName) return true;
    auto fail = [&](const char* format, const std::string& name, int index) {
        char text[200];
        if (index < 0)
            std::snprintf(text, sizeof text, format, name.c_str());
        else
            std::snprintf(text, sizeof text, format, index, name.c_str());
        ConsoleMessage("%s", text);
        *error = text;
        error->pop_back();
        loaded_.clear();
        return false;
    };

    TableFile cb = OpenTable(cbName);
    if (!cb) return fail("Please check %s boundary table\n", cbName, -1);
    int count = 0;
    if (std::fscanf(cb.get(), "%d", &count) != 1 || count <= 0 || count > 64)
        return fail("Please check %s boundary table\n", cbName, -1);
    band_start_.assign(count, 0);
    for (int k = 0; k < count; ++k) {
        int index = -1, start = 0;
        if (std::fscanf(cb.get(), "%d %d", &index, &start) != 2 || index != k)
            return fail("Please check index %d in cbound table %s\n", cbName, k);
        band_start_[k] = start;
    }

    TableFile th = OpenTable(thName);
    if (!th) return fail("Please check frequency and cband table %s\n", thName, -1);
    if (std::fscanf(th.get(), "%d", &count) != 1 || count <= 0 || count > 1024)
        return fail("Please check frequency and cband table %s\n", thName, -1);
    grid_.assign(count, GridPoint{});
    for (int i = 0; i < count; ++i) {
        int index = -1;
        GridPoint& point = grid_[i];
        if (std::fscanf(th.get(), "%d %d %lf %lf", &index, &point.line, &point.bark, &point.quiet_db) != 4 ||
            index != i)
            return fail("Please check index %d in freq-cb table %s\n", thName, i);
    }

    layer_ = layer;
    fft_size_ = layer == 1 ? 512 : 1024;
    int half = fft_size_ / 2;
    for (GridPoint& point : grid_) point.line = std::clamp(point.line, 1, half - 1);
    for (int& start : band_start_) start = std::clamp(start, 0, count - 1);
    grid_of_line_.assign(half + 1, 0);
    for (int line = 0, g = 0; line <= half; ++line) {
        while (g + 1 < count && std::abs(grid_[g + 1].line - line) <= std::abs(grid_[g].line - line)) ++g;
        grid_of_line_[line] = g;
    }
    window_.resize(fft_size_);
    for (int i = 0; i < fft_size_; ++i)
        window_[i] = static_cast<float>(std::sqrt(8.0 / 3.0) * 0.5 *
                                        (1.0 - std::cos(2.0 * std::numbers::pi * i / fft_size_)));
    loaded_ = cbName + thName;
    return true;
}

bool PsychoModel1::Run(const std::int16_t* samples, int channel, const double multiple[32], float smr[32]) {
    if (loaded_.empty()) return false;
    const int n = fft_size_;
    const int half = n / 2;
    const int frameSamples = layer_ == 1 ? 384 : 1152;

    // The block analysed ends with the frame's last sample.
    std::vector<float> block(n);
    auto& history = history_[channel];
    for (int i = 0; i < n; ++i) {
        int source = frameSamples - n + i;
        double value = source >= 0 ? samples[source] : history[512 + source];
        block[i] = static_cast<float>(value / 32768.0 * window_[i]);
    }
    if (frameSamples >= 512) {
        std::copy(samples + frameSamples - 512, samples + frameSamples, history.begin());
    } else {
        std::copy(history.begin() + frameSamples, history.end(), history.begin());
        std::copy(samples, samples + frameSamples, history.end() - frameSamples);
    }
    RealFft& fft = n == 512 ? fft512_ : fft1024_;
    fft.Transform(block.data());

    // Power density spectrum, 96 dB for a full-scale sine.
    std::vector<double> level(half + 1);
    double norm = 1.0 / (static_cast<double>(n) * n);
    for (int k = 0; k <= half; ++k) {
        double re = block[k];
        double im = (k == 0 || k == half) ? 0.0 : block[n - k];
        level[k] = DbOf((re * re + im * im) * norm) + 96.0;
    }

    // Sound pressure level per subband: the stronger of the spectrum and the scale factor.
    const int linesPerSubband = half / 32;
    double subbandLevel[32];
    for (int sb = 0; sb < 32; ++sb) {
        double strongest = *std::max_element(level.begin() + sb * linesPerSubband,
                                             level.begin() + (sb + 1) * linesPerSubband);
        subbandLevel[sb] = std::max(strongest, 20.0 * std::log10(multiple[sb] * 32768.0) - 10.0);
    }

    // Tonal components: local maxima standing 7 dB above their neighbourhood.
    std::vector<Masker> maskers;
    std::vector<double> rest = level;
    const int topLine = n == 512 ? 250 : 500;
    for (int k = 3; k < topLine; ++k) {
        if (!(level[k] > level[k - 1] && level[k] >= level[k + 1])) continue;
        int reach = TonalReach(k, n);
        bool tonal = true;
        for (int j = 2; j <= reach && tonal; ++j) {
            if (k - j >= 0 && level[k] - level[k - j] < kTonalDistanceDb) tonal = false;
            if (k + j <= half && level[k] - level[k + j] < kTonalDistanceDb) tonal = false;
        }
        if (!tonal) continue;
        double power = PowerOf(level[k - 1]) + PowerOf(level[k]) + PowerOf(level[k + 1]);
        maskers.push_back({grid_of_line_[k], DbOf(power), true});
        for (int j = -reach; j <= reach; ++j)
            if (k + j >= 0 && k + j <= half) rest[k + j] = kRemoved;
    }

    // Non-tonal components: the remaining power of each critical band at its middle line.
    const int bands = static_cast<int>(band_start_.size());
    for (int b = 0; b < bands; ++b) {
        int first = grid_[band_start_[b]].line;
        int last = b + 1 < bands ? grid_[band_start_[b + 1]].line - 1 : half;
        if (last < first) continue;
        double power = 0.0;
        for (int k = first; k <= last; ++k)
            if (rest[k] != kRemoved) power += PowerOf(rest[k]);
        if (power <= 0.0) continue;
        int middle = static_cast<int>(std::lround(std::sqrt(static_cast<double>(std::max(first, 1)) * last)));
        maskers.push_back({grid_of_line_[std::clamp(middle, 0, half)], DbOf(power), false});
    }

    // Decimation: maskers below the threshold in quiet go, and of two tonal maskers closer than half
    // a Bark the weaker goes.
    std::erase_if(maskers, [&](const Masker& m) {
        return m.level < grid_[m.grid].quiet_db + quiet_offset_db_;
    });
    for (std::size_t a = 0; a < maskers.size(); ++a) {
        if (!maskers[a].tonal || maskers[a].level == kRemoved) continue;
        for (std::size_t b = a + 1; b < maskers.size(); ++b) {
            if (!maskers[b].tonal || maskers[b].level == kRemoved) continue;
            if (std::fabs(grid_[maskers[a].grid].bark - grid_[maskers[b].grid].bark) < 0.5) {
                if (maskers[a].level < maskers[b].level)
                    maskers[a].level = kRemoved;
                else
                    maskers[b].level = kRemoved;
            }
        }
    }
    std::erase_if(maskers, [](const Masker& m) { return m.level == kRemoved; });

    // Global masking threshold per grid point and its minimum per subband.
    double minimum[32];
    std::fill(std::begin(minimum), std::end(minimum), std::numeric_limits<double>::infinity());
    for (std::size_t i = 0; i < grid_.size(); ++i) {
        double z = grid_[i].bark;
        double power = PowerOf(grid_[i].quiet_db + quiet_offset_db_);
        for (const Masker& m : maskers) {
            double zMasker = grid_[m.grid].bark;
            double dz = z - zMasker;
            if (dz < -3.0 || dz >= 8.0) continue;
            double index = m.tonal ? -6.025 - 0.275 * zMasker : -2.025 - 0.175 * zMasker;
            power += PowerOf(m.level + index + MaskingFunction(dz, m.level));
        }
        int sb = std::min(grid_[i].line / linesPerSubband, 31);
        minimum[sb] = std::min(minimum[sb], DbOf(power));
    }
    for (int sb = 0; sb < 32; ++sb) {
        if (std::isinf(minimum[sb])) {
            int line = sb * linesPerSubband + linesPerSubband / 2;
            minimum[sb] = grid_[grid_of_line_[line]].quiet_db + quiet_offset_db_;
        }
        smr[sb] = static_cast<float>(subbandLevel[sb] - minimum[sb]);
    }
    return true;
}

}  // namespace mpa
