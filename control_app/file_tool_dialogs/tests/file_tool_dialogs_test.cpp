// The tools' dialogs over a fake form and fake UI services, running the real engines on files.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "file_tool_dialogs/file_split_dlg.h"
#include "file_tool_dialogs/file_tool_ids.h"
#include "file_tool_dialogs/swap_merge_dlg.h"
#include "index_formats/picture_index.h"
#include "platform/profile.h"
#include "twinrail/twinrail_ids.h"
#include "velmar_testing/test_support.h"
#include "velmar_ui/testing/fake_form_view.h"
#include "velmar_ui/testing/fake_ui_services.h"

using namespace velmar;
using namespace velmar::file_tool_ids;
using velmar_ui::testing::FakeFormView;
using velmar_ui::testing::FakeUiServices;

namespace {

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Runs a started worker to its report.
template <class Dlg>
void Finish(Dlg& dlg, FakeUiServices& ui) {
    ui.RunUntil([&] { return dlg.Run().State() == platform::RunState::Idle; });
    dlg.JoinWorker();
}

struct FakeSlider : components::ComponentInstance {
    std::vector<std::vector<std::int32_t>> calls;
    components::EventSink* sink = nullptr;
    const components::TypeInfo& Type() const override {
        static const components::TypeInfo info;
        return info;
    }
    components::HResult Invoke(std::int32_t dispid, std::span<const std::int32_t> args) override {
        std::vector<std::int32_t> call{dispid};
        call.insert(call.end(), args.begin(), args.end());
        calls.push_back(call);
        return components::kOk;
    }
    void Advise(components::EventSink* s) override { sink = s; }
    void Unadvise() override { sink = nullptr; }
    void* Window() override { return nullptr; }
    components::HResult DoVerb(components::Verb) override { return components::kOk; }
    std::vector<std::uint8_t> SaveState() const override { return {}; }
    components::HResult LoadState(const std::vector<std::uint8_t>&) override { return components::kOk; }
    void Drag(int start, int end) {
        const std::int32_t args[] = {start, end};
        sink->Invoke(twinrail::kDispidChange, args);
    }
};

struct FakePanel : SplitPanelLink {
    TvStandard Standard() const override { return TvStandard::Pal; }
    int VideoAPosition() const override { return videoA; }
    int AudioPosition() const override { return audio; }
    int videoA = 0;
    int audio = 0;
};

}  // namespace

TEST(FileToolDialogs, SwapAndMergeRunReportAndCloseOnlyWhenIdle) {
    const std::string dir = velmar_testing::TempDir();
    const platform::Profile profile;
    WriteBytes(dir + "/a.mpg", {0, 0, 1, 0xB3, 1, 2, 3, 4, 5});
    WriteBytes(dir + "/b.mpg", {9, 8, 7, 6});
    profile.WriteString("GLOBAL", "PATHSWAPS", dir + "/a.mpg");
    profile.WriteString("GLOBAL", "PATHSWAPD", dir + "/s.mpg");

    FakeFormView view(ByteSwapForm());
    FakeUiServices ui;
    int closed = 0;
    CByteSwapDlg swap(view, ui, profile, [&] { ++closed; });
    swap.OnInitDialog();
    EXPECT_EQ(view.Text(kFirstPath), dir + "/a.mpg");
    EXPECT_TRUE(view.Control(kFirstPath).allSelected);
    EXPECT_FALSE(swap.OnOK());
    swap.Command(kStart);
    EXPECT_EQ(view.Text(kStatus), "Processing...");
    EXPECT_FALSE(swap.OnCancel());  // running: EXIT waits
    Finish(swap, ui);
    EXPECT_EQ(view.Text(kStatus), "Done !!!");
    EXPECT_EQ(ReadBytes(dir + "/s.mpg"), (std::vector<std::uint8_t>{0xB3, 1, 0, 0, 4, 3, 2, 1, 5}));
    // Onto its own source under another spelling: refused, source intact.
    view.Type(kSecondPath, dir + "/./a.mpg");
    swap.EditChanged(kSecondPath);
    swap.EditLostFocus(kSecondPath);
    EXPECT_EQ(profile.GetString("GLOBAL", "PATHSWAPD"), dir + "/./a.mpg");
    swap.Command(kStart);
    Finish(swap, ui);
    EXPECT_EQ(view.Text(kStatus), "FILE ERROR !!!");
    ASSERT_EQ(ui.Boxes().size(), 1u);
    EXPECT_EQ(ui.Boxes()[0].caption, "Velmar Error");
    EXPECT_EQ(ReadBytes(dir + "/a.mpg").size(), 9u);
    EXPECT_TRUE(swap.OnCancel());
    EXPECT_EQ(closed, 1);

    FakeFormView mergeView(FileMergeForm());
    FakeUiServices mergeUi;
    CFileMergeDlg merge(mergeView, mergeUi, profile, {});
    merge.OnInitDialog();
    mergeUi.ScriptChoice(dir + "/a.mpg");
    merge.Command(kBrowseFirst);
    EXPECT_EQ(profile.GetString("GLOBAL", "PATHMERGES"), dir + "/a.mpg");
    EXPECT_EQ(mergeUi.choosers.at(0).filter,
              "MPEG Files (*.mpg)|*.mpg|Audio Files (*.wav)|*.wav|Data Files (*.mpg;*.wav)|*.mpg; *.wav|All Files "
              "(*.*)|*.*||");
    struct Case {
        std::string b;
        std::string status;
        std::string box;
    };
    // An index beside B only: the status says which file lacks its index and how to build it.
    WriteBytes(dir + "/c.mpg", {0, 0, 1, 0xB3});
    WriteBytes(dir + "/c.mdb", {0, 0, 0, 0, 0, 0x81, 0, 0});
    const Case cases[] = {
        {dir + "/a.mpg", "FILE ERROR !!!", "Can't append to same file!"},
        {dir + "/missing.mpg", "FILE ERROR !!! " + dir + "/missing.mpg: No such file or directory", "File Error!"},
        {dir + "/c.mpg",
         "FILE ERROR !!! " + dir + "/a.mpg has no picture index (" + dir + "/a.mdb): build it with the Index Builder "
         "(clip-tool index " + dir + "/a.mpg), then merge again",
         "File Error!"},
        {dir + "/b.mpg", "Done !!!", ""},
    };
    for (const auto& c : cases) {
        mergeView.Type(kSecondPath, c.b);
        merge.EditChanged(kSecondPath);
        const auto boxes = mergeUi.Boxes().size();
        merge.Command(kStart);
        Finish(merge, mergeUi);
        EXPECT_EQ(mergeView.Text(kStatus), c.status) << c.b;
        if (c.box.empty()) EXPECT_EQ(mergeUi.Boxes().size(), boxes);
        else EXPECT_EQ(mergeUi.Boxes().back().text, c.box);
    }
    EXPECT_EQ(ReadBytes(dir + "/a.mpg").size(), 16u);  // 9, padded to 12 with zero bytes, then B's 4
    EXPECT_EQ(mergeView.Position(kProgress), 16);
}

class SplitDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = velmar_testing::TempDir();
        data_ = WriteClip("clip", 4000);
        profile_.WriteString("GLOBAL", "PATHFSPLITS", dir_ + "/clip.mpg");
        profile_.WriteString("GLOBAL", "PATHFSPLITD", dir_ + "/cut.mpg");
    }
    // 4 groups of 12 pictures, `groupBytes` each.
    std::vector<std::uint8_t> WriteClip(const std::string& name, std::uint64_t groupBytes) {
        std::vector<index_formats::PictureIndexRecord> records;
        for (int g = 0; g < 4; ++g)
            for (int k = 0; k < 12; ++k)
                records.push_back({g * groupBytes / 4, std::uint8_t(k), std::uint8_t(12 - k), g == 3});
        std::vector<std::uint8_t> data(4 * groupBytes);
        for (std::size_t i = 0; i < data.size(); ++i) data[i] = std::uint8_t(i * 7);
        WriteBytes(dir_ + "/" + name + ".mpg", data);
        WriteBytes(dir_ + "/" + name + ".mdb", index_formats::EncodePictureIndex(records));
        return data;
    }
    std::unique_ptr<CFileSplitDlg> Open(bool withSlider) {
        auto slider = std::make_unique<FakeSlider>();
        slider_ = withSlider ? slider.get() : nullptr;
        auto dlg = std::make_unique<CFileSplitDlg>(view_, ui_, profile_, panel_,
                                                   withSlider ? std::move(slider) : nullptr, [] {});
        dlg->OnInitDialog();
        return dlg;
    }
    std::string dir_;
    std::vector<std::uint8_t> data_;
    const platform::Profile profile_;
    FakeFormView view_{FileSplitForm()};
    FakeUiServices ui_;
    FakePanel panel_;
    FakeSlider* slider_ = nullptr;
};

TEST_F(SplitDialogTest, InitSelectsTheWholeClipAndTheSliderDrivesTheEditsWithoutEcho) {
    auto dlg = Open(true);
    EXPECT_TRUE(view_.Checked(kVideo));
    EXPECT_FALSE(view_.Shown(kRate48));
    EXPECT_EQ(dlg->Length(), 96);
    EXPECT_EQ(view_.Text(kSourceLength), "00:00:01:23");  // 48 frames
    EXPECT_EQ(view_.Text(kStartEdit), "00000000");
    EXPECT_EQ(view_.Text(kEndEdit), "00000122");        // clamped to the last frame, 47
    ASSERT_GE(slider_->calls.size(), 2u);
    EXPECT_EQ(slider_->calls[0], (std::vector<std::int32_t>{twinrail::kDispidSetRange, 48}));
    EXPECT_EQ(slider_->calls.back(), (std::vector<std::int32_t>{twinrail::kDispidSetPos, 0, 47}));
    EXPECT_TRUE(ui_.Boxes().empty());

    const auto calls = slider_->calls.size();
    slider_->Drag(14, 30);
    EXPECT_EQ(slider_->calls.size(), calls);  // the slider's own change is not sent back to it
    EXPECT_EQ(view_.Text(kStartEdit), "00000014");
    EXPECT_EQ(view_.Text(kEndEdit), "00000105");
    EXPECT_EQ(view_.Text(kFirstWritten), "00:00:00:12");
    EXPECT_EQ(view_.Text(kLastWritten), "00:00:01:10");  // frame 35
    EXPECT_EQ(view_.Text(kLengthWritten), "00:00:00:24");
    EXPECT_EQ(dlg->Selection().startByte, 4000u);
    EXPECT_EQ(dlg->Selection().endByte, 12000u);

    // Typing an end before the start raises it to the start, and the slider follows.
    view_.Type(kEndEdit, "00000005");
    dlg->EditChanged(kEndEdit);
    dlg->EditLostFocus(kEndEdit);
    EXPECT_EQ(view_.Text(kEndEdit), "00000014");
    EXPECT_EQ(slider_->calls.back(), (std::vector<std::int32_t>{twinrail::kDispidSetPos, 14, 14}));

    dlg->Command(kStart);
    Finish(*dlg, ui_);
    EXPECT_EQ(view_.Text(kStatus), "Done !!!");
    EXPECT_EQ(ReadBytes(dir_ + "/cut.mpg"), std::vector<std::uint8_t>(data_.begin() + 4000, data_.begin() + 8000));
    EXPECT_EQ(ReadBytes(dir_ + "/cut.mdb").size(), 12u * 8);
    EXPECT_FALSE(dlg->OnOK());  // Enter recomputes and keeps the dialog open
}

TEST_F(SplitDialogTest, WithoutTheSliderTheEditsAndGButtonsStillWork) {
    auto dlg = Open(false);
    EXPECT_EQ(view_.Text(kStatus), CFileSplitDlg::kNoSliderText);
    panel_.videoA = 2 * 26;
    panel_.audio = 2 * 3;
    dlg->Command(kTakeStart);
    EXPECT_EQ(view_.Text(kStartEdit), "00000101");  // frame 26 = 1 s 1 frame
    dlg->Command(kTakeEnd);
    EXPECT_EQ(view_.Text(kEndEdit), "00000101");
    EXPECT_EQ(view_.Text(kFirstWritten), "00:00:00:24");
    EXPECT_EQ(view_.Text(kLastWritten), "00:00:01:10");

    // Audio: the cadence follows the checked rate; G takes the audio channel's position.
    WriteBytes(dir_ + "/tone.pcm", std::vector<std::uint8_t>(7680 * 100));
    view_.Type(kFirstPath, dir_ + "/tone.pcm");
    dlg->EditChanged(kFirstPath);
    view_.Click(kAudio);
    dlg->Command(kAudio);
    EXPECT_TRUE(view_.Shown(kRate48));
    EXPECT_EQ(dlg->Length(), 200);
    dlg->Command(kTakeStart);
    EXPECT_EQ(view_.Text(kStartEdit), "00000003");
    struct Case {
        ControlId rate;
        const char* end;
        const char* cadence;
    };
    const Case cases[] = {{kRate48, "00000010", "3/5"}, {kRate44, "00000010", "8/25"}, {kRate32, "00000006", "4/15"}};
    for (const auto& c : cases) {
        view_.Click(c.rate);
        dlg->Command(c.rate);
        view_.Type(kEndEdit, c.end);
        dlg->EditChanged(kEndEdit);
        dlg->EditLostFocus(kEndEdit);
        EXPECT_EQ(view_.Text(kCadence), c.cadence) << c.end;
    }
    // Missing source: the split tool's own message (its spelling kept) on Enter, and START refuses with the file error.
    view_.Type(kFirstPath, dir_ + "/nothing.pcm");
    dlg->EditChanged(kFirstPath);
    EXPECT_FALSE(dlg->OnOK());
    EXPECT_EQ(ui_.Boxes().back().text, "Can'f find file " + dir_ + "/nothing.pcm");
    dlg->Command(kStart);
    EXPECT_EQ(view_.Text(kStatus), "FILE ERROR !!!");
    EXPECT_EQ(dlg->Run().State(), platform::RunState::Idle);
}

// No box before a file is chosen nor per time-code edit; START works out the range from the source
// as typed, and refuses a destination that would replace the source's index before creating it.
TEST_F(SplitDialogTest, StartUsesTheSourceAsTypedAndChecksTheDestinationFirst) {
    profile_.WriteString("GLOBAL", "PATHFSPLITS", dir_ + "/none.mpg");
    auto dlg = Open(true);
    for (const char* start : {"00000010", "00000014"}) {
        view_.Type(kStartEdit, start);
        dlg->EditChanged(kStartEdit);
        dlg->EditLostFocus(kStartEdit);
    }
    EXPECT_TRUE(ui_.Boxes().empty());
    // Each path field has its label on its row.
    const auto form = FileSplitForm();
    auto rowOf = [&](auto match) { return std::find_if(form.controls.begin(), form.controls.end(), match)->row; };
    for (auto [label, edit] : {std::pair{"Source", kFirstPath}, std::pair{"Destination", kSecondPath}})
        EXPECT_EQ(rowOf([&](const auto& c) { return c.caption == label; }), rowOf([&](const auto& c) { return c.id == edit; }));

    view_.Type(kFirstPath, dir_ + "/clip.mpg");
    dlg->EditChanged(kFirstPath);
    dlg->EditLostFocus(kFirstPath);
    slider_->Drag(14, 30);
    EXPECT_EQ(dlg->Selection().startByte, 4000u);
    const auto other = WriteClip("other", 5000);
    view_.Type(kFirstPath, dir_ + "/other.mpg");  // typed, START pressed before leaving the edit
    dlg->EditChanged(kFirstPath);
    dlg->Command(kStart);
    Finish(*dlg, ui_);
    EXPECT_EQ(view_.Text(kStatus), "Done !!!");
    EXPECT_EQ(ReadBytes(dir_ + "/cut.mpg"), std::vector<std::uint8_t>(other.begin() + 5000, other.begin() + 15000));
    EXPECT_TRUE(ui_.Boxes().empty());

    const auto index = ReadBytes(dir_ + "/other.mdb");
    for (const std::string& destination : {dir_ + "/other.mdb", dir_ + "/other.m2v", dir_ + "/new.mdb"}) {
        view_.Type(kSecondPath, destination);
        dlg->EditChanged(kSecondPath);
        dlg->Command(kStart);
        EXPECT_EQ(view_.Text(kStatus), "FILE ERROR !!!") << destination;
        EXPECT_EQ(ui_.Boxes().back().text, kOverwriteSourceBox);
        EXPECT_EQ(dlg->Run().State(), platform::RunState::Idle);
    }
    EXPECT_EQ(ReadBytes(dir_ + "/other.mdb"), index);
    EXPECT_FALSE(velmar_testing::FileExists(dir_ + "/new.mdb"));
    EXPECT_FALSE(velmar_testing::FileExists(dir_ + "/other.m2v"));
}
