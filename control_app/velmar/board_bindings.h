// The real board behind the board link: the exports of libruvent and the driver library tessolk.
#pragma once

#include "board_link/board_library.h"

namespace velmar {

class RuventLibrary : public BoardLibrary {
public:
    int Call(BoardExport which, int argc, char** argv) override;
    std::optional<CallRefusal> LastRefusal() override;
    bool ServiceLoopListening(board_commands::BoardNumber board) override;
};

class TessolkLibrary : public DriverLibrary {
public:
    explicit TessolkLibrary(board_commands::BoardNumber board) : board_(board.Index()) {}
    std::optional<BoardWindow> MapWindow() override;
    std::uint32_t Read32(std::uint32_t address) override;
    void Write32(std::uint32_t address, std::uint32_t value) override;

private:
    const std::uint32_t board_;  // the driver counts boards from 0
};

}  // namespace velmar
