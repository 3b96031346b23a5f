// What a caller of "mwcmd -U" needs before it touches the recorded file (a WAVE header, a
// trailer): the service loop has written the partial end and closed the file.
#pragma once

#include <cstdint>

namespace ruvent {

class BoardDriver;

inline constexpr int kStreamEndWaitMs = 5000;

// Waits until output `stream`'s OutputStreamMode word has left 1 (stop asked), or `timeoutMs`
// has passed (a loop that no longer runs). True when the loop took the stop.
bool WaitForOutputStreamEnd(BoardDriver& driver, std::uint32_t board, std::uint32_t stream,
                            int timeoutMs = kStreamEndWaitMs);
// The same through the process's active driver.
bool WaitForOutputStreamEnd(std::uint32_t board, std::uint32_t stream, int timeoutMs = kStreamEndWaitMs);

}  // namespace ruvent
