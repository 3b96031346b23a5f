#include "board_attachment.h"

#include <memory>
#include <mutex>
#include <vector>

#include "platform/shared_memory.h"
#include "tessolk/board_map.h"

namespace tessolk {
namespace {

struct Link {
    std::unique_ptr<platform::SharedMemory> control;
    std::unique_ptr<platform::SharedMemory> window;
    std::unique_ptr<platform::SharedMemory> memory;
};

std::mutex g_mutex;
Link g_links[2];
// Mappings of boards that went away stay mapped: another thread may still be using them.
std::vector<Link> g_retired;
DriverRegisterFile g_localRegisters[2];

AttachedBoard View(const Link& link) {
    return {static_cast<BoardControl*>(link.control->Data()), static_cast<std::uint8_t*>(link.window->Data()),
            static_cast<std::uint8_t*>(link.memory->Data())};
}

bool Serving(const Link& link) {
    if (!link.control) return false;
    auto* control = static_cast<BoardControl*>(link.control->Data());
    return control->magic.load() == kControlMagic && control->alive.load() == 1;
}

}  // namespace

AttachedBoard Attach(std::uint32_t board) {
    std::lock_guard lock(g_mutex);
    Link& link = g_links[board];
    if (Serving(link)) return View(link);
    if (link.control) g_retired.push_back(std::move(link));
    link = {};
    using platform::SharedMemory;
    auto control = SharedMemory::Open(ControlName(board), sizeof(BoardControl), SharedMemory::Mode::OpenExisting);
    if (!control) return {};
    Link fresh{std::move(control), nullptr, nullptr};
    if (!Serving(fresh)) return {};
    fresh.window = SharedMemory::Open(WindowName(board), board_map::kWindowSize, SharedMemory::Mode::OpenExisting);
    fresh.memory =
        SharedMemory::Open(MemoryName(board), board_map::kBoardAddressSpace, SharedMemory::Mode::OpenExisting);
    if (!fresh.window || !fresh.memory) return {};
    link = std::move(fresh);
    return View(link);
}

DriverRegisterFile& Registers(std::uint32_t board) {
    AttachedBoard attached = Attach(board);
    return attached.control ? attached.control->registers : g_localRegisters[board];
}

void AppendJournal(BoardControl& control, JournalKind kind, std::uint32_t address, std::uint32_t value,
                   std::uint32_t firstWord) {
    const std::uint64_t index = control.journalHead.fetch_add(1);
    WriteJournalEntry(control.journal[index % kJournalEntries], index, {kind, address, value, firstWord});
}

}  // namespace tessolk
