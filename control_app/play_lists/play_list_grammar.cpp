#include "play_list_grammar.h"

#include <cctype>

namespace play_lists {

std::optional<std::vector<std::string>> PlayListFields(std::string_view line) {
    if (!line.empty() && line.front() == ';') return std::nullopt;
    std::size_t at = line.find('<');
    if (at == std::string_view::npos || (at + 1 < line.size() && line[at + 1] == '*')) return std::nullopt;
    std::vector<std::string> fields;
    while (at != std::string_view::npos) {
        const std::size_t close = line.find('>', at + 1);
        const std::size_t end = close == std::string_view::npos ? line.size() : close;
        fields.emplace_back(line.substr(at + 1, end - at - 1));
        if (close == std::string_view::npos) break;
        at = line.find('<', close + 1);
    }
    return fields;
}

std::int64_t FieldNumber(const std::string& field) {
    std::size_t i = 0;
    while (i < field.size() && std::isspace(static_cast<unsigned char>(field[i]))) ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '-' || field[i] == '+')) negative = field[i++] == '-';
    std::int64_t value = 0;
    // Frame numbers: nine digits are over three years of pictures; more are cut off, not wrapped.
    for (int digits = 0; i < field.size() && std::isdigit(static_cast<unsigned char>(field[i])) && digits < 10;
         ++i, ++digits)
        value = value * 10 + (field[i] - '0');
    return negative ? -value : value;
}

bool PlayListLines::Open(const std::string& path) {
    in_.close();
    in_.clear();
    in_.open(path, std::ios::binary);
    return in_.is_open();
}

std::optional<std::string> PlayListLines::Next() {
    std::string line;
    if (!in_.is_open() || !std::getline(in_, line)) return std::nullopt;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    if (line.size() > kMaxLineCharacters) line.resize(kMaxLineCharacters);
    return line;
}

void PlayListLines::Rewind() {
    in_.clear();
    in_.seekg(0);
}

}  // namespace play_lists
