#include "components/component_registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace components {
namespace {

ComponentRegistry::Sections Parse(std::istream& in) {
    ComponentRegistry::Sections sections;
    ComponentRegistry::Section* current = nullptr;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';') continue;
        if (line.front() == '[' && line.back() == ']') {
            current = &sections[line.substr(1, line.size() - 2)];
        } else if (current) {
            const auto eq = line.find('=');
            if (eq != std::string::npos) (*current)[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return sections;
}

std::string Format(const ComponentRegistry::Sections& sections) {
    std::ostringstream out;
    for (const auto& [name, keys] : sections) {
        out << '[' << name << "]\n";
        for (const auto& [key, value] : keys) out << key << '=' << value << '\n';
        out << '\n';
    }
    return out.str();
}

// Holds an exclusive lock on "<registry>.lock" for the lifetime of the object.
class FileLock {
public:
    explicit FileLock(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666)) {
        if (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~FileLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool Held() const { return fd_ >= 0; }

private:
    int fd_;
};

}  // namespace

std::string ComponentRegistry::DefaultPath() {
    const char* env = std::getenv("VELMAR_COMPONENT_REGISTRY");
    if (env && *env) return env;
    return "components.reg";
}

ComponentRegistry::Sections ComponentRegistry::Read() const {
    std::ifstream in(path_);
    if (!in) return {};
    return Parse(in);
}

bool ComponentRegistry::Update(const std::function<void(Sections&)>& change) const {
    FileLock lock(path_ + ".lock");
    if (!lock.Held()) return false;
    Sections sections = Read();
    change(sections);
    const std::string temporary = path_ + ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        if (!out) return false;
        out << Format(sections);
        out.flush();
        if (!out) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path_.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

std::optional<std::string> ComponentRegistry::ClsidOfProgId(const std::string& progId) const {
    const auto sections = Read();
    const auto found = sections.find(ProgIdKey(progId));
    if (found == sections.end()) return std::nullopt;
    const auto clsid = found->second.find("CLSID");
    if (clsid == found->second.end()) return std::nullopt;
    return clsid->second;
}

std::optional<std::string> ComponentRegistry::LibraryOfClsid(const std::string& clsid) const {
    const auto sections = Read();
    const auto found = sections.find(ClsidKey(clsid));
    if (found == sections.end()) return std::nullopt;
    const auto library = found->second.find("Library");
    if (library == found->second.end()) return std::nullopt;
    return library->second;
}

std::string ClsidKey(const std::string& clsid) { return "CLSID\\" + clsid; }
std::string ProgIdKey(const std::string& progId) { return "ProgID\\" + progId; }
std::string TypeLibKey(const std::string& libid, const std::string& version) {
    return "TypeLib\\" + libid + "\\" + version;
}

}  // namespace components
