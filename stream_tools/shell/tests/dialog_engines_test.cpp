// The multiplexer's dialog over the real probes and engine: what the operator does from start-up
// to a finished program stream.
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/profile.h"
#include "ps_testing/ps_test_support.h"
#include "stream_shell/mux_dlg.h"
#include "stream_shell/mux_dlg_ids.h"
#include "stream_shell/real_engines.h"
#include "velmar_testing/test_support.h"
#include "velmar_ui/testing/fake_form_view.h"
#include "velmar_ui/testing/fake_ui_services.h"

namespace {

using namespace stream_shell;
using namespace stream_shell::mux_ids;

TEST(MuxDlgWithEngines, ProbesRemembersAndMuxesAProgramStream) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    const std::string dir = velmar_testing::TempDir();
    const std::string video = ps_testing::MakeMpeg2Video(dir);
    const std::string audio = ps_testing::MakeMpegAudio(dir, "mp2", 48000, 192);
    const std::string output = dir + "/dialog out.mpg";
    std::remove(platform::VelmarIniPath().c_str());
    platform::Profile ini;
    ini.WriteString("BRAXEL", "PATHMV", video);
    ini.WriteString("BRAXEL", "PATHMA", audio);
    ini.WriteString("BRAXEL", "MPSTYPE", "1");  // the MPEG-2 video input overrides it

    velmar_ui::testing::FakeFormView view(MuxDlgForm());
    velmar_ui::testing::FakeUiServices ui;
    RealMuxEngine engine;
    CMuxDlg dlg(view, ui, engine);
    dlg.OnInitDialog();
    ASSERT_TRUE(ui.Boxes().empty()) << ui.Boxes()[0].text;
    EXPECT_EQ(view.Text(kStreamType), "MPEG-2");
    EXPECT_NE(view.Text(kFrameRate), "NA");
    EXPECT_TRUE(view.Checked(kTypeMpeg2));
    EXPECT_EQ(ini.GetString("BRAXEL", "MPSTYPE"), "2");
    EXPECT_EQ(view.Text(kLayerShown), "2");
    EXPECT_EQ(view.Text(kBitrateShown), "192000");

    ui.ScriptChoice(output);
    dlg.Command(kOutputFile);
    dlg.Command(kStart);
    ui.RunUntil([&] { return dlg.RunState() == kIdle; });
    dlg.JoinWorker();
    ui.RunPending();
    ASSERT_TRUE(ui.Boxes().empty()) << ui.Boxes()[0].text;
    EXPECT_EQ(view.Text(kStatus), "Done !!!");
    EXPECT_EQ(view.Position(kProgress), 16);
    EXPECT_EQ(view.Text(kBytesDone), "");

    const auto bytes = ps_testing::ReadFileBytes(output);
    const auto read = ps_testing::ReadProgramStream(bytes);
    EXPECT_TRUE(read.error.empty()) << read.error;
    EXPECT_TRUE(read.endCode);
    EXPECT_EQ(read.packets.front().version, 2);
}

TEST(MuxDlgWithEngines, MissingInputsRefuseTheRunWithABox) {
    std::remove(platform::VelmarIniPath().c_str());
    velmar_ui::testing::FakeFormView view(MuxDlgForm());
    velmar_ui::testing::FakeUiServices ui;
    RealMuxEngine engine;
    CMuxDlg dlg(view, ui, engine);
    dlg.OnInitDialog();
    dlg.Command(kStart);
    ui.RunUntil([&] { return dlg.RunState() == kIdle; });
    dlg.JoinWorker();
    ui.RunPending();
    EXPECT_EQ(view.Text(kStatus), "Error !!!");
    ASSERT_EQ(ui.Boxes().size(), 1u);
    EXPECT_EQ(ui.Boxes()[0].caption, "Error");
}

}  // namespace
