// The line grammar of the play lists (.vpl and .apl): a line whose first character is ';' is a
// comment; a line without '<', or whose first '<' is followed by '*' (a disabled entry), is skipped;
// otherwise each field stands in angle brackets and runs to its '>' or to the line's end, and
// whatever lies before the first '<' or between fields is ignored. Lines are read up to 1023
// characters; the rest of a longer line is passed over unkept rather than read as a line of its own.
#pragma once

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace play_lists {

inline constexpr std::size_t kMaxLineCharacters = 1023;
// A list is a few thousand lines at most; a larger file is no list, and reading it through would
// hold the panel for as long as it takes.
inline constexpr std::uintmax_t kMaxListBytes = 1 << 20;

// The bracketed fields of a line; nothing for a comment or a skipped line.
std::optional<std::vector<std::string>> PlayListFields(std::string_view line);

// A field's leading decimal number (optional blanks and sign), 0 when it has none.
std::int64_t FieldNumber(const std::string& field);

// A list file read line by line, from the top again on request.
class PlayListLines {
public:
    // False for anything but a regular file (a FIFO would block the panel) of at most kMaxListBytes.
    bool Open(const std::string& path);
    bool IsOpen() const { return in_.is_open(); }
    void Close() { in_.close(); }
    // The next line without its line end; nothing at the end of the file.
    std::optional<std::string> Next();
    void Rewind();

private:
    std::ifstream in_;
};

}  // namespace play_lists
