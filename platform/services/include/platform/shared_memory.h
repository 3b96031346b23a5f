// Named shared memory and named auto-reset events that work across processes.
//
// Every name passes through SharedObjectName(), which prefixes $VELMAR_NAME_PREFIX so that
// parallel test runs never meet each other's objects.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

// The POSIX object name ("/<prefix><name>") for one of the system's names.
std::string SharedObjectName(std::string_view name);

class SharedMemory {
public:
    enum class Mode { OpenOrCreate, OpenExisting, CreateNew };

    // Maps `size` bytes of the named object; a new object reads as zeros. Returns nullptr when
    // the object cannot be opened (OpenExisting of a missing name or of one smaller than `size`,
    // which its creator has not sized yet; CreateNew of an existing one).
    static std::unique_ptr<SharedMemory> Open(std::string_view name, std::size_t size,
                                              Mode mode = Mode::OpenOrCreate);
    // Removes the name; mappings already made stay valid.
    static void Remove(std::string_view name);
    static bool Exists(std::string_view name);

    ~SharedMemory();
    SharedMemory(const SharedMemory&) = delete;
    SharedMemory& operator=(const SharedMemory&) = delete;

    void* Data() const { return data_; }
    std::size_t Size() const { return size_; }
    bool Created() const { return created_; }
    const std::string& Name() const { return name_; }

private:
    SharedMemory(std::string name, void* data, std::size_t size, bool created)
        : name_(std::move(name)), data_(data), size_(size), created_(created) {}

    std::string name_;
    void* data_;
    std::size_t size_;
    bool created_;
};

// A named auto-reset event: Set() wakes one waiter, or stays set until the next Wait() takes it.
class NamedEvent {
public:
    static std::unique_ptr<NamedEvent> Open(std::string_view name);
    static void Remove(std::string_view name);

    void Set();
    void Reset();
    // True when the event was set within `timeoutMs` milliseconds (negative: wait for ever).
    bool Wait(int timeoutMs);

private:
    explicit NamedEvent(std::unique_ptr<SharedMemory> memory) : memory_(std::move(memory)) {}
    std::uint32_t* Word() const { return static_cast<std::uint32_t*>(memory_->Data()); }

    std::unique_ptr<SharedMemory> memory_;
};

}  // namespace platform
