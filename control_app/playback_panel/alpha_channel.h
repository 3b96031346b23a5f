// The Alpha Mix group of the playback panel: takes the transition from the channel on air to the
// other one, as a cut or keyed through an alpha stream played on board input stream 2. In a play
// list it prepares the transition line the next entry's PLAY sends, and loads the entries' alpha
// streams (the first opened, later ones queued).
#pragma once

#include <cstdint>
#include <string>

#include "panel_channels.h"
#include "velmar_ui/data_exchange.h"
#include "velmar_ui/events.h"

namespace velmar {

class CVelmarView;

// A stream's first word (read little-endian) says whether the board takes it with "-R": on the
// 2000-type board "ABCC" is reversed and "CCBA" as stored, on the other board the opposite.
enum class AlphaOrder { AsStored, Reversed, Invalid };
AlphaOrder AlphaOrderOf(std::uint32_t firstWord, bool is2000Board);

// The last alpha frame when the stream has no .adb.
inline constexpr int kNoAlphaIndex = 4'000'000;

enum class AlphaState { Stopped, Playing, Paused };

class CAlphaChannel : public AlphaChannel {
public:
    // The time word of a transition taken at once.
    static constexpr std::uint32_t kNoField = 0xFFFFFFFF;

    explicit CAlphaChannel(CVelmarView& panel);
    void SetPlayList(PlayListChannel* list) { list_ = list; }

    void Init() override;  // InitAlphaChannel
    void Play() override { OnAlphaPlay(); }
    void PlayAt(std::int32_t field) override { OnAlphaPlay(static_cast<std::uint32_t>(field)); }
    void Pause() override { OnAlphaPause(); }
    void Stop() override { OnAlphaStop(); }
    void SetStartPosition() override { SetAlphaStartFrame(); }
    void OnPositionSlider(int position, bool dragging) override { OnAlphaSlider(position, dragging); }
    bool Loaded() const override { return state_ != AlphaState::Stopped; }
    std::uint32_t Length() const override;
    void AddFilesInUse(std::vector<std::string>& files) const override;
    // The group's buttons and edits; false for other controls.
    bool OnControl(const velmar_ui::Event& event);

    // Outside a play list the transition is taken at `transitionField` (kNoField: at once).
    void OnAlphaPlay(std::uint32_t transitionField = kNoField);
    void OnAlphaPause();
    void OnAlphaStop();
    void OnAlphaBrowse();
    void OnAlphaFileChanged();
    void SetAlphaStartFrame();
    void OnAlphaSlider(int position, bool dragging);
    // Opens the alpha stream on input 2 (or queues it in a running list); true when it is open, or
    // when there is none.
    bool LoadAlphaFile();
    // The list engine's step: the transition out of the entry just queued is prepared afresh.
    void PrepareListTransition() {
        state_ = AlphaState::Stopped;
        OnAlphaPlay();
    }

    // --- state, for the play list and tests
    AlphaState State() const { return state_; }
    bool ViewB() const { return viewB_; }
    void SetViewA();  // a play list starts with Video A on air
    bool Reversed() const { return reversed_; }
    bool NoAlpha() const { return noAlpha_; }
    int LastAlphaFrame() const { return lastAlphaFrame_; }
    int Position() const { return position_; }
    const std::string& StartText() const { return startText_; }
    void ExchangeTexts(bool save) override;
    // The path edit's text (a play list names its entries' streams), and the stream read again.
    void SetPath(const std::string& path) { pathText_ = path; }
    void ReloadStream() {
        changed_ = true;
        OnAlphaFileChanged();
    }

    // List mode: a new list starts with its first alpha load opened, not queued, on slot 10.
    void StartList() {
        firstAlpha_ = true;
        slotIndex_ = 0;
    }
    // The alpha frames of the prepared transition (0 a later cut, 1 a first cut, frames + 1
    // keyed), and the line the next list PLAY sends.
    std::uint32_t Span() const { return span_; }
    const std::string& PreparedLine() const { return preparedLine_; }

private:
    bool ListMode() const;
    void ReadStream();  // last alpha frame, reverse flag and count display of the path's stream
    void EnterState(AlphaState state);
    void ShowView();
    void Retake();
    std::uint32_t CueField() const;

    CVelmarView& panel_;
    PlayListChannel* list_ = nullptr;
    // The group's form fields.
    std::string pathText_, startText_;
    velmar_ui::DataExchange<CAlphaChannel> texts_;
    bool changed_ = false;
    // List mode: whether the next load is the list's first, the prepared transition, and the
    // queue slot (10 + index) of the next queued stream.
    bool firstAlpha_ = true;
    std::uint32_t span_ = 0;
    std::string preparedLine_;
    int slotIndex_ = 0;
    AlphaState state_ = AlphaState::Stopped;
    bool viewB_ = false;
    bool reversed_ = false;
    bool noAlpha_ = true;
    int lastAlphaFrame_ = kNoAlphaIndex;
    int position_ = 0;
};

}  // namespace velmar
