// The text rules of profile files, apart from any file: finding a value, and editing the lines
// of a file so that one key changes and everything else stays as it was.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::profile_text {

std::vector<std::string> SplitLines(std::string_view text);
std::string JoinLines(const std::vector<std::string>& lines);

// The value of `key` in `section`, trimmed; nothing when either is missing.
std::optional<std::string> FindValue(const std::vector<std::string>& lines, std::string_view section,
                                     std::string_view key);

// Sets `key` in `section`: replaces the key's line in place, or appends it after the last entry
// of the section, or appends the section at the end of the file.
void SetValue(std::vector<std::string>& lines, std::string_view section, std::string_view key,
              std::string_view value);

// Reads a leading decimal integer with an optional sign; anything else reads as 0.
int ParseInt(std::string_view text);

}  // namespace platform::profile_text
