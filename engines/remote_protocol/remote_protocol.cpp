#include "remote_protocol.h"

#include "platform/shared_memory.h"

namespace velmar {

std::string remote::SocketName(int board) {
    // The shared-object name without its leading '/': the same prefix keeps test runs apart.
    return platform::SharedObjectName("velmar-board" + std::to_string(board == 2 ? 2 : 1)).substr(1);
}

}  // namespace velmar
