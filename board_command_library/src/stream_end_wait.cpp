#include "ruvent/stream_end_wait.h"

#include "platform/kernel.h"
#include "ruvent/board_driver.h"
#include "ruvent/shared_words.h"

namespace ruvent {

bool WaitForOutputStreamEnd(BoardDriver& driver, std::uint32_t board, std::uint32_t stream, int timeoutMs) {
    constexpr std::uint32_t kModeStopAsked = 1;
    const std::int64_t giveUp = platform::PerformanceCounter() + std::int64_t{timeoutMs} * 1000;
    for (;;) {
        std::uint32_t mode = kModeStopAsked;
        driver.ReadSharedMem(board, mode, shared_word::kOutputStreamMode + (stream & 15));
        if (mode != kModeStopAsked) return true;
        if (platform::PerformanceCounter() >= giveUp) return false;
        platform::SleepMs(1);
    }
}

bool WaitForOutputStreamEnd(std::uint32_t board, std::uint32_t stream, int timeoutMs) {
    return WaitForOutputStreamEnd(ActiveDriver(), board, stream, timeoutMs);
}

}  // namespace ruvent
