// Menu commands of the playback panel, the speed track bars and the position sliders.
#include "board_link/format.h"
#include "platform/profile.h"
#include "velmar_view.h"
#include "velmar_view_ids.h"

namespace velmar {

using namespace panel_ids;

namespace {
constexpr const char* kErrorCaption = "Velmar Error";
}

void CVelmarView::OnEnterKey() {
    UpdateData(true);
    channels_.videoA->SetStartPosition();
    channels_.videoB->SetStartPosition();
    channels_.audio->SetStartPosition();
    channels_.alpha->SetStartPosition();
    channels_.playList->SetStartPosition();
}

void CVelmarView::OnColorSetting() {
    const std::uint32_t saved = colors_.refColor;
    if (host_.RunColorSetting(colors_)) {
        WriteKey("REFCOLOR", Format("%d", static_cast<int>(colors_.refColor)));
    } else {
        colors_.refColor = saved;
        colors_.refColorDirty = true;
    }
}

void CVelmarView::OnTool(const velmar_ui::Event& event) { host_.OpenTool(event.id); }

void CVelmarView::OnUpdateEeprom() {
    if (!is2000Board_) {
        Ui().MessageBox({"This feature is only available on Velmar2000 boards", kErrorCaption});
        return;
    }
    // The board reads a new EEPROM only when it starts; a Cancel leaves nothing to restart for.
    if (host_.RunEepromUpdate()) Ui().MessageBox({"Please Restart This Program Now", kErrorCaption});
}

void CVelmarView::OnOpenPlayList() { channels_.playList->Browse(); }

bool CVelmarView::CommandEnabled(int commandId) const {
    return LogMenuEnabled(commandId).value_or(true);
}

void CVelmarView::OnHScroll(const velmar_ui::Event& event) {
    const int code = static_cast<int>(event.code);
    if (event.id == kSpeedBarA) channels_.videoA->OnSpeedSlider(code, event.position);
    else if (event.id == kSpeedBarB) channels_.videoB->OnSpeedSlider(code, event.position);
    else if (event.id == kSpeedBarAudio) channels_.audio->OnSpeedSlider(code, event.position);
    UpdateData(false);
}

void CVelmarView::OnVideoControl(const velmar_ui::Event& event) {
    if (channels_.videoA->OnControl(event)) return;
    channels_.videoB->OnControl(event);
}

void CVelmarView::OnAudioControl(const velmar_ui::Event& event) { channels_.audio->OnControl(event); }
void CVelmarView::OnAudioRate48() { channels_.audio->SetAudioRate(1); }
void CVelmarView::OnAudioRate44() { channels_.audio->SetAudioRate(2); }
void CVelmarView::OnAudioRate32() { channels_.audio->SetAudioRate(3); }

void CVelmarView::OnMixControl(const velmar_ui::Event& event) {
    if (channels_.alpha->OnControl(event)) return;
    channels_.playList->OnControl(event);
}

void CVelmarView::OnPositionSlider(const velmar_ui::Event& event) {
    Channel* channel = nullptr;
    switch (event.id) {
    case kSliderA: channel = channels_.videoA.get(); break;
    case kSliderB: channel = channels_.videoB.get(); break;
    case kSliderAudio: channel = channels_.audio.get(); break;
    case kSliderAlpha: channel = channels_.alpha.get(); break;
    case kSliderList: channel = channels_.playList.get(); break;
    default: return;
    }
    channel->OnPositionSlider(event.position, event.dragging);
}

}  // namespace velmar
