#include "profile_text.h"

#include <cctype>
#include <climits>

#include "platform/profile.h"

namespace platform::profile_text {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// "[name]" gives name; any other line gives nothing.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[') return std::nullopt;
    const auto close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

bool IsComment(std::string_view line) {
    line = Trim(line);
    return line.empty() || line.front() == ';';
}

// "key=value" gives key; lines without '=' give nothing.
std::optional<std::string_view> KeyOf(std::string_view line) {
    if (IsComment(line)) return std::nullopt;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(0, eq));
}

}  // namespace

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string line(text.substr(start, end - start));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    return text;
}

std::optional<std::string> FindValue(const std::vector<std::string>& lines, std::string_view section,
                                     std::string_view key) {
    bool inSection = false;
    for (const auto& line : lines) {
        if (auto name = SectionName(line)) {
            inSection = EqualNoCase(*name, section);
            continue;
        }
        if (!inSection) continue;
        auto lineKey = KeyOf(line);
        if (!lineKey || !EqualNoCase(*lineKey, key)) continue;
        std::string value(Trim(std::string_view(line).substr(line.find('=') + 1)));
        if (value.size() > kProfileValueMax) value.resize(kProfileValueMax);
        return value;
    }
    return std::nullopt;
}

void SetValue(std::vector<std::string>& lines, std::string_view section, std::string_view key,
              std::string_view value) {
    const std::string entry = std::string(key) + "=" + std::string(value);
    bool inSection = false;
    std::optional<std::size_t> lastEntryOfSection;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (auto name = SectionName(lines[i])) {
            if (inSection) break;  // left our section without finding the key
            inSection = EqualNoCase(*name, section);
            if (inSection) lastEntryOfSection = i;
            continue;
        }
        if (!inSection) continue;
        if (!IsComment(lines[i])) lastEntryOfSection = i;
        auto lineKey = KeyOf(lines[i]);
        if (lineKey && EqualNoCase(*lineKey, key)) {
            lines[i] = entry;
            return;
        }
    }
    if (lastEntryOfSection) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*lastEntryOfSection + 1), entry);
        return;
    }
    lines.push_back("[" + std::string(section) + "]");
    lines.push_back(entry);
}

int ParseInt(std::string_view text) {
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    long long value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) break;
        value = value * 10 + (c - '0');
        if (value > INT_MAX) return negative ? INT_MIN : INT_MAX;
    }
    return static_cast<int>(negative ? -value : value);
}

}  // namespace platform::profile_text
