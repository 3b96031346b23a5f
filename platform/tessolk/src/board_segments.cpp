#include "tessolk/board_segments.h"

#include <cerrno>
#include <csignal>
#include <sched.h>

namespace tessolk {

std::string ControlName(std::uint32_t board) { return "tessolk.b" + std::to_string(board); }
std::string WindowName(std::uint32_t board) { return ControlName(board) + ".window"; }
std::string MemoryName(std::uint32_t board) { return ControlName(board) + ".memory"; }

void SharedSpinLock::Lock() {
    std::uint32_t expected = 0;
    while (!word.compare_exchange_weak(expected, 1, std::memory_order_acquire)) {
        expected = 0;
        sched_yield();
    }
}

bool ProcessAlive(std::int32_t pid) {
    if (pid <= 0) return false;
    return kill(pid, 0) == 0 || errno == EPERM;
}

}  // namespace tessolk
