#include "play_list_grammar.h"

#include <cctype>
#include <filesystem>
#include <limits>

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
    // A FIFO or a device would block or never end: lists are regular files.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > kMaxListBytes) return false;
    in_.open(path, std::ios::binary);
    return in_.is_open();
}

std::optional<std::string> PlayListLines::Next() {
    if (!in_.is_open()) return std::nullopt;
    std::streambuf& buffer = *in_.rdbuf();
    int c = buffer.sbumpc();
    if (c == std::char_traits<char>::eof()) return std::nullopt;
    std::string line;
    // One character more than a line keeps, so that a "\r" right after the last one goes as well.
    while (c != std::char_traits<char>::eof() && c != '\n' && line.size() <= kMaxLineCharacters) {
        line.push_back(static_cast<char>(c));
        c = buffer.sbumpc();
    }
    // The rest of a longer line is passed over without being kept.
    if (c != std::char_traits<char>::eof() && c != '\n') in_.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    while (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > kMaxLineCharacters) line.resize(kMaxLineCharacters);
    return line;
}

void PlayListLines::Rewind() {
    in_.clear();
    in_.seekg(0);
}

}  // namespace play_lists
