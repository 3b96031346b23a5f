#include "psy_data_builder.h"

#include <algorithm>
#include <cmath>

namespace mpa {

namespace {

constexpr double kCriticalBandEdgeHz[27] = {0,    100,  200,  300,  400,  510,  630,  770,  920,
                                            1080, 1270, 1480, 1720, 2000, 2320, 2700, 3150, 3700,
                                            4400, 5300, 6400, 7700, 9500, 12000, 15500, 25000, 30000};
constexpr int kMaxLongPartitions = 63;
constexpr int kMaxShortPartitions = 63;

// Bark of a frequency, linear between the critical band edges.
double BarkOfHz(double f) {
    int j = 1;
    while (j < 26 && f > kCriticalBandEdgeHz[j]) ++j;
    return j - 1 + (f - kCriticalBandEdgeHz[j - 1]) / (kCriticalBandEdgeHz[j] - kCriticalBandEdgeHz[j - 1]);
}

double Round3(double x) { return std::round(x * 1000.0) / 1000.0; }

struct Partition {
    int first = 0;
    int lines = 0;
    double bark = 0.0;
};

// Lines 0..fft/2 of an fft-point spectrum in partitions of at most a third of a Bark; the last,
// incomplete one is left out, and past `limit` partitions the rest joins the last.
std::vector<Partition> MakePartitions(int rate, int fft, int limit) {
    std::vector<Partition> parts;
    double opening = 0.0;
    bool merged = false;
    for (int i = 0; i <= fft / 2; ++i) {
        double bark = BarkOfHz(static_cast<double>(i) * rate / fft);
        bool opens = parts.empty() || bark - opening > 0.33;
        if (opens && static_cast<int>(parts.size()) == limit) {
            merged = true;
            opens = false;
        }
        if (opens) {
            parts.push_back({i, 0, 0.0});
            opening = bark;
        }
        parts.back().lines++;
        parts.back().bark += bark;
    }
    // The top partition never reached its third of a Bark, unless it took in the rest.
    if (!merged) parts.pop_back();
    for (Partition& p : parts) p.bark = Round3(p.bark / p.lines);
    return parts;
}

std::vector<double> Norms(const std::vector<Partition>& parts) {
    std::vector<double> norms;
    for (const Partition& p : parts) {
        double sum = 0.0;
        for (const Partition& q : parts) sum += SpreadingFunction(p.bark, q.bark);
        norms.push_back(Round3(1.0 / sum));
    }
    return norms;
}

// Minimum SNR of a long partition: high at the bottom where hearing resolves noise in tones best, none
// from the middle on.
double MinimumSnrDb(double bark) {
    if (bark <= 3.0) return 24.5;
    if (bark >= 13.0) return 0.0;
    return Round3(24.5 * (13.0 - bark) / 10.0);
}

// Threshold in quiet per line in the model's energy units, rising towards the top of the band.
double QuietPerLine(double bark) { return 4.532 + (9.0428 - 4.532) * std::clamp(bark / 24.576, 0.0, 1.0); }

struct BandRow {
    int count, first, last;
    double w1, w2;
};

// Scale factor bands (edges in MDCT lines, `scale` FFT lines per MDCT line) over partitions.
std::vector<BandRow> MapBands(const std::vector<Partition>& parts, const std::vector<int>& edges, double scale) {
    auto containing = [&](double x) {
        for (std::size_t p = 0; p < parts.size(); ++p)
            if (x < parts[p].first + parts[p].lines - 0.5) return static_cast<int>(p);
        return static_cast<int>(parts.size()) - 1;
    };
    auto inside = [&](int p, double lo, double hi) {
        double a = std::max(lo, parts[p].first - 0.5), b = std::min(hi, parts[p].first + parts[p].lines - 0.5);
        return std::clamp((b - a) / parts[p].lines, 0.0, 1.0);
    };
    std::vector<BandRow> rows;
    for (std::size_t b = 0; b + 1 < edges.size(); ++b) {
        double lo = b == 0 ? -0.5 : edges[b] * scale;
        double hi = edges[b + 1] * scale;
        int bu = containing(lo), bo = containing(hi);
        BandRow row{bo - bu, bu, bo, Round3(inside(bu, lo, hi)), Round3(inside(bo, lo, hi))};
        if (bu == bo) row.w1 = row.w2 = Round3(inside(bu, lo, hi));
        rows.push_back(row);
    }
    return rows;
}

// Long and short scale factor band edges by rate (table order of kPsyDataRates).
std::vector<int> Edges(const int* widths, int count) {
    std::vector<int> edges{0};
    for (int i = 0; i < count; ++i) edges.push_back(edges.back() + widths[i]);
    return edges;
}

constexpr int kLongWidths[6][21] = {
    {4, 4, 4, 4, 4, 4, 6, 6, 6, 8, 10, 12, 16, 18, 22, 28, 34, 40, 46, 54, 54},
    {4, 4, 4, 4, 4, 4, 6, 6, 8, 8, 10, 12, 16, 20, 24, 28, 34, 42, 50, 54, 76},
    {4, 4, 4, 4, 4, 4, 6, 6, 8, 10, 12, 16, 20, 24, 30, 38, 46, 56, 68, 84, 102},
    {6, 6, 6, 6, 6, 6, 8, 10, 12, 14, 16, 18, 22, 26, 32, 38, 46, 54, 62, 70, 76},
    {6, 6, 6, 6, 6, 6, 8, 10, 12, 14, 16, 20, 24, 28, 32, 38, 46, 52, 60, 68, 58},
    {6, 6, 6, 6, 6, 6, 8, 10, 12, 14, 16, 20, 24, 28, 32, 38, 46, 52, 60, 68, 58},
};
constexpr int kShortWidths[6][12] = {
    {4, 4, 4, 4, 6, 6, 10, 12, 14, 16, 20, 26}, {4, 4, 4, 4, 6, 8, 10, 12, 14, 18, 22, 30},
    {4, 4, 4, 4, 6, 8, 12, 16, 20, 26, 34, 42}, {4, 4, 4, 6, 8, 10, 12, 14, 18, 24, 32, 44},
    {4, 4, 4, 6, 6, 8, 10, 14, 18, 26, 32, 42}, {4, 4, 4, 6, 8, 10, 12, 14, 18, 24, 30, 40},
};

void Append(std::vector<double>& table, int rate, const std::vector<std::vector<double>>& rows) {
    table.push_back(rate);
    table.push_back(static_cast<double>(rows.size()) - 1.0);
    for (const auto& row : rows) table.insert(table.end(), row.begin(), row.end());
}

}  // namespace

double SpreadingFunction(double maskee, double masker) {
    double x = (maskee - masker) * (masker >= maskee ? 3.0 : 1.5);
    double a = x >= 0.5 && x <= 2.5 ? 8.0 * ((x - 0.5) * (x - 0.5) - 2.0 * (x - 0.5)) : 0.0;
    double xp = x + 0.474;
    double y = 15.811389 + 7.5 * xp - 17.5 * std::sqrt(1.0 + xp * xp);
    return y <= -60.0 ? 0.0 : std::exp((a + y) * 0.2302585093);
}

std::vector<double> BuildPsyData() {
    std::vector<double> table;
    std::vector<std::vector<Partition>> longParts, shortParts;
    for (int rate : kPsyDataRates) {
        longParts.push_back(MakePartitions(rate, 1024, kMaxLongPartitions));
        shortParts.push_back(MakePartitions(rate, 256, kMaxShortPartitions));
    }
    for (int r = 0; r < 6; ++r) {
        const auto& parts = longParts[r];
        std::vector<double> norms = Norms(parts);
        std::vector<std::vector<double>> rows;
        for (std::size_t p = 0; p < parts.size(); ++p)
            rows.push_back({static_cast<double>(p), static_cast<double>(parts[p].lines), MinimumSnrDb(parts[p].bark),
                            Round3(parts[p].lines * QuietPerLine(parts[p].bark)), norms[p], parts[p].bark});
        Append(table, kPsyDataRates[r], rows);
    }
    for (int r = 0; r < 6; ++r) {
        const auto& parts = shortParts[r];
        std::vector<double> norms = Norms(parts);
        std::vector<std::vector<double>> rows;
        for (std::size_t p = 0; p < parts.size(); ++p)
            rows.push_back({static_cast<double>(p), static_cast<double>(parts[p].lines),
                            Round3(parts[p].lines * QuietPerLine(parts[p].bark)), norms[p], -8.24, parts[p].bark});
        Append(table, kPsyDataRates[r], rows);
    }
    for (int section = 0; section < 2; ++section)
        for (int r = 0; r < 6; ++r) {
            std::vector<BandRow> map =
                section == 0 ? MapBands(longParts[r], Edges(kLongWidths[r], 21), 1024.0 / 1152.0)
                             : MapBands(shortParts[r], Edges(kShortWidths[r], 12), 256.0 / 384.0);
            std::vector<std::vector<double>> rows;
            for (std::size_t b = 0; b < map.size(); ++b)
                rows.push_back({static_cast<double>(b), static_cast<double>(map[b].count), static_cast<double>(map[b].first),
                                static_cast<double>(map[b].last), map[b].w1, map[b].w2});
            Append(table, kPsyDataRates[r], rows);
        }
    return table;
}

}  // namespace mpa
