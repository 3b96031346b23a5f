// The fakes themselves: tests of windows trust them, so what they model must hold.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "velmar_ui/testing/fake_form_view.h"
#include "velmar_ui/testing/fake_ui_services.h"

namespace {

using namespace velmar_ui;
using velmar_ui::testing::FakeFormView;
using velmar_ui::testing::FakeUiServices;

FormSpec TwoGroups() {
    FormSpec form;
    form.groups = {{"Left", 0, 0}, {"Right", 0, 1}};
    form.controls = {
        {1, ControlKind::RadioButton, "a", "Left", 0, 0},
        {2, ControlKind::RadioButton, "b", "Left", 1, 0},
        {3, ControlKind::RadioButton, "c", "Right", 0, 0},
        {4, ControlKind::ComboBox, "", "Right", 1, 0},
        {5, ControlKind::Label, "NA", "Right", 2, 0, 1, 1, kHidden | kDisabled},
        {6, ControlKind::ListBox, "", "", 1, 0},
    };
    return form;
}

TEST(FakeFormViewTest, KnowsExactlyTheFormsIds) {
    FakeFormView view(TwoGroups());
    EXPECT_TRUE(view.Has(5));
    EXPECT_FALSE(view.Has(7));
    EXPECT_THROW(view.SetText(7, "x"), std::out_of_range);
    view.AddControl(7, ControlKind::Slider);
    view.SetPosition(7, 40);
    EXPECT_EQ(view.Position(7), 40);
    EXPECT_EQ(view.Text(5), "NA");
    EXPECT_FALSE(view.Shown(5));
    EXPECT_FALSE(view.Enabled(5));
}

TEST(FakeFormViewTest, RadioClicksAreExclusiveWithinTheirGroupOnly) {
    FakeFormView view(TwoGroups());
    view.Click(3);
    view.Click(1);
    view.Click(2);
    EXPECT_FALSE(view.Checked(1));
    EXPECT_TRUE(view.Checked(2));
    EXPECT_TRUE(view.Checked(3));
}

TEST(FakeFormViewTest, ItemsSelectionAndComboText) {
    FakeFormView view(TwoGroups());
    for (const char* item : {"1", "2", "3"}) view.AddItem(4, item);
    EXPECT_EQ(view.Text(4), "");
    EXPECT_EQ(view.SelectItemText(4, "2"), 1);
    EXPECT_EQ(view.Text(4), "2");
    EXPECT_EQ(view.SelectItemText(4, "9"), -1);
    EXPECT_EQ(view.Selection(4), -1);
    view.Pick(4, "3");
    view.RemoveItem(4, 0);
    EXPECT_EQ(view.SelectedText(4), "3");  // the selection follows its item
    EXPECT_THROW(view.Pick(4, "7"), std::out_of_range);
    view.ClearItems(4);
    EXPECT_EQ(view.ItemCount(4), 0);
    EXPECT_EQ(view.Selection(4), -1);
}

TEST(FakeFormViewTest, PositionsStayInTheirRange) {
    FakeFormView view;  // lenient: ids appear on first use
    view.SetRange(9, {0, 16});
    view.SetPosition(9, 20);
    EXPECT_EQ(view.Position(9), 16);
    view.SetPosition(9, -1);
    EXPECT_EQ(view.Position(9), 0);
}

TEST(FakeUiServicesTest, BoxesAreRecordedAndAnsweredFromTheScript) {
    FakeUiServices ui;
    ui.ScriptAnswer(BoxAnswer::No);
    EXPECT_EQ(ui.MessageBox({"Sure?", "Velmar", BoxButtons::YesNo, BoxIcon::Question}), BoxAnswer::No);
    EXPECT_EQ(ui.MessageBox({"Again?", "Velmar", BoxButtons::YesNo}), BoxAnswer::Yes);  // first button
    ASSERT_EQ(ui.Boxes().size(), 2u);
    EXPECT_EQ(ui.Boxes()[1].text, "Again?");
    ui.ScriptChoice("/tmp/a.m2v");
    EXPECT_EQ(ui.ChooseFile({}), "/tmp/a.m2v");
    EXPECT_EQ(ui.ChooseFile({}), std::nullopt);
    EXPECT_EQ(ui.choosers.size(), 2u);
    // Without a folder of its own a chooser opens where the last one chose; with one, there.
    EXPECT_EQ(ui.choosers[0].startFolder, "");
    EXPECT_EQ(ui.choosers[1].startFolder, "/tmp");
    velmar_ui::FileChooserSpec own;
    own.startFolder = "/clips";
    ui.ChooseFile(own);
    EXPECT_EQ(ui.choosers[2].startFolder, "/clips");
    // A path no setting could hold whole is refused when chosen, not cut when stored.
    ui.ScriptChoice("/" + std::string(511, 'p'));
    EXPECT_EQ(ui.ChooseFile({}), std::nullopt);
    EXPECT_EQ(ui.Boxes().back().caption, "File Name Too Long");
}

TEST(FakeUiServicesTest, TimersFireInTimeOrderAndMayStopThemselves) {
    FakeUiServices ui;
    std::vector<std::string> ticks;
    ui.SetTimer(1, 30, [&](int id) { ticks.push_back(std::to_string(id) + "@" + std::to_string(ui.NowMs())); });
    ui.SetTimer(2, 50, [&](int id) {
        ticks.push_back(std::to_string(id) + "@" + std::to_string(ui.NowMs()));
        ui.KillTimer(2);
    });
    ui.Advance(100);
    EXPECT_EQ(ticks, (std::vector<std::string>{"1@30", "2@50", "1@60", "1@90"}));
    EXPECT_FALSE(ui.TimerRunning(2));
    ui.Sleep(1000);  // the UI thread is blocked: no ticks
    EXPECT_EQ(ticks.size(), 4u);
}

TEST(FakeUiServicesTest, TasksFromAWorkerRunOnTheTestThread) {
    FakeUiServices ui;
    std::atomic<bool> finished{false};
    std::thread::id ranOn;
    std::thread worker([&] {
        EXPECT_FALSE(ui.OnUiThread());
        ui.MessageBox({"from the worker", "Info"});
        ui.RunOnUiThread([&] {
            ranOn = std::this_thread::get_id();
            finished = true;
        });
    });
    ui.RunUntil([&] { return finished.load(); });
    worker.join();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_EQ(ui.Boxes().size(), 1u);
}

}  // namespace

namespace {

// A library's box, asked for through the host hook, reaches the program's UI services whole.
TEST(LibraryBoxes, HostHookShowsThemThroughTheUiServices) {
    velmar_ui::testing::FakeUiServices ui;
    const platform::MessageBoxHook previous = platform::SetMessageBoxHook(velmar_ui::LibraryBoxesThrough(ui));
    const platform::MessageAnswer answer = platform::ShowMessageBox(
        "Unable to Allocate Buffers.", "Allocation Error", platform::MessageButtons::Ok, platform::MessageIcon::Error);
    platform::SetMessageBoxHook(previous);
    EXPECT_EQ(answer, platform::MessageAnswer::Ok);
    ASSERT_EQ(ui.Boxes().size(), 1u);
    EXPECT_EQ(ui.Boxes()[0].text, "Unable to Allocate Buffers.");
    EXPECT_EQ(ui.Boxes()[0].caption, "Allocation Error");
    EXPECT_EQ(ui.Boxes()[0].icon, velmar_ui::BoxIcon::Error);
}

// A worker's box (the board's service thread) is posted: the worker goes on at once, even while
// the UI thread runs nothing, and the box appears when the UI thread gets to it.
TEST(LibraryBoxes, AWorkersBoxIsPostedWithoutWaiting) {
    velmar_ui::testing::FakeUiServices ui;
    const platform::MessageBoxHook previous = platform::SetMessageBoxHook(velmar_ui::LibraryBoxesThrough(ui));
    platform::MessageAnswer answers[2];
    std::thread worker([&] {
        answers[0] = platform::ShowMessageBox("Driver Communication Error", "Velmar Error");
        answers[1] = platform::ShowMessageBox("Go on?", "Velmar", platform::MessageButtons::YesNo);
    });
    worker.join();
    EXPECT_TRUE(ui.Boxes().empty());
    EXPECT_EQ(ui.RunPending(), 2);
    platform::SetMessageBoxHook(previous);
    EXPECT_EQ(answers[0], platform::MessageAnswer::Ok);
    EXPECT_EQ(answers[1], platform::MessageAnswer::No);  // as if closed without choosing
    ASSERT_EQ(ui.Boxes().size(), 2u);
    EXPECT_EQ(ui.Boxes()[0].text, "Driver Communication Error");
}

}  // namespace
