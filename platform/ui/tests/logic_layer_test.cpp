// The logic side of the UI layer over the fakes: message maps, data exchange, form checks.
#include <gtest/gtest.h>

#include "velmar_ui/data_exchange.h"
#include "velmar_ui/form_logic.h"
#include "velmar_ui/form_spec.h"
#include "velmar_ui/message_map.h"
#include "velmar_ui/testing/fake_form_view.h"
#include "velmar_ui/testing/fake_ui_services.h"

namespace {

using namespace velmar_ui;
using velmar_ui::testing::FakeFormView;
using velmar_ui::testing::FakeUiServices;

constexpr ControlId kName = 1001, kCount = 1002, kLoud = 1003, kModeA = 1004, kModeB = 1005, kGo = 1006,
                    kLevel = 1007;

FormSpec SampleForm() {
    FormSpec form;
    form.title = "Sample";
    form.groups = {{"Settings", 0, 0}};
    form.controls = {
        {kName, ControlKind::Edit, "", "Settings", 0, 1},
        {kNoId, ControlKind::Label, "Name:", "Settings", 0, 0},
        {kCount, ControlKind::Edit, "", "Settings", 1, 1},
        {kLoud, ControlKind::CheckBox, "Loud", "Settings", 2, 0},
        {kModeA, ControlKind::RadioButton, "A", "Settings", 3, 0},
        {kModeB, ControlKind::RadioButton, "B", "Settings", 3, 1},
        {kGo, ControlKind::PushButton, "Go", "", 1, 0},
        {kLevel, ControlKind::Slider, "", "", 2, 0},
    };
    return form;
}

class SampleDlg : public FormLogic {
public:
    using FormLogic::FormLogic;

    std::string name = "first";
    int count = 3;
    bool loud = true;
    int mode = 1;
    std::vector<std::string> calls;
    Event lastEvent;

    bool UpdateData(bool save) override { return DataMap().UpdateData(*this, View(), Ui(), save); }
    void StartTicking() { SetTimer(7, 100); }

    void OnGo() { calls.push_back("go"); }
    void OnNameChanged() { calls.push_back("name"); }
    void OnLevel(const Event& event) {
        lastEvent = event;
        calls.push_back("level");
    }
    void OnTimer(const Event& event) { calls.push_back("timer " + std::to_string(event.id)); }
    void OnTimer9() { calls.push_back("timer nine"); }

    static const DataExchange<SampleDlg>& DataMap() {
        static const DataExchange<SampleDlg> table{
            DdxText(kName, &SampleDlg::name),
            DdxNumber(kCount, &SampleDlg::count, 1, 10),
            DdxCheck(kLoud, &SampleDlg::loud),
            DdxRadio({kModeA, kModeB}, &SampleDlg::mode),
        };
        return table;
    }

protected:
    bool Dispatch(const Event& event) override { return Map().Dispatch(*this, event); }

private:
    static const MessageMap<SampleDlg>& Map() {
        static const MessageMap<SampleDlg> map{
            OnCommand(kGo, &SampleDlg::OnGo),
            OnEditChange(kName, &SampleDlg::OnNameChanged),
            OnScroll(kLevel, &SampleDlg::OnLevel),
            OnTimerId(9, &SampleDlg::OnTimer9),
            OnAnyTimer(&SampleDlg::OnTimer),
        };
        return map;
    }
};

struct SampleFixture : ::testing::Test {
    FakeFormView view{SampleForm()};
    FakeUiServices ui;
    SampleDlg dlg{view, ui};
};

TEST_F(SampleFixture, MessageMapRoutesByKindAndId) {
    EXPECT_TRUE(dlg.Command(kGo));
    EXPECT_TRUE(dlg.EditChanged(kName));
    EXPECT_FALSE(dlg.EditChanged(kCount));  // no entry: not handled
    EXPECT_FALSE(dlg.Command(kName));       // a command of an id mapped for another kind
    EXPECT_TRUE(dlg.Scroll(kLevel, ScrollCode::PageDown, 40));
    EXPECT_EQ(dlg.lastEvent.code, ScrollCode::PageDown);
    EXPECT_EQ(dlg.lastEvent.position, 40);
    // The specific timer entry wins over the catch-all.
    EXPECT_TRUE(dlg.Timer(9));
    EXPECT_TRUE(dlg.Timer(3));
    EXPECT_EQ(dlg.calls, (std::vector<std::string>{"go", "name", "level", "timer nine", "timer 3"}));
}

TEST_F(SampleFixture, TimersTickOnTheVirtualClock) {
    dlg.StartTicking();
    ui.Advance(350);
    EXPECT_EQ(dlg.calls, (std::vector<std::string>{"timer 7", "timer 7", "timer 7"}));
    EXPECT_EQ(ui.NowMs(), 350);
}

TEST_F(SampleFixture, DataExchangeLoadsAndSavesEveryKind) {
    ASSERT_TRUE(dlg.UpdateData(false));
    EXPECT_EQ(view.Text(kName), "first");
    EXPECT_EQ(view.Text(kCount), "3");
    EXPECT_TRUE(view.Checked(kLoud));
    EXPECT_FALSE(view.Checked(kModeA));
    EXPECT_TRUE(view.Checked(kModeB));

    view.Type(kName, "second");
    view.Type(kCount, " 10 ");
    view.Click(kLoud);
    view.Click(kModeA);
    ASSERT_TRUE(dlg.UpdateData(true));
    EXPECT_EQ(dlg.name, "second");
    EXPECT_EQ(dlg.count, 10);
    EXPECT_FALSE(dlg.loud);
    EXPECT_EQ(dlg.mode, 0);
    EXPECT_TRUE(ui.Boxes().empty());
}

TEST_F(SampleFixture, DataExchangeRefusesBadNumbersWithABox) {
    for (const char* bad : {"11", "0", "abc", "", "3x", "99999999999"}) {
        view.Type(kCount, bad);
        ControlId failed = 0;
        EXPECT_FALSE(dlg.DataMap().UpdateData(dlg, view, ui, true, &failed)) << bad;
        EXPECT_EQ(failed, kCount);
        EXPECT_EQ(dlg.count, 3) << bad;
        EXPECT_TRUE(view.Control(kCount).allSelected);
    }
    ASSERT_EQ(ui.Boxes().size(), 6u);
    EXPECT_EQ(ui.Boxes()[0].text, "Please enter an integer between 1 and 10.");
}

TEST_F(SampleFixture, RadioGroupWithNothingCheckedSavesMinusOne) {
    view.Type(kCount, "4");
    ASSERT_TRUE(dlg.UpdateData(true));
    EXPECT_EQ(dlg.mode, -1);
}

TEST(FormSpecTest, CheckFindsEveryKindOfMistake) {
    EXPECT_TRUE(CheckFormSpec(SampleForm()).empty());

    FormSpec form = SampleForm();
    form.groups.push_back({"Settings", 1, 1});                            // duplicate group
    form.controls.push_back({kGo, ControlKind::PushButton, "Again", "", 5, 0});  // duplicate id
    form.controls.push_back({2000, ControlKind::Label, "", "Nowhere", 0, 0});    // unknown group
    form.controls.push_back({2001, ControlKind::Edit, "", "Settings", 0, 0, 1, 2});  // overlaps "Name:"
    form.controls.push_back({2002, ControlKind::Edit, "", "", -1, 0});           // bad cell
    const auto problems = CheckFormSpec(form);
    ASSERT_EQ(problems.size(), 5u);
    EXPECT_EQ(problems[0], "duplicate group \"Settings\"");
    EXPECT_EQ(problems[1], "duplicate id 1006");
    EXPECT_EQ(problems[2], "control 2000 names unknown group \"Nowhere\"");
    EXPECT_EQ(problems[3], "control 2001 overlaps another in row 0, column 0");
    EXPECT_EQ(problems[4], "control 2002 has a bad cell");
    EXPECT_EQ(ObjectNameOf(1037), "c1037");
}

TEST(FileFilterTest, ParsesPairsAndDropsShownPatterns) {
    const auto entries =
        ParseFileFilter("WAVE and MPEG Files (*.wav;*.m*)|*.wav;*.m*|All Files (*.*)|*.*||");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0], (FileFilterEntry{"WAVE and MPEG Files", {"*.wav", "*.m*"}}));
    EXPECT_EQ(entries[1], (FileFilterEntry{"All Files", {"*.*"}}));
    EXPECT_TRUE(ParseFileFilter("").empty());
    EXPECT_EQ(ParseFileFilter("Clips|*.flm").size(), 1u);  // without the closing "||"
}

TEST(PathTextTest, FolderAndIntegerParsing) {
    EXPECT_EQ(FolderOf("/data/clips/a.m2v"), "/data/clips");
    EXPECT_EQ(FolderOf("/a.m2v"), "/");
    EXPECT_EQ(FolderOf("a.m2v"), "");
    int value = 0;
    EXPECT_TRUE(ParseInteger("-2147483648", value));
    EXPECT_EQ(value, -2147483647 - 1);
    EXPECT_FALSE(ParseInteger("2147483648", value));
    EXPECT_FALSE(ParseInteger("-", value));
    EXPECT_FALSE(ParseInteger("1 2", value));
}

}  // namespace
