// Opening of the encoder's text table files from the working directory.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace mpa {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using TableFile = std::unique_ptr<std::FILE, FileCloser>;

// `OpenTable`: the file `name` opened for reading; null after "OpenTable: could not find <name>".
TableFile OpenTable(const std::string& name);

}  // namespace mpa
