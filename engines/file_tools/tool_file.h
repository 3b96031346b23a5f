// Files as the tools use them: inputs opened for reading (or A of a merge for appending), regular
// files only, closed on every path, 64-bit sizes and offsets, whole-block reads and writes that
// report short ones. Outputs are platform::ReplacingFile: put in place only when complete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "index_formats/index_files.h"
#include "platform/kernel.h"
#include "platform/regular_file.h"
#include "tool_run.h"

namespace file_tools {

class ToolFile {
public:
    enum class Mode { Read, ReadWrite };

    ToolFile() = default;
    ~ToolFile();
    ToolFile(ToolFile&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    ToolFile& operator=(ToolFile&& other) noexcept;
    ToolFile(const ToolFile&) = delete;
    ToolFile& operator=(const ToolFile&) = delete;

    // An existing regular file: a pipe would hang the tool and a device such as /dev/zero never
    // ends, so neither is opened.
    static std::optional<ToolFile> Open(const std::string& path, Mode mode);

    std::optional<std::uint64_t> Size() const;
    bool Seek(std::uint64_t offset);
    bool SeekEnd();
    // Reads up to `size` bytes, retrying short reads until end of file; -1 on error.
    long long Read(void* data, std::size_t size);
    // True when all bytes were written.
    bool Write(const void* data, std::size_t size);
    bool Truncate(std::uint64_t size);

private:
    explicit ToolFile(int fd) : fd_(fd) {}
    int fd_ = -1;
};

// Whether the path names a regular file.
inline bool FileExists(const std::string& path) { return platform::IsRegularFile(path); }

// Why a tool cannot read `path`: "<path>: not a regular file" for a folder, a pipe or a device,
// "<path>: <the system's error>" when it cannot be reached or opened; empty when it can be read.
std::string InputProblem(const std::string& path);
// Why an output at `path` could not be created: a folder there, or the system's error `error`
// that the failed create left in errno.
std::string OutputProblem(const std::string& path, int error);
// "<path>: <the system's error>" for a read or write that failed with `error`.
std::string IoProblem(const std::string& path, int error);

// The .mdb picture index beside a stream file, named as the index builder names it.
inline std::string PictureIndexPathBeside(const std::string& streamPath) {
    return index_formats::IndexPathBeside(streamPath, ".mdb");
}
// The extension with its dot ("" when the name has none; a dot that starts the name is none).
std::string ExtensionOf(const std::string& path);

// Ends an output: put in place when the run is done or cancelled (the destination keeps what was
// written), dropped on any other result, so that no failed run leaves a file behind.
RunResult FinishOutput(platform::ReplacingFile& output, RunResult result);

}  // namespace file_tools
