// A file written under a temporary name in its own folder and renamed onto its name only once it
// is complete: a failed or cancelled run leaves what was there before (or nothing), never a file
// that looks complete but is not, and a link at the name is replaced rather than written through.
// A device or a pipe at the name (/dev/null, a FIFO another program reads) is written directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace index_formats {

// Writes all bytes to a file descriptor, retrying short and interrupted writes; false on failure.
bool WriteAll(int fd, const void* data, std::size_t size);

class ReplacingFile {
public:
    ReplacingFile() = default;
    ~ReplacingFile() { Discard(); }
    ReplacingFile(ReplacingFile&& other) noexcept;
    ReplacingFile& operator=(ReplacingFile&& other) noexcept;
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Creates the temporary file beside `path`; false when it cannot be, or when `path` already
    // names `input` (a file the run reads), which the rename would take away.
    bool Open(const std::string& path, const std::string& input = {});
    bool IsOpen() const { return fd_ >= 0; }
    // True when all bytes were written.
    bool Write(const void* data, std::size_t size);
    // Closes the temporary file and renames it onto the name; false, with the temporary file
    // removed, when either fails.
    bool Commit();
    // Removes the temporary file (nothing once committed).
    void Discard();

private:
    int fd_ = -1;
    std::string path_;
    std::string temporary_;
};

}  // namespace index_formats
