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

bool AudioPlayList::Open(const std::string& path) { return lines_.Open(path); }

std::int64_t AudioPlayList::Total() {
    lines_.Rewind();
    std::int64_t total = 0;
    while (const auto line = lines_.Next())
        if (const auto entry = ParseAudioListEntry(*line)) total += entry->Length();
    return total;
}

std::optional<AudioListSeek> AudioPlayList::SeekTo(std::int64_t position) {
    const std::int64_t total = Total();
    if (total < 1) return std::nullopt;
    position = position < 0 ? 0 : position % total;
    lines_.Rewind();
    std::int64_t before = 0;
    while (const auto line = lines_.Next()) {
        const auto entry = ParseAudioListEntry(*line);
        if (!entry) continue;
        if (before + entry->Length() > position) return AudioListSeek{*entry, before, position};
        before += entry->Length();
    }
    return std::nullopt;  // the file changed between the two passes
}

std::optional<AudioListEntry> AudioPlayList::NextEntry() {
    bool rewound = false;
    for (;;) {
        const auto line = lines_.Next();
        if (!line) {
            if (rewound) return std::nullopt;
            lines_.Rewind();
            rewound = true;
            continue;
        }
        if (auto entry = ParseAudioListEntry(*line)) return entry;
    }
}

std::optional<std::int64_t> ReadAudioPlayListLength(const std::string& path) {
    AudioPlayList list;
    if (!list.Open(path)) return std::nullopt;
    return list.Total();
}

}  // namespace play_lists
