// What the engines read from and write to: buffered files in the programs, memory in tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "platform/replacing_file.h"

namespace ps {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to n bytes; fewer only at the end of the data or on a read error.
    virtual std::size_t Read(std::uint8_t* dst, std::size_t n) = 0;
};

class ByteSink {
public:
    virtual ~ByteSink() = default;
    // False on a short write.
    virtual bool Write(const std::uint8_t* src, std::size_t n) = 0;
    // Rewrites bytes already written (a header filled in at the end). False when not possible.
    virtual bool WriteAt(std::uint64_t offset, const std::uint8_t* src, std::size_t n) = 0;
    // Flushes what is buffered; false when that fails.
    virtual bool Finish() { return true; }
    // The run keeps what was written: a file is put in place under its name (see FileSink).
    virtual bool Commit() { return Finish(); }
};

// Size of a file from the file system; -1 when it cannot be taken.
std::int64_t FileSize(const std::string& path);

// Large stdio buffers: one system call per 2048-byte pack would cost more than the work itself.
class FileSource final : public ByteSource {
public:
    // Nothing unless `path` names a regular file.
    static std::unique_ptr<FileSource> Open(const std::string& path);
    ~FileSource() override;
    std::size_t Read(std::uint8_t* dst, std::size_t n) override;
    bool Seek(std::uint64_t offset);

private:
    explicit FileSource(std::FILE* f);
    std::FILE* file_;
    std::vector<char> buffer_;
};

// An output file through the one output writer: written under a temporary name beside `path` and
// put in place only by Commit; a sink that goes without Commit leaves what was at `path` as it was.
class FileSink final : public ByteSink {
public:
    // Null when the file cannot be created, may not be written, or is one of `inputs` (see ReplacingFile).
    static std::unique_ptr<FileSink> Create(const std::string& path, std::initializer_list<std::string> inputs = {});
    bool Write(const std::uint8_t* src, std::size_t n) override;
    bool WriteAt(std::uint64_t offset, const std::uint8_t* src, std::size_t n) override;
    bool Finish() override;
    bool Commit() override;

private:
    FileSink() = default;
    platform::ReplacingFile file_;
    std::vector<std::uint8_t> buffer_;
    bool failed_ = false;
};

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    std::size_t Read(std::uint8_t* dst, std::size_t n) override;

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

class MemorySink final : public ByteSink {
public:
    bool Write(const std::uint8_t* src, std::size_t n) override;
    bool WriteAt(std::uint64_t offset, const std::uint8_t* src, std::size_t n) override;
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    // Writes fail once this many bytes are held (tests of write errors).
    void FailAfter(std::size_t limit) { limit_ = limit; }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t limit_ = SIZE_MAX;
};

}  // namespace ps
