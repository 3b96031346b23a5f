// The 100 ms status loop, PLAY ALL, the first paint and the panel's end.
#include <algorithm>

#include "board_link/format.h"
#include "platform/profile.h"
#include "play_all.h"
#include "record_output/record_output.h"
#include "shell/launch.h"
#include "shell/remote_requests.h"
#include "velmar_view.h"
#include "velmar_view_ids.h"

namespace velmar {

using namespace panel_ids;

namespace {

const char* PictureTypeSuffix(std::uint8_t type) {
    switch (type) {
    case 1: return "  I";
    case 2: return "  P";
    case 3: return "  B";
    default: return "  X";
    }
}

// The outputs whose progress words the drain counters watch.
constexpr std::uint32_t kDrainedOutputs[3] = {5, 6, 7};

}  // namespace

void CVelmarView::OnTimer() {
    if (!TickPreamble("PLAYREF", [this] { InitPlaybackBoard(); })) return;

    if (!channels_.videoA->Loaded() && !channels_.videoB->Loaded()) {
        if ((displayA_.shown || displayB_.shown) && stopRef_ == 0) ReferenceOn();
        SendDirtyColors();
    }

    ShowDisplays();
    ServeRemoteRequest();

    if (channels_.playList->Active() && channels_.playList->NextEntryFlag() == 0)
        channels_.playList->NextPlayListEntry();
    if (channels_.audio->ListActive() && !channels_.audio->ListFinished()) channels_.audio->QueueNextAudioEntry();

    CountDrains();
}

void CVelmarView::ShowDisplays() {
    status_ = window_->ReadStatus();
    ShowVideo(*channels_.videoA, window::kChannelAStatus, kTimecodeA, kSliderA, displayA_, true);
    ShowVideo(*channels_.videoB, window::kChannelBStatus, kTimecodeB, kSliderB, displayB_, false);
    ShowAlpha();
    ShowAudio();
    ShowPlayList();
    ShowDvRecord();
}

void CVelmarView::StatusTick() {
    if (!window_ || ended_) return;
    ShowDisplays();
    CountDrains();
}

void CVelmarView::SendDirtyColors() {
    if (colors_.refColorDirty) {
        SendReferenceColor(true);
        colors_.refColorDirty = false;
    }
    if (colors_.inputColorDirty) {
        SendInputColor();
        colors_.inputColorDirty = false;
    }
}

void CVelmarView::ShowNotLoaded(velmar_ui::ControlId display, velmar_ui::ControlId slider, DisplayTracker& tracker) {
    if (!tracker.shown) return;
    View().SetText(display, "not loaded");
    tracker.shown = false;
    tracker.last = -1;
    if (slider != velmar_ui::kNoId) sliders_->SetPositionPair(slider, 0, 0);
}

void CVelmarView::ShowVideo(Channel& channel, std::uint32_t status, velmar_ui::ControlId display,
                            velmar_ui::ControlId slider, DisplayTracker& tracker, bool setsExternalPosition) {
    if (!channel.Loaded()) {
        ShowNotLoaded(display, slider, tracker);
        return;
    }
    const std::uint32_t counter = status_.Word(status + window::kStatusFieldCounter);
    if (tracker.shown && tracker.last == counter) return;
    // The counter runs on through every loop of the clip; the display shows the place in the clip.
    const std::uint32_t position = counter % std::max<std::uint32_t>(1, channel.Length());
    const PackedTimecode code = FramesToTimecode(position / 2);
    View().SetText(display, FormatTimecode(code) + PictureTypeSuffix(status_.Byte(status + window::kStatusPictureTypeByte)));
    tracker.shown = true;
    tracker.last = counter;
    if (channels_.playList->Active()) return;
    sliders_->SetPositionPair(slider, 0, static_cast<long>(position));
    if (setsExternalPosition && remote_) remote_->SetPosition(static_cast<std::int32_t>(position / 2));
}

void CVelmarView::ShowAlpha() {
    if (!channels_.alpha->Loaded()) {
        ShowNotLoaded(kPositionAlpha, kSliderAlpha, displayAlpha_);
        return;
    }
    const std::uint32_t value = status_.Word(window::kAlphaCounterWord) + status_.Word(window::kAlphaStopWord);
    if (displayAlpha_.shown && displayAlpha_.last == value) return;
    View().SetText(kPositionAlpha, Format("%.8d", static_cast<int>(value)));
    displayAlpha_.shown = true;
    displayAlpha_.last = value;
    if (!channels_.playList->Active()) sliders_->SetPositionPair(kSliderAlpha, 0, static_cast<long>(value));
}

void CVelmarView::ShowAudio() {
    AudioChannel& audio = *channels_.audio;
    if (!audio.Loaded()) {
        ShowNotLoaded(kTimecodeAudio, kSliderAudio, displayAudio_);
        return;
    }
    const std::uint32_t c0 = status_.Word(window::ProgressWordOffset(window::kAudioProgressEntry, 0));
    const std::uint32_t c1 = status_.Word(window::ProgressWordOffset(window::kAudioProgressEntry, 1));
    if (c1 == 0) {
        // The board has not taken its first buffer yet: show the start without taking a position.
        if (!displayAudio_.shown) {
            View().SetText(kTimecodeAudio, FormatTimecode(0));
            displayAudio_.shown = true;
        }
        return;
    }
    std::uint32_t p = c1 + audio.StartOffset() - status_.Word(window::kAudioBaseWord);
    if (displayAudio_.shown && displayAudio_.last == p) return;
    displayAudio_.shown = true;
    displayAudio_.last = p;
    p = p + ((c0 >> 3) << 20) - 102392u;
    const std::uint32_t n = audio.FieldsPerBytesNumerator();
    const std::uint32_t d = std::max<std::uint32_t>(1, audio.FieldsPerBytesDenominator());
    const std::uint32_t fields = (p / d) * n + ((p % d) * n) / d;
    audio.SetPosition(fields);
    const std::uint32_t inFile = fields % std::max<std::uint32_t>(1, audio.Length());
    sliders_->SetPositionPair(kSliderAudio, 0, static_cast<long>(inFile));
    View().SetText(kTimecodeAudio, FormatTimecode(FramesToTimecode(inFile / 2)));
}

void CVelmarView::ShowPlayList() {
    PlayListChannel& list = *channels_.playList;
    if (!list.Active()) {
        ShowNotLoaded(kTimecodeList, kSliderList, displayList_);
        return;
    }
    const std::uint32_t v = status_.Word(window::kChannelAStatus + window::kStatusFieldClock) +
                            static_cast<std::uint32_t>(list.RunningOffset()) -
                            static_cast<std::uint32_t>(list.StartOffset());
    if (displayList_.shown && displayList_.last == v) return;
    displayList_.shown = true;
    displayList_.last = v;
    // The list starts over after its last entry: show, and answer a controller, the place in it.
    const std::uint32_t frame = (v / 2) % std::max<std::uint32_t>(1, list.Length());
    View().SetText(kTimecodeList, FormatTimecode(FramesToTimecode(frame)));
    sliders_->SetPositionPair(kSliderList, 0, static_cast<long>(frame));
    if (remote_) remote_->SetPosition(static_cast<std::int32_t>(frame));
}

void CVelmarView::ShowDvRecord() {
    if (!channels_.dvRecord->Recording()) {
        if (!displayDv_.shown) return;
        View().SetText(kTimecodeDv, "not record");
        displayDv_.shown = false;
        displayDv_.last = -16;
        return;
    }
    const auto d = static_cast<std::int32_t>(status_.Word(window::kRecordCounter));
    if (displayDv_.shown && displayDv_.last == d) return;
    displayDv_.shown = true;
    displayDv_.last = d;
    // The counter runs down from -16; negative results show as zero.
    View().SetText(kTimecodeDv, FormatTimecode(FramesToTimecode(-16LL - d)));
}

void CVelmarView::ServeRemoteRequest() {
    if (!remote_) return;
    const ExternalRequest request = remote_->TakeRequest();
    if (request.code == kRequestPlayList) {
        channels_.playList->PlayFrom(request.playListName, request.arg);
    } else if (request.code == kRequestStopList) {
        channels_.playList->Stop();
    }
}

void CVelmarView::CountDrains() {
    for (int i = 0; i < 3; ++i) {
        const std::uint32_t entry = window::kFirstOutputEntry + kDrainedOutputs[i];
        drain_[i].Update(status_.Word(window::ProgressWordOffset(entry, 0)),
                         status_.Word(window::ProgressWordOffset(entry, 1)));
    }
}

bool CVelmarView::WaitForOutputDrain(int output, const std::function<bool()>& ended) {
    // Quiet ticks before the stop do not count: an output that waited for the board (a decoder
    // holding its pictures) would look drained while what the stop flushes is still to come.
    drain_[output - 5].count = 0;
    return WaitForDrain(Ui(), [this, output] { return Drain(output).count; }, [this] { StatusTick(); }, ended);
}

void CVelmarView::OnPlayAll() {
    UpdateData(true);
    PanelChannels& c = channels_;
    c.videoA->Stop();
    c.videoB->Stop();
    c.audio->Stop();
    c.alpha->Stop();
    c.videoA->Pause();
    c.videoB->Pause();
    if (c.audio->Linked()) c.audio->Pause();

    const auto order = PlayAllOrder({delayA, delayB, delayAlpha, delayAudio});
    const std::int32_t base = PlayAllBaseField(window_ ? window_->Read32(window::kChannelAStatus + window::kStatusFieldClock) : 0);
    // Audio starts in its own turn, not as Video A's follower.
    const bool audioLinked = View().Checked(kLinkAudio);
    for (PlayAllChannel channel : order) {
        switch (channel) {
        case PlayAllChannel::VideoA: c.videoA->PlayAt(base + delayA); break;
        case PlayAllChannel::VideoB: c.videoB->PlayAt(base + delayB); break;
        case PlayAllChannel::Alpha: c.alpha->PlayAt(base + delayAlpha); break;
        case PlayAllChannel::Audio:
            if (audioLinked) c.audio->PlayAt(base + delayAudio);
            break;
        }
    }
    c.audio->SetLinked(audioLinked);
}

void CVelmarView::OnDestroy() {
    channels_.videoA->Stop();
    channels_.videoB->Stop();
    channels_.audio->Stop();
    channels_.alpha->Stop();
    channels_.dvRecord->EndWithPanel();
    if (!closing_ && link_) ReferenceOn();
    CloseBoard();
}

}  // namespace velmar
