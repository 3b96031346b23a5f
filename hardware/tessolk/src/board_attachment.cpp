#include "board_attachment.h"

#include <memory>
#include <mutex>
#include <vector>

#include "platform/log.h"
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
std::uint32_t g_reportedVersion[2];  // the other layout last reported per board, so it is said once

AttachedBoard View(const Link& link) {
    return {static_cast<BoardControl*>(link.control->Data()), static_cast<std::uint8_t*>(link.window->Data()),
            static_cast<std::uint8_t*>(link.memory->Data())};
}

// A board served by a build of another layout is no board to this driver: read with this layout,
// its name slots and words would land in the wrong places.
bool ServedInThisLayout(std::uint32_t board, const BoardControl& control) {
    if (control.magic.load() != kControlMagic || control.alive.load() != 1) return false;
    if (control.version == kControlVersion) return true;
    if (g_reportedVersion[board] != control.version) {
        g_reportedVersion[board] = control.version;
        platform::Log(platform::LogLevel::Error,
                      "board " + std::to_string(board + 1) + " is served with control block layout version " +
                          std::to_string(control.version) + ", this driver reads version " +
                          std::to_string(kControlVersion) + ": treated as no board");
    }
    return false;
}

bool Serving(std::uint32_t board, const Link& link) {
    return link.control && ServedInThisLayout(board, *static_cast<const BoardControl*>(link.control->Data()));
}

}  // namespace

AttachedBoard Attach(std::uint32_t board) {
    std::lock_guard lock(g_mutex);
    Link& link = g_links[board];
    if (Serving(board, link)) return View(link);
    if (link.control) g_retired.push_back(std::move(link));
    link = {};
    using platform::SharedMemory;
    // The header alone first: a block of another layout is neither read past it nor resized.
    auto header = SharedMemory::Open(ControlName(board), kControlHeaderBytes, SharedMemory::Mode::OpenExisting);
    if (!header || !ServedInThisLayout(board, *static_cast<const BoardControl*>(header->Data()))) return {};
    auto control = SharedMemory::Open(ControlName(board), sizeof(BoardControl), SharedMemory::Mode::OpenExisting);
    if (!control) return {};
    Link fresh{std::move(control), nullptr, nullptr};
    if (!Serving(board, fresh)) return {};
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
