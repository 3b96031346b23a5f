// gen-psytables OUTDIR: writes the frequency grid ("<layer>th<index>") and critical band boundary
// ("<layer>cb<index>") tables that psychoacoustic model 1 reads, for Layers I and II at every sampling
// rate (index 0..2 MPEG-1 44.1, 48, 32 kHz; 4..6 the half rates 22.05, 24, 16 kHz).
#include <cstdio>
#include <string>
#include <vector>

#include "platform/replacing_file.h"
#include "mpa_encoder/hearing.h"

namespace {

// Appends one printf-formatted line (the lines here are far shorter than the buffer).
template <typename... Args>
void AppendLine(std::string& text, const char* format, Args... args) {
    char line[128];
    std::snprintf(line, sizeof line, format, args...);
    text += line;
}

// Put in place only once whole: a failed run leaves the file that was there.
bool WriteText(const std::string& path, const std::string& text) {
    platform::ReplacingFile out;
    return out.Open(path) && out.Write(text.data(), text.size()) && out.Commit();
}

struct Row {
    int line;
    double bark;
    double quiet_db;
};

// FFT lines of the threshold grid: every line at low frequencies, then every second, fourth and eighth
// (Layer II, 1024 points); Layer I's 512-point grid is the same pattern at half the line numbers.
std::vector<int> GridLines(int fftSize) {
    std::vector<int> lines;
    int scale = fftSize == 1024 ? 2 : 1;
    for (int line = 1; line <= 24 * scale; ++line) lines.push_back(line);
    for (int line = 24 * scale + 2; line <= 48 * scale; line += 2) lines.push_back(line);
    for (int line = 48 * scale + 4; line <= 96 * scale; line += 4) lines.push_back(line);
    int step = fftSize == 1024 ? 8 : 4;
    for (int line = 96 * scale + step; line < fftSize / 2; line += step) lines.push_back(line);
    return lines;
}

bool WriteTables(const std::string& dir, int layer, int index, double rateHz) {
    int fftSize = layer == 1 ? 512 : 1024;
    std::vector<Row> rows;
    for (int line : GridLines(fftSize)) {
        double hz = line * rateHz / fftSize;
        rows.push_back({line, mpa::ZwickerBark(hz), mpa::ThresholdInQuietDbRounded(hz)});
    }
    std::string thName = dir + "/" + std::to_string(layer) + "th" + std::to_string(index);
    std::string cbName = dir + "/" + std::to_string(layer) + "cb" + std::to_string(index);

    std::string th;
    AppendLine(th, "%d\n", static_cast<int>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i)
        AppendLine(th, "%d %d %lf %lf\n", static_cast<int>(i), rows[i].line, rows[i].bark, rows[i].quiet_db);
    if (!WriteText(thName, th)) return false;

    // Critical band k starts at the first grid row whose Bark value reaches k.
    std::vector<int> starts;
    for (int k = 0;; ++k) {
        std::size_t i = 0;
        while (i < rows.size() && rows[i].bark < k) ++i;
        if (i == rows.size()) break;
        if (!starts.empty() && static_cast<int>(i) == starts.back()) continue;
        starts.push_back(static_cast<int>(i));
    }
    std::string cb;
    AppendLine(cb, "%d\n", static_cast<int>(starts.size()));
    for (std::size_t k = 0; k < starts.size(); ++k) AppendLine(cb, "%d %d\n", static_cast<int>(k), starts[k]);
    return WriteText(cbName, cb);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen-psytables OUTDIR\n");
        return 2;
    }
    const double rates[7] = {44100, 48000, 32000, 0, 22050, 24000, 16000};
    for (int layer = 1; layer <= 2; ++layer)
        for (int index : {0, 1, 2, 4, 5, 6})
            if (!WriteTables(argv[1], layer, index, rates[index])) {
                std::fprintf(stderr, "gen-psytables: cannot write the tables into %s\n", argv[1]);
                return 1;
            }
    return 0;
}
