// Options of the ps-tool sub-commands: `--name value` pairs, bare flags and positional words,
// split once so that each command only checks what it got.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

struct CommandOptions {
    std::map<std::string, std::string> values;  // --name value
    std::set<std::string> flags;                 // --name
    std::vector<std::string> positional;
    std::string error;  // the first word that could not be taken, with why

    std::optional<std::string> Value(const std::string& name) const;
    bool Flag(const std::string& name) const { return flags.count(name) != 0; }
};

// `valued` names take the next word as their value, `bare` names stand alone; any other word
// starting with "--" is an error.
CommandOptions ParseCommandOptions(int argc, char** argv, const std::set<std::string>& valued,
                                   const std::set<std::string>& bare);

// A whole decimal number in [low, high], or nothing.
std::optional<int> ParseNumber(const std::string& text, int low, int high);
