#include "board_bindings.h"

#include "board_link/board_window.h"
#include "ruvent/command_channel.h"
#include "ruvent/ruvent.h"
#include "tessolk/board_map.h"
#include "tessolk/tessolk.h"

namespace velmar {

int RuventLibrary::Call(BoardExport which, int argc, char** argv) {
    switch (which) {
        case BoardExport::Mwcmd: return mwcmd(argc, argv);
        case BoardExport::Mrd: return mrd(argc, argv);
        case BoardExport::Mwr: return mwr(argc, argv);
        case BoardExport::Mwrblk: return mwrblk(argc, argv);
        case BoardExport::Mld: return mld(argc, argv);
        case BoardExport::Mreset: return mreset(argc, argv);
        case BoardExport::Mquit: return mquit(argc, argv);
        case BoardExport::Mdaemon: return mdaemon(argc, argv);
    }
    return 0;
}

std::optional<CallRefusal> RuventLibrary::LastRefusal() {
    const RuventCallOutcome outcome = ruvent_last_call();
    switch (outcome.refusal) {
        case RUVENT_CARRIED_OUT: return std::nullopt;
        case RUVENT_FILE_NOT_OPENED: return CallRefusal{CallRefusal::Kind::FileNotOpened, outcome.cause};
        case RUVENT_NO_SERVICE_LOOP: return CallRefusal{CallRefusal::Kind::NoServiceLoop, outcome.cause};
        default: return CallRefusal{CallRefusal::Kind::BadArguments, outcome.cause};
    }
}

bool RuventLibrary::ServiceLoopListening(board_commands::BoardNumber board) {
    return ruvent::CommandChannel::OpenCommandObject(board.Index()) != nullptr;
}

std::optional<BoardWindow> TessolkLibrary::MapWindow() {
    std::uint32_t physical = 0;
    std::uint64_t host = 0;
    if (qrddMapMemory(board_, physical, host) != kQrddOk || host == 0) return std::nullopt;
    return BoardWindow(reinterpret_cast<void*>(host), board_map::kWindowSize);
}

std::uint32_t TessolkLibrary::Read32(std::uint32_t address) {
    std::uint32_t value = 0;
    qrddReadInt32(board_, address, value);
    return value;
}

void TessolkLibrary::Write32(std::uint32_t address, std::uint32_t value) { qrddWriteInt32(board_, address, value); }

}  // namespace velmar
