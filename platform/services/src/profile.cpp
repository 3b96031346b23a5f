#include "platform/profile.h"

#include <cerrno>
#include <ctime>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/log.h"

#include "profile_text.h"

namespace platform {
namespace {

// What a read of the profile found: its lines, or none when the file is missing or refused.
struct ProfileSnapshot {
    std::vector<std::string> lines;
};

// Reads the profile only when it is a regular file of sane size: a device, a FIFO or a runaway file
// named as the profile must not hang or exhaust the program that reads its settings.
std::optional<std::string> ReadProfileText(const std::string& path, struct stat& info) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::optional<std::string> text;
    if (::fstat(fd, &info) != 0) {
        info = {};
    } else if (!S_ISREG(info.st_mode)) {
        Log(LogLevel::Error, "The settings file " + path + " is not a regular file and is ignored.");
    } else if (std::uint64_t(info.st_size) > kProfileFileMax) {
        Log(LogLevel::Error, "The settings file " + path + " is larger than " +
                                 std::to_string(kProfileFileMax) + " bytes and is ignored.");
    } else {
        text.emplace();
        char block[16384];
        for (;;) {
            const ssize_t got = ::read(fd, block, sizeof block);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            text->append(block, std::size_t(got));
            if (text->size() > kProfileFileMax) {  // grew while being read
                text.reset();
                break;
            }
        }
    }
    ::close(fd);
    return text;
}

// The parsed lines of recently read profiles (and the refusals of files that are not profiles). A
// file is read again whenever its identity, size or times change. Times are kept by the kernel at a coarse grain, so a file modified within the last
// second is never taken from the cache: a second edit in the same tick would look unchanged.
class ProfileCache {
public:
    std::shared_ptr<const ProfileSnapshot> Read(const std::string& path) {
        struct stat info{};
        {
            struct stat now{};
            std::lock_guard lock(mutex_);
            auto found = entries_.find(path);
            if (found != entries_.end() && ::stat(path.c_str(), &now) == 0 && Unchanged(found->second.info, now))
                return found->second.snapshot;
        }
        auto snapshot = std::make_shared<ProfileSnapshot>();
        const std::time_t readAt = std::time(nullptr);
        const auto text = ReadProfileText(path, info);
        if (text) snapshot->lines = profile_text::SplitLines(*text);
        std::lock_guard lock(mutex_);
        if (info.st_ino != 0 && SettledBefore(info, readAt))  // refusals too: one message per file
            entries_[path] = Entry{info, snapshot};
        else
            entries_.erase(path);
        return snapshot;
    }

private:
    struct Entry {
        struct stat info;
        std::shared_ptr<const ProfileSnapshot> snapshot;
    };
    static bool Unchanged(const struct stat& a, const struct stat& b) {
        return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
               a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
               a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
    }
    static bool SettledBefore(const struct stat& info, std::time_t readAt) {
        return readAt - std::max(info.st_mtim.tv_sec, info.st_ctim.tv_sec) >= 2;
    }

    std::mutex mutex_;
    std::map<std::string, Entry> entries_;
};

ProfileCache& Cache() {
    static ProfileCache cache;
    return cache;
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

// Replaces the file at `target` (links already followed) with `text`, keeping its permissions.
bool ReplaceFile(const std::string& target, const std::string& text, mode_t mode) {
    const std::string temporary = target + ".tmp" + std::to_string(::getpid());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0) return false;
    bool written = ::fchmod(fd, mode) == 0;  // the umask must not narrow the file's own mode
    for (std::size_t done = 0; written && done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) written = false;
        else done += std::size_t(n);
    }
    if (::close(fd) != 0) written = false;
    if (!written || std::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

// A profile that exists and carries no write permission is read-only: it is left untouched, as a
// read-only settings file is elsewhere, even for a user (root) whom the permissions do not stop.
bool IsReadOnly(const struct stat& info, const std::string& path) {
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0;
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
    const auto snapshot = Cache().Read(path_);
    if (auto value = profile_text::FindValue(snapshot->lines, section, key)) return *value;
    std::string fallback(defaultValue);
    if (fallback.size() > kProfileValueMax) fallback.resize(kProfileValueMax);
    return fallback;
}

int Profile::GetInt(std::string_view section, std::string_view key, int defaultValue) const {
    const auto snapshot = Cache().Read(path_);
    if (auto value = profile_text::FindValue(snapshot->lines, section, key)) return profile_text::ParseInt(*value);
    return defaultValue;
}

bool Profile::WriteString(std::string_view section, std::string_view key, std::string_view value) const {
    // A link to the profile is written through, so the file it names keeps the new value.
    std::error_code error;
    const std::string target = std::filesystem::weakly_canonical(path_, error).string();
    if (error || target.empty()) return false;
    const auto folder = std::filesystem::path(target).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, error);
    // A device or pipe is never written (below), so no lock file is made beside it either.
    struct stat before{};
    if (::stat(target.c_str(), &before) == 0 && !S_ISREG(before.st_mode)) return false;
    ProfileLock lock(target);
    if (!lock.Held()) return false;
    mode_t mode = 0644;
    std::vector<std::string> lines;
    struct stat info{};
    if (::stat(target.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode) || IsReadOnly(info, target)) return false;
        mode = info.st_mode & 07777;
        const auto text = ReadProfileText(target, info);
        if (!text) return false;  // refused as too large: never replace what could not be read
        lines = profile_text::SplitLines(*text);
    }
    profile_text::SetValue(lines, section, key, value);
    return ReplaceFile(target, profile_text::JoinLines(lines), mode);
}

bool Profile::WriteInt(std::string_view section, std::string_view key, int value) const {
    return WriteString(section, key, std::to_string(value));
}

}  // namespace platform
