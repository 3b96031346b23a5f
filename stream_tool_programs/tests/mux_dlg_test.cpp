// The multiplexer's dialog over the fakes: settings, probes shown, choosers, runs.
#include <gtest/gtest.h>

#include <cstdio>

#include "fake_engines.h"
#include "platform/profile.h"
#include "stream_shell/mux_dlg.h"
#include "stream_shell/mux_dlg_ids.h"
#include "velmar_ui/testing/fake_form_view.h"
#include "velmar_ui/testing/fake_ui_services.h"

namespace {

using namespace stream_shell;
using namespace stream_shell::mux_ids;
using stream_shell::testing::FakeMuxEngine;
using velmar_ui::testing::FakeFormView;
using velmar_ui::testing::FakeUiServices;

struct MuxDlgTest : ::testing::Test {
    MuxDlgTest() { std::remove(platform::VelmarIniPath().c_str()); }

    platform::Profile ini;
    FakeFormView view{MuxDlgForm()};
    FakeUiServices ui;
    FakeMuxEngine engine;
    std::unique_ptr<CMuxDlg> dlg;

    CMuxDlg& Open() {
        dlg = std::make_unique<CMuxDlg>(view, ui, engine);
        dlg->OnInitDialog();
        return *dlg;
    }
    std::string Key(const char* key) { return ini.GetString("BRAXEL", key, "<none>"); }
    void Type(velmar_ui::ControlId id, const std::string& text) {
        view.Type(id, text);
        dlg->EditChanged(id);
    }
    void FinishRun() {
        // The worker posts its end right after it goes idle; once it is joined, the post is queued.
        ui.RunUntil([&] { return dlg->RunState() == platform::RunState::Idle; });
        dlg->JoinWorker();
        ui.RunPending();
    }
};

stream_analysis::AudioAnalysis WaveInput() {
    stream_analysis::AudioAnalysis wave;
    wave.type = stream_analysis::AudioType::Wave;
    wave.showLayerCombos = true;
    wave.frequency = "48000";
    wave.mode = "Stereo";
    return wave;
}

TEST_F(MuxDlgTest, EmptyIniGivesTheDefaults) {
    Open();
    EXPECT_EQ(view.Title(), "MPEG Program Mux");
    for (auto id : {kVideoPath, kAudioPath, kOutputPath}) EXPECT_EQ(view.Text(id), "");
    for (auto id : {kStreamType, kAspect, kProfile, kLevel, kChroma, kFrameSize, kVideoBitrate, kVbv, kFrameRate,
                    kVideoDuration, kFrequency, kMode, kAudioDuration})
        EXPECT_EQ(view.Text(id), "NA") << id;
    EXPECT_TRUE(view.Checked(kTypeMpeg2));
    EXPECT_FALSE(view.Checked(kTypeMpeg1) || view.Checked(kTypeDv) || view.Checked(kTypeAudio));
    EXPECT_EQ(view.Text(kLayer), "2");
    EXPECT_EQ(view.Text(kBitrate), "128000");
    EXPECT_FALSE(view.Shown(kLayer) || view.Shown(kBitrate));
    EXPECT_EQ(view.Text(kLayerShown), "NA");
    EXPECT_EQ(view.Text(kBitrateShown), "NA");
    EXPECT_TRUE(view.Shown(kLayerShown) && view.Shown(kBitrateShown));
    EXPECT_EQ(dlg->RunState(), platform::RunState::Idle);
    EXPECT_EQ(engine.videoProbes, std::vector<std::string>{""});
    EXPECT_EQ(engine.audioProbes, std::vector<std::string>{""});
    EXPECT_TRUE(ui.Boxes().empty());
}

TEST_F(MuxDlgTest, StoredSettingsComeBackAndAnOddTypeMeansWaveConversion) {
    ini.WriteString("BRAXEL", "PATHMV", "/clips/v.m2v");
    ini.WriteString("BRAXEL", "PATHMA", "/clips/a.wav");
    ini.WriteString("BRAXEL", "PATHMP", "/out/p.mpg");
    ini.WriteString("BRAXEL", "MPSTYPE", "7");
    ini.WriteString("BRAXEL", "LAYER", "1");
    ini.WriteString("BRAXEL", "BITRATE1", "416000");
    engine.audios["/clips/a.wav"] = WaveInput();
    Open();
    EXPECT_EQ(view.Text(kVideoPath), "/clips/v.m2v");
    EXPECT_EQ(view.Text(kOutputPath), "/out/p.mpg");
    EXPECT_TRUE(view.Checked(kTypeAudio));
    EXPECT_TRUE(view.Shown(kLayer) && view.Shown(kBitrate));
    EXPECT_FALSE(view.Shown(kLayerShown) || view.Shown(kBitrateShown));
    EXPECT_EQ(view.Text(kLayer), "1");
    EXPECT_EQ(view.ItemCount(kBitrate), 14);
    EXPECT_EQ(view.Text(kBitrate), "416000");
    EXPECT_EQ(view.Text(kFrequency), "48000");

    dlg->Command(kStart);
    FinishRun();
    EXPECT_EQ(engine.lastJob.outputType, kOutputAudio);
    EXPECT_EQ(engine.lastJob.layer, 1);
    EXPECT_EQ(engine.lastJob.audioBitrate, 416000);
    EXPECT_EQ(engine.lastJob.audioPath, "/clips/a.wav");
}

TEST_F(MuxDlgTest, LayerAndBitrateChoicesAreRememberedPerLayer) {
    engine.audios["/a.wav"] = WaveInput();
    ini.WriteString("BRAXEL", "PATHMA", "/a.wav");
    ini.WriteString("BRAXEL", "BITRATE3", "100000");  // not in the list
    Open();
    view.Pick(kLayer, "3");
    dlg->SelectionChanged(kLayer);
    EXPECT_EQ(Key("LAYER"), "3");
    EXPECT_EQ(view.Selection(kBitrate), -1);
    EXPECT_EQ(dlg->AudioBitrate(), 100000);  // still used
    EXPECT_EQ(view.ItemText(kBitrate, 1), "040000");

    view.Pick(kBitrate, "256000");
    dlg->SelectionChanged(kBitrate);
    EXPECT_EQ(Key("BITRATE3"), "256000");
    EXPECT_EQ(dlg->AudioBitrate(), 256000);

    view.Pick(kLayer, "2");
    dlg->SelectionChanged(kLayer);
    EXPECT_EQ(view.Text(kBitrate), "128000");  // BITRATE2's default
    EXPECT_EQ(Key("BITRATE3"), "256000");
    EXPECT_EQ(dlg->Layer(), 2);
}

TEST_F(MuxDlgTest, MpegInputsShowTheirValuesAndChooseTheStreamType) {
    stream_analysis::VideoAnalysis mpeg1;
    mpeg1.valid = true;
    mpeg1.outputType = 1;
    mpeg1.type = "MPEG-1";
    mpeg1.frameRate = "25 frames/s";
    engine.videos["/v.m1v"] = mpeg1;
    stream_analysis::AudioAnalysis mp2;
    mp2.type = stream_analysis::AudioType::Mpeg;
    mp2.layerText = "2";
    mp2.bitrateText = "192000";
    engine.audios["/a.mp2"] = mp2;
    Open();

    Type(kVideoPath, "/v.m1v");
    dlg->EditLostFocus(kVideoPath);
    EXPECT_EQ(Key("PATHMV"), "/v.m1v");
    EXPECT_EQ(view.Text(kStreamType), "MPEG-1");
    EXPECT_EQ(view.Text(kFrameRate), "25 frames/s");
    EXPECT_TRUE(view.Checked(kTypeMpeg1));
    EXPECT_FALSE(view.Checked(kTypeMpeg2));
    EXPECT_EQ(Key("MPSTYPE"), "1");
    EXPECT_TRUE(view.Control(kVideoPath).allSelected);

    Type(kAudioPath, "/a.mp2");
    dlg->OnOK();  // Enter probes the edited path at once...
    EXPECT_EQ(view.Text(kLayerShown), "2");
    EXPECT_EQ(view.Text(kBitrateShown), "192000");
    dlg->OnOK();  // ...and only once
    EXPECT_EQ(engine.audioProbes.size(), 2u);
    EXPECT_EQ(engine.videoProbes.size(), 2u);
}

TEST_F(MuxDlgTest, RefusedInputShowsItsErrorBox) {
    stream_analysis::VideoAnalysis refused;
    refused.frameRate = "30 frames/s";
    refused.error = "Frame Rate not supported";
    engine.videos["/bad.m2v"] = refused;
    Open();
    Type(kVideoPath, "/bad.m2v");
    dlg->EditLostFocus(kVideoPath);
    ASSERT_EQ(ui.Boxes().size(), 1u);
    EXPECT_EQ(ui.Boxes()[0].text, "Frame Rate not supported");
    EXPECT_EQ(ui.Boxes()[0].caption, "Error");
    EXPECT_EQ(view.Text(kFrameRate), "30 frames/s");
}

TEST_F(MuxDlgTest, ChoosersStartAtTheFolderOfTheirPathAndProbeEvenWhenCancelled) {
    ini.WriteString("BRAXEL", "PATHMV", "/old/v.m2v");
    Open();
    ui.ScriptChoice("/new/clip.m2v");
    dlg->Command(kVideoFile);
    ASSERT_EQ(ui.choosers.size(), 1u);
    EXPECT_EQ(ui.choosers[0].startFolder, "/old");
    EXPECT_EQ(ui.choosers[0].initialName, "*.m*");
    EXPECT_EQ(ui.choosers[0].filter, "MPEG Files (*.m*)|*.m*|DV Files (*.d*)|*.d*|All Files (*.*)|*.*||");
    EXPECT_FALSE(ui.choosers[0].save);
    EXPECT_EQ(view.Text(kVideoPath), "/new/clip.m2v");
    EXPECT_EQ(Key("PATHMV"), "/new/clip.m2v");

    dlg->Command(kVideoFile);  // cancelled
    EXPECT_EQ(ui.choosers[1].startFolder, "/new");
    EXPECT_EQ(engine.videoProbes, (std::vector<std::string>{"/old/v.m2v", "/new/clip.m2v", "/new/clip.m2v"}));

    ui.ScriptChoice("/out/x.mpg");
    dlg->Command(kOutputFile);
    EXPECT_TRUE(ui.choosers.back().save);  // an output is chosen with the save form
    EXPECT_TRUE(ui.choosers.back().askBeforeReplacing);
    EXPECT_EQ(Key("PATHMP"), "/out/x.mpg");
    // A path typed and not yet left: the chooser starts where it lies.
    view.Type(kOutputPath, "/typed/y.mpg");
    dlg->EditChanged(kOutputPath);
    dlg->Command(kOutputFile);  // cancelled
    EXPECT_EQ(ui.choosers.back().startFolder, "/typed");
    dlg->Command(kAudioFile);
    EXPECT_EQ(ui.choosers.back().initialName, "*.m*;*.wav");
    EXPECT_EQ(engine.audioProbes.size(), 2u);
}

TEST_F(MuxDlgTest, OutputTypeRadiosWriteTheirType) {
    Open();
    const std::pair<velmar_ui::ControlId, const char*> radios[] = {
        {kTypeDv, "0"}, {kTypeMpeg1, "1"}, {kTypeAudio, "3"}, {kTypeMpeg2, "2"}};
    for (auto [id, value] : radios) {
        view.Click(id);
        dlg->Command(id);
        EXPECT_EQ(Key("MPSTYPE"), value);
        EXPECT_EQ(dlg->OutputType(), std::stoi(value));
    }
}

TEST_F(MuxDlgTest, RunReportsProgressCountsAndEndsDone) {
    Open();
    engine.run.gate.Close();
    dlg->Command(kStop);  // idle: nothing
    EXPECT_EQ(dlg->RunState(), platform::RunState::Idle);
    dlg->Command(kStart);
    EXPECT_EQ(dlg->RunState(), platform::RunState::Running);
    dlg->Command(kStart);  // running: nothing
    ui.RunUntil([&] { return view.Text(kBytesTotal) == "65536"; });
    EXPECT_EQ(view.Text(kBytesDone), "2048");
    EXPECT_EQ(view.Text(kStatus), "Processing...");
    EXPECT_EQ(view.Range(kProgress), (velmar_ui::IntRange{0, 16}));
    EXPECT_EQ(view.Position(kProgress), 1);
    engine.run.gate.Open();
    FinishRun();
    EXPECT_EQ(engine.run.runs, 1);
    EXPECT_EQ(view.Text(kStatus), "Done !!!");
    EXPECT_EQ(view.Position(kProgress), 16);
    EXPECT_EQ(view.Text(kBytesDone), "");
    EXPECT_EQ(view.Text(kBytesTotal), "");
    EXPECT_EQ(dlg->RunState(), platform::RunState::Idle);
}

TEST_F(MuxDlgTest, ARunKeepsTheInputsItStartedWith) {
    Open();
    Type(kOutputPath, "/out/first.mpg");
    engine.run.gate.Close();
    dlg->Command(kStart);
    Type(kOutputPath, "/out/second.mpg");
    view.Click(kTypeDv);
    dlg->Command(kTypeDv);
    engine.run.gate.Open();
    FinishRun();
    EXPECT_EQ(engine.lastJob.outputPath, "/out/first.mpg");
    EXPECT_EQ(engine.lastJob.outputType, kOutputMpeg2);
}

TEST_F(MuxDlgTest, StopCancelsAndFailuresShowTheirBox) {
    Open();
    engine.run.gate.Close();
    dlg->Command(kStart);
    dlg->Command(kStop);
    EXPECT_EQ(dlg->RunState(), platform::RunState::StopRequested);
    engine.run.gate.Open();
    FinishRun();
    EXPECT_EQ(view.Text(kStatus), "Canceled !!!");
    EXPECT_TRUE(ui.Boxes().empty());

    engine.run.result = {RunStatus::Error, "Can't open video file"};
    dlg->Command(kStart);
    FinishRun();
    EXPECT_EQ(view.Text(kStatus), "Error !!!");
    ASSERT_EQ(ui.Boxes().size(), 1u);
    EXPECT_EQ(ui.Boxes()[0].caption, "Error");
    EXPECT_EQ(ui.Boxes()[0].text, "Can't open video file");
}

TEST_F(MuxDlgTest, ClosingDuringARunStopsItFirst) {
    Open();
    EXPECT_TRUE(dlg->OnCancel());  // idle: closes at once
    engine.run.gate.Close();
    dlg->Command(kStart);
    EXPECT_FALSE(dlg->OnCancel());
    EXPECT_EQ(dlg->RunState(), platform::RunState::StopRequested);
    EXPECT_FALSE(view.closed);
    engine.run.gate.Open();
    FinishRun();
    EXPECT_TRUE(view.closed);
    EXPECT_EQ(view.Text(kStatus), "Canceled !!!");
}

TEST_F(MuxDlgTest, AboutBoxFromTheSystemMenu) {
    Open();
    dlg->SystemCommand(16);
    dlg->SystemCommand(32);  // not an About command
    ASSERT_EQ(ui.Boxes().size(), 1u);
    EXPECT_EQ(ui.Boxes()[0].caption, "About Braxel");
    EXPECT_EQ(ui.Boxes()[0].text, "MPEG Program Mux Version 1.02");
}

TEST(MuxFormTest, FormIsSoundAndBitrateListsAreSixDigits) {
    EXPECT_EQ(velmar_ui::CheckFormSpec(MuxDlgForm()), std::vector<std::string>{});
    for (int layer : {1, 2, 3}) {
        EXPECT_EQ(BitrateList(layer).size(), 14u);
        for (const auto& text : BitrateList(layer)) EXPECT_EQ(text.size(), 6u) << text;
    }
    EXPECT_EQ(BitrateList(1).back(), "448000");
    EXPECT_EQ(BitrateList(2).back(), "384000");
    EXPECT_EQ(BitrateList(3).back(), "320000");
}

}  // namespace
