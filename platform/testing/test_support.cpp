#include "velmar_testing/test_support.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace velmar_testing {

std::string SharedDir() {
    if (const char* dir = std::getenv("VELMAR_SHARED_DIR")) return dir;
    return VELMAR_SHARED_DIR;
}
std::string RunDir() { return VELMAR_RUN_DIR; }
std::string BinDir() { return VELMAR_BIN_DIR; }

namespace {
struct TempDirectory {
    std::string path;
    TempDirectory() {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmar-test-XXXXXX").string();
        path = mkdtemp(pattern.data()) ? pattern : std::string("/tmp");
    }
    ~TempDirectory() {
        std::error_code ignored;
        if (path != "/tmp") std::filesystem::remove_all(path, ignored);
    }
};
}  // namespace

std::string TempDir() {
    static TempDirectory dir;
    return dir.path;
}

bool InCi() {
    const char* ci = std::getenv("CI");
    return ci && *ci && std::string(ci) != "0" && std::string(ci) != "false";
}

bool HaveTool(const std::string& name) {
    return RunCommand("command -v " + name + " >/dev/null 2>&1") == 0;
}

bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

int RunCommand(const std::string& command, std::string* output) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    std::array<char, 4096> buffer;
    std::size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        if (output) output->append(buffer.data(), n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace velmar_testing
