#include "ruvent/stream_end_wait.h"

#include "platform/kernel.h"
#include "tessolk/tessolk.h"

namespace ruvent {

bool WaitForOutputStreamEnd(std::uint32_t board, std::uint32_t stream, int timeoutMs) {
    constexpr std::uint32_t kOutputModeWord = 16, kModeStopAsked = 1;
    const std::int64_t giveUp = platform::PerformanceCounter() + std::int64_t{timeoutMs} * 1000;
    for (;;) {
        std::uint32_t mode = kModeStopAsked;
        qrddReadSharedMem(board, mode, kOutputModeWord + (stream & 15));
        if (mode != kModeStopAsked) return true;
        if (platform::PerformanceCounter() >= giveUp) return false;
        platform::SleepMs(1);
    }
}

}  // namespace ruvent
