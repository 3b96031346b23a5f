// The board command library as the control application calls it: the eight exports of ruvent, each
// taking (argc, argv) and returning an int. Tests put a recorder in its place.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "board_commands/board_number.h"
#include "board_window.h"

namespace velmar {

enum class BoardExport { Mwcmd, Mrd, Mwr, Mwrblk, Mld, Mreset, Mquit, Mdaemon };

// The export a command line's first word names, as the panels dispatch it: a third character 'c'
// means "mwcmd"; otherwise only the exact names of the access exports count.
std::optional<BoardExport> ExportForWord(std::string_view firstWord);

// Why the library refused a line: it did nothing, and the caller goes on.
struct CallRefusal {
    enum class Kind { BadArguments, FileNotOpened, NoServiceLoop };
    Kind kind = Kind::BadArguments;
    std::string cause;  // one line, for the log and the box
};

class BoardLibrary {
public:
    virtual ~BoardLibrary() = default;
    // argv is valid for the duration of the call only.
    virtual int Call(BoardExport which, int argc, char** argv) = 0;
    // Why the last Call on this thread refused its line; nothing when it was carried out.
    virtual std::optional<CallRefusal> LastRefusal() { return std::nullopt; }
    // Whether the board's service loop takes commands yet. Recorders have no loop to wait for.
    virtual bool ServiceLoopListening(board_commands::BoardNumber /*board*/) { return true; }
};

// Board registers the application reaches directly (the I2C lines), outside the command language.
class BoardRegisters {
public:
    virtual ~BoardRegisters() = default;
    virtual std::uint32_t Read32(std::uint32_t address) = 0;
    virtual void Write32(std::uint32_t address, std::uint32_t value) = 0;
};

// What the application asks of the driver library itself: its board's common buffer, and the
// register access above. Tests put a fake board in its place.
class DriverLibrary : public BoardRegisters {
public:
    // Maps the board's common buffer; nothing when no board is present (demo mode).
    virtual std::optional<BoardWindow> MapWindow() = 0;
};

}  // namespace velmar
