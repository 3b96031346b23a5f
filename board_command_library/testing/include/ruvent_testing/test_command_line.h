// A command line split into words the way the control application passes it to the exports.
#pragma once

#include <sstream>
#include <string>
#include <vector>

namespace ruvent_testing {

class CommandLine {
public:
    explicit CommandLine(const std::string& line) {
        std::istringstream in(line);
        for (std::string word; in >> word;) words_.push_back(word);
        Point();
    }
    // Words given one by one, for words with blanks ("<my clip.mpg>").
    explicit CommandLine(std::vector<std::string> words) : words_(std::move(words)) { Point(); }
    int argc() const { return static_cast<int>(words_.size()); }
    char** argv() { return pointers_.data(); }

private:
    void Point() {
        for (auto& word : words_) pointers_.push_back(word.data());
        pointers_.push_back(nullptr);
    }
    std::vector<std::string> words_;
    std::vector<char*> pointers_;
};

// Calls an export with a text line: Call(mwr, "mwr 0x5").
template <typename Export>
int Call(Export function, const std::string& line) {
    CommandLine command(line);
    return function(command.argc(), command.argv());
}

template <typename Export>
int Call(Export function, std::vector<std::string> words) {
    CommandLine command(std::move(words));
    return function(command.argc(), command.argv());
}

}  // namespace ruvent_testing
