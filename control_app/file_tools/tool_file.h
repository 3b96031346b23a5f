// Files as the tools use them: opened for reading or created, closed on every path, 64-bit sizes
// and offsets, whole-block reads and writes that report short ones.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace file_tools {

class ToolFile {
public:
    enum class Mode { Read, ReadWrite, Create };

    ToolFile() = default;
    ~ToolFile();
    ToolFile(ToolFile&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    ToolFile& operator=(ToolFile&& other) noexcept;
    ToolFile(const ToolFile&) = delete;
    ToolFile& operator=(const ToolFile&) = delete;

    // Read and ReadWrite need an existing file; Create makes it or empties it.
    static std::optional<ToolFile> Open(const std::string& path, Mode mode);

    std::optional<std::uint64_t> Size() const;
    bool Seek(std::uint64_t offset);
    bool SeekEnd();
    // Reads up to `size` bytes, retrying short reads until end of file; -1 on error.
    long long Read(void* data, std::size_t size);
    // True when all bytes were written.
    bool Write(const void* data, std::size_t size);

private:
    explicit ToolFile(int fd) : fd_(fd) {}
    int fd_ = -1;
};

// Whether two paths name one file (device and inode, links followed); false when either is missing.
bool SameFile(const std::string& a, const std::string& b);
bool FileExists(const std::string& path);

// The .mdb picture index beside a stream file: its path with the extension replaced by ".mdb".
std::string PictureIndexPathBeside(const std::string& streamPath);
// The extension with its dot ("" when the name has none).
std::string ExtensionOf(const std::string& path);

}  // namespace file_tools
