#include "remote_protocol.h"

#include "platform/shared_memory.h"

namespace velmar {

std::string remote::SocketName(board_commands::BoardNumber board) {
    // The shared-object name without its leading '/': the same prefix keeps test runs apart.
    return platform::SharedObjectName("velmar-board" + std::to_string(board.Number())).substr(1);
}

}  // namespace velmar
