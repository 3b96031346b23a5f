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
        for (auto& word : words_) pointers_.push_back(word.data());
        pointers_.push_back(nullptr);
    }
    int argc() const { return static_cast<int>(words_.size()); }
    char** argv() { return pointers_.data(); }

private:
    std::vector<std::string> words_;
    std::vector<char*> pointers_;
};

// Calls an export with a text line: Call(mwr, "mwr 0x5").
template <typename Export>
int Call(Export function, const std::string& line) {
    CommandLine command(line);
    return function(command.argc(), command.argv());
}

}  // namespace ruvent_testing
