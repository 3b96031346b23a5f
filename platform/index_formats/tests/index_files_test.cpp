#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>

#include "index_formats/index_files.h"
#include "platform/replacing_file.h"
#include "velmar_testing/test_support.h"

using namespace index_formats;

namespace {

void WriteRaw(const std::string& path, std::size_t bytes) {
    std::ofstream out(path, std::ios::binary);
    out << std::string(bytes, '\x01');
}

}  // namespace

TEST(IndexFiles, PathBesideTheStream) {
    struct Case {
        const char* stream;
        const char* mdb;
    };
    const Case cases[] = {{"/clips/a.mpg", "/clips/a.mdb"},     {"/clips/a.b.m2v", "/clips/a.b.mdb"},
                          {"/clips.d/clip", "/clips.d/clip.mdb"}, {"clip", "clip.mdb"},
                          {"/x/.hidden", "/x/.hidden.mdb"}};
    for (const Case& c : cases) EXPECT_EQ(IndexPathBeside(c.stream, ".mdb"), c.mdb) << c.stream;
    EXPECT_EQ(IndexPathBeside("/a/fade.alp", ".adb"), "/a/fade.adb");
}

TEST(IndexFiles, ClipLengthInIndexWords) {
    const std::string dir = velmar_testing::TempDir();
    EXPECT_EQ(VideoClipLengthWords(dir + "/none.mdb"), kUnknownClipLengthWords);
    WriteRaw(dir + "/tiny.mdb", 3);  // shorter than a word: unknown, kept (the channel removes it)
    EXPECT_EQ(VideoClipLengthWords(dir + "/tiny.mdb"), kUnknownClipLengthWords);
    EXPECT_TRUE(std::filesystem::exists(dir + "/tiny.mdb"));
    WriteRaw(dir + "/part.mdb", 6);  // no whole record: unknown, kept
    EXPECT_EQ(VideoClipLengthWords(dir + "/part.mdb"), kUnknownClipLengthWords);
    EXPECT_TRUE(std::filesystem::exists(dir + "/part.mdb"));
    ASSERT_TRUE(WritePictureIndexFile(dir + "/ten.mdb", std::vector<PictureIndexRecord>(10)));
    EXPECT_EQ(VideoClipLengthWords(dir + "/ten.mdb"), 20u);
}

TEST(IndexFiles, RecordsAndEndRuleReadInPlace) {
    const std::string dir = velmar_testing::TempDir();
    const std::string mdb = dir + "/clip.mdb";
    // Three pictures at word 0, two (the last group) at word 0x1'0000'0400: past 4 GiB.
    const std::uint64_t far = 0x100000400ull;
    const std::vector<PictureIndexRecord> recs = {
        {0, 0, 3, false}, {0, 1, 2, false}, {0, 2, 1, false}, {far, 0, 2, true}, {far, 1, 1, true}};
    ASSERT_TRUE(WritePictureIndexFile(mdb, recs));
    EXPECT_EQ(ReadPictureIndexFile(mdb), recs);
    EXPECT_EQ(ReadPictureIndexRecord(mdb, 4), recs[4]);
    EXPECT_FALSE(ReadPictureIndexRecord(mdb, 5));
    const std::uint64_t size = far * 4 + 1000;
    for (std::uint64_t e : {0ull, 2ull, 3ull, 4ull, 5ull, 7ull, 13ull})
        EXPECT_EQ(ReadEndAfterPicture(mdb, e, size), EndAfterPicture(recs, e, size)) << e;
    EXPECT_EQ(ReadEndAfterPicture(mdb, 7, size), size + far * 4);  // second pass, picture 2
    EXPECT_FALSE(ReadEndAfterPicture(dir + "/none.mdb", 0, size));
}

TEST(IndexFiles, AlphaFilesAndAppendingWriter) {
    const std::string dir = velmar_testing::TempDir();
    IndexFileWriter writer;
    ASSERT_TRUE(writer.Open(dir + "/a.adb"));
    EXPECT_TRUE(writer.Append(std::vector<AlphaIndexEntry>{{0}, {2560}}));
    EXPECT_TRUE(writer.Append(std::vector<AlphaIndexEntry>{}));
    EXPECT_TRUE(writer.Append(std::vector<AlphaIndexEntry>{{5120}}));
    EXPECT_TRUE(writer.Commit());
    const std::vector<AlphaIndexEntry> expected = {{0}, {2560}, {5120}};
    EXPECT_EQ(ReadAlphaIndexFile(dir + "/a.adb"), expected);
    EXPECT_EQ(ReadAlphaIndexEntry(dir + "/a.adb", 2)->ByteOffset(), 20480u);
    EXPECT_FALSE(ReadAlphaIndexEntry(dir + "/a.adb", 3));
    EXPECT_FALSE(writer.Open(dir + "/no/such/folder.adb"));
}

// The index is put in place only when complete: the previous one stays through a run that does not
// commit, an index path that is the stream itself is refused, and a link at the index path is
// replaced, never written through.
TEST(IndexFiles, WriterReplacesTheIndexOnlyWhenComplete) {
    namespace fs = std::filesystem;
    const std::string dir = velmar_testing::TempDir() + "/replace";
    fs::create_directories(dir);
    const std::vector<PictureIndexRecord> old(3), fresh(5);
    ASSERT_TRUE(WritePictureIndexFile(dir + "/clip.mdb", old));
    {
        IndexFileWriter writer;
        ASSERT_TRUE(writer.Open(dir + "/clip.mdb", dir + "/clip.mpg"));
        ASSERT_TRUE(writer.Append(fresh));
    }  // dropped unfinished
    EXPECT_EQ(ReadPictureIndexFile(dir + "/clip.mdb"), old);
    WriteRaw(dir + "/clip.mpg", 64);
    WriteRaw(dir + "/other.mpg", 64);
    fs::create_symlink(dir + "/clip.mpg", dir + "/link.mdb");
    fs::create_symlink(dir + "/other.mpg", dir + "/other.mdb");
    EXPECT_FALSE(WritePictureIndexFile(dir + "/link.mdb", fresh, dir + "/clip.mpg"));   // the stream itself
    EXPECT_FALSE(WritePictureIndexFile(dir + "/clip.mpg", fresh, dir + "/./clip.mpg"));  // named like its index
    EXPECT_TRUE(WritePictureIndexFile(dir + "/other.mdb", fresh, dir + "/clip.mpg"));
    EXPECT_EQ(fs::file_size(dir + "/clip.mpg"), 64u);
    EXPECT_EQ(fs::file_size(dir + "/other.mpg"), 64u);
    EXPECT_FALSE(fs::is_symlink(dir + "/other.mdb"));
    EXPECT_EQ(ReadPictureIndexFile(dir + "/other.mdb"), fresh);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 5);  // no temporary left
}

TEST(IndexFiles, ADeviceOrPipeIsWrittenIntoNotReplaced) {
    namespace fs = std::filesystem;
    platform::ReplacingFile null;
    ASSERT_TRUE(null.Open("/dev/null"));
    EXPECT_TRUE(null.Write("abc", 3));
    EXPECT_TRUE(null.Commit());
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    // A pipe that nobody reads is refused at once rather than waited on.
    const std::string fifo = velmar_testing::TempDir() + "/pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    platform::ReplacingFile unread;
    EXPECT_FALSE(unread.Open(fifo));
    EXPECT_TRUE(fs::is_fifo(fifo));
}

// An index the panels or tools read is never waited on or read without end: a FIFO, a device, or
// a file larger than any clip's index reads as no index.
TEST(IndexFiles, APipeDeviceOrHugeFileReadsAsNoIndex) {
    const std::string dir = velmar_testing::TempDir();
    const std::string fifo = dir + "/pipe.mdb", huge = dir + "/huge.mdb";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::ofstream{huge};
    ASSERT_EQ(truncate(huge.c_str(), (std::int64_t{1} << 28) + 8), 0);  // sparse
    const struct {
        const char* what;
        std::function<bool(const std::string&)> reads;
    } readers[] = {
        {"whole picture index", [](const std::string& p) { return ReadPictureIndexFile(p).has_value(); }},
        {"whole alpha index", [](const std::string& p) { return ReadAlphaIndexFile(p).has_value(); }},
        {"one picture record", [](const std::string& p) { return ReadPictureIndexRecord(p, 0).has_value(); }},
        {"one alpha entry", [](const std::string& p) { return ReadAlphaIndexEntry(p, 0).has_value(); }},
    };
    for (const auto& r : readers) {
        for (const std::string& path : {fifo, std::string("/dev/zero"), huge}) {
            SCOPED_TRACE(std::string(r.what) + " of " + path);
            auto read = std::async(std::launch::async, r.reads, path);
            if (read.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
                ADD_FAILURE() << "the read waited";
                std::ofstream{fifo};  // lets a reader waiting on the pipe go
                read.wait();
                continue;
            }
            const bool single = std::string(r.what).rfind("one", 0) == 0;
            EXPECT_EQ(read.get(), single && path == huge) << "only a record of a regular file is read";
        }
    }
}
