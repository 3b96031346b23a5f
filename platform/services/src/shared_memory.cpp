#include "platform/shared_memory.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::string SharedObjectName(std::string_view name) {
    std::string full = "/";
    if (const char* prefix = std::getenv("VELMAR_NAME_PREFIX")) full += prefix;
    for (char c : name) full += (c == '/' ? '_' : c);
    return full;
}

std::unique_ptr<SharedMemory> SharedMemory::Open(std::string_view name, std::size_t size, Mode mode) {
    const std::string objectName = SharedObjectName(name);
    int flags = O_RDWR | O_CLOEXEC;
    if (mode == Mode::OpenOrCreate) flags |= O_CREAT;
    if (mode == Mode::CreateNew) flags |= O_CREAT | O_EXCL;

    // Tell "created" from "opened" so the creator alone sizes the object.
    bool created = false;
    int fd = -1;
    if (mode == Mode::OpenOrCreate) {
        fd = ::shm_open(objectName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0)
            created = true;
        else if (errno == EEXIST)
            fd = ::shm_open(objectName.c_str(), O_RDWR | O_CLOEXEC, 0600);
    } else {
        fd = ::shm_open(objectName.c_str(), flags, 0600);
        created = fd >= 0 && mode == Mode::CreateNew;
    }
    if (fd < 0) return nullptr;

    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        return nullptr;
    }
    // Growing never loses what others wrote; a new object reads as zeros. Only a caller that may
    // create the object sizes it: one that merely opens it could otherwise race its creator's
    // sizing and cut the object back under the creator's feet.
    const bool tooSmall = static_cast<std::size_t>(info.st_size) < size;
    if (tooSmall && (mode == Mode::OpenExisting || ::ftruncate(fd, static_cast<off_t>(size)) != 0)) {
        ::close(fd);
        return nullptr;
    }
    void* data = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);
    if (data == MAP_FAILED) return nullptr;
    return std::unique_ptr<SharedMemory>(new SharedMemory(objectName, data, size, created));
}

void SharedMemory::Remove(std::string_view name) { ::shm_unlink(SharedObjectName(name).c_str()); }

bool SharedMemory::Exists(std::string_view name) {
    const int fd = ::shm_open(SharedObjectName(name).c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

SharedMemory::~SharedMemory() { ::munmap(data_, size_); }

}  // namespace platform
