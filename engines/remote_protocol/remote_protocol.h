// The local socket on which a running Velmar takes requests from a controlling program: one
// socket per board ("velmar-board1", "velmar-board2", after the shared-object name prefix).
// A request is three little-endian 32-bit words {message, wParam, lParam}; the reply is two,
// {status, result}, status 0 when the message was understood.
#pragma once

#include <cstdint>
#include <string>

#include "board_commands/board_number.h"

namespace velmar::remote {

inline constexpr int kRequestBytes = 12;
inline constexpr int kReplyBytes = 8;
inline constexpr std::int32_t kStatusOk = 0;
inline constexpr std::int32_t kStatusUnknownMessage = 1;

std::string SocketName(board_commands::BoardNumber board);

}  // namespace velmar::remote
