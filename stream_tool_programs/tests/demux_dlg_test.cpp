// The demultiplexer's dialog over the fakes.
#include <gtest/gtest.h>

#include <cstdio>

#include "fake_engines.h"
#include "platform/profile.h"
#include "stream_shell/demux_dlg.h"
#include "stream_shell/demux_dlg_ids.h"
#include "velmar_ui/testing/fake_form_view.h"
#include "velmar_ui/testing/fake_ui_services.h"

namespace {

using namespace stream_shell;
using namespace stream_shell::demux_ids;
using stream_shell::testing::FakeDemuxEngine;
using velmar_ui::testing::FakeFormView;
using velmar_ui::testing::FakeUiServices;

struct DemuxDlgTest : ::testing::Test {
    DemuxDlgTest() { std::remove(platform::VelmarIniPath().c_str()); }

    platform::Profile ini;
    FakeFormView view{DemuxDlgForm()};
    FakeUiServices ui;
    FakeDemuxEngine engine;
    std::unique_ptr<CDemuxDlg> dlg;

    void Open() {
        dlg = std::make_unique<CDemuxDlg>(view, ui, engine);
        dlg->OnInitDialog();
    }
    std::string Key(const char* key) { return ini.GetString("OSTRAND", key, "<none>"); }
    void FinishRun() {
        ui.RunUntil([&] { return dlg->RunState() == platform::RunState::Idle; });
        dlg->JoinWorker();
        ui.RunPending();
    }
};

TEST_F(DemuxDlgTest, EmptyIniGivesTheDefaults) {
    Open();
    EXPECT_EQ(view.Title(), "MPEG Program Demux");
    EXPECT_TRUE(view.Checked(kMakeWavAndIndex));
    EXPECT_TRUE(dlg->Decode());
    EXPECT_EQ(view.Text(kInputPath), "");
    EXPECT_EQ(view.Text(kOutputBase), "");
    for (auto id : {kStreamType, kBitrate, kDuration}) EXPECT_EQ(view.Text(id), "NA");
    ASSERT_EQ(view.ItemCount(kMessages), 1);
    EXPECT_EQ(view.ItemText(kMessages, 0), "Ready !!!");
    EXPECT_EQ(engine.probes, std::vector<std::string>{""});
}

TEST_F(DemuxDlgTest, SettingsAreReadAndWrittenAsTheyChange) {
    ini.WriteString("OSTRAND", "DECOMP", "0");
    ini.WriteString("OSTRAND", "PATHMP", "/in/p.mpg");
    ini.WriteString("OSTRAND", "PATHMO", "/out/clip");
    stream_analysis::ProgramStreamAnalysis ps;
    ps.ok = true;
    ps.kind = "MPEG-2";
    ps.bitrateText = "Bitrate = 10080000";
    engine.inputs["/in/p.mpg"] = ps;
    Open();
    EXPECT_FALSE(view.Checked(kMakeWavAndIndex));
    EXPECT_EQ(view.Text(kStreamType), "MPEG-2");
    EXPECT_EQ(view.Text(kBitrate), "Bitrate = 10080000");

    view.Click(kMakeWavAndIndex);
    dlg->Command(kMakeWavAndIndex);
    EXPECT_EQ(Key("DECOMP"), "1");
    EXPECT_TRUE(view.Checked(kMakeWavAndIndex));
    view.Click(kMakeWavAndIndex);
    dlg->Command(kMakeWavAndIndex);
    EXPECT_EQ(Key("DECOMP"), "0");

    view.Type(kOutputBase, "/out/other");
    dlg->EditChanged(kOutputBase);
    dlg->EditLostFocus(kOutputBase);
    EXPECT_EQ(Key("PATHMO"), "/out/other");

    view.Type(kInputPath, "/in/q.mpg");
    dlg->EditChanged(kInputPath);
    dlg->EditLostFocus(kInputPath);
    EXPECT_EQ(Key("PATHMP"), "/in/q.mpg");
    EXPECT_EQ(view.Text(kStreamType), "NA");
    dlg->OnOK();  // nothing edited since: no probe
    EXPECT_EQ(engine.probes, (std::vector<std::string>{"/in/p.mpg", "/in/q.mpg"}));

    ui.ScriptChoice("/chosen/base");
    dlg->Command(kOutputFile);
    // The save form; it asks nothing about a file of that name, which is not the one written.
    EXPECT_TRUE(ui.choosers.back().save);
    EXPECT_FALSE(ui.choosers.back().askBeforeReplacing);
    EXPECT_EQ(Key("PATHMO"), "/chosen/base");
    EXPECT_EQ(engine.probes.size(), 2u);  // the output chooser probes nothing
    dlg->Command(kInputFile);             // cancelled: probes the old input again
    EXPECT_EQ(ui.choosers.back().startFolder, "/in");
    EXPECT_EQ(engine.probes.size(), 3u);
}

TEST_F(DemuxDlgTest, MessageListKeepsTheNewestLines) {
    Open();
    for (int i = 0; i < 1100; ++i) dlg->AddMessage("line " + std::to_string(i));
    EXPECT_EQ(view.ItemCount(kMessages), 1025);
    EXPECT_EQ(view.ItemText(kMessages, 0), "line 75");
    EXPECT_EQ(view.ItemText(kMessages, 1024), "line 1099");
    EXPECT_EQ(view.Control(kMessages).shownItem, 1024);
    EXPECT_EQ(view.Selection(kMessages), -1);
}

TEST_F(DemuxDlgTest, RunListsItsMessagesAndFinishes) {
    ini.WriteString("OSTRAND", "DECOMP", "0");
    ini.WriteString("OSTRAND", "PATHMO", "/out/clip");
    Open();
    // The engine writes the run's lines, its closing ones included; the dialog lists them.
    engine.run.messages = {"Stream e0 -> /out/clipe0.mpg", "", "Finished !!!"};
    dlg->Command(kStart);
    FinishRun();
    EXPECT_FALSE(engine.lastJob.decode);
    EXPECT_EQ(engine.lastJob.outputBase, "/out/clip");
    const int count = view.ItemCount(kMessages);
    ASSERT_EQ(count, 4);
    EXPECT_EQ(view.ItemText(kMessages, 1), "Stream e0 -> /out/clipe0.mpg");
    EXPECT_EQ(view.ItemText(kMessages, 2), "");
    EXPECT_EQ(view.ItemText(kMessages, 3), "Finished !!!");
    EXPECT_EQ(view.Text(kStatus), "Done !!!");

    engine.run.gate.Close();
    dlg->Command(kStart);
    dlg->Command(kStop);
    engine.run.gate.Open();
    FinishRun();
    EXPECT_EQ(view.ItemCount(kMessages), 4);  // a stopped run does not finish
    EXPECT_EQ(view.Text(kStatus), "Canceled !!!");

    // A run that gives up early leaves its status as it was and says why in the list.
    engine.run.messages.clear();
    engine.run.result = {RunStatus::Discontinued, ""};
    dlg->Command(kStart);
    FinishRun();
    EXPECT_EQ(view.Text(kStatus), "Processing...");
    EXPECT_EQ(view.ItemText(kMessages, view.ItemCount(kMessages) - 1), "Process discontinued");
    EXPECT_EQ(dlg->RunState(), platform::RunState::Idle);
}

TEST_F(DemuxDlgTest, AboutBoxAndSoundForm) {
    Open();
    dlg->SystemCommand(31);
    ASSERT_EQ(ui.Boxes().size(), 1u);
    EXPECT_EQ(ui.Boxes()[0].caption, "About Ostrand");
    EXPECT_EQ(ui.Boxes()[0].text, "MPEG Program Demux Version 1.02");
    EXPECT_EQ(velmar_ui::CheckFormSpec(DemuxDlgForm()), std::vector<std::string>{});
}

}  // namespace
