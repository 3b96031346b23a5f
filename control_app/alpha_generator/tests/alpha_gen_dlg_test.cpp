// The Alpha File Generator over a fake form: its defaults, the parameters each type shows, a run
// through to the .adb, the failure reports, and Cancel during a run and when idle.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "alpha_generator/alpha_gen_dlg.h"
#include "alpha_generator/alpha_gen_ids.h"
#include "platform/log.h"
#include "velmar_testing/test_support.h"
#include "velmar_ui/testing/fake_form_view.h"
#include "velmar_ui/testing/fake_ui_services.h"

namespace velmar {
namespace {

using namespace alpha_gen_ids;
using velmar_ui::testing::FakeFormView;
using velmar_ui::testing::FakeUiServices;

struct Fixture {
    Fixture() {
        dialog.console = nullptr;
        dialog.OnInitDialog();
    }
    void WaitForRunEnd() {
        ui.RunUntil([&] { return dialog.ToolRunState() != platform::RunState::Running &&
                                 dialog.ToolRunState() != platform::RunState::StopRequested; });
        dialog.JoinWorker();
        ui.RunPending();
    }

    platform::Profile profile;
    FakeFormView view{AlphaGenForm()};
    FakeUiServices ui;
    std::vector<std::string> indexed;
    bool indexBuilds = true;
    int closed = 0;
    CAlphaGenDlg dialog{view, ui, profile,
                        [this](const std::string& path) {
                            indexed.push_back(path);
                            return indexBuilds;
                        },
                        [this] { ++closed; }};
};

TEST(AlphaGenDlg, OpensWithTheDefaultsAndShowsTheParametersOfTheType) {
    platform::Profile().WriteString("GLOBAL", "PATHALPGEN", "/clips/fade.alp");
    Fixture f;
    EXPECT_EQ(f.view.Text(kFileName), "/clips/fade.alp");
    EXPECT_EQ(f.view.SelectedText(kType), "Cross Fade");
    EXPECT_EQ(f.view.ItemCount(kType), 6);
    EXPECT_EQ(f.view.SelectedText(kHorizontal), "720");
    EXPECT_EQ(f.view.ItemCount(kHorizontal), 9);
    EXPECT_EQ(f.view.SelectedText(kVertical), "480");
    EXPECT_EQ(f.view.Text(kCountEdit), "50");
    EXPECT_EQ(f.view.Text(kStartEdit), "255");
    EXPECT_EQ(f.view.Text(kEndEdit), "0");
    EXPECT_EQ(f.view.Text(kBlockEdit), "32");
    EXPECT_EQ(f.view.Range(kCountSpin), (velmar_ui::IntRange{1, 16000}));
    EXPECT_EQ(f.view.Range(kBlockSpin), (velmar_ui::IntRange{2, 240}));
    EXPECT_FALSE(f.dialog.OnOK());  // Enter does not close the tool

    struct Shown {
        const char* type;
        const char* caption;
        bool levels;
        bool block;
    };
    for (const Shown& s : {Shown{"Dissolve", "Block Size (2 - 240)", false, true},
                           Shown{"Wipe Fade", "Block Size (2 - 240)", false, false},
                           Shown{"Cross Fade", "Mix Level (0 - 255)", true, false}}) {
        f.view.Pick(kType, s.type);
        f.dialog.SelectionChanged(kType);
        EXPECT_EQ(f.view.Text(kParameterCaption), s.caption) << s.type;
        for (ControlId id : {kStartLabel, kStartSpin, kStartEdit, kEndLabel, kEndSpin, kEndEdit})
            EXPECT_EQ(f.view.Shown(id), s.levels) << s.type << " " << id;
        for (ControlId id : {kBlockSpin, kBlockEdit}) EXPECT_EQ(f.view.Shown(id), s.block) << s.type << " " << id;
    }
}

TEST(AlphaGenDlg, ARunWritesTheStreamThenTheTimerBuildsItsIndex) {
    Fixture f;
    const std::string path = velmar_testing::TempDir() + "/dissolve.alp";
    f.view.Type(kFileName, path);
    f.dialog.EditChanged(kFileName);
    f.dialog.EditLostFocus(kFileName);
    EXPECT_EQ(platform::Profile().GetString("GLOBAL", "PATHALPGEN"), path);
    f.view.Pick(kType, "Dissolve");
    f.dialog.SelectionChanged(kType);
    f.view.Pick(kHorizontal, "352");
    f.view.Type(kCountEdit, "6");  // typed into the edit: the spin follows its buddy
    f.dialog.Scroll(kBlockSpin, velmar_ui::ScrollCode::ThumbPosition, 16);
    EXPECT_EQ(f.view.Text(kBlockEdit), "16");
    f.dialog.Command(kStart);
    EXPECT_EQ(f.view.Text(kStatus), "Processing...");
    EXPECT_EQ(f.view.Range(kProgress), (velmar_ui::IntRange{0, 6}));
    f.dialog.Command(kStart);  // ignored while a run goes
    f.WaitForRunEnd();
    EXPECT_EQ(f.dialog.ToolRunState(), platform::RunState::Finishing);
    EXPECT_EQ(f.view.Text(kStatus), "Done !!!");
    EXPECT_EQ(f.view.Position(kProgress), 6);
    EXPECT_EQ(f.dialog.Params().horizontal, 352);
    EXPECT_EQ(f.dialog.Params().startLevel, 16);
    EXPECT_FALSE(f.dialog.OnCancel());  // the index is still to be built
    EXPECT_EQ(f.closed, 0);

    f.ui.Advance(100);
    EXPECT_EQ(f.indexed, std::vector<std::string>{path});
    EXPECT_EQ(f.view.Text(kStatus), "Done !!!, .adb file Done !!!");
    EXPECT_EQ(f.dialog.ToolRunState(), platform::RunState::Idle);
    EXPECT_TRUE(std::filesystem::exists(path));

    f.indexBuilds = false;
    f.view.Pick(kType, "Cross Fade");
    f.dialog.Command(kStart);
    f.WaitForRunEnd();
    f.ui.Advance(100);
    EXPECT_EQ(f.view.Text(kStatus), "Done !!!, Could not generate .adb file !!!");
    EXPECT_TRUE(f.ui.Boxes().empty());

    EXPECT_TRUE(f.dialog.OnCancel());  // idle: the tool closes
    EXPECT_EQ(f.closed, 1);
}

// The lines per field are a trace: printed at the debug log level only.
TEST(AlphaGenDlg, FieldLinesOnlyAtTheDebugLevel) {
    for (platform::LogLevel level : {platform::LogLevel::Info, platform::LogLevel::Debug}) {
        platform::SetLogLevel(level);
        Fixture f;
        std::FILE* console = std::tmpfile();
        ASSERT_NE(console, nullptr);
        f.dialog.console = console;
        f.view.Type(kFileName, velmar_testing::TempDir() + "/fade.alp");
        f.dialog.EditChanged(kFileName);
        f.view.Pick(kType, "Cross Fade");
        f.dialog.SelectionChanged(kType);
        f.view.Type(kCountEdit, "2");
        f.dialog.Command(kStart);
        f.WaitForRunEnd();
        EXPECT_EQ(f.view.Text(kStatus), "Done !!!");
        const long printed = std::ftell(console);
        std::fclose(console);
        if (level == platform::LogLevel::Debug)
            EXPECT_GT(printed, 0);
        else
            EXPECT_EQ(printed, 0);
    }
    platform::SetLogLevel(platform::LogLevel::Info);
}

TEST(AlphaGenDlg, FailuresAreReportedAndTheToolReturnsToIdle) {
    struct Case {
        const char* type;
        std::string path;
        const char* box;
    };
    const std::string dir = velmar_testing::TempDir();
    for (const Case& c : {Case{"Wipe Band", dir + "/wipe.alp", "This Alpha File Type is Not Yet Supported"},
                          Case{"Cross Fade", dir + "/missing/fade.alp", "Trouble With Alpha Stream Output File!"}}) {
        Fixture f;
        f.view.Type(kFileName, c.path);
        f.dialog.EditChanged(kFileName);
        f.view.Pick(kType, c.type);
        f.dialog.Command(kStart);
        f.WaitForRunEnd();
        EXPECT_EQ(f.view.Text(kStatus), "Error !!!") << c.type;
        ASSERT_EQ(f.ui.Boxes().size(), 1u) << c.type;
        EXPECT_EQ(f.ui.Boxes()[0].text, c.box);
        EXPECT_EQ(f.ui.Boxes()[0].caption, "Velmar Error");
        EXPECT_EQ(f.dialog.ToolRunState(), platform::RunState::Idle);
        f.ui.Advance(100);
        EXPECT_TRUE(f.indexed.empty());
        EXPECT_FALSE(std::filesystem::exists(c.path));
    }
}

TEST(AlphaGenDlg, CancelStopsARunAndLeavesThePairThatWasThere) {
    Fixture f;
    // A dissolve of fine blocks over many fields runs for seconds: the cancel lands in the run.
    const std::string path = velmar_testing::TempDir() + "/cancel.alp";
    const std::string index = velmar_testing::TempDir() + "/cancel.adb";
    std::ofstream(path, std::ios::binary) << "old stream";
    std::ofstream(index, std::ios::binary) << "old index";
    f.view.Type(kFileName, path);
    f.dialog.EditChanged(kFileName);
    f.view.Pick(kType, "Dissolve");
    f.view.Type(kCountEdit, "16000");
    f.view.Type(kBlockEdit, "2");
    f.dialog.Scroll(kBlockSpin, velmar_ui::ScrollCode::ThumbPosition, 2);
    f.dialog.Command(kStart);
    EXPECT_FALSE(f.dialog.OnCancel());
    EXPECT_EQ(f.dialog.ToolRunState(), platform::RunState::StopRequested);
    EXPECT_FALSE(f.dialog.OnCancel());
    f.WaitForRunEnd();
    EXPECT_EQ(f.view.Text(kStatus), "Canceled !!!");
    EXPECT_EQ(f.view.Position(kProgress), 0);
    EXPECT_EQ(f.dialog.ToolRunState(), platform::RunState::Idle);
    f.ui.Advance(200);
    EXPECT_TRUE(f.indexed.empty());
    EXPECT_EQ(f.closed, 0);
    auto text = [](const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        return std::string{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    };
    EXPECT_EQ(text(path), "old stream");
    EXPECT_EQ(text(index), "old index");
}

TEST(AlphaGenDlg, BrowseRemembersTheChosenFile) {
    Fixture f;
    platform::Profile().WriteString("GLOBAL", "PATHALPGEN", "/clips/old.alx");
    f.ui.ScriptChoice(std::string("/clips/new.alp"));
    f.dialog.Command(kBrowse);
    ASSERT_EQ(f.ui.choosers.size(), 1u);
    EXPECT_TRUE(f.ui.choosers[0].save);  // the stream it writes
    EXPECT_TRUE(f.ui.choosers[0].askBeforeReplacing);
    EXPECT_EQ(f.ui.choosers[0].startFolder, "/clips");
    EXPECT_EQ(f.ui.choosers[0].initialName, "*.alx");
    EXPECT_EQ(f.ui.choosers[0].defaultExtension, "alp");
    EXPECT_EQ(f.ui.choosers[0].filter,
              "Alpha Files (*.alp)|*.alp|Audio Files (*.wav)|*.wav|Data Files (*.mpg;*.wav)|*.mpg; *.wav|"
              "All Files (*.*)|*.*||");
    EXPECT_EQ(f.view.Text(kFileName), "/clips/new.alp");
    EXPECT_EQ(platform::Profile().GetString("GLOBAL", "PATHALPGEN"), "/clips/new.alp");
}

}  // namespace
}  // namespace velmar
