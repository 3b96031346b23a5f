// mld: the .ux walk, the section kinds and damaged files, against the recording fake driver.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "ruvent/board_bytes.h"
#include "ruvent/microcode_loader.h"
#include "ruvent/ruvent.h"
#include "ruvent/ux_writer.h"
#include "ruvent_testing/fake_driver.h"
#include "ruvent_testing/test_command_line.h"
#include "velmar_testing/test_support.h"

using namespace ruvent_testing;
using Kind = RecordedCall::Kind;

namespace {

std::string WriteUx(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = velmar_testing::TempDir() + "/" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path;
}

// Five sections, each one register write of its number to 0x40100 + 4 * number.
std::string FiveSectionFile() {
    ux::UxWriter writer;
    for (std::uint32_t n = 1; n <= 5; ++n) writer.RegisterList({{0x40100 + 4 * n, n}});
    return WriteUx("five.ux", writer.Bytes());
}

class MicrocodeLoader : public ::testing::Test {
protected:
    std::vector<std::uint32_t> SectionsApplied() const {
        std::vector<std::uint32_t> applied;
        for (std::uint32_t n = 1; n <= 5; ++n)
            if (driver.Word(0, 0x40100 + 4 * n) == n) applied.push_back(n);
        return applied;
    }

    FakeDriver driver;
    ScopedDriver scoped{driver};
};

}  // namespace

TEST_F(MicrocodeLoader, FirstAndLastSplitTheFileBeforeItsLastTwoSections) {
    const std::string path = FiveSectionFile();
    EXPECT_EQ(Call(mld, "mld -first " + path), 1);
    EXPECT_EQ(SectionsApplied(), (std::vector<std::uint32_t>{1, 2, 3}));

    FakeDriver last;
    ScopedDriver useLast(last);
    EXPECT_EQ(Call(mld, "mld -last " + path), 1);
    EXPECT_EQ(last.Word(0, 0x40110), 4u);
    EXPECT_EQ(last.Word(0, 0x40114), 5u);
    EXPECT_EQ(last.Word(0, 0x40104), 0u);

    FakeDriver all;
    ScopedDriver useAll(all);
    EXPECT_EQ(Call(mld, "mld -last -first " + path + " -b2"), 0);  // the file is the last word
    EXPECT_EQ(Call(mld, "mld -last -b2 -first " + path), 1);       // the last mode given wins
    EXPECT_EQ(all.Word(1, 0x40108), 2u);
    EXPECT_EQ(all.Word(0, 0x40108), 0u);
    EXPECT_EQ(Call(mld, "mld " + path), 1);
    for (std::uint32_t n = 1; n <= 5; ++n) EXPECT_EQ(all.Word(0, 0x40100 + 4 * n), n);
}

TEST_F(MicrocodeLoader, ShortFilesUnderFirst) {
    ux::UxWriter two;
    two.RegisterList({{0x40104, 1}}).RegisterList({{0x40108, 2}});
    EXPECT_EQ(Call(mld, "mld -first " + WriteUx("two.ux", two.Bytes())), 1);
    ux::UxWriter one;
    one.RegisterList({{0x40104, 1}});
    EXPECT_EQ(Call(mld, "mld -first " + WriteUx("one.ux", one.Bytes())), 1);
    EXPECT_TRUE(driver.Writes().empty());
    EXPECT_EQ(Call(mld, "mld -last " + WriteUx("one.ux", one.Bytes())), 1);
    EXPECT_EQ(driver.Word(0, 0x40104), 1u);
}

TEST_F(MicrocodeLoader, MissingFileWrongMagicOrNoBoardReturnsZeroAndWritesNothing) {
    EXPECT_EQ(Call(mld, "mld /no/such/file.ux"), 0);
    // A board word that names no board, a FIFO or a device is refused: the load returns 0 as one
    // that failed does, the cause is kept, and a command-line program goes on after it.
    const std::string fifo = velmar_testing::TempDir() + "/fifo.ux";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        std::string line;
        std::string cause;
    } refused[] = {
        {"mld -b3 " + FiveSectionFile(), "-b3 names no board: -b1 or -b2"},
        {"mld " + fifo, fifo + " is not a regular file that can be read"},
        {"mld /dev/zero", "/dev/zero is not a regular file that can be read"},
    };
    for (const auto& r : refused) {
        EXPECT_EQ(Call(mld, r.line), 0) << r.line;
        EXPECT_EQ(ruvent_last_call().cause, r.cause);
        EXPECT_NE(ruvent_last_call().refusal, RUVENT_CARRIED_OUT) << r.line;
        EXPECT_EQ(ruvent_last_call().exitCode, -1) << r.line;
    }
    EXPECT_EQ(Call(mld, "mld"), 0);
    auto bytes = ux::UxWriter().RegisterList({{0x40104, 1}}).Bytes();
    bytes[3] = 'Y';
    EXPECT_EQ(Call(mld, "mld " + WriteUx("magic.ux", bytes)), 0);
    EXPECT_EQ(Call(mld, "mld " + WriteUx("short.ux", {'C', '3', 'U'})), 0);
    EXPECT_TRUE(driver.Calls().empty());
}

TEST_F(MicrocodeLoader, ResetRegistersAreForcedAndFollowedByTheirPauses) {
    ux::UxWriter writer;
    writer.RegisterList({{0xFC0600, 5}, {0xFC0610, 9}, {0xFC0000, 0x33}, {0x40000, 0x44}});
    EXPECT_EQ(Call(mld, "mld " + WriteUx("reset.ux", writer.Bytes())), 1);
    const auto calls = driver.Calls();
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[0].address, 0xFC0600u);
    EXPECT_EQ(driver.Word(0, 0xFC0600), 21u);
    EXPECT_EQ(calls[1].address, 0xFC0610u);
    EXPECT_EQ(driver.Word(0, 0xFC0610), 0u);
    EXPECT_EQ(calls[2].kind, Kind::Pause);
    EXPECT_EQ(calls[2].value, 10u);
    EXPECT_EQ(driver.Word(0, 0xFC0000), 0x33u);
    EXPECT_EQ(calls[4].kind, Kind::Pause);
    EXPECT_EQ(calls[4].value, 1000u);
    EXPECT_EQ(driver.Word(0, 0x40000), 0x44u);
}

TEST_F(MicrocodeLoader, ByteListSkipsTheProtectedRegisterAndUsesOneLane) {
    driver.SetWord(0, 0x40020, 0xAABBCCDD);
    ux::UxWriter writer;
    writer.ByteList({{0x40021, 0x11}, {0x40028, 0x22}, {0x40023, 0x33}});
    EXPECT_EQ(Call(mld, "mld " + WriteUx("bytes.ux", writer.Bytes())), 1);
    EXPECT_EQ(driver.Word(0, 0x40020), 0x33BB11DDu);
    EXPECT_EQ(driver.Word(0, 0x40028), 0u);
    std::uint8_t back[3];
    ASSERT_TRUE(ruvent::ReadBoardBytes(0, 0x40021, back, 3));
    EXPECT_EQ(back[0], 0x11);
    EXPECT_EQ(back[2], 0x33);
}

TEST_F(MicrocodeLoader, BulkWordsLandAsWrittenAndTailsStay) {
    ux::UxWriter writer;
    writer.Raw(ux::kByteData, 0, 0x80000, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66});
    EXPECT_EQ(Call(mld, "mld " + WriteUx("bulk.ux", writer.Bytes())), 1);
    EXPECT_EQ(driver.Word(0, 0x80000), 0x11223344u);
    EXPECT_EQ(driver.Byte(0, 0x80004), 0x55);
    EXPECT_EQ(driver.Byte(0, 0x80005), 0x66);
}

TEST_F(MicrocodeLoader, PausesRoundUpToMillisecondsAndEmptySectionsAreSkipped) {
    ux::UxWriter writer;
    writer.Pause(1).Pause(0).Pause(2500).Raw(ux::kWordData, ux::kListFlag, 0, {}).Raw(ux::kWordData, 0, 0x80000, {})
        .Raw(7, 0, 0x80000, {1, 2, 3, 4})     // an unknown type is read and ignored
        .Raw(ux::kWordData, 6, 0, {1, 2});    // a pause too short to hold its duration
    EXPECT_EQ(Call(mld, "mld " + WriteUx("pause.ux", writer.Bytes())), 1);
    const auto calls = driver.Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].value, 1u);
    EXPECT_EQ(calls[1].value, 0u);
    EXPECT_EQ(calls[2].value, 3u);

    // A damaged file asking for a minute of pauses waits only its budget.
    driver.ClearCalls();
    ux::UxWriter slow;
    for (int i = 0; i < 60; ++i) slow.Pause(1000000);
    EXPECT_EQ(Call(mld, "mld " + WriteUx("slow.ux", slow.Bytes())), 1);
    EXPECT_EQ(driver.TotalPauseMs(), ruvent::kMicrocodePauseBudgetMs);
}

TEST_F(MicrocodeLoader, ReadBackWaitsUntilMemoryMatchesAndIsBounded) {
    ux::UxWriter matching;
    matching.BulkWords(0x80000, {0x01020304}).ReadBack(0x80000, {0x04, 0x03, 0x02, 0x01});
    EXPECT_EQ(Call(mld, "mld " + WriteUx("match.ux", matching.Bytes())), 1);
    EXPECT_EQ(driver.TotalPauseMs(), 0);

    ux::UxWriter never;
    never.ReadBack(0x80000, {9, 9, 9, 9}).RegisterList({{0x40104, 1}});
    EXPECT_EQ(Call(mld, "mld " + WriteUx("never.ux", never.Bytes())), 0);
    EXPECT_EQ(driver.TotalPauseMs(), ruvent::kReadBackPolls);
    EXPECT_EQ(driver.Word(0, 0x40104), 0u);  // loading stopped at the failed wait
}

TEST_F(MicrocodeLoader, DamagedFilesNeitherOverreadNorOverallocateNorHang) {
    // A section claiming far more than the file holds.
    ux::UxWriter huge;
    huge.RegisterList({{0x40104, 1}}).Raw(ux::kWordData, 0, 0x80000, {1, 2, 3, 4}, 0xFFFFFFF0);
    EXPECT_EQ(Call(mld, "mld " + WriteUx("huge.ux", huge.Bytes())), 0);
    EXPECT_EQ(driver.Word(0, 0x40104), 1u);

    // A section count far beyond the sections present.
    ux::UxWriter few;
    few.RegisterList({{0x40108, 2}});
    EXPECT_EQ(Call(mld, "mld " + WriteUx("count.ux", few.Bytes(0xFFFFFFFF))), 0);
    EXPECT_EQ(driver.Word(0, 0x40108), 2u);

    // A header cut short, and a payload cut short.
    auto cut = ux::UxWriter().RegisterList({{0x4010C, 3}}).RegisterList({{0x40110, 4}}).Bytes();
    cut.resize(cut.size() - 20);
    EXPECT_EQ(Call(mld, "mld " + WriteUx("cut.ux", cut)), 0);
    cut.resize(cut.size() - 2);
    EXPECT_EQ(Call(mld, "mld " + WriteUx("cut2.ux", cut)), 0);

    // Bulk data reaching past the board is refused.
    driver.ClearCalls();
    ux::UxWriter outside;
    outside.BulkWords(0xFFFFFC, {1, 2});
    EXPECT_EQ(Call(mld, "mld " + WriteUx("outside.ux", outside.Bytes())), 1);
    EXPECT_TRUE(driver.Writes().empty());
}

TEST(CheckResetRegister, ForcesValuesAndAsksForPauses) {
    ruvent::RegisterPair control{0xFC0000, 0x12};
    EXPECT_EQ(ruvent::CheckResetRegister(control), 1000);
    EXPECT_EQ(control.value, 0x12u);
    ruvent::RegisterPair a{0xFC0600, 5};
    EXPECT_EQ(ruvent::CheckResetRegister(a), 0);
    EXPECT_EQ(a.value, 21u);
    ruvent::RegisterPair b{0xFC0610, 9};
    EXPECT_EQ(ruvent::CheckResetRegister(b), 10);
    EXPECT_EQ(b.value, 0u);
    ruvent::RegisterPair other{0x40000, 9};
    EXPECT_EQ(ruvent::CheckResetRegister(other), 0);
    EXPECT_EQ(other.value, 9u);
}

TEST(ByteOrder, SwapAndCopySwapped) {
    std::uint8_t buffer[7] = {1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(ruvent::SwapBytes(buffer, 7, 4), 1);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer, buffer + 7), (std::vector<std::uint8_t>{4, 3, 2, 1, 5, 6, 7}));
    EXPECT_EQ(ruvent::SwapBytes(buffer, 7, 2), 1);
    EXPECT_EQ(ruvent::SwapBytes(buffer, 7, 3), 0);
    EXPECT_EQ(buffer[0], 4);

    const std::uint8_t source[6] = {1, 2, 3, 4, 5, 6};
    std::uint8_t copy[8] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    ruvent::CopySwapped32(source, 6, copy);
    EXPECT_EQ(std::vector<std::uint8_t>(copy, copy + 8), (std::vector<std::uint8_t>{4, 3, 2, 1, 0, 0, 6, 5}));
}

TEST_F(MicrocodeLoader, UnalignedRangesRoundTrip) {
    std::vector<std::uint8_t> bytes(23);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(0xA0 + i);
    driver.SetWord(0, 0x90000, 0x11111111);
    ASSERT_TRUE(ruvent::WriteBoardBytes(0, 0x90001, bytes.data(), bytes.size()));
    std::vector<std::uint8_t> back(bytes.size());
    ASSERT_TRUE(ruvent::ReadBoardBytes(0, 0x90001, back.data(), back.size()));
    EXPECT_EQ(back, bytes);
    EXPECT_EQ(driver.Byte(0, 0x90000), 0x11);  // the neighbour byte of the head word kept
    EXPECT_FALSE(ruvent::WriteBoardBytes(0, 0xFFFFFF, bytes.data(), 2));
}

// The file is written beside and renamed over the old one: a second name of the old file keeps the
// old bytes, while the name gets exactly the new bytes and keeps its mode.
TEST(UxWriterFile, ReplacesTheOldFileWholeAndKeepsItsMode) {
    const std::string path = velmar_testing::TempDir() + "/replaced.ux";
    const std::string other = velmar_testing::TempDir() + "/replaced-old.ux";
    const std::string old(4096, 'o');
    std::ofstream(path, std::ios::binary) << old;
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    ::unlink(other.c_str());
    ASSERT_EQ(::link(path.c_str(), other.c_str()), 0);

    ux::UxWriter writer;
    writer.RegisterList({{0x40104, 1}});
    ASSERT_TRUE(writer.WriteFile(path));

    const auto read = [](const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::vector<std::uint8_t> bytes = writer.Bytes();
    EXPECT_EQ(read(path), std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(read(other), old);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
}
