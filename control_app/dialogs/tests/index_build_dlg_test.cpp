// The index builder's dialog over a fake form: a complete run closes with the index in place,
// a failure tells the operator and closes without one, Cancel stops the worker.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "dialogs/dialog_ids.h"
#include "dialogs/index_build_dlg.h"
#include "velmar_testing/test_support.h"
#include "velmar_ui/testing/fake_form_view.h"
#include "velmar_ui/testing/fake_ui_services.h"

namespace velmar {
namespace {

using namespace dialog_ids;
using velmar_ui::testing::FakeFormView;
using velmar_ui::testing::FakeUiServices;

const std::uint8_t kTwoPictures[] = {0, 0, 1, 0xB3, 0x2D, 0x01, 0xE0, 0x24, 0, 0, 1, 0, 0, 0x08, 0xFF, 0xF8,
                                     0, 0, 1, 0, 0, 0x48, 0xFF, 0xF8};

void Write(const std::string& path, const void* data, std::size_t bytes) {
    std::ofstream(path, std::ios::binary).write(static_cast<const char*>(data), std::streamsize(bytes));
}

// Runs the dialog until it closes itself, as the modal loop would.
void RunToClose(CIndexBuildDlg& dialog, FakeFormView& view, FakeUiServices& ui) {
    dialog.OnInitDialog();
    EXPECT_EQ(ui.TimerPeriod(CIndexBuildDlg::kPollTimer), 100);
    EXPECT_EQ(view.Range(kIndexBuildProgress), (velmar_ui::IntRange{0, 16}));
    while (!view.closed) {
        ui.RunPending();
        ui.Advance(100);
        std::this_thread::yield();
    }
    ui.RunPending();
    EXPECT_FALSE(ui.TimerRunning(CIndexBuildDlg::kPollTimer));
}

TEST(IndexBuildDlg, CompleteRunShowsProgressAndCloses) {
    const std::string dir = velmar_testing::TempDir();
    Write(dir + "/clip.mpg", kTwoPictures, sizeof kTwoPictures);
    FakeFormView view(IndexBuildForm());
    FakeUiServices ui;
    CIndexBuildDlg dialog(view, ui, dir + "/clip.mpg");
    EXPECT_FALSE(dialog.OnOK());  // OK does not end a running build
    RunToClose(dialog, view, ui);
    EXPECT_TRUE(dialog.Completed());
    EXPECT_EQ(view.Text(kIndexBuildWhat), "MPEG2 file detected, creating " + dir + "/clip.mdb\n");
    EXPECT_EQ(view.Text(kIndexBuildBytes), "Bytes Read = 24");
    EXPECT_EQ(view.Position(kIndexBuildProgress), 16);
    EXPECT_EQ(std::filesystem::file_size(dir + "/clip.mdb"), 16u);
    EXPECT_TRUE(ui.Boxes().empty());
}

TEST(IndexBuildDlg, FailureTellsWhyAndLeavesNoIndex) {
    const std::string dir = velmar_testing::TempDir();
    Write(dir + "/notes.mpg", "hello world", 11);
    FakeFormView view(IndexBuildForm());
    FakeUiServices ui;
    CIndexBuildDlg dialog(view, ui, dir + "/notes.mpg");
    RunToClose(dialog, view, ui);
    EXPECT_FALSE(dialog.Completed());
    ASSERT_EQ(ui.Boxes().size(), 1u);
    EXPECT_EQ(ui.Boxes()[0].text, "this is not an MPEG2 or Alpha file\n");
    EXPECT_EQ(ui.Boxes()[0].caption, "Velmar Message");
    EXPECT_FALSE(std::filesystem::exists(dir + "/notes.mdb"));
}

TEST(IndexBuildDlg, CancelDuringTheFirstBlock) {
    // A long stream (a sequence header, then a hole read as zeros): the worker is still in its first
    // blocks when Cancel is pressed right after the start.
    const std::string dir = velmar_testing::TempDir();
    const std::string clip = dir + "/clip.mpg";
    Write(clip, kTwoPictures, sizeof kTwoPictures);
    std::filesystem::resize_file(clip, std::uintmax_t{1} << 32);
    FakeFormView view(IndexBuildForm());
    FakeUiServices ui;
    CIndexBuildDlg dialog(view, ui, clip);
    dialog.OnInitDialog();
    EXPECT_FALSE(dialog.OnCancel());  // the dialog stays until the worker has stopped
    EXPECT_FALSE(view.closed);
    while (!view.closed) {
        ui.RunPending();
        ui.Advance(100);
        std::this_thread::yield();
    }
    EXPECT_FALSE(dialog.Completed());
    EXPECT_TRUE(ui.Boxes().empty());
    EXPECT_FALSE(std::filesystem::exists(dir + "/clip.mdb"));
}

// A pipe named as the stream would hold the worker in its first read, out of Cancel's reach: it
// is refused like a file that cannot be opened.
TEST(IndexBuildDlg, APipeIsRefused) {
    const std::string dir = velmar_testing::TempDir();
    ASSERT_EQ(mkfifo((dir + "/clip.mpg").c_str(), 0600), 0);
    FakeFormView view(IndexBuildForm());
    FakeUiServices ui;
    CIndexBuildDlg dialog(view, ui, dir + "/clip.mpg");
    RunToClose(dialog, view, ui);
    EXPECT_FALSE(dialog.Completed());
    ASSERT_EQ(ui.Boxes().size(), 1u);
    EXPECT_EQ(ui.Boxes()[0].text, "can't open " + dir + "/clip.mpg\n");
}

}  // namespace
}  // namespace velmar
