// A playback panel over the fakes, with channels that record what the panel asks of them.
#pragma once

#include <fstream>
#include <memory>
#include <sstream>

#include "board_panel/testing/panel_test_support.h"
#include "index_formats/picture_index.h"
#include "platform/profile.h"
#include "playback_panel/velmar_view.h"
#include "playback_panel/velmar_view_form.h"
#include "playback_panel/velmar_view_ids.h"
#include "shell/remote_requests.h"
#include "velmar_ui/testing/fake_ui_services.h"

namespace velmar::panel_testing {

using Calls = std::vector<std::string>;

template <class Base>
class Recording : public Base {
public:
    Recording(std::string name, Calls& calls) : name_(std::move(name)), calls_(calls) {}
    void Init() override { calls_.push_back(name_ + " init"); }
    void Play() override { calls_.push_back(name_ + " play"); }
    void PlayAt(std::int32_t field) override { calls_.push_back(name_ + " play " + std::to_string(field)); }
    void Pause() override { calls_.push_back(name_ + " pause"); }
    void Stop() override { calls_.push_back(name_ + " stop"); }
    void SetStartPosition() override { calls_.push_back(name_ + " start"); }
    void ExchangeTexts(bool save) override {
        if (save && logSaves) calls_.push_back(name_ + " save");
    }
    bool Loaded() const override { return loaded; }
    std::uint32_t Length() const override { return length; }
    bool loaded = false;
    std::uint32_t length = 1000;
    bool logSaves = false;

protected:
    std::string name_;
    Calls& calls_;
};

class RecordingList : public Recording<PlayListChannel> {
public:
    using Recording::Recording;
    bool Active() const override { return active; }
    void ScanPlayList() override { calls_.push_back("list scan"); }
    void PlayFrom(const std::string& name, int frame) override {
        calls_.push_back("list play " + name + " from " + std::to_string(frame));
    }
    std::optional<int> QueueSlot(int) const override { return queueSlot; }
    void ChannelListPlay(int input, const ListEntryLoad&) override {
        calls_.push_back("list play " + std::to_string(input));
    }
    bool active = false;
    std::optional<int> queueSlot;
};

class RecordingDv : public Recording<DvRecordChannel> {
public:
    using Recording::Recording;
    bool Recording() const override { return recording; }
    bool recording = false;
};

struct PanelFixture {
    explicit PanelFixture(bool boardPresent = true, std::uint32_t boardType = 0)
        : board(boardPresent, boardType), library(board), profile("VELMAR-TEST.INI"), remote(profile, "BOARD1") {
        host.ui = &ui;
    }
    ~PanelFixture() {
        library.EndDaemon(1);
        panel.reset();
    }

    void Make() {
        PanelChannels channels;
        auto a = std::make_unique<Recording<VideoChannel>>("A", calls);
        auto b = std::make_unique<Recording<VideoChannel>>("B", calls);
        auto audio = std::make_unique<Recording<AudioChannel>>("Audio", calls);
        auto alpha = std::make_unique<Recording<AlphaChannel>>("Alpha", calls);
        auto list = std::make_unique<RecordingList>("List", calls);
        auto dv = std::make_unique<RecordingDv>("DV", calls);
        videoA = a.get(), videoB = b.get(), this->audio = audio.get(), this->alpha = alpha.get();
        playList = list.get(), dvRecord = dv.get();
        channels.videoA = std::move(a);
        channels.videoB = std::move(b);
        channels.audio = std::move(audio);
        channels.alpha = std::move(alpha);
        channels.playList = std::move(list);
        channels.dvRecord = std::move(dv);
        panel = std::make_unique<CVelmarView>(view, ui, host, PanelBoard{board, library, timing}, profile, &remote, board_commands::BoardNumber::First(),
                                              std::move(channels));
    }

    // OnInitialUpdate and the first tick (the board's initialisation).
    void StartUp() {
        if (!panel) Make();
        panel->OnInitialUpdate();
        ui.Advance(kPanelTimerMs);
    }

    void Tick() { ui.Advance(kPanelTimerMs); }

    void SetKey(const char* key, const std::string& value) { profile.WriteString("BOARD1", key, value); }

    // The command log without its counters, the daemon line left out (it is written by its thread).
    std::vector<std::string> LoggedLines(const std::string& path) {
        std::ifstream file(path);
        std::vector<std::string> lines;
        std::string line;
        while (std::getline(file, line)) {
            const std::string text = line.size() > 27 ? line.substr(27) : "";
            if (text.rfind("mdaemon", 0) == 0 || text.find("0xfc0a08") != std::string::npos) continue;
            lines.push_back(text);
        }
        return lines;
    }

    std::vector<std::string> Captions() const {
        std::vector<std::string> texts;
        for (const auto& box : ui.Boxes()) texts.push_back(box.text);
        return texts;
    }

    StartupFiles files;
    velmar_ui::testing::FakeFormView view{PlaybackForm()};
    velmar_ui::testing::FakeUiServices ui;
    FakeHost host;
    FakeBoard board;
    RecordingLibrary library;
    NoDelays timing;
    platform::Profile profile;
    RemoteRequests remote;
    Calls calls;
    Recording<VideoChannel>* videoA = nullptr;
    Recording<VideoChannel>* videoB = nullptr;
    Recording<AudioChannel>* audio = nullptr;
    Recording<AlphaChannel>* alpha = nullptr;
    RecordingList* playList = nullptr;
    RecordingDv* dvRecord = nullptr;
    std::unique_ptr<CVelmarView> panel;
};

// Two groups of three pictures: sequence headers at bytes 0 and 128 (words 0 and 32).
inline std::string MpegClip() {
    std::string clip(256, '\0');
    const std::string header("\0\0\x01\xB3", 4);
    clip.replace(0, 4, header);
    clip.replace(128, 4, header);
    return clip;
}

// MpegClip's picture index.
inline std::string MpegIndex() {
    std::vector<index_formats::PictureIndexRecord> records;
    for (int g = 0; g < 2; ++g)
        for (int k = 0; k < 3; ++k)
            records.push_back({static_cast<std::uint64_t>(32 * g), static_cast<std::uint8_t>(k),
                               static_cast<std::uint8_t>(3 - k), g == 1});
    const auto bytes = index_formats::EncodePictureIndex(records);
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace velmar::panel_testing
