// The exports against a running `softboard` program, through the driver library, as the control
// application uses them; a second process reaches the same board with `ruvent-call`.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "platform/kernel.h"
#include "platform/shared_memory.h"
#include "ruvent/ruvent.h"
#include "ruvent_testing/test_command_line.h"
#include "tessolk/board_map.h"
#include "tessolk/board_segments.h"
#include "tessolk/tessolk.h"
#include "velmar_testing/test_support.h"

using ruvent_testing::Call;
using namespace board_map;

namespace {

// Runs `softboard -b <n>` for the life of the object and stops it with SIGTERM.
class SoftBoardProcess {
public:
    // With a log file, the board runs with -v and writes its lines there.
    explicit SoftBoardProcess(int boardNumber, const std::string& logFile = {}) {
        const std::string program = velmar_testing::BinDir() + "/softboard";
        const std::string number = std::to_string(boardNumber);
        std::vector<char*> argv = {const_cast<char*>(program.c_str()), const_cast<char*>("-b"),
                                   const_cast<char*>(number.c_str())};
        if (!logFile.empty()) argv.push_back(const_cast<char*>("-v"));
        argv.push_back(nullptr);
        const pid_t parent = getpid();
        pid_ = fork();
        if (pid_ == 0) {
            velmar_testing::EndWithParent(parent);
            if (!logFile.empty()) {
                const int fd = open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                if (fd >= 0 && dup2(fd, STDOUT_FILENO) >= 0) close(fd);
            }
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        // Ready when the driver finds the board.
        for (int i = 0; i < 500 && pid_ > 0; ++i) {
            std::uint32_t physical;
            std::uint64_t host;
            if (qrddMapMemory(boardNumber - 1, physical, host) == kQrddOk) {
                ready_ = true;
                break;
            }
            platform::SleepMs(10);
        }
    }
    ~SoftBoardProcess() { Stop(); }
    bool Ready() const { return ready_; }
    int Stop() {
        if (pid_ <= 0) return -1;
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    bool ready_ = false;
};

// Polls a board word until it holds `expected`, for at most about two seconds.
bool BoardWordBecomes(const std::string& readLine, std::uint32_t expected) {
    for (int i = 0; i < 200; ++i) {
        if (static_cast<std::uint32_t>(Call(mrd, readLine)) == expected) return true;
        platform::SleepMs(10);
    }
    return false;
}

std::string RuventCall(const std::string& line) {
    std::string output;
    velmar_testing::RunCommand(platform::ExecutableDirectory() + "/ruvent-call " + line, &output);
    return output;
}

}  // namespace

TEST(BoardEndToEnd, RegisterMemoryAndMicrocodeThroughTheSoftwareBoard) {
    SoftBoardProcess board(1);
    ASSERT_TRUE(board.Ready());

    EXPECT_EQ(Call(mwr, "mwr 0x40100 0x1234"), 1);
    EXPECT_EQ(Call(mrd, "mrd 0x40100"), 0x1234);

    EXPECT_EQ(Call(mwrblk, "mwrblk -fill 0x5a5a5a5a 0x40000 0x4003f"), 1);
    for (std::uint32_t address = 0x40000; address <= 0x4003C; address += 4)
        EXPECT_EQ(static_cast<std::uint32_t>(Call(mrd, "mrd " + std::to_string(address))), 0x5a5a5a5au);
    EXPECT_EQ(Call(mrd, "mrd 0x40040"), 0);

    EXPECT_EQ(Call(mwr, "mwr RMEM 0x10 0x5"), 1);
    std::uint32_t value = 0;
    ASSERT_EQ(qrddReadInt32(0, 0xFE0010, value), kQrddOk);
    EXPECT_EQ(value, 5u);

    EXPECT_EQ(Call(mld, "mld -first ucode\\ppdecMain.ux"), 1);
    EXPECT_TRUE(BoardWordBecomes("mrd 0xFC0A40",
                                 PackIdentity(BoardRole::Decoder, StreamFormat::None, TvStandard::Ntsc)));
    EXPECT_EQ(Call(mld, "mld -last ucode/ppdecMain.ux"), 1);

    // Started, the board interrupts; the event reaches this process.
    ASSERT_EQ(qrddSendEventHandle(0, "QRInterrupt0"), kQrddOk);
    auto event = platform::NamedEvent::Open("QRInterrupt0");
    ASSERT_TRUE(event);
    EXPECT_EQ(Call(mwr, "mwr 0xFC0000 0xFFFFFFFE"), 1);
    EXPECT_TRUE(event->Wait(2000));
    EXPECT_EQ(Call(mreset, "mreset"), 1);
    platform::NamedEvent::Remove("QRInterrupt0");

    // SIGTERM ends the board cleanly and takes its shared objects with it.
    EXPECT_EQ(board.Stop(), 0);
    EXPECT_FALSE(platform::SharedMemory::Exists(tessolk::ControlName(0)));
    EXPECT_FALSE(platform::SharedMemory::Exists(tessolk::WindowName(0)));
    std::uint32_t physical;
    std::uint64_t host;
    EXPECT_EQ(qrddMapMemory(0, physical, host), kQrddNoBoard);
}

TEST(BoardEndToEnd, QuitFromASecondProcessReachesThisOne) {
    SoftBoardProcess first(1);
    SoftBoardProcess second(2);
    ASSERT_TRUE(first.Ready());
    ASSERT_TRUE(second.Ready());
    std::uint32_t value = 0;
    ASSERT_EQ(qrddReadSharedMem(0, value, 15), kQrddOk);
    ASSERT_EQ(value, 0u);

    EXPECT_NE(RuventCall("mquit").find("mquit returned 0"), std::string::npos);
    ASSERT_EQ(qrddReadSharedMem(0, value, 15), kQrddOk);
    EXPECT_EQ(value, 0xFFFFFFFFu);
    ASSERT_EQ(qrddReadSharedMem(1, value, 15), kQrddOk);
    EXPECT_EQ(value, 0u);

    EXPECT_NE(RuventCall("mquit -b2").find("mquit returned 0"), std::string::npos);
    ASSERT_EQ(qrddReadSharedMem(1, value, 15), kQrddOk);
    EXPECT_EQ(value, 0xFFFFFFFFu);

    // And the other way: what this process writes, the second one reads.
    EXPECT_EQ(Call(mwr, "mwr -b2 0x40100 0x4321"), 1);
    EXPECT_NE(RuventCall("mrd -b2 0x40100").find("(0x4321)"), std::string::npos);
}

// Polls a file (bounded, about two seconds) until it contains `text`.
bool FileGetsLine(const std::string& path, const std::string& text) {
    for (int i = 0; i < 200; ++i) {
        std::ifstream in(path);
        std::stringstream content;
        content << in.rdbuf();
        if (content.str().find(text) != std::string::npos) return true;
        platform::SleepMs(10);
    }
    return false;
}

TEST(BoardEndToEnd, VerboseBoardPrintsEachDecodedCommandOnOneLine) {
    const std::string log = velmar_testing::TempDir() + "/softboard.log";
    SoftBoardProcess board(1, log);
    ASSERT_TRUE(board.Ready());
    // "-force" from a second process puts the words straight into the mailbox.
    RuventCall("mwcmd -force -p 0x0 0x9e0000 0xffffffff 0x00930102 0x1 0x2");
    EXPECT_TRUE(FileGetsLine(log, "softboard 1: priority: command 0x9E stream 0\n"));
    EXPECT_TRUE(FileGetsLine(log, "softboard 1: priority: command 0x93 stream 1: 0x1 0x2\n"));
    EXPECT_EQ(board.Stop(), 0);
}

struct MicrocodeCase {
    const char* file;
    std::uint32_t identity;
};

void PrintTo(const MicrocodeCase& microcode, std::ostream* out) { *out << microcode.file; }

class ProjectMicrocode : public ::testing::TestWithParam<MicrocodeCase> {};

TEST_P(ProjectMicrocode, LoadsInTwoHalvesAndTellsTheBoardWhatItIs) {
    SoftBoardProcess board(1);
    ASSERT_TRUE(board.Ready());
    const std::string file = std::string("ucode/") + GetParam().file;
    EXPECT_EQ(Call(mld, "mld -first " + file), 1);
    EXPECT_TRUE(BoardWordBecomes("mrd 0xFC0A40", GetParam().identity));
    EXPECT_EQ(Call(mld, "mld -last " + file), 1);
    EXPECT_TRUE(BoardWordBecomes("mrd 0xFC0A40", GetParam().identity));
    // The closing byte list wrote its bytes but left 0x40028 alone.
    EXPECT_EQ(Call(mrd, "mrd 0x100200"), 0x5A01);
    EXPECT_EQ(Call(mrd, "mrd 0x40028"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    All, ProjectMicrocode,
    ::testing::Values(
        MicrocodeCase{"ppdecMain.ux", PackIdentity(BoardRole::Decoder, StreamFormat::None, TvStandard::Ntsc)},
        MicrocodeCase{"single422_nle.ux", PackIdentity(BoardRole::Encoder, StreamFormat::Mpeg2_422, TvStandard::Ntsc)},
        MicrocodeCase{"single422_pal_nle.ux",
                      PackIdentity(BoardRole::Encoder, StreamFormat::Mpeg2_422, TvStandard::Pal)},
        MicrocodeCase{"single_nle.ux", PackIdentity(BoardRole::Encoder, StreamFormat::Mpeg2_420, TvStandard::Ntsc)},
        MicrocodeCase{"single_pal_nle.ux", PackIdentity(BoardRole::Encoder, StreamFormat::Mpeg2_420, TvStandard::Pal)},
        MicrocodeCase{"single_mpeg1.ux", PackIdentity(BoardRole::Encoder, StreamFormat::Mpeg1, TvStandard::Ntsc)},
        MicrocodeCase{"single_mpeg1_pal.ux", PackIdentity(BoardRole::Encoder, StreamFormat::Mpeg1, TvStandard::Pal)}),
    [](const auto& info) {
        std::string name = info.param.file;
        return name.substr(0, name.find('.'));
    });
