// velmar-remote: sends one request to the Velmar that drives a board and prints its answer, as a
// controlling program would. For scripts and tests.
//   velmar-remote [-b 1|2] MESSAGE WPARAM LPARAM     (numbers as in C: 0x401, 2, 250)
#include <QCoreApplication>
#include <QLocalSocket>
#include <QtEndian>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "board_commands/board_number.h"
#include "remote_protocol/remote_protocol.h"

namespace {

bool ParseNumber(const char* text, long long& value) {
    char* end = nullptr;
    value = std::strtoll(text, &end, 0);
    return end && *end == '\0' && end != text;
}

constexpr const char* kUsage =
    "usage: velmar-remote [-b 1|2] MESSAGE WPARAM LPARAM\n"
    "Sends one request to the Velmar that drives board 1 (or 2) and prints its answer.\n"
    "Numbers are decimal or 0x hexadecimal. MESSAGE: 0x401 load and cue, 0x403 command (WPARAM 2 plays\n"
    "the list named by PLAYLIST, 1 stops it; LPARAM the frame to cue at), 0x402 and 0x405 status,\n"
    "0x404 position, 0x406 echo of LPARAM.\n";

// A call it cannot make sense of is an error: the usage goes with it to the error output.
int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--help" || std::string(argv[i]) == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
    QCoreApplication app(argc, argv);
    auto board = board_commands::BoardNumber::First();
    int first = 1;
    if (argc > 2 && std::string(argv[1]) == "-b") {
        long long number = 0;
        const auto chosen = ParseNumber(argv[2], number) ? board_commands::BoardNumber::FromNumber(static_cast<long>(number))
                                                         : std::nullopt;
        // Any other number would have asked a Velmar of a board that does not exist.
        if (!chosen) {
            std::fprintf(stderr, "velmar-remote: -b takes board 1 or 2, not %s\n", argv[2]);
            return Usage();
        }
        board = *chosen;
        first = 3;
    }
    if (argc - first != 3) return Usage();
    long long numbers[3];
    for (int i = 0; i < 3; ++i)
        if (!ParseNumber(argv[first + i], numbers[i])) return Usage();

    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(velmar::remote::SocketName(board)));
    if (!socket.waitForConnected(2000)) {
        std::fprintf(stderr, "velmar-remote: no Velmar serves board %d\n", board.Number());
        return 1;
    }
    uchar request[velmar::remote::kRequestBytes];
    qToLittleEndian<quint32>(static_cast<quint32>(numbers[0]), request);
    qToLittleEndian<quint32>(static_cast<quint32>(numbers[1]), request + 4);
    qToLittleEndian<qint32>(static_cast<qint32>(numbers[2]), request + 8);
    socket.write(reinterpret_cast<const char*>(request), sizeof request);
    socket.flush();
    while (socket.bytesAvailable() < velmar::remote::kReplyBytes)
        if (!socket.waitForReadyRead(5000)) {
            std::fprintf(stderr, "velmar-remote: no answer\n");
            return 1;
        }
    const QByteArray reply = socket.read(velmar::remote::kReplyBytes);
    const auto* words = reinterpret_cast<const uchar*>(reply.constData());
    if (qFromLittleEndian<qint32>(words) != velmar::remote::kStatusOk) {
        std::fprintf(stderr, "velmar-remote: message 0x%llx not understood\n", numbers[0]);
        return 1;
    }
    // Decimal for scripts, hexadecimal beside it for positions and codes read by eye.
    const qint32 answer = qFromLittleEndian<qint32>(words + 4);
    std::printf("%d (0x%x)\n", answer, static_cast<unsigned>(answer));
    return 0;
}
