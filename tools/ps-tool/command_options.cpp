#include "command_options.h"

#include <charconv>

std::optional<std::string> CommandOptions::Value(const std::string& name) const {
    const auto found = values.find(name);
    if (found == values.end()) return std::nullopt;
    return found->second;
}

CommandOptions ParseCommandOptions(int argc, char** argv, const std::set<std::string>& valued,
                                   const std::set<std::string>& bare) {
    CommandOptions options;
    for (int i = 0; i < argc && options.error.empty(); ++i) {
        const std::string word = argv[i];
        if (word.rfind("--", 0) != 0) {
            options.positional.push_back(word);
        } else if (bare.count(word)) {
            options.flags.insert(word);
        } else if (!valued.count(word)) {
            options.error = "unknown option " + word;
        } else if (i + 1 >= argc) {
            options.error = word + " needs a value";
        } else {
            options.values[word] = argv[++i];
        }
    }
    return options;
}

std::optional<int> ParseNumber(const std::string& text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) return std::nullopt;
    return value;
}
