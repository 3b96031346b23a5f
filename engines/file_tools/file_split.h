// File Split: a new file holding a range of frames of a source. Video cuts move out to group
// boundaries found in the source's .mdb and get a matching .mdb; audio cuts are byte ranges given
// a WAVE header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "tool_run.h"

namespace file_tools {

inline constexpr std::size_t kSplitBlock = 131072;

// Audio rates by the codes the tools pass around.
enum class AudioRate { k48 = 1, k44_1 = 2, k32 = 3 };

// Bytes of 16-bit stereo audio per field, as a fraction: PAL has a whole number per field, NTSC
// a cadence over several fields.
struct AudioTimebase {
    std::uint64_t numerator = 3840;
    std::uint64_t denominator = 1;

    static AudioTimebase Of(AudioRate rate, bool ntsc);
    std::int64_t BytesToFrames(std::uint64_t bytes) const;
    std::uint64_t FramesToBytes(std::int64_t frames) const;
};
std::uint32_t SampleRateOf(AudioRate rate);

// Whether a source is split as video: its extension is exactly ".mpg".
bool SplitsAsVideo(const std::string& sourcePath);

// What the copy engines work on. Fields are frames x 2 (always even).
struct SplitSelection {
    int startField = 0;
    int endField = 0;
    int startPictureInGroup = 0;     // video: pictures of the start's group before it; audio 0
    std::uint64_t startByte = 0;     // first byte copied
    int endPicturesToGroupEnd = 1;   // video: from the end frame to its group's end; audio 1
    std::uint64_t endByte = 0;       // byte after the last one copied

    int FirstFrame() const { return startField / 2 - startPictureInGroup; }
    int LastFrame() const { return endField / 2 + endPicturesToGroupEnd - 1; }
};

// Clamps start into [0, length - 2] and end into [start, length - 2] (fields; even in, even out).
void ClampSplitPoints(int& startField, int& endField, int lengthFields);

// Length in fields: video from the index beside the source (two per record), audio from the
// source's size. Empty when that file is missing.
std::optional<int> SplitSourceLength(const std::string& source, bool video, const AudioTimebase& audio);

// The group-aligned byte range of frames start..end from the index beside `source`; empty when the
// index or a record of the start or end frame cannot be read.
std::optional<SplitSelection> VideoSplitSelection(const std::string& source, int startField, int endField);
// The byte range of frames start..end of raw 16-bit stereo audio, whole samples.
SplitSelection AudioSplitSelection(int startField, int endField, const AudioTimebase& audio);

// Whether writing `destination` (and, for video, the index beside it) would replace the source or
// the source's index, or the destination would be its own index (a name ending ".mdb"). Checked
// before anything is created.
bool SplitWouldOverwriteInput(const std::string& source, const std::string& destination, bool video);

// Each: kDone, kCanceled (the destination keeps what was written), kFileError (including a source
// that ends inside the range, and a video range that is empty or ends before its start, which only
// a damaged index gives), kOverInput (see SplitWouldOverwriteInput). No output of a failed step is
// left behind, and a file that was there before stays as it was. A WAVE source is cut from its
// sample data whatever chunks come before it.
RunResult SplitVideoData(const std::string& source, const std::string& destination, const SplitSelection& sel,
                         platform::RunReport& run);
RunResult WriteSplitIndex(const std::string& source, const std::string& destination, const SplitSelection& sel,
                          platform::RunReport& run);
// The data, then the index; on a file error neither is left.
RunResult SplitVideo(const std::string& source, const std::string& destination, const SplitSelection& sel,
                     platform::RunReport& run);
RunResult SplitAudioToWav(const std::string& source, const std::string& destination, const SplitSelection& sel,
                          std::uint32_t sampleRate, platform::RunReport& run);

}  // namespace file_tools
