#include "alpha_generators.h"

#include <algorithm>
#include <ctime>
#include <memory>
#include <new>
#include <vector>

#include "alpha_encoder.h"
#include "alpha_format.h"
#include "alpha_output.h"

namespace alpha_stream {

namespace {

void Print(const AlphaGenRun& run, const char* format, auto... args) {
    if (run.console != nullptr) std::fprintf(run.console, format, args...);
}

bool Cancelled(AlphaGenRun& run, int field) { return run.progress && run.progress(field); }

using platform::RunResult;
using platform::RunStatus;
const RunResult kDone{RunStatus::Done, {}, false};
const RunResult kCanceled{RunStatus::Canceled, {}, false};
RunResult FileError() { return {RunStatus::Error, kAlphaGenFileError, false}; }
RunResult NoMemory() { return {RunStatus::Error, kAlphaGenNoMemory, false}; }

bool ValidPicture(const AlphaGenParams& p) {
    return p.horizontal > 0 && p.vertical > 0 && p.vertical % kLinesPerBand == 0 && p.fieldCount >= 1 &&
           p.fieldCount <= kMaxFieldCount && !p.outputFile.empty();
}

// One plane (luma or chroma) of an alpha frame: a code per band, or one code every band shares.
struct Plane {
    std::vector<AlphaSegmentList> bands;  // one list when shared
    std::vector<std::size_t> sizes;
    std::size_t total = 0;
};

bool MeasurePlane(Plane& plane, std::uint32_t width, bool luma) {
    plane.sizes.clear();
    plane.total = 0;
    for (const auto& list : plane.bands) {
        const auto size = AlphaFieldCodeSize(list, width, luma);
        if (!size) return false;
        plane.sizes.push_back(*size);
        plane.total += *size;
    }
    return true;
}

std::vector<std::uint32_t> Offsets(const Plane& plane, std::uint32_t bands) {
    std::vector<std::uint32_t> entries(bands, 4 * bands);
    if (plane.bands.size() == 1) return entries;
    std::uint32_t at = 4 * bands;
    for (std::uint32_t b = 0; b < bands; ++b) {
        entries[b] = at;
        at += static_cast<std::uint32_t>(plane.sizes[b]);
    }
    return entries;
}

bool WritePlane(const Plane& plane, std::uint32_t width, std::uint32_t height, bool luma, std::FILE* file,
                const AlphaGenRun& run) {
    if (WriteAlphaOffsetTable(Offsets(plane, BandsOf(height)), height, file) == 0) return false;
    for (std::size_t b = 0; b < plane.bands.size(); ++b)
        if (WriteAlphaField(plane.bands[b], width, luma, file) != plane.sizes[b]) return false;
    Print(run, "Done\n");
    return true;
}

// Writes one alpha frame with its padding; the header's lengths follow from the planes.
bool WriteFrame(AlphaFrameHeader header, Plane& luma, Plane& chroma, std::FILE* file, const AlphaGenRun& run) {
    const std::uint32_t bands = BandsOf(header.Height);
    if (!MeasurePlane(luma, header.Width, true) || !MeasurePlane(chroma, header.Width, false)) return false;
    header.LumaTableOffset = kAlphaHeaderBytes;
    header.ChromaTableOffset = static_cast<std::uint32_t>(kAlphaHeaderBytes + 4 * bands + luma.total);
    header.FrameLength = static_cast<std::uint32_t>(kAlphaHeaderBytes + 8 * bands + luma.total + chroma.total);
    if (WriteAlphaHeader(header, file) == 0) return false;
    Print(run, "Luma . . . ");
    if (!WritePlane(luma, header.Width, header.Height, true, file, run)) return false;
    Print(run, "Chroma . . . ");
    if (!WritePlane(chroma, header.Width, header.Height, false, file, run)) return false;
    static constexpr std::uint8_t kZeros[kAlphaFrameAlignment] = {};
    const std::size_t padding = PaddedLength(header.FrameLength) - header.FrameLength;
    return padding == 0 || std::fwrite(kZeros, 1, padding, file) == padding;
}

// A plane whose every band shares one run of `type` (and `value` for a selector run).
Plane UniformPlane(int type, std::uint32_t value, std::uint32_t units) {
    Plane plane;
    plane.bands.resize(1);
    AlphaSegment* s = AppendAlphaSegment(plane.bands[0]);
    s->type = type;
    s->value = value;
    s->count = units;
    return plane;
}

AlphaFrameHeader HeaderOf(const AlphaGenParams& p) {
    AlphaFrameHeader header;
    header.Width = static_cast<std::uint32_t>(p.horizontal);
    header.Height = static_cast<std::uint32_t>(p.vertical);
    return header;
}

// A field showing one video only.
bool WritePureField(const AlphaGenParams& p, int type, std::FILE* file, const AlphaGenRun& run) {
    const auto width = static_cast<std::uint32_t>(p.horizontal);
    Plane luma = UniformPlane(type, 0, width * kLumaUnitsPerPixelColumn);
    Plane chroma = UniformPlane(type, 0, width * kChromaUnitsPerPixelColumn);
    return WriteFrame(HeaderOf(p), luma, chroma, file, run);
}

// Picks the (r + 1)-th block not yet switched, in grid order, in logarithmic time: a field of a
// fine dissolve switches thousands of blocks out of tens of thousands.
class UnswitchedBlocks {
public:
    explicit UnswitchedBlocks(std::size_t count) : tree_(count + 1, 0) {
        for (std::size_t i = 1; i <= count; ++i) {
            tree_[i] += 1;
            const std::size_t parent = i + (i & (~i + 1));
            if (parent <= count) tree_[parent] += tree_[i];
        }
        for (top_ = 1; top_ * 2 <= count; top_ *= 2) {
        }
    }
    // Index of the (rank + 1)-th remaining block; removes it.
    std::size_t Take(std::size_t rank) {
        std::size_t at = 0;
        std::size_t left = rank + 1;
        for (std::size_t step = top_; step != 0; step /= 2) {
            if (at + step < tree_.size() && tree_[at + step] < left) {
                at += step;
                left -= tree_[at];
            }
        }
        for (std::size_t i = at + 1; i < tree_.size(); i += i & (~i + 1)) tree_[i] -= 1;
        return at;
    }

private:
    std::vector<std::uint32_t> tree_;
    std::size_t top_ = 1;
};

struct DissolveGrid {
    int block = 0;
    std::size_t rows = 0;
    std::size_t columns = 0;
    std::vector<std::uint8_t> switched;
};

// The luma runs of one band: block state along the band's 8 field lines, a run continuing from
// one line into the next while the state stays the same.
void BandRuns(const DissolveGrid& grid, const AlphaGenParams& p, int band, int switchedType, int unswitchedType,
              AlphaSegmentList& list) {
    const int halfBlock = grid.block / 2;
    int previous = -1;
    AlphaSegment* current = nullptr;
    for (int l = band * 8; l < band * 8 + 8; ++l) {
        const std::size_t row = std::min(static_cast<std::size_t>(l / halfBlock), grid.rows - 1);
        for (std::size_t column = 0; column < grid.columns; ++column) {
            const int x = static_cast<int>(column) * grid.block;
            const auto pixels = static_cast<std::uint32_t>(std::min(grid.block, p.horizontal - x));
            const int type = grid.switched[row * grid.columns + column] ? switchedType : unswitchedType;
            if (type != previous) {
                current = AppendAlphaSegment(list);
                current->type = type;
                previous = type;
            }
            current->count += pixels;
        }
    }
}

}  // namespace

std::int64_t FadeCrossStep(int startLevel, int endLevel, int fieldCount) {
    if (fieldCount <= 1) return 0;
    const std::int64_t span = fieldCount - 1;
    return (std::int64_t{endLevel - startLevel} * 65536 + span / 2) / span;
}

bool IsAlphaGenTypeSupported(int type) { return type == kCrossFade || type == kDissolve; }

platform::RunResult GenerateFadeCrossAlpha(const AlphaGenParams& p, AlphaGenRun& run) {
    if (!ValidPicture(p)) return FileError();
    try {
        AlphaOutput out(run.problem);
        if (!out.Open(p.outputFile)) return FileError();
        Print(run, "\n\nGenerating FADE_CROSS type alpha stream into file \"%s\".\n", p.outputFile.c_str());
        const int start = p.invert ? 255 - p.startLevel : p.startLevel;
        const int end = p.invert ? 255 - p.endLevel : p.endLevel;
        const std::int64_t step = FadeCrossStep(start, end, p.fieldCount);
        const auto width = static_cast<std::uint32_t>(p.horizontal);
        Plane luma = UniformPlane(kRunSelector, 0, width * kLumaUnitsPerPixelColumn);
        Plane chroma = UniformPlane(kRunSelector, 0, width * kChromaUnitsPerPixelColumn);
        AlphaFrameHeader header = HeaderOf(p);

        // WriteAlphaFieldMix: selector 0 everywhere, at video 0's level and its complement.
        auto writeAlphaFieldMix = [&](int field, int level) {
            level = std::clamp(level, 0, 255);
            header.mix[0].word2 = MixLevels(static_cast<std::uint32_t>(level), static_cast<std::uint32_t>(255 - level));
            if (Cancelled(run, field)) return kCanceled;
            Print(run, "\nField %d: Video 0 Mix = %d, Video 1 Mix = %d\n", field, level, 255 - level);
            return out.AppendFrame([&](std::FILE* file) { return WriteFrame(header, luma, chroma, file, run); })
                       ? kDone
                       : FileError();
        };

        std::int64_t accumulator = std::int64_t{start} * 65536;
        for (int field = 0; field < p.fieldCount - 1; ++field) {
            if (RunResult result = writeAlphaFieldMix(field, static_cast<int>(accumulator >> 16)); result != kDone)
                return result;
            accumulator += step;
        }
        if (RunResult result = writeAlphaFieldMix(p.fieldCount - 1, end); result != kDone) return result;
        if (!out.Commit()) return FileError();
        Print(run, "\n\n");
        return kDone;
    } catch (const std::bad_alloc&) {
        return NoMemory();
    }
}

platform::RunResult GenerateDissolveAlpha(const AlphaGenParams& p, AlphaGenRun& run) {
    const int block = DissolveBlockSize(p.startLevel);
    if (!ValidPicture(p) || block < kMinDissolveBlock || block > kMaxDissolveBlock) return FileError();
    try {
        AlphaOutput out(run.problem);
        if (!out.Open(p.outputFile)) return FileError();
        const int unswitchedType = p.invert ? kRunVideo1 : kRunVideo0;
        const int switchedType = p.invert ? kRunVideo0 : kRunVideo1;

        DissolveGrid grid;
        grid.block = block;
        grid.rows = static_cast<std::size_t>((p.vertical + block - 1) / block);
        grid.columns = static_cast<std::size_t>((p.horizontal + block - 1) / block);
        const std::size_t blocks = grid.rows * grid.columns;
        grid.switched.assign(blocks, 0);
        UnswitchedBlocks unswitched(blocks);
        const std::uint64_t span = static_cast<std::uint64_t>(p.fieldCount - 1);
        const std::uint64_t step = span == 0 ? 0 : (std::uint64_t{blocks} * 4096 + span / 2) / span;
        const std::uint32_t seedBase =
            run.seed ? *run.seed : static_cast<std::uint32_t>(std::time(nullptr)) + static_cast<std::uint32_t>(std::clock());
        AlphaRandom random;
        const auto bands = static_cast<int>(BandsOf(static_cast<std::uint32_t>(p.vertical)));

        Print(run, "\n\nGenerating DISSOLVE type alpha stream into file \"%s\".\n", p.outputFile.c_str());
        if (p.fieldCount >= 2) {
            Print(run, "\nField 0: Blocks switched = 0\n");
            if (!out.AppendFrame([&](std::FILE* file) { return WritePureField(p, unswitchedType, file, run); }))
                return FileError();
        }
        std::size_t switchedSoFar = 0;
        for (int k = 1; k <= p.fieldCount - 2; ++k) {
            if (Cancelled(run, k)) return kCanceled;
            const std::size_t target =
                std::min<std::uint64_t>(blocks, static_cast<std::uint64_t>(k) * step / 4096);
            Print(run, "\nField %d: Blocks switched = %d\n", k, static_cast<int>(target));
            random.Seed(seedBase + static_cast<std::uint32_t>(k));
            for (; switchedSoFar < target; ++switchedSoFar) {
                // A product of two draws, as the transitions have always been shaped; unsigned so
                // it cannot overflow.
                const std::uint64_t product = std::uint64_t{random.Next31() / 3} * (random.Next31() / 3);
                grid.switched[unswitched.Take(static_cast<std::size_t>(product % (blocks - switchedSoFar)))] = 1;
            }
            Plane luma;
            Plane chroma;
            luma.bands.resize(static_cast<std::size_t>(bands));
            chroma.bands.resize(static_cast<std::size_t>(bands));
            for (int b = 0; b < bands; ++b) {
                auto& list = luma.bands[static_cast<std::size_t>(b)];
                BandRuns(grid, p, b, switchedType, unswitchedType, list);
                // Chroma units are pixel pairs: the same runs at half length.
                for (const AlphaSegment* s = list.head; s != nullptr; s = s->next) {
                    AlphaSegment* half = AppendAlphaSegment(chroma.bands[static_cast<std::size_t>(b)]);
                    half->type = s->type;
                    half->count = s->count / 2;
                }
            }
            if (!out.AppendFrame([&](std::FILE* file) { return WriteFrame(HeaderOf(p), luma, chroma, file, run); }))
                return FileError();
        }
        Print(run, "\nField %d: Blocks switched = %d\n", p.fieldCount - 1, static_cast<int>(blocks));
        if (!out.AppendFrame([&](std::FILE* file) { return WritePureField(p, switchedType, file, run); }) ||
            !out.Commit())
            return FileError();
        Print(run, "\n\n");
        return kDone;
    } catch (const std::bad_alloc&) {
        return NoMemory();
    }
}

}  // namespace alpha_stream
