// mpa-layer3-quality-bench: Layer III quality beside lame, decoded by ffmpeg (see README.md).
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "quality_signals.h"

namespace {

using quality_bench::Stereo;

constexpr int kSeconds = 10;

struct Config {
    int rate;
    int kbps;
};

std::string RateOption(int rate) { return rate == 44100 ? "44.1" : std::to_string(rate / 1000); }

bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

// Lag (decoded behind input) with the largest correlation, searched on one second of the left channel.
int FindLag(const Stereo& in, const Stereo& out, int maxLag) {
    const std::size_t begin = in.size() / 4 / 2 * 2, length = std::min<std::size_t>(in.size() / 2, 2 * 44100);
    int best = 0;
    double bestScore = -1.0;
    for (int lag = 0; lag <= maxLag; ++lag) {
        double xy = 0.0, yy = 0.0;
        for (std::size_t i = begin; i < begin + length; i += 2) {
            const std::size_t j = i + 2 * static_cast<std::size_t>(lag);
            if (j >= out.size()) break;
            xy += static_cast<double>(in[i]) * out[j];
            yy += static_cast<double>(out[j]) * out[j];
        }
        const double score = yy > 0.0 ? xy / std::sqrt(yy) : 0.0;
        if (score > bestScore) bestScore = score, best = lag;
    }
    return best;
}

// SNR over both channels, from 0.1 s in to 0.1 s before the end; gain-fitted with a least-squares gain per
// channel.
double SnrDb(const Stereo& in, const Stereo& out, int lag, bool fitGain, int rate) {
    const std::size_t frames = in.size() / 2, edge = static_cast<std::size_t>(rate / 10);
    double signal = 0.0, noise = 0.0;
    for (int ch = 0; ch < 2; ++ch) {
        double gain = 1.0;
        if (fitGain) {
            double xy = 0.0, yy = 0.0;
            for (std::size_t n = edge; n + edge < frames; ++n) {
                const std::size_t j = 2 * (n + lag) + ch;
                if (j >= out.size()) break;
                xy += static_cast<double>(in[2 * n + ch]) * out[j];
                yy += static_cast<double>(out[j]) * out[j];
            }
            gain = yy > 0.0 ? xy / yy : 1.0;
        }
        for (std::size_t n = edge; n + edge < frames; ++n) {
            const std::size_t j = 2 * (n + lag) + ch;
            const double x = in[2 * n + ch], y = j < out.size() ? gain * out[j] : 0.0;
            signal += x * x;
            noise += (x - y) * (x - y);
        }
    }
    return noise > 0.0 ? 10.0 * std::log10(signal / noise) : 200.0;
}

// Largest main_data_begin of an MPEG-1 Layer III stream, in bytes.
int PeakMainDataBegin(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<unsigned char> b{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    static const int kKbps[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    static const int kRates[4] = {44100, 48000, 32000, 0};
    int peak = 0;
    std::size_t pos = 0;
    while (pos + 6 < b.size()) {
        if (b[pos] != 0xFF || (b[pos + 1] & 0xFE) != 0xFA) {  // MPEG-1 Layer III sync
            ++pos;
            continue;
        }
        const int kbps = kKbps[b[pos + 2] >> 4], rate = kRates[(b[pos + 2] >> 2) & 3];
        if (kbps == 0 || rate == 0) {
            ++pos;
            continue;
        }
        const std::size_t side = pos + 4 + ((b[pos + 1] & 1) ? 0 : 2);
        if (side + 2 > b.size()) break;
        peak = std::max(peak, (b[side] << 1) | (b[side + 1] >> 7));
        pos += static_cast<std::size_t>(144 * kbps * 1000 / rate + ((b[pos + 2] >> 1) & 1));
    }
    return peak;
}

struct Result {
    double raw = 0.0, fitted = 0.0;
    int lag = 0, peak_mdb = 0;
    bool ok = false;
};

Result Measure(const Stereo& input, const std::string& stream, int rate) {
    Result r;
    Stereo decoded;
    const std::string wav = stream + ".wav";
    if (!Run("ffmpeg -nostdin -v error -y -i " + stream + " -c:a pcm_s16le " + wav) ||
        !quality_bench::ReadStereoWave(wav, decoded))
        return r;
    r.lag = FindLag(input, decoded, 2400);
    r.raw = SnrDb(input, decoded, r.lag, false, rate);
    r.fitted = SnrDb(input, decoded, r.lag, true, rate);
    r.peak_mdb = PeakMainDataBegin(stream);
    r.ok = true;
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> signals(argv + 1, argv + argc);
    // --keep leaves the signals, streams and decoded files behind for a closer look.
    const auto keepFlag = std::find(signals.begin(), signals.end(), std::string("--keep"));
    const bool keep = keepFlag != signals.end();
    if (keep) signals.erase(keepFlag);
    // Arguments like 44100_128 pick configurations, the others signals.
    std::vector<std::string> picked;
    for (auto it = signals.begin(); it != signals.end();)
        if (it->find('_') != std::string::npos) {
            picked.push_back(*it);
            it = signals.erase(it);
        } else {
            ++it;
        }
    if (signals.empty()) signals = quality_bench::SignalNames();
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    const std::string tool = (self.parent_path().parent_path() / "bin" / "mpa-tool").string();
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("mpa-layer3-quality-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    if (!Run("command -v lame >/dev/null 2>&1") || !Run("command -v ffmpeg >/dev/null 2>&1")) {
        std::fprintf(stderr, "lame and ffmpeg are needed\n");
        return 1;
    }
    const Config configs[] = {{44100, 128}, {48000, 192}, {48000, 128}, {44100, 192}};
    int status = 0;
    for (const std::string& signal : signals) {
        for (const Config& c : configs) {
            const std::string configName = std::to_string(c.rate) + "_" + std::to_string(c.kbps);
            if (!picked.empty() && std::find(picked.begin(), picked.end(), configName) == picked.end()) continue;
            const std::string name = signal + "_" + std::to_string(c.rate) + "_" + std::to_string(c.kbps);
            const Stereo input = quality_bench::MakeSignal(signal, c.rate, kSeconds);
            const std::string wav = (dir / (name + ".wav")).string();
            const std::string ours = (dir / (name + ".ours.mp3")).string(), lame = (dir / (name + ".lame.mp3")).string();
            const std::string kbps = std::to_string(c.kbps), rate = RateOption(c.rate);
            if (!quality_bench::WriteStereoWave(wav, c.rate, input) ||
                !Run(tool + " enc 'enc -l 3 -m j -b " + kbps + " -s " + rate + "' " + wav + " " + ours + " 2>/dev/null") ||
                !Run("lame --quiet -t -m j -b " + kbps + " --resample " + rate + " " + wav + " " + lame)) {
                std::fprintf(stderr, "%s: coding failed\n", name.c_str());
                status = 1;
                continue;
            }
            const Result a = Measure(input, ours, c.rate), b = Measure(input, lame, c.rate);
            if (!a.ok || !b.ok) {
                std::fprintf(stderr, "%s: decoding failed\n", name.c_str());
                status = 1;
                continue;
            }
            std::printf("%s_snr_db: %.2f\n", name.c_str(), a.raw);
            std::printf("%s_lame_snr_db: %.2f\n", name.c_str(), b.raw);
            std::printf("%s_fitted_snr_db: %.2f\n", name.c_str(), a.fitted);
            std::printf("%s_lame_fitted_snr_db: %.2f\n", name.c_str(), b.fitted);
            std::printf("%s_fitted_lead_over_lame_db: %.2f\n", name.c_str(), a.fitted - b.fitted);
            std::printf("%s_peak_main_data_begin: %d\n", name.c_str(), a.peak_mdb);
            std::printf("%s_lame_peak_main_data_begin: %d\n", name.c_str(), b.peak_mdb);
            std::fflush(stdout);
        }
    }
    if (keep)
        std::printf("files: %s\n", dir.c_str());
    else
        std::filesystem::remove_all(dir);
    return status;
}
