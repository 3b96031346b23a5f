// The multiplexer's dialog over the real probes and engine: what the operator does from start-up
// to a finished program stream.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "codec_manager/codec_manager.h"
#include "platform/profile.h"
#include "ps_testing/ps_test_support.h"
#include "stream_shell/mux_dlg.h"
#include "stream_shell/mux_dlg_ids.h"
#include "stream_jobs/real_engines.h"
#include "velmar_testing/test_support.h"
#include "velmar_ui/testing/fake_form_view.h"
#include "velmar_ui/testing/fake_ui_services.h"
#include "wave_format/wave_header.h"

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
    stream_jobs::RealMuxEngine engine;
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
    ui.RunUntil([&] { return dlg.RunState() == platform::RunState::Idle; });
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
    stream_jobs::RealMuxEngine engine;
    CMuxDlg dlg(view, ui, engine);
    dlg.OnInitDialog();
    dlg.Command(kStart);
    ui.RunUntil([&] { return dlg.RunState() == platform::RunState::Idle; });
    dlg.JoinWorker();
    ui.RunPending();
    EXPECT_EQ(view.Text(kStatus), "Error !!!");
    ASSERT_EQ(ui.Boxes().size(), 1u);
    EXPECT_EQ(ui.Boxes()[0].caption, "Error");
}

TEST(MuxDlgWithEngines, ConvertsWaveWithAnInfoBoxWhenNoDriverIsThere) {
    // The process's codec manager sees no driver: Layer II falls back to the built-in encoder.
    acm::Registry::Process().Replace({});
    const std::string dir = velmar_testing::TempDir();
    const std::string wave = dir + "/in.wav";
    const std::size_t samples = 48000;
    const auto header = wav::MakeWavHeader(48000, 2, samples * 4);
    std::vector<std::uint8_t> bytes(header.begin(), header.end());
    for (std::size_t i = 0; i < samples; ++i) {
        const auto v = std::int16_t(8000 * std::sin(0.06 * double(i)));
        bytes.insert(bytes.end(), {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v), std::uint8_t(v >> 8)});
    }
    ps_testing::WriteFileBytes(wave, bytes);
    std::remove(platform::VelmarIniPath().c_str());
    platform::Profile ini;
    ini.WriteString("BRAXEL", "PATHMA", wave);
    ini.WriteString("BRAXEL", "PATHMP", dir + "/out.mp2");
    ini.WriteString("BRAXEL", "MPSTYPE", "3");
    ini.WriteString("BRAXEL", "LAYER", "2");
    ini.WriteString("BRAXEL", "BITRATE2", "192000");

    velmar_ui::testing::FakeFormView view(MuxDlgForm());
    velmar_ui::testing::FakeUiServices ui;
    stream_jobs::RealMuxEngine engine;
    CMuxDlg dlg(view, ui, engine);
    dlg.OnInitDialog();
    ASSERT_TRUE(ui.Boxes().empty()) << ui.Boxes()[0].text;
    dlg.Command(kStart);
    ui.RunUntil([&] { return dlg.RunState() == platform::RunState::Idle; });
    dlg.JoinWorker();
    ui.RunPending();
    ASSERT_EQ(ui.Boxes().size(), 1u) << view.Text(kStatus);
    EXPECT_EQ(ui.Boxes()[0].caption, "Info");
    EXPECT_EQ(ui.Boxes()[0].text.rfind("No QDesign ACM Driver found.  Switching to slow mode.\n", 0), 0u);
    EXPECT_EQ(view.Text(kStatus), "Done !!!");
    const auto out = ps_testing::ReadFileBytes(dir + "/out.mp2");
    // 42 frames of 576 bytes (192 kbit/s at 48 kHz), and one of silence that carries the input's end
    // through the filter banks.
    EXPECT_EQ(out.size(), 43u * 576);
}

}  // namespace
