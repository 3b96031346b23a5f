// Register and memory exports against the recording fake driver.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <span>
#include <fstream>

#include "platform/kernel.h"
#include "ruvent/access_arguments.h"
#include "ruvent/board_driver.h"
#include "ruvent/ruvent.h"
#include "ruvent_testing/fake_driver.h"
#include "ruvent_testing/test_command_line.h"
#include "velmar_testing/test_support.h"

using namespace ruvent_testing;
using Kind = RecordedCall::Kind;

namespace {

class AccessExports : public ::testing::Test {
protected:
    FakeDriver driver;
    ScopedDriver scoped{driver};
};

ruvent::AccessArguments Parse(const std::string& line) {
    CommandLine command(line);
    const auto parsed = ruvent::ParseAccessArguments(command.argc(), command.argv());
    EXPECT_TRUE(parsed) << line;
    return parsed.value_or(ruvent::AccessArguments{});
}

std::string WriteTempFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = velmar_testing::TempDir() + "/" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path;
}

}  // namespace

TEST(AccessArguments, AddressDefaultsToValueAndBasesAreAdded) {
    auto plain = Parse("mwr 0x5");
    EXPECT_EQ(plain.address, 5u);
    EXPECT_EQ(plain.value, 5u);

    auto rmem = Parse("mwr RMEM 0x10 0x5");
    EXPECT_EQ(rmem.address, 0xFE0010u);
    EXPECT_EQ(rmem.value, 5u);

    auto cbus = Parse("mwr cbusreg 0xA08 0x3");
    EXPECT_EQ(cbus.address, 0xFC0A08u);

    auto mixedCase = Parse("MWR rMeM -B2 0x10 0x5");
    EXPECT_EQ(mixedCase.address, 0xFE0010u);
    EXPECT_EQ(mixedCase.board, 1u);
    EXPECT_EQ(Parse("mquit -b2 -b1").board, 0u);
}

TEST(AccessArguments, NumbersReadAsHexOctalOrDecimalAndKeepTheTopBit) {
    EXPECT_EQ(Parse("mwr 16 010").value, 8u);
    EXPECT_EQ(Parse("mwr 16 010").address, 16u);
    EXPECT_EQ(Parse("mwr 0xFC0000 0xFFFFFFFE").value, 0xFFFFFFFEu);
    EXPECT_EQ(Parse("mwr 0x40000 -1").value, 0xFFFFFFFFu);
}

TEST(AccessArguments, OptionsAndFileNames) {
    auto fill = Parse("mwrblk -fill 0x5a5a5a5a 0x40000 0x4003f");
    EXPECT_TRUE(fill.fill);
    EXPECT_EQ(fill.value, 0x5a5a5a5au);
    EXPECT_EQ(fill.address, 0x40000u);
    EXPECT_EQ(fill.end, 0x4003fu);

    auto readBack = Parse("mwr -nr 0x10 0x1");
    EXPECT_FALSE(readBack.readBack);
    EXPECT_TRUE(Parse("mwr -nr -r 0x10 0x1").readBack);

    // A file name that starts with a digit is still a file name, not the address.
    auto file = Parse("mwrblk -f 1clip.bin 0x40000");
    EXPECT_EQ(file.fileName, "1clip.bin");
    EXPECT_EQ(file.address, 0x40000u);

    // Names are kept to 79 characters.
    auto longName = Parse("mwrblk -f " + std::string(200, 'n') + " -o " + std::string(90, 'o') + " 0x40000");
    EXPECT_EQ(longName.fileName.size(), 79u);
    EXPECT_EQ(longName.outputName.size(), 79u);
}

// A bad line does nothing and is refused with its cause; the program that exposes the exports on a
// command line prints the help (or usage) and ends with code 1. Only "-b1" and "-b2" name a board
// (in any case where every word does): any other "-b<digit>" once reached the first board
// unnoticed. Nothing here ends this process.
TEST_F(AccessExports, BadLinesAreRefusedWithTheirCauseAndNeverEndTheProcess) {
    EXPECT_EQ(Parse("mwr -B2 0x10 0x1").board, 1u);
    EXPECT_EQ(Parse("mwr -b2 -b1 0x10 0x1").board, 0u);
    EXPECT_EQ(Parse("mwr -b 0x10 0x1").board, 0u);  // no board word at all
    const std::string help = "DLL help\n-b2 means target is the second QR board\n";
    const struct {
        int (*function)(int, char**);
        const char* line;
        int refusal;
        const char* cause;
        std::string console;  // what the command-line program prints first
    } refused[] = {
        {mwr, "mwr", RUVENT_BAD_ARGUMENTS, "mwr alone", help},
        {mrd, "mrd -h", RUVENT_BAD_ARGUMENTS, "-h", help},
        {mrd, "mrd -h 0x0", RUVENT_BAD_ARGUMENTS, "-h", help},
        {mreset, "MRESET", RUVENT_BAD_ARGUMENTS, "MRESET alone", help},
        // An option whose operand is missing is a bad line, not a read past the words.
        {mwrblk, "mwrblk 0x40000 -f", RUVENT_BAD_ARGUMENTS, "-f without its operand", help},
        {mwrblk, "mwrblk -fill", RUVENT_BAD_ARGUMENTS, "-fill without its operand", help},
        {mwrblk, "mwrblk -f /no/such/file 0x40000", RUVENT_FILE_NOT_OPENED, "cannot open file /no/such/file",
         "cannot open file\n"},
        {mwr, "mwr -b3 0x40100 0x1", RUVENT_BAD_ARGUMENTS, "-b3 names no board", "-b3 names no board: -b1 or -b2\n" + help},
        {mwr, "mwr -b9 0x1000 0x1", RUVENT_BAD_ARGUMENTS, "-b9 names no board", "-b9 names no board: -b1 or -b2\n" + help},
        {mrd, "mrd -B0 0x40100", RUVENT_BAD_ARGUMENTS, "-b0 names no board", "-b0 names no board: -b1 or -b2\n" + help},
        {mquit, "mquit -b9", RUVENT_BAD_ARGUMENTS, "-b9 names no board", "-b9 names no board: -b1 or -b2\n" + help},
        {mdaemon, "mdaemon -b3 -start -s 0x1000", RUVENT_BAD_ARGUMENTS, "-b3 names no board",
         "-b3 names no board: -b1 or -b2\nmdaemon -s"},
        {mdaemon, "mdaemon -i clip.m2v 16", RUVENT_BAD_ARGUMENTS, "stream id 16 above 15", "streamID error\n"},
        {mwcmd, "mwcmd -force -b0 -p 0x9e0000", RUVENT_BAD_ARGUMENTS, "-b0 names no board",
         "-b0 names no board: -b1 or -b2\nmwcmd -f"},
        {mwcmd, "mwcmd -p 0x0 -h", RUVENT_BAD_ARGUMENTS, "-h", "mwcmd -f <filename_of_whole_command_block>\n"},
    };
    for (const auto& r : refused) {
        EXPECT_EQ(Call(r.function, r.line), RUVENT_REFUSED) << r.line;
        const RuventCallOutcome outcome = ruvent_last_call();
        EXPECT_EQ(outcome.refusal, r.refusal) << r.line;
        EXPECT_NE(std::string(outcome.cause).find(r.cause), std::string::npos) << r.line << ": " << outcome.cause;
        EXPECT_EQ(std::string(outcome.console).rfind(r.console, 0), 0u) << r.line << ": " << outcome.console;
        EXPECT_EQ(outcome.exitCode, 1) << r.line;
    }
    EXPECT_TRUE(driver.Calls().empty());  // nothing reached the board

    // A good line afterwards is carried out and clears the refusal.
    EXPECT_EQ(Call(mwr, "mwr 0x40100 0x1"), 1);
    EXPECT_EQ(ruvent_last_call().refusal, RUVENT_CARRIED_OUT);
    EXPECT_EQ(ruvent_last_call().exitCode, -1);
}

// The command-line program keeps the exit codes and texts of a bad line, of a service loop that
// cannot be set up (no board 2 here), and of a load refused (which goes on, returning 0).
TEST(RuventCall, BadLinesPrintTheHelpAndEndWithCodeOne) {
    const std::string program = platform::ExecutableDirectory() + "/ruvent-call ";
    const std::string fifo = velmar_testing::TempDir() + "/fifo.ux";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        std::string line;
        int code;
        std::string output;
    } cases[] = {
        {"mwr -b3 0x40100 0x1", 1, "-b3 names no board: -b1 or -b2\nDLL help\n-b2 means target is the second QR board\n"},
        {"mrd -h", 1, "DLL help\n-b2 means target is the second QR board\n"},
        {"mwrblk -f /no/such/file 0x40000", 1, "cannot open file\n"},
        {"mwcmd -p 0x0 -h", 1, "mwcmd -f <filename_of_whole_command_block>\n"},
        {"mdaemon -b2 -start -s", 1, " Allocate Common Buffer Fail \n"},
        {"mld " + fifo, 0, fifo + " is not a regular file that can be read\nmld returned 0 (0x0)\n"},
    };
    for (const auto& c : cases) {
        std::string output;
        EXPECT_EQ(velmar_testing::RunCommand(program + c.line, &output), c.code) << c.line;
        EXPECT_EQ(output.rfind(c.output, 0), 0u) << c.line << ": " << output;
        if (c.code != 0) {
            EXPECT_EQ(output.find("returned"), std::string::npos) << c.line;
        }
    }
}

TEST_F(AccessExports, WordWriteAndReadBack) {
    EXPECT_EQ(Call(mwr, "mwr 0x40100 0x1234"), 1);
    EXPECT_EQ(Call(mrd, "mrd 0x40100"), 0x1234);
    EXPECT_EQ(Call(mwr, "mwr RMEM 0x10 0x5"), 1);
    EXPECT_EQ(driver.Word(0, 0xFE0010), 5u);
    EXPECT_EQ(Call(mwr, "mwr 0x5"), 1);
    EXPECT_EQ(driver.Word(0, 5), 5u);
    EXPECT_EQ(Call(mwr, "mwr -b2 0x40100 0x77"), 1);
    EXPECT_EQ(driver.Word(1, 0x40100), 0x77u);
    EXPECT_EQ(driver.Word(0, 0x40100), 0x1234u);
}

TEST_F(AccessExports, AddressesOutsideTheBoardAreRefused) {
    EXPECT_EQ(Call(mwr, "mwr 0x1000000 0x1"), 0);
    EXPECT_EQ(Call(mwr, "mwr 0xFFFFFE 0x1"), 0);
    EXPECT_EQ(Call(mrd, "mrd 0x7FFFFFFF"), 0);
    EXPECT_EQ(Call(mwrblk, "mwrblk -fill 0x1 0xFFFFF0 0x1000010"), 0);
    // A (sparse) file of 4 GiB and 16 bytes: its length must not wrap to 16 and pass.
    const std::string huge = velmar_testing::TempDir() + "/huge.bin";
    std::ofstream{huge};
    ASSERT_EQ(truncate(huge.c_str(), (std::int64_t{1} << 32) + 16), 0);
    EXPECT_EQ(Call(mwrblk, "mwrblk -f " + huge + " 0x40000"), 0);
    EXPECT_TRUE(driver.Writes().empty());
}

TEST_F(AccessExports, DriverFailuresAreRetriedUntilSuccess) {
    driver.FailNext(FakeDriver::Operation::WriteWord, 5);
    EXPECT_EQ(Call(mwr, "mwr 0x40000 0x9"), 1);
    EXPECT_EQ(driver.CallCount(FakeDriver::Operation::WriteWord), 6);
    EXPECT_EQ(driver.Word(0, 0x40000), 9u);

    driver.FailNext(FakeDriver::Operation::ReadWord, 3);
    EXPECT_EQ(Call(mrd, "mrd 0x40000"), 9);
    EXPECT_EQ(driver.CallCount(FakeDriver::Operation::ReadWord), 4);

    driver.FailNext(FakeDriver::Operation::WriteBlock, 2);
    EXPECT_EQ(Call(mwrblk, "mwrblk -fill 0x1 0x40000 0x40010"), 1);
    EXPECT_EQ(driver.CallCount(FakeDriver::Operation::WriteBlock), 3);

    driver.FailNext(FakeDriver::Operation::WriteShared, 4);
    EXPECT_EQ(Call(mquit, "mquit"), 0);
    EXPECT_EQ(driver.CallCount(FakeDriver::Operation::WriteShared), 5);
    EXPECT_EQ(driver.Shared(0, 15), 0xFFFFFFFFu);
}

// A board that never answers: each export gives up within the bound and returns its failure, and
// once a whole wait has run out the next calls make one try each, until a call succeeds again.
TEST_F(AccessExports, ABoardThatNeverAnswersFailsWithinTheBound) {
    using Op = FakeDriver::Operation;
    struct Case {
        Op operation;
        int (*function)(int, char**);
        const char* line;
        int failure;
    };
    const Case cases[] = {{Op::WriteWord, mwr, "mwr 0x40000 0x9", 0},
                          {Op::ReadWord, mrd, "mrd 0x40000", 0},
                          {Op::WriteBlock, mwrblk, "mwrblk -fill 0x1 0x40000 0x40010", 0},
                          {Op::WriteShared, mquit, "mquit", 0}};
    for (const Case& c : cases) driver.FailNext(c.operation, 1 << 30);
    const auto start = std::chrono::steady_clock::now();
    for (const Case& c : cases) EXPECT_EQ(Call(c.function, c.line), c.failure) << c.line;
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(ruvent::kRetryLimitMs));
    EXPECT_LT(took, std::chrono::seconds(10));
    EXPECT_GT(driver.CallCount(Op::WriteWord), 1) << "the first failure is retried";
    for (const Case& c : std::span(cases).subspan(1))
        EXPECT_EQ(driver.CallCount(c.operation), 1) << c.line << ": tried again after the board gave up";

    // The board answers again: the next failure is retried for the whole bound once more.
    driver.FailNext(Op::WriteWord, 0);
    EXPECT_EQ(Call(mwr, "mwr 0x40000 0x9"), 1);
    driver.FailNext(Op::WriteWord, 3);
    EXPECT_EQ(Call(mwr, "mwr 0x40000 0x7"), 1);
    EXPECT_EQ(driver.Word(0, 0x40000), 7u);
    for (const Case& c : cases) driver.FailNext(c.operation, 0);
}

// Without a software board the driver library answers "no board": the exports that reach board
// memory return their failure within the bound; the quit request still lands in the register file.
TEST(AccessExportsWithoutBoard, ReturnTheirFailureWithinTenSeconds) {
    const std::pair<int (*)(int, char**), const char*> cases[] = {
        {mwr, "mwr 0x40000 0x9"}, {mrd, "mrd 0x40000"}, {mwrblk, "mwrblk -fill 0x1 0x40000 0x40010"}, {mquit, "mquit"}};
    for (const auto& [function, line] : cases) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Call(function, line), 0) << line;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << line;
    }
    // A board that answers again is retried in full: leave it so for the tests that follow.
    FakeDriver answering;
    ScopedDriver scoped{answering};
    EXPECT_EQ(Call(mwr, "mwr 0x40000 0x9"), 1);
}

TEST_F(AccessExports, ResetWritesItsRegistersInOrderWithoutRetry) {
    driver.FailNext(FakeDriver::Operation::WriteWord, 1);
    EXPECT_EQ(Call(mreset, "mreset"), 1);
    const auto calls = driver.Calls();
    ASSERT_EQ(calls.size(), 5u);  // the failed first write is not repeated
    EXPECT_EQ(calls[0].kind, Kind::Pause);
    EXPECT_EQ(calls[1].address, 0xFC0610u);
    EXPECT_EQ(calls[1].value, 0u);
    EXPECT_EQ(calls[2].kind, Kind::Pause);
    EXPECT_EQ(calls[3].address, 0xFC0600u);
    EXPECT_EQ(calls[3].value, 21u);
    EXPECT_EQ(calls[4].value, 10u);

    driver.ClearCalls();
    EXPECT_EQ(Call(mreset, "mreset -b2"), 1);
    const auto again = driver.Calls();
    ASSERT_EQ(again.size(), 6u);
    EXPECT_EQ(again[0].address, 0xFC0000u);
    EXPECT_EQ(again[0].value, 7u);
    EXPECT_EQ(again[0].board, 1u);
}

TEST_F(AccessExports, QuitSetsQuitRequestOfTheChosenBoard) {
    EXPECT_EQ(Call(mquit, "mquit"), 0);
    EXPECT_EQ(driver.Shared(0, 15), 0xFFFFFFFFu);
    EXPECT_EQ(driver.Shared(1, 15), 0u);
    EXPECT_EQ(Call(mquit, "mquit -b2"), 0);
    EXPECT_EQ(driver.Shared(1, 15), 0xFFFFFFFFu);
}

TEST_F(AccessExports, FillWritesWholeWordsUpToTheEnd) {
    EXPECT_EQ(Call(mwrblk, "mwrblk -fill 0x0 0x40000 0x4003f"), 1);
    auto writes = driver.Writes();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].address, 0x40000u);
    EXPECT_EQ(writes[0].value, 64u);

    driver.ClearCalls();
    EXPECT_EQ(Call(mwrblk, "mwrblk -fill 0x5a5a5a5a 0x40000 0x4003f"), 1);
    for (std::uint32_t a = 0x40000; a < 0x40040; a += 4) EXPECT_EQ(driver.Word(0, a), 0x5a5a5a5au);
    EXPECT_EQ(driver.Word(0, 0x40040), 0u);

    // Larger than one chunk: 4096 + 4096 + 8 bytes.
    driver.ClearCalls();
    EXPECT_EQ(Call(mwrblk, "mwrblk -fill 0x1 0x100000 0x102008"), 1);
    writes = driver.Writes();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[1].address, 0x101000u);
    EXPECT_EQ(writes[2].value, 8u);

    // An end before the start writes nothing; neither a file nor a fill writes nothing.
    driver.ClearCalls();
    EXPECT_EQ(Call(mwrblk, "mwrblk -fill 0x1 0x40010 0x40000"), 1);
    EXPECT_EQ(Call(mwrblk, "mwrblk 0x40000"), 1);
    EXPECT_TRUE(driver.Writes().empty());
}

TEST_F(AccessExports, FileIsWrittenAsBigEndianWordsWithTheTailPadded) {
    std::vector<std::uint8_t> bytes(4096 + 7);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
    const std::string path = WriteTempFile("block.bin", bytes);
    EXPECT_EQ(Call(mwrblk, "mwrblk -f " + path + " 0x200000"), 1);

    const auto writes = driver.Writes();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].value, 4096u);
    EXPECT_EQ(writes[1].address, 0x201000u);
    EXPECT_EQ(writes[1].value, 8u);
    EXPECT_EQ(driver.Word(0, 0x200000), 0x01080F16u);  // bytes 01 08 0F 16 read as one big-endian word
    // Last word: file bytes 4100..4102 then one zero pad byte.
    const std::uint32_t expected = static_cast<std::uint32_t>(bytes[4100]) << 24 |
                                   static_cast<std::uint32_t>(bytes[4101]) << 16 |
                                   static_cast<std::uint32_t>(bytes[4102]) << 8;
    EXPECT_EQ(driver.Word(0, 0x201004), expected);

    // Windows separators in the name are taken as '/'.
    driver.ClearCalls();
    std::string windowsPath = path;
    for (auto& c : windowsPath)
        if (c == '/') c = '\\';
    EXPECT_EQ(Call(mwrblk, "mwrblk -f " + windowsPath + " 0x200000"), 1);
    EXPECT_EQ(driver.Writes().size(), 2u);
}
