#include "audio_play_list.h"

namespace play_lists {

std::optional<AudioListEntry> ParseAudioListEntry(std::string_view line) {
    const auto fields = PlayListFields(line);
    if (!fields || fields->size() < 4) return std::nullopt;
    AudioListEntry entry;
    entry.path = (*fields)[0];
    entry.start = FieldNumber((*fields)[1]);
    entry.end = FieldNumber((*fields)[2]);
    entry.spare = FieldNumber((*fields)[3]);
    // A negative start would become a byte offset before the file.
    if (entry.start < 0 || entry.Length() < 1) return std::nullopt;
    return entry;
}

std::optional<AudioListSeek> AudioPlayList::SeekTo(std::int64_t position) {
    const std::int64_t total = Total();
    if (total < 1) return std::nullopt;
    position = position < 0 ? 0 : position % total;
    const auto held = EntryHolding(position);
    if (!held) return std::nullopt;  // the file changed between the two passes
    return AudioListSeek{held->first, held->second, position};
}

std::optional<std::int64_t> ReadAudioPlayListLength(const std::string& path) {
    AudioPlayList list;
    if (!list.Open(path)) return std::nullopt;
    return list.Total();
}

}  // namespace play_lists
