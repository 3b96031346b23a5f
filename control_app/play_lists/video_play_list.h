// Video play lists (.vpl): one entry a line, the video path, three numbers (in, out and a spare one
// that is kept but plays no part), then optionally an alpha path and the mix point, each field in
// angle brackets. Numbers are frames of the video file. An entry without an alpha stream lasts
// out - in + 1 frames; with one it lasts mix - in frames, since the next entry starts at the mix.
// Lines with fewer than four fields, a negative in-point, a mix point past the out-point, or whose
// entry would last no frame hold no entry; five fields count as four. Neither does an entry whose
// fields pass the board's 32-bit field words (an out-point of 2^31 - 1 frames or more), which the
// board could never reach.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "entry_list.h"
#include "play_list_grammar.h"

namespace play_lists {

struct VideoListEntry {
    std::string videoPath;
    std::int64_t in = 0;
    std::int64_t out = 0;
    std::int64_t spare = 0;
    std::string alphaPath;  // empty: the transition out of this entry is a cut
    std::int64_t mix = 0;

    bool HasAlpha() const { return !alphaPath.empty(); }
    std::int64_t Length() const { return HasAlpha() ? mix - in : out - in + 1; }
    // The channel's words in fields: start, end (one past the last field) and transition.
    std::int64_t StartField() const { return 2 * in; }
    std::int64_t EndField() const { return 2 * out + 2; }
    std::int64_t TransitionField() const { return HasAlpha() ? 2 * mix : EndField(); }
};

std::optional<VideoListEntry> ParseVideoListEntry(std::string_view line);

// The entry that holds a list position, and the frames of the entries before it.
struct VideoListSeek {
    VideoListEntry entry;
    std::int64_t before = 0;
};

// An open .vpl as the list engine reads it.
class VideoPlayList : public EntryList<VideoListEntry, ParseVideoListEntry> {
public:
    // Reads from the top to the entry whose frames hold `position` (before <= position < before +
    // length); the next NextEntry is the entry after it. Nothing when no entry holds it (a list
    // without entries, or a position at or past its total).
    std::optional<VideoListSeek> SeekTo(std::int64_t position);
};

// The total of the list at `path`; nothing when it cannot be opened.
std::optional<std::int64_t> ScanVideoPlayList(const std::string& path);

}  // namespace play_lists
