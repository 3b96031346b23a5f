// printf-style formatting into a std::string, for the command lines and log lines whose exact
// text ("%x", "%.8x") the board and the operators' logs rely on.
#pragma once

#include <cstdio>
#include <string>

namespace platform {

template <typename... Args>
std::string Format(const char* format, Args... args) {
    const int length = std::snprintf(nullptr, 0, format, args...);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, args...);
    text.pop_back();
    return text;
}

}  // namespace platform
