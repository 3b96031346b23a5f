// The demultiplexer's dialog over the real probe and engine.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "platform/profile.h"
#include "ps_testing/ps_test_support.h"
#include "stream_shell/demux_dlg.h"
#include "stream_shell/demux_dlg_ids.h"
#include "stream_jobs/real_engines.h"
#include "velmar_testing/test_support.h"
#include "velmar_ui/testing/fake_form_view.h"
#include "velmar_ui/testing/fake_ui_services.h"

namespace {

using namespace stream_shell;
using namespace stream_shell::demux_ids;

TEST(DemuxDlgWithEngines, ProbesAndSplitsAProgramStream) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    const std::string dir = velmar_testing::TempDir();
    const std::string video = ps_testing::MakeMpeg2Video(dir);
    const std::string audio = ps_testing::MakeMpegAudio(dir, "mp2", 48000, 192);
    const std::string input = dir + "/muxed.mpg";
    ASSERT_TRUE(ps_testing::Ffmpeg("-i " + video + " -i " + audio + " -c copy -f vob " + input));
    std::remove(platform::VelmarIniPath().c_str());
    platform::Profile ini;
    ini.WriteString("OSTRAND", "PATHMP", input);
    ini.WriteString("OSTRAND", "PATHMO", dir + "/part");
    ini.WriteString("OSTRAND", "DECOMP", "0");

    velmar_ui::testing::FakeFormView view(DemuxDlgForm());
    velmar_ui::testing::FakeUiServices ui;
    stream_jobs::RealDemuxEngine engine;
    CDemuxDlg dlg(view, ui, engine);
    dlg.OnInitDialog();
    ASSERT_TRUE(ui.Boxes().empty()) << ui.Boxes()[0].text;
    EXPECT_EQ(view.Text(kStreamType), "MPEG-2 Program stream");
    EXPECT_NE(view.Text(kDuration), "NA");

    dlg.Command(kStart);
    ui.RunUntil([&] { return dlg.RunState() == platform::RunState::Idle; });
    dlg.JoinWorker();
    ui.RunPending();
    ASSERT_TRUE(ui.Boxes().empty()) << ui.Boxes()[0].text;
    EXPECT_EQ(view.Text(kStatus), "Done !!!");
    EXPECT_EQ(view.ItemText(kMessages, view.ItemCount(kMessages) - 1), "Finished !!!");
    EXPECT_EQ(ps_testing::ReadFileBytes(dir + "/parte0.mpg").size(), ps_testing::ReadFileBytes(video).size());
    EXPECT_TRUE(std::filesystem::exists(dir + "/partc0.mpg"));
    EXPECT_FALSE(std::filesystem::exists(dir + "/partc0.wav"));  // no decoding asked
}

}  // namespace
