// Profile ("INI") files with the rules the programs rely on: case-insensitive sections and keys,
// trimmed values of at most 511 characters, every read seeing the file as it is now (an unchanged
// file is not parsed again), and writes that keep every other line of the file. Two programs may
// write one file at once: each write locks the file and replaces it atomically, through a link to
// the file it names, keeping its permissions; a read-only file is never written. Only regular files
// up to kProfileFileMax bytes are read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

inline constexpr std::size_t kProfileValueMax = 511;
// A settings file is a few kilobytes; anything above this is not one and is ignored with a message.
inline constexpr std::uint64_t kProfileFileMax = 1 << 20;

// Where "VELMAR.INI" lives: $VELMAR_INI, else $XDG_CONFIG_HOME/velmar/VELMAR.INI,
// else ~/.config/velmar/VELMAR.INI.
std::string VelmarIniPath();

class Profile {
public:
    // The shared "VELMAR.INI" of every program.
    Profile();
    explicit Profile(std::string path);

    const std::string& Path() const { return path_; }

    // A missing file, section or key gives the default.
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view defaultValue = {}) const;
    // Decimal with an optional minus sign; a value that does not start with a number reads as 0.
    int GetInt(std::string_view section, std::string_view key, int defaultValue) const;

    // Creates the file or section as needed, replaces the key in place or appends it to its
    // section. Returns false when the file cannot be written or is read-only.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value) const;
    bool WriteInt(std::string_view section, std::string_view key, int value) const;

private:
    std::string path_;
};

}  // namespace platform
