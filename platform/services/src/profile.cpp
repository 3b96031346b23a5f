#include "platform/profile.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>

#include "profile_text.h"

namespace platform {
namespace {

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Holds an exclusive lock on "<file>.lock" while a write reads, edits and replaces the file, so
// that two programs writing one profile never lose each other's keys.
class ProfileLock {
public:
    explicit ProfileLock(const std::string& path) {
        fd_ = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ >= 0) ::flock(fd_, LOCK_EX);
    }
    ~ProfileLock() {
        if (fd_ >= 0) ::close(fd_);  // closing releases the lock
    }
    ProfileLock(const ProfileLock&) = delete;
    ProfileLock& operator=(const ProfileLock&) = delete;
    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

bool ReplaceFile(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out << text;
        out.flush();
        if (!out) {
            std::filesystem::remove(temporary);
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::filesystem::remove(temporary);
        return false;
    }
    return true;
}

}  // namespace

std::string VelmarIniPath() {
    if (const char* explicitPath = std::getenv("VELMAR_INI"); explicitPath && *explicitPath) return explicitPath;
    std::string configHome;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        configHome = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        configHome = std::string(home) + "/.config";
    else
        configHome = ".";
    return configHome + "/velmar/VELMAR.INI";
}

Profile::Profile() : path_(VelmarIniPath()) {}
Profile::Profile(std::string path) : path_(std::move(path)) {}

std::string Profile::GetString(std::string_view section, std::string_view key,
                               std::string_view defaultValue) const {
    const auto lines = profile_text::SplitLines(ReadWholeFile(path_));
    if (auto value = profile_text::FindValue(lines, section, key)) return *value;
    std::string fallback(defaultValue);
    if (fallback.size() > kProfileValueMax) fallback.resize(kProfileValueMax);
    return fallback;
}

int Profile::GetInt(std::string_view section, std::string_view key, int defaultValue) const {
    const auto lines = profile_text::SplitLines(ReadWholeFile(path_));
    if (auto value = profile_text::FindValue(lines, section, key)) return profile_text::ParseInt(*value);
    return defaultValue;
}

bool Profile::WriteString(std::string_view section, std::string_view key, std::string_view value) const {
    std::error_code ignored;
    const auto folder = std::filesystem::path(path_).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
    ProfileLock lock(path_);
    if (!lock.Held()) return false;
    auto lines = profile_text::SplitLines(ReadWholeFile(path_));
    profile_text::SetValue(lines, section, key, value);
    return ReplaceFile(path_, profile_text::JoinLines(lines));
}

bool Profile::WriteInt(std::string_view section, std::string_view key, int value) const {
    return WriteString(section, key, std::to_string(value));
}

}  // namespace platform
