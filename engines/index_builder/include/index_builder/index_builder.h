// The index builder: reads an MPEG-2 video stream or an alpha stream in 256 KiB blocks and writes
// its index beside it (.mdb picture index or .adb alpha index). Plain C++; the dialog and the
// headless driver show what it reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace index_builder {

inline constexpr std::size_t kBlockBytes = 262144;

// The run's result; the numbers are the ones the callers have always compared against.
enum class BuildResult : int { Failed = 0, Cancelled = 1, Done = 2 };

enum class StreamKind { Unknown, Mpeg2, Mpeg2Reversed, Alpha, AlphaReversed };

// The kind a stream's first 32-bit word (read little-endian) announces.
StreamKind ClassifyFirstWord(std::uint32_t word);
bool IsAlpha(StreamKind kind);

// What a run tells while it goes. Called on the builder's own thread.
class BuildObserver {
public:
    virtual ~BuildObserver() = default;
    // The stream was recognised and its index created; `status` is the line to show, such as
    // "MPEG2 file detected, creating /clips/a.mdb\n".
    virtual void OnIndexCreated(const std::string& /*status*/) {}
    // After each block: bytes read so far and the progress position (0 to platform::kProgressSteps,
    // never moving back).
    virtual void OnBytesRead(std::uint64_t /*total*/, int /*progress*/) {}
    // Asked once per block; true ends the run with Cancelled.
    virtual bool CancelRequested() { return false; }
};

struct BuildOutcome {
    BuildResult result = BuildResult::Failed;
    StreamKind kind = StreamKind::Unknown;
    std::string indexPath;  // where the index is (Done) or would have been
    std::string message;    // why it failed, as the operator is told; empty otherwise
};

// Builds the index of `streamPath`. On Failed or Cancelled no index of this run is left behind;
// an index that was there before is only touched once the stream has been recognised.
BuildOutcome BuildIndexFile(const std::string& streamPath, BuildObserver* observer = nullptr);

}  // namespace index_builder
