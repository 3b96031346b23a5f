// What the panel trusts of the operator's files: sizes and index records that lie are refused
// rather than sent to the board.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>

#include "alpha_stream/alpha_generators.h"
#include "alpha_stream/alpha_reader.h"
#include "index_formats/picture_index.h"
#include "panel_fixture.h"
#include "play_lists/video_play_list.h"
#include "playback_panel/alpha_channel.h"
#include "playback_panel/audio_channel.h"
#include "playback_panel/dv_record.h"
#include "playback_panel/play_list_channel.h"
#include "playback_panel/video_channel.h"
#include "record_output/record_output.h"

namespace velmar {
namespace {

using namespace panel_testing;
using namespace panel_ids;
namespace fs = std::filesystem;

// The playback panel with every group of its own: a clip with its index on Video A, an alpha
// stream with its index, a video play list and an audio file.
struct FilesFixture : PanelFixture {
    FilesFixture() : PanelFixture(true, 0x8120) {
        files.Write("clip.mpg", MpegClip());
        files.Write("clip.mdb", MpegIndex());
        files.Write("song.wav", std::string(64, 's'));
        alpha_stream::AlphaGenParams fade;
        fade.fieldCount = 4;
        fade.outputFile = (fs::current_path() / "fade.alp").string();
        alpha_stream::AlphaGenRun run;
        EXPECT_EQ(alpha_stream::GenerateFadeCrossAlpha(fade, run), 0);
        EXPECT_TRUE(alpha_stream::BuildAlphaIndexFile(fade.outputFile));
        files.Write("list.vpl", "<clip.mpg><0><2><0>\n");
        SetKey("PATHVA", Here("clip.mpg"));
        SetKey("PATHALP", fade.outputFile);
        SetKey("PATHPL", Here("list.vpl"));
        SetKey("PATHAUD", Here("song.wav"));
        SetKey("PATHDVR", Here("take.dv"));
        SetKey("LINKDVR", "0");
        SetKey("LOGFILE", "files.log");
        library.bus.readAnswers = {{0x31, 0x00}, {0x21, 8}};  // EEPROM ready, DSP revision 8
        Make();
        InstallVideoChannels(*panel);
        InstallAlphaAndPlayList(*panel);
        InstallAudioChannel(*panel);
        InstallDvRecord(*panel);
        StartUp();
        library.WaitDaemonRunning();
        Mark();
    }

    static std::string Here(const std::string& name) { return (fs::current_path() / name).string(); }
    void Mark() {
        seen = LoggedLines("files.log").size();
        boxes = ui.Boxes().size();
    }
    // Board command lines since Mark().
    Calls NewLines() {
        const auto all = LoggedLines("files.log");
        Calls out;
        for (std::size_t i = seen; i < all.size(); ++i)
            if (all[i].rfind("mwcmd", 0) == 0 && all[i].rfind("mwcmd -s 0xffffffff 0x0009", 0) != 0)
                out.push_back(all[i]);
        return out;
    }
    bool Sent(const std::string& start) {
        for (const auto& line : NewLines())
            if (line.rfind(start, 0) == 0) return true;
        return false;
    }
    // Box texts since Mark().
    std::vector<std::string> NewBoxes() const {
        std::vector<std::string> texts;
        for (std::size_t i = boxes; i < ui.Boxes().size(); ++i) texts.push_back(ui.Boxes()[i].text);
        return texts;
    }
    CVideoChannel& VideoA() { return static_cast<CVideoChannel&>(*panel->Channels().videoA); }
    void RecordDvTo(const std::string& path) {
        view.Type(kPathDv, path);
        Mark();
        panel->Command(kRecordDv);
    }
    void DecodeTo(const std::string& path) {
        view.Type(kDecodePath, path);
        view.Type(kDecodeFields, "30");
        Mark();
        panel->Command(kPlayA);
    }

    std::size_t seen = 0, boxes = 0;
};

TEST(OperatorFiles, HugeIndexesKeepTheClipLengthInRange) {
    // Indexes of 2^31 and 2^32 words (holes in the file: nothing is written).
    for (std::uintmax_t bytes : {std::uintmax_t{8} << 30, std::uintmax_t{16} << 30}) {
        FilesFixture f;
        fs::resize_file("clip.mdb", bytes);
        f.VideoA().ReloadClip();
        EXPECT_EQ(f.VideoA().Length(), 0x7FFFFFFFu);
        f.view.Type(kStartA, "00000004");
        f.panel->EditLostFocus(kStartA);
        f.Mark();
        f.panel->Command(kPlayA);
        EXPECT_EQ(f.NewBoxes(), std::vector<std::string>{});
        EXPECT_EQ(f.VideoA().State(), VideoState::Playing);
        fs::resize_file("clip.mdb", 0);
    }
}

TEST(OperatorFiles, IndexAndListEntriesThatLieAreRefused) {
    {
        // Every record claims 255 pictures of its group before it: the group would begin before
        // the clip.
        FilesFixture f;
        std::vector<index_formats::PictureIndexRecord> records(6, {0, 255, 1, true});
        const auto bytes = index_formats::EncodePictureIndex(records);
        f.files.Write("clip.mdb", std::string(bytes.begin(), bytes.end()));
        f.view.Type(kStartA, "00000004");
        f.panel->EditLostFocus(kStartA);
        f.Mark();
        f.panel->Command(kPlayA);
        EXPECT_EQ(f.NewBoxes(), std::vector<std::string>{"Invalid Offset detected"});
        EXPECT_FALSE(f.Sent("mwcmd -i0B"));
    }
    // A last frame past the board's 32-bit field words holds no entry; the largest it reaches does.
    EXPECT_FALSE(play_lists::ParseVideoListEntry("<clip.mpg><0><4294967296><0>"));
    EXPECT_FALSE(play_lists::ParseVideoListEntry("<clip.mpg><0><2147483647><0>"));
    EXPECT_TRUE(play_lists::ParseVideoListEntry("<clip.mpg><0><2147483646><0>"));
    {
        FilesFixture f;
        f.files.Write("list.vpl", "<clip.mpg><0><4294967296><0>\n");
        f.Mark();
        f.panel->Command(kPlayList);
        EXPECT_EQ(f.NewBoxes(),
                  std::vector<std::string>{"No entry of the play list " + f.Here("list.vpl") +
                                           " holds the start position"});
        EXPECT_FALSE(f.Sent("mwcmd -i0B"));
    }
    // An audio list entry naming the list itself or a video clip, first or queued after it.
    for (const char* entries : {"<list.apl><0><10><0>\n", "<clip.mpg><0><10><0>\n",
                                "<song.wav><0><0><0>\n<clip.mpg><0><10><0>\n"}) {
        FilesFixture f;
        f.files.Write("list.apl", entries);
        f.view.Type(kPathAudio, f.Here("list.apl"));
        f.Mark();
        f.panel->Command(kPlayAudio);
        EXPECT_EQ(f.NewBoxes(), std::vector<std::string>{"The audio play list " + f.Here("list.apl") +
                                                         " has no valid entry"})
            << entries;
        EXPECT_FALSE(f.Sent("mwcmd -i3B")) << entries;
        EXPECT_FALSE(f.Sent("mwcmd -q14")) << entries;
    }
}

}  // namespace
}  // namespace velmar
