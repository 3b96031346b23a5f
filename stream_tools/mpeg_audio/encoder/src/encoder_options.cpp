#include "encoder_options.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace mpa {

namespace {

constexpr std::size_t kMaxWords = 10;
constexpr std::size_t kMaxWordLength = 99;

std::vector<std::string> SplitWords(const std::string& line) {
    std::vector<std::string> words;
    std::size_t pos = 0;
    while (words.size() < kMaxWords) {
        pos = line.find_first_not_of(' ', pos);
        if (pos == std::string::npos) break;
        std::size_t end = line.find(' ', pos);
        if (end == std::string::npos) end = line.size();
        words.push_back(line.substr(pos, std::min(end - pos, kMaxWordLength)));
        pos = end;
    }
    return words;
}

std::string Format(const char* format, const std::string& program, const std::string& value) {
    char text[400];
    std::snprintf(text, sizeof text, format, program.c_str(), value.c_str());
    return text;
}

bool TakesValue(char letter) {
    switch (letter) {
        case 'l': case 'm': case 'p': case 's': case 'b': case 'd': case 'q':
            return true;
        default:
            return false;
    }
}

}  // namespace

bool ParseEncoderOptions(const std::string& line, EncoderOptions& options, std::string& message) {
    message.clear();
    std::vector<std::string> words = SplitWords(line);
    std::string program = words.empty() ? std::string() : words[0];
    for (std::size_t w = 1; w < words.size(); ++w) {
        const std::string& word = words[w];
        if (word.size() < 2 || word[0] != '-') continue;
        for (std::size_t c = 1; c < word.size(); ++c) {
            char letter = word[c];
            std::string value;
            if (TakesValue(letter)) {
                if (c + 1 < word.size()) {
                    value = word.substr(c + 1);
                } else if (w + 1 < words.size()) {
                    value = words[++w];
                }
                c = word.size();  // the value ends this word's letters
            }
            const char* text = value.c_str();
            switch (letter) {
                case 'l':
                    options.layer = std::atoi(text);
                    if (options.layer < 1 || options.layer > 3) {
                        message = Format("%s: -l layer must be 1, 2, or 3, not %s\n", program, value);
                        return false;
                    }
                    break;
                case 'm':
                    switch (text[0]) {
                        case 's': options.mode = 0; break;
                        case 'd': options.mode = 2; break;
                        case 'j': options.mode = 1; break;
                        case 'm': options.mode = 3; break;
                        default:
                            message = Format("%s: -m mode must be s/d/j/m not %s\n", program, value);
                            return false;
                    }
                    break;
                case 'p':
                    options.model = std::atoi(text);
                    if (options.model != 1 && options.model != 2) {
                        message = Format("%s: -p model must be 1 or 2, not %s\n", program, value);
                        return false;
                    }
                    break;
                case 's':
                    options.rate_hz = static_cast<long>(std::atof(text) * 1000.0 + 0.5);
                    break;
                case 'b':
                    options.bitrate_kbps = std::atoi(text);
                    break;
                case 'd':
                    switch (text[0]) {
                        case 'n': options.emphasis = 0; break;
                        case '5': options.emphasis = 1; break;
                        case 'c': options.emphasis = 3; break;
                        default:
                            message = Format("%s: -d emp must be n/5/c not %s\n", program, value);
                            return false;
                    }
                    break;
                case 'c': options.copyright = true; break;
                case 'o': options.original = true; break;
                case 'e': options.protection = true; break;
                case 'L': break;
                case 'q': {
                    double quality = std::atof(text);
                    if (!(quality >= 0.01 && quality < 100.0)) return false;
                    options.quality = quality;
                    break;
                }
                default: {
                    char text2[200];
                    std::snprintf(text2, sizeof text2, "%s: unrec option %c\n", program.c_str(), letter);
                    message = text2;
                    return false;
                }
            }
        }
    }
    return true;
}

}  // namespace mpa
