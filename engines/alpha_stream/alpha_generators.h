// Transition streams made from a few parameters: FADE_CROSS, a uniform cross fade from one mix
// level to another, and DISSOLVE, a random block dissolve from video 0 to video 1. Each writes one
// alpha frame per field, and the stream's .adb beside it, under temporary names; both are put in
// place only when the run is done (see AlphaOutput), so a failed, cancelled or killed run leaves
// the stream and .adb that were there before. An output named like its own .adb is refused.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <random>
#include <string>

#include "platform/run_report.h"

namespace alpha_stream {

// Generator types as the tool lists them; only CrossFade and Dissolve are implemented.
enum AlphaGenType : int {
    kWipeStripes = 3,
    kWipeFade = 4,
    kWipeBand = 5,
    kCrossFade = 7,
    kReverse = 8,
    kDissolve = 9,
};

// Why a run failed, as its error box and the command line say it.
inline constexpr const char* kAlphaGenFileError = "Trouble With Alpha Stream Output File!";
inline constexpr const char* kAlphaGenNoMemory = "Trouble Allocating Memory!";

inline constexpr int kMinDissolveBlock = 2;
inline constexpr int kMaxDissolveBlock = 240;
inline constexpr int kMaxFieldCount = 16000;

struct AlphaGenParams {
    int type = kCrossFade;
    int fieldCount = 50;
    int horizontal = 720;  // pixels
    int vertical = 480;    // lines, a multiple of 16
    std::string outputFile;
    int invert = 0;        // swaps video 0 and video 1
    int startLevel = 255;  // Cross Fade: level of video 0 in the first field; Dissolve: block size
    int endLevel = 0;      // Cross Fade: level of video 0 in the last field
};

// The dissolve's random source: a defined generator (the same numbers on every platform for a
// seed), drawing 31-bit values.
class AlphaRandom {
public:
    void Seed(std::uint32_t seed) { engine_.seed(seed); }
    std::uint32_t Next31() { return static_cast<std::uint32_t>(engine_() >> 1); }

private:
    std::mt19937 engine_;
};

// What a run reports and asks while it goes.
struct AlphaGenRun {
    // Called before each field with its number; returns true when the run is to stop (cancel).
    std::function<bool(int field)> progress;
    // The run's console lines ("Field 3: ..."); nothing is printed when null.
    std::FILE* console = nullptr;
    // Dissolve: field k draws from seed + k. Without a seed each run differs (time and clock).
    std::optional<std::uint32_t> seed;
    // After a file error: the file and what went wrong with it (empty when no file was at fault).
    std::string problem;
};

// A run ends Done, Canceled (the progress callback asked), or Error with one of the texts above.
platform::RunResult GenerateFadeCrossAlpha(const AlphaGenParams& params, AlphaGenRun& run);
// An odd block size is rounded down to even: odd blocks would map the last field lines past the
// grid, and their chroma runs could not be halved.
platform::RunResult GenerateDissolveAlpha(const AlphaGenParams& params, AlphaGenRun& run);

// The block size a dissolve actually uses for the requested one.
inline int DissolveBlockSize(int requested) { return requested & ~1; }

// FADE_CROSS's per-field step in 16.16 fixed point, rounded to nearest.
std::int64_t FadeCrossStep(int startLevel, int endLevel, int fieldCount);

bool IsAlphaGenTypeSupported(int type);

}  // namespace alpha_stream
