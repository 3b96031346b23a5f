// A C stream that closes itself.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace platform {

struct CFileCloser {
    void operator()(std::FILE* file) const {
        if (file) std::fclose(file);
    }
};
using CFile = std::unique_ptr<std::FILE, CFileCloser>;

inline CFile OpenCFile(const std::string& path, const char* mode) { return CFile(std::fopen(path.c_str(), mode)); }

}  // namespace platform
