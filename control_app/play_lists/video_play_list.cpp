#include "video_play_list.h"

namespace play_lists {

namespace {
// The board counts fields in 32-bit words.
constexpr std::int64_t kMaxFieldWord = 0xFFFFFFFF;
}  // namespace

std::optional<VideoListEntry> ParseVideoListEntry(std::string_view line) {
    const auto fields = PlayListFields(line);
    if (!fields || fields->size() < 4) return std::nullopt;
    VideoListEntry entry;
    entry.videoPath = (*fields)[0];
    entry.in = FieldNumber((*fields)[1]);
    entry.out = FieldNumber((*fields)[2]);
    entry.spare = FieldNumber((*fields)[3]);
    if (fields->size() >= 6) {
        entry.alphaPath = (*fields)[4];
        entry.mix = FieldNumber((*fields)[5]);
    }
    // A negative in-point would start before the file; a mix past the out-point would key a
    // transition after the entry has ended; an end past the board's field words is never reached.
    if (entry.in < 0 || entry.Length() < 1 || (entry.HasAlpha() && entry.mix > entry.out) ||
        entry.EndField() > kMaxFieldWord)
        return std::nullopt;
    return entry;
}

std::optional<VideoListSeek> VideoPlayList::SeekTo(std::int64_t position) {
    const auto held = EntryHolding(position);
    if (!held) return std::nullopt;
    return VideoListSeek{held->first, held->second};
}

std::optional<std::int64_t> ScanVideoPlayList(const std::string& path) {
    VideoPlayList list;
    if (!list.Open(path)) return std::nullopt;
    return list.Total();
}

}  // namespace play_lists
