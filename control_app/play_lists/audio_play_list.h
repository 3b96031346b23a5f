// Audio play lists (.apl): one entry a line, the audio file's path and three numbers (start frame,
// end frame inclusive, and a spare one that is kept but plays no part), each field in angle
// brackets. Frames are frames of the TV standard counted from the start of that file; an entry
// lasts end - start + 1 frames. Lines with fewer than four fields, a negative start, or an entry
// that would last no frame hold no entry.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "entry_list.h"
#include "play_list_grammar.h"

namespace play_lists {

struct AudioListEntry {
    std::string path;
    std::int64_t start = 0;
    std::int64_t end = 0;
    std::int64_t spare = 0;

    std::int64_t Length() const { return end - start + 1; }
};

std::optional<AudioListEntry> ParseAudioListEntry(std::string_view line);

// The entry that holds a list position, the frames of the entries before it, and the position
// itself once brought inside the list's total.
struct AudioListSeek {
    AudioListEntry entry;
    std::int64_t before = 0;
    std::int64_t position = 0;
};

// An open .apl as the audio channel reads it.
class AudioPlayList : public EntryList<AudioListEntry, ParseAudioListEntry> {
public:
    // Reads from the top to the entry whose frames hold `position`; a position at or past the
    // total counts from the top again, as the list plays on after its last entry. The next
    // NextEntry is the entry after it. Nothing when the list has no entry.
    std::optional<AudioListSeek> SeekTo(std::int64_t position);
};

// The total of the list at `path`; nothing when it cannot be opened.
std::optional<std::int64_t> ReadAudioPlayListLength(const std::string& path);

}  // namespace play_lists
