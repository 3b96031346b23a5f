// Audio play list parsing, totals, seeks (wrapping past the total) and the queueing order.
#include <gtest/gtest.h>

#include <fstream>

#include "play_lists/audio_play_list.h"
#include "velmar_testing/test_support.h"

namespace {

using namespace play_lists;

std::string Store(const std::string& text) {
    static int n = 0;
    const std::string path = velmar_testing::TempDir() + "/audio" + std::to_string(++n) + ".apl";
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

TEST(AudioPlayList, ParsesEntriesAndSkipsTheRest) {
    const struct {
        const char* line;
        bool entry;
        const char* path;
        std::int64_t start, end, length;
    } cases[] = {
        {"<a.wav><0><99><0>", true, "a.wav", 0, 99, 100},
        {"take 2 <my a.wav> - <10> <59> <3> trailing", true, "my a.wav", 10, 59, 50},
        {"<a.wav><5><5><0", true, "a.wav", 5, 5, 1},
        {"; <a.wav><0><99><0>", false, "", 0, 0, 0},   // comment
        {"<*a.wav><0><99><0>", false, "", 0, 0, 0},    // disabled
        {"a.wav 0 99 0", false, "", 0, 0, 0},          // no '<'
        {"<a.wav><0><99>", false, "", 0, 0, 0},        // too few fields
        {"<a.wav><10><9><0>", false, "", 0, 0, 0},     // lasts no frame
        {"<a.wav><-4><9><0>", false, "", 0, 0, 0},     // before the file
    };
    for (const auto& c : cases) {
        const auto entry = ParseAudioListEntry(c.line);
        ASSERT_EQ(entry.has_value(), c.entry) << c.line;
        if (!entry) continue;
        EXPECT_EQ(entry->path, c.path) << c.line;
        EXPECT_EQ(entry->start, c.start) << c.line;
        EXPECT_EQ(entry->end, c.end) << c.line;
        EXPECT_EQ(entry->Length(), c.length) << c.line;
    }
}

TEST(AudioPlayList, TotalSeekWrapAndQueueOrder) {
    const std::string path = Store(
        "; two takes\n<a.wav><0><99><0>\r\n<*c.wav><0><9><0>\nno entry here\n<b.wav><10><59><0>");
    EXPECT_EQ(ReadAudioPlayListLength(path), 150);
    EXPECT_EQ(ReadAudioPlayListLength(path + ".missing"), std::nullopt);

    AudioPlayList list;
    ASSERT_TRUE(list.Open(path));
    const struct {
        std::int64_t position;
        const char* path;
        std::int64_t before, inside;
    } seeks[] = {{0, "a.wav", 0, 0},     {99, "a.wav", 0, 99},    {100, "b.wav", 100, 100}, {149, "b.wav", 100, 149},
                 {150, "a.wav", 0, 0},   {270, "b.wav", 100, 120}};  // past the total: from the top again
    for (const auto& s : seeks) {
        const auto seek = list.SeekTo(s.position);
        ASSERT_TRUE(seek) << s.position;
        EXPECT_EQ(seek->entry.path, s.path) << s.position;
        EXPECT_EQ(seek->before, s.before) << s.position;
        EXPECT_EQ(seek->position, s.inside) << s.position;
    }
    // 120 frames into the list is frame 30 of b.wav; then a.wav and b.wav are queued.
    const auto seek = list.SeekTo(120);
    EXPECT_EQ(seek->entry.start + 120 - seek->before, 30);
    EXPECT_EQ(list.NextEntry()->path, "a.wav");
    EXPECT_EQ(list.NextEntry()->path, "b.wav");
    EXPECT_EQ(list.NextEntry()->path, "a.wav");
}

TEST(AudioPlayList, AListWithoutEntriesNeitherSeeksNorQueues) {
    AudioPlayList list;
    ASSERT_TRUE(list.Open(Store("; nothing\n<*a.wav><0><9><0>\n<a.wav><0><9>\n")));
    EXPECT_EQ(list.Total(), 0);
    EXPECT_FALSE(list.SeekTo(0));
    EXPECT_FALSE(list.NextEntry());
}

}  // namespace
