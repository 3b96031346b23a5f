// The index builder: reads an MPEG-2 video stream or an alpha stream in 256 KiB blocks and writes
// its index beside it (.mdb picture index or .adb alpha index). Plain C++; the dialog and the
// headless driver show what it reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/run_report.h"

namespace index_builder {

inline constexpr std::size_t kBlockBytes = 262144;

enum class StreamKind { Unknown, Mpeg2, Mpeg2Reversed, Alpha, AlphaReversed };

// The kind a stream's first 32-bit word (read little-endian) announces.
StreamKind ClassifyFirstWord(std::uint32_t word);
bool IsAlpha(StreamKind kind);

// How a run ended (Done, Canceled or Error, with the operator's message as the error) and what it
// found: the stream's kind and where its index is (Done) or would have been.
struct BuildOutcome {
    platform::RunResult run;
    StreamKind kind = StreamKind::Unknown;
    std::string indexPath;
};

// Builds the index of `streamPath`, on the caller's thread. `report` is told the status line once
// the stream is recognised and its index created ("MPEG2 file detected, creating /clips/a.mdb\n",
// AddMessage), then after each block the progress (0 to platform::kProgressSteps, never moving
// back) and the bytes read out of the file's size; StopRequested is asked once per block and ends
// the run Canceled. On Error or Canceled no index of this run is left behind; an index that was
// there before is only touched once the stream has been recognised.
BuildOutcome BuildIndexFile(const std::string& streamPath, platform::RunReport* report = nullptr);

}  // namespace index_builder
