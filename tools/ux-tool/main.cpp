// ux-tool <output directory>: writes the project's microcode files.
#include <filesystem>
#include <iostream>

#include "microcode_set.h"

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::cerr << "usage: ux-tool <output directory>\n";
        return 1;
    }
    const std::filesystem::path directory = argv[1];
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    for (const auto& spec : ux::MicrocodeSet()) {
        const std::string path = (directory / spec.fileName).string();
        if (!ux::BuildMicrocode(spec).WriteFile(path)) {
            std::cerr << "ux-tool: cannot write " << path << "\n";
            return 1;
        }
    }
    return 0;
}
