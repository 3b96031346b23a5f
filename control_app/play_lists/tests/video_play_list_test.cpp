// Video play list parsing, totals, seeks and the engine's reading order.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>

#include "play_lists/video_play_list.h"
#include "velmar_testing/test_support.h"

namespace {

using namespace play_lists;

std::string Store(const std::string& text) {
    static int n = 0;
    const std::string path = velmar_testing::TempDir() + "/list" + std::to_string(++n) + ".vpl";
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

struct LineCase {
    const char* line;
    bool entry;
    const char* video;
    std::int64_t in, out, spare;
    const char* alpha;
    std::int64_t mix, length;
};

TEST(VideoPlayList, ParsesEntriesAndSkipsTheRest) {
    const LineCase cases[] = {
        {"<a.mpg><10><19><0>", true, "a.mpg", 10, 19, 0, "", 0, 10},
        {"clip 1: <a b.mpg> x <0> y <99> <7> <fade.alp> <90>", true, "a b.mpg", 0, 99, 7, "fade.alp", 90, 90},
        {"<a.mpg><0><9><0><fade.alp>", true, "a.mpg", 0, 9, 0, "", 0, 10},  // five fields count as four
        {"<a.mpg><5><5><0", true, "a.mpg", 5, 5, 0, "", 0, 1},             // the last field runs to the line end
        {"<a.mpg><0><9>", false, "", 0, 0, 0, "", 0, 0},                                        // too few fields
        {"; <a.mpg><0><9><0>", false, "", 0, 0, 0, "", 0, 0},                                   // comment
        {"<*a.mpg><0><9><0>", false, "", 0, 0, 0, "", 0, 0},                                    // disabled
        {"a.mpg 0 9 0", false, "", 0, 0, 0, "", 0, 0},                                          // no '<'
        {"<a.mpg><20><9><0>", false, "", 0, 0, 0, "", 0, 0},                                    // lasts no frame
        {"<a.mpg><0><99><0><f.alp><0>", false, "", 0, 0, 0, "", 0, 0},
        {"<a.mpg><-5><9><0>", false, "", 0, 0, 0, "", 0, 0},                                    // starts before the file
        {"<a.mpg><0><99><0><f.alp><100>", false, "", 0, 0, 0, "", 0, 0},                        // mix past the out-point
        {"<a.mpg><0><99><0><f.alp><99>", true, "a.mpg", 0, 99, 0, "f.alp", 99, 99},
    };
    for (const auto& c : cases) {
        const auto entry = ParseVideoListEntry(c.line);
        ASSERT_EQ(entry.has_value(), c.entry) << c.line;
        if (!entry) continue;
        EXPECT_EQ(entry->videoPath, c.video) << c.line;
        EXPECT_EQ(entry->in, c.in) << c.line;
        EXPECT_EQ(entry->out, c.out) << c.line;
        EXPECT_EQ(entry->spare, c.spare) << c.line;
        EXPECT_EQ(entry->alphaPath, c.alpha) << c.line;
        EXPECT_EQ(entry->mix, c.mix) << c.line;
        EXPECT_EQ(entry->Length(), c.length) << c.line;
    }
    VideoListEntry keyed{"a.mpg", 10, 99, 0, "f.alp", 80};
    EXPECT_EQ(keyed.StartField(), 20);
    EXPECT_EQ(keyed.EndField(), 200);
    EXPECT_EQ(keyed.TransitionField(), 160);
    keyed.alphaPath.clear();
    EXPECT_EQ(keyed.TransitionField(), 200);
}

const char* kThreeEntries =
    "; three clips\n"
    "<a.mpg><0><99><0>\r\n"       // 100 frames
    "<*b.mpg><0><99><0>\n"        // disabled
    "<b.mpg><10><59><0><f.alp><40>\n"  // 30 frames: the next entry starts at the mix
    "\n"
    "<c.mpg><100><149><0>";       // 50 frames, no line end

TEST(VideoPlayList, TotalSeekAndTheEngineOrder) {
    const std::string path = Store(kThreeEntries);
    EXPECT_EQ(ScanVideoPlayList(path), 180);
    EXPECT_EQ(ScanVideoPlayList(path + ".missing"), std::nullopt);

    VideoPlayList list;
    ASSERT_TRUE(list.Open(path));
    // Inside the third entry: it starts at in + (position - the first two lengths).
    auto seek = list.SeekTo(150);
    ASSERT_TRUE(seek);
    EXPECT_EQ(seek->entry.videoPath, "c.mpg");
    EXPECT_EQ(seek->before, 130);
    EXPECT_EQ(seek->entry.in + 150 - seek->before, 120);
    // Exactly on a boundary: the entry that holds the position, not the one that ends before it.
    for (const auto& [position, video] :
         {std::pair{0, "a.mpg"}, std::pair{99, "a.mpg"}, std::pair{100, "b.mpg"}, std::pair{130, "c.mpg"}}) {
        seek = list.SeekTo(position);
        ASSERT_TRUE(seek) << position;
        EXPECT_EQ(seek->entry.videoPath, video) << position;
    }
    // The engine reads on after the sought entry and starts again from the top after the last.
    seek = list.SeekTo(100);
    std::vector<std::string> order;
    for (int i = 0; i < 5; ++i) order.push_back(list.NextEntry()->videoPath);
    EXPECT_EQ(order, (std::vector<std::string>{"c.mpg", "a.mpg", "b.mpg", "c.mpg", "a.mpg"}));
    EXPECT_FALSE(list.SeekTo(180));  // at the total
}

TEST(VideoPlayList, AListWithoutEntriesEndsAfterOnePass) {
    VideoPlayList list;
    ASSERT_TRUE(list.Open(Store("; nothing\n<*a.mpg><0><9><0>\n<a.mpg><0><9>\n")));
    EXPECT_EQ(list.Total(), 0);
    EXPECT_FALSE(list.SeekTo(0));
    EXPECT_FALSE(list.NextEntry());
    ASSERT_TRUE(list.Open(Store("")));
    EXPECT_FALSE(list.NextEntry());
}

// Peak resident memory of this process in MiB.
long PeakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

TEST(PlayListGrammar, LongLinesAreCutNotSplitNorKept) {
    const std::string path = Store("<a.mpg><0><9><0>" + std::string(2000, ' ') + "<b.mpg><0><9><0>\n<c.mpg><0><0><0>\n");
    VideoPlayList list;
    ASSERT_TRUE(list.Open(path));
    EXPECT_EQ(list.Total(), 11);
    {
        // A line as long as a list may be costs no more than the line kept of it; one byte more
        // is no list and is not read at all.
        const std::string tail = "\r\n<c.mpg><0><0><0>\n";
        const std::string head = "<a.mpg><0><9><0>";
        const std::string huge = Store(head + std::string(kMaxListBytes - head.size() - tail.size(), 'x') + tail);
        const long before = PeakMiB();
        PlayListLines lines;
        ASSERT_TRUE(lines.Open(huge));
        EXPECT_EQ(lines.Next()->size(), kMaxLineCharacters);
        EXPECT_EQ(lines.Next(), "<c.mpg><0><0><0>");
        EXPECT_LT(PeakMiB() - before, 16);
        std::filesystem::resize_file(huge, kMaxListBytes + 1);
        EXPECT_FALSE(lines.Open(huge));
        std::filesystem::remove(huge);
    }
    // A FIFO named as the list is refused at once rather than waited on.
    const std::string fifo = velmar_testing::TempDir() + "/fifo.vpl";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto opened = std::async(std::launch::async, [&] { return VideoPlayList().Open(fifo); });
    if (opened.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << "opening a FIFO blocks";
        std::ofstream(fifo) << "";  // lets the open go on
    }
    EXPECT_FALSE(opened.get());
    EXPECT_FALSE(list.Open(velmar_testing::TempDir()));
    EXPECT_EQ(FieldNumber(" -12x"), -12);
    EXPECT_EQ(FieldNumber("x12"), 0);
}

}  // namespace
