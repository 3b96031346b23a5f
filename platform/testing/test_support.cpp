#include "velmar_testing/test_support.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <sys/prctl.h>
#include <sys/resource.h>
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
    static TempDirectory root;
    static std::mutex lock;
    static std::map<std::string, int> numbers;
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    if (!test || root.path == "/tmp") return root.path;
    // One folder per test, so that tests run in one process never meet each other's files; named
    // by number, as paths stay short (some paths end up in board commands and socket names).
    const std::string name = std::string(test->test_suite_name()) + "." + test->name();
    std::string path;
    {
        std::lock_guard guard(lock);
        path = root.path + "/" + std::to_string(numbers.try_emplace(name, int(numbers.size()) + 1).first->second);
    }
    std::error_code ignored;
    std::filesystem::create_directories(path, ignored);
    return path;
}

void RemoveSharedObjects(const std::string& prefix) {
    if (prefix.empty()) return;
    // Shared memory lives in /dev/shm; local sockets of the remote link in the temporary folder.
    for (const std::filesystem::path& folder : {std::filesystem::path("/dev/shm"), std::filesystem::temp_directory_path()}) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
            const std::string name = entry.path().filename().string();
            if (name.compare(0, prefix.size(), prefix) != 0) continue;
            std::error_code ignored;
            std::filesystem::remove_all(entry.path(), ignored);
        }
    }
}

bool RunWithFileSizeLimit(unsigned long long bytes, const std::function<bool()>& body) {
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, bytes};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void EndWithParent(int parent) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);  // it ended before the request took hold
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
