#include "video_play_list.h"

namespace play_lists {

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
    if (entry.Length() < 1) return std::nullopt;
    return entry;
}

bool VideoPlayList::Open(const std::string& path) { return lines_.Open(path); }

std::int64_t VideoPlayList::Total() {
    lines_.Rewind();
    std::int64_t total = 0;
    while (const auto line = lines_.Next())
        if (const auto entry = ParseVideoListEntry(*line)) total += entry->Length();
    return total;
}

std::optional<VideoListSeek> VideoPlayList::SeekTo(std::int64_t position) {
    lines_.Rewind();
    std::int64_t before = 0;
    while (const auto line = lines_.Next()) {
        const auto entry = ParseVideoListEntry(*line);
        if (!entry) continue;
        // The entry that holds the position: a position on a boundary starts the next entry.
        if (before + entry->Length() > position) return VideoListSeek{*entry, before};
        before += entry->Length();
    }
    return std::nullopt;
}

std::optional<VideoListEntry> VideoPlayList::NextEntry() {
    bool rewound = false;
    for (;;) {
        const auto line = lines_.Next();
        if (!line) {
            if (rewound) return std::nullopt;
            lines_.Rewind();
            rewound = true;
            continue;
        }
        if (auto entry = ParseVideoListEntry(*line)) return entry;
    }
}

std::optional<std::int64_t> ScanVideoPlayList(const std::string& path) {
    VideoPlayList list;
    if (!list.Open(path)) return std::nullopt;
    return list.Total();
}

}  // namespace play_lists
