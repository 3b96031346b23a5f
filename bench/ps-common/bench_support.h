// Shared pieces of the program stream benchmarks: inputs made once with ffmpeg, wall-clock timing.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>

namespace ps_bench {

inline bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && st.st_size > 0;
}

inline std::int64_t SizeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_size : 0;
}

inline bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

// Where the inputs live: $VELMAR_BENCH_DIR, else /dev/shm (CPU-bound figures).
inline std::string WorkDir() {
    const char* dir = std::getenv("VELMAR_BENCH_DIR");
    std::string path = dir ? dir : "/dev/shm/velmar-ps-bench";
    ::mkdir(path.c_str(), 0755);
    return path;
}

// 8 Mbit/s MPEG-2 (720x576, 25 frames/s) and 384 kbit/s Layer II, `seconds` long.
inline bool MakeInputs(const std::string& dir, int seconds, std::string& video, std::string& audio) {
    video = dir + "/v" + std::to_string(seconds) + ".m2v";
    audio = dir + "/a" + std::to_string(seconds) + ".mp2";
    const std::string t = std::to_string(seconds);
    const std::string quiet = "ffmpeg -nostdin -hide_banner -loglevel error -y ";
    if (!Exists(video) &&
        !Shell(quiet + "-f lavfi -i testsrc2=size=720x576:rate=25 -t " + t +
               " -c:v mpeg2video -b:v 8M -minrate 8M -maxrate 8M -bufsize 1835k -g 12 -bf 2 -f mpeg2video " + video))
        return false;
    if (!Exists(audio) &&
        !Shell(quiet + "-f lavfi -i sine=frequency=440:sample_rate=48000 -t " + t + " -ac 2 -c:a mp2 -b:a 384k " + audio))
        return false;
    return true;
}

template <typename F>
double BestSeconds(int runs, F&& f) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (!f()) return -1;
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

inline void Print(const char* name, double value) { std::printf("%s: %.3f\n", name, value); }

}  // namespace ps_bench
