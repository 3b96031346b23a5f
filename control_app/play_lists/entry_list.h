// What both kinds of play list do with their entries, whatever an entry holds: sum their lengths,
// find the one that holds a list position, and hand them out in order, from the top again after
// the last. `Parse` turns a line into an entry, or nothing for a line that holds none.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "play_list_grammar.h"

namespace play_lists {

template <typename Entry, std::optional<Entry> (*Parse)(std::string_view)>
class EntryList {
public:
    bool Open(const std::string& path) { return lines_.Open(path); }
    bool IsOpen() const { return lines_.IsOpen(); }
    void Close() { lines_.Close(); }

    // The sum of the entry lengths, reading from the top; the reader is left at the end.
    std::int64_t Total() {
        lines_.Rewind();
        std::int64_t total = 0;
        while (const auto line = lines_.Next())
            if (const auto entry = Parse(*line)) total += entry->Length();
        return total;
    }

    // Every entry, read from the top; the reader is left at the end.
    std::vector<Entry> Entries() {
        lines_.Rewind();
        std::vector<Entry> entries;
        while (const auto line = lines_.Next())
            if (auto entry = Parse(*line)) entries.push_back(std::move(*entry));
        return entries;
    }

    // Reads from the top to the entry whose frames hold `position` (before <= position < before +
    // length): a position on a boundary belongs to the next entry. Gives the entry and the frames
    // before it; the next NextEntry is the entry after it. Nothing when no entry holds it.
    std::optional<std::pair<Entry, std::int64_t>> EntryHolding(std::int64_t position) {
        lines_.Rewind();
        std::int64_t before = 0;
        while (const auto line = lines_.Next()) {
            auto entry = Parse(*line);
            if (!entry) continue;
            if (before + entry->Length() > position) return std::pair{std::move(*entry), before};
            before += entry->Length();
        }
        return std::nullopt;
    }

    // The entry after the last one read; after the last entry of the file the list starts again
    // from the top. Nothing when a whole pass through the file found no entry.
    std::optional<Entry> NextEntry() {
        bool rewound = false;
        for (;;) {
            const auto line = lines_.Next();
            if (!line) {
                if (rewound) return std::nullopt;
                lines_.Rewind();
                rewound = true;
                continue;
            }
            if (auto entry = Parse(*line)) return entry;
        }
    }

private:
    PlayListLines lines_;
};

}  // namespace play_lists
