// The board settings of the panel: video reference, reference output, TBC, audio source, DV50,
// the viewed channel, the restart switches and the DSP service buttons.
#include <algorithm>

#include "board_commands/command_lines.h"
#include "board_link/format.h"
#include "board_panel/board_setup_files.h"
#include "platform/profile.h"
#include "shell/launch.h"
#include "velmar_view.h"
#include "velmar_view_ids.h"

namespace velmar {

using namespace panel_ids;

namespace {

constexpr const char* kErrorCaption = "Velmar Error";
constexpr const char* kOnly2000 = "This feature is only available on Velmar2000 boards";

enum Reference { kCVideo = 0, kSvhs = 1, kSdi = 2, kVp = 3, kFree = 4 };
constexpr velmar_ui::ControlId kReferenceRadios[] = {kRefCVideo, kRefSvhs, kRefSdi, kRefVp, kRefFree};

// The decoder's set-up words per reference.
const board_commands::ReferenceTableWords& TablesFor(int source) {
    if (source == kSvhs) return board_commands::kSvhsReferenceTables;
    if (source == kFree) return board_commands::kFreeRunReferenceTables;
    return board_commands::kCVideoReferenceTables;
}

}  // namespace

std::string CVelmarView::ReadKey(const char* key) const { return profile_.GetString(section_, key); }

void CVelmarView::OnlyOn2000(const char* message) { Ui().MessageBox({message, kErrorCaption}); }

void CVelmarView::ChooseReferenceRadio(int source) {
    for (int i = 0; i < 5; ++i) View().SetChecked(kReferenceRadios[i], i == source);
}

void CVelmarView::SendReferenceColor(bool reference) {
    SendCommand(board_commands::ReferenceSetup(palMode_, 0, reference ? 1 : 0, colors_.refColor, 0));
}

void CVelmarView::SendInputColor() {
    const std::uint32_t high = (colors_.inputColor >> 8) | 0x0A000000u;
    const std::uint32_t low = colors_.inputColor << 24;
    const std::string words = board_commands::Hex(high) + " " + board_commands::Hex(low);
    SendCommand(board_commands::DeviceMessage(5, board_commands::kInputColor48, words));
    SendCommand(board_commands::DeviceMessage(5, board_commands::kInputColor4A, words));
}

void CVelmarView::RunReference(int source) {
    if (source == kVp && !is2000Board_) {
        OnlyOn2000("Video Port is only available on Velmar2000 boards");
        // The radio group already moved; put it back on the reference in use.
        ChooseReferenceRadio(freeRunActive_ ? kFree : std::clamp(playRef_, 0, 4));
        return;
    }
    busByte42_ = source == kVp ? (busByte42_ | 0x20) : (busByte42_ & ~0x20);
    SendCommand(board_commands::DeviceByte(board_commands::kPortExpander42, busByte42_));
    const bool leavingFreeRun = freeRunActive_ && source != kFree;
    if (leavingFreeRun) SendReferenceColor(true);
    const bool composite = source == kCVideo || source == kSvhs || source == kFree;
    busByte40_ = composite ? (busByte40_ | 0x08) : (busByte40_ & ~0x08);
    playRef_ = source;
    WriteKey("PLAYREF", Format("%d", source));
    if (composite)
        SendCommand(board_commands::DeviceByte(board_commands::kPortExpander40, busByte40_));

    const board_commands::ReferenceTableWords& tables = TablesFor(source);
    SendCommand(board_commands::DeviceMessage(6, board_commands::kReferenceTable48,
                                              palMode_ ? tables.group48Pal : tables.group48Ntsc));
    SendCommand(board_commands::DeviceMessage(6, board_commands::kReferenceTable4A,
                                              palMode_ ? tables.group4APal : tables.group4ANtsc));
    if (source == kCVideo || source == kSvhs) SendInputColor();

    switch (source) {
    case kCVideo:
    case kSvhs:
        ZeroCommandDone();
        SendCommand(board_commands::DeviceMessage(4, board_commands::kCodecInputSelect88,
                                                  source == kCVideo ? board_commands::kInputSelectCVideo
                                                                    : board_commands::kInputSelectSvhs));
        break;
    case kSdi:
    case kVp:
        SendCommand(board_commands::DeviceMessage(4, board_commands::kInputSelect88, board_commands::kInputSelectCVideo));
        ZeroCommandDone();
        SendCommand(board_commands::DeviceByte(board_commands::kCodecRegister40, busByte40_));
        break;
    case kFree:
        SendCommand(board_commands::DeviceMessage(4, board_commands::kInputSelect88, board_commands::kInputSelectCVideo));
        return;
    }
    if (leavingFreeRun) {
        WaitForReply();
        freeRunActive_ = false;
        if (stopRef_ == 0) ReferenceOn();
    }
}

void CVelmarView::OnRefCVideo() { RunReference(kCVideo); }
void CVelmarView::OnRefSvhs() { RunReference(kSvhs); }
void CVelmarView::OnRefSdi() { RunReference(kSdi); }
void CVelmarView::OnRefVp() { RunReference(kVp); }
void CVelmarView::OnRefFree() { RunReference(kFree); }

void CVelmarView::ReferenceOn() {
    if (is2000Board_) {
        controlByte_ |= 0x01;
        ZeroCommandDone();
        SendCommand(board_commands::DeviceByte(board_commands::kCodecRegister30, controlByte_));
        WaitForReply();
    } else {
        const auto control = static_cast<std::uint32_t>(SendCommand(board_commands::ReadRegister(window::kReferenceControl)));
        SendCommand(board_commands::WriteRegister(window::kReferenceControl,
                                                  board_commands::Hex(control | window::kReferenceOnBit)));
    }
}

void CVelmarView::ReferenceOff() {
    if (is2000Board_) {
        controlByte_ &= ~0x01;
        ZeroCommandDone();
        SendCommand(board_commands::DeviceByte(board_commands::kCodecRegister30, controlByte_));
        WaitForReply();
    } else {
        const auto control = static_cast<std::uint32_t>(SendCommand(board_commands::ReadRegister(window::kReferenceControl)));
        SendCommand(board_commands::WriteRegister(window::kReferenceControl,
                                                  board_commands::Hex(control & ~window::kReferenceOnBit)));
    }
}

void CVelmarView::OnRefCheck() {
    const bool checked = View().Checked(kRef);
    stopRef_ = checked ? 0 : 1;
    WriteKey("STOPREF", checked ? "0" : "1");
    if (channels_.videoA->Loaded() || channels_.videoB->Loaded()) return;
    if (checked) ReferenceOn();
    else ReferenceOff();
}

void CVelmarView::OnTbc() {
    if (!is2000Board_) {
        View().SetChecked(kTbc, !View().Checked(kTbc));  // the box already toggled: put it back
        OnlyOn2000("The Time Base Corrector can only be disabled on Velmar2000 boards");
        return;
    }
    busByte42_ ^= 0x40;
    SendCommand(board_commands::DeviceByte(board_commands::kPortExpander42, busByte42_));
}

void CVelmarView::RouteAudioSource() {
    if (!is2000Board_) return;
    const auto v = static_cast<std::uint32_t>(playRefAudio_);
    SendCodecLine(board_commands::DeviceByte(board_commands::kCodecRegister36, v));
    SendCodecLine(board_commands::DeviceByte(board_commands::kCodecRegister3A, v * 17));
    SendCodecLine(board_commands::DeviceByte(board_commands::kCodecRegister3C, v));
}

void CVelmarView::AudioRoutingOff() {
    if (!is2000Board_) return;
    SendCodecLine(board_commands::DeviceMessage(4, board_commands::kCodecRegister3A, board_commands::kZeroDataWord));
    SendCodecLine(board_commands::DeviceMessage(4, board_commands::kCodecRegister3C, board_commands::kZeroDataWord));
}

void CVelmarView::SetAudioSource(int value) {
    WriteKey("PLAYREFA", Format("%d", value));
    playRefAudio_ = value;
    if (!channels_.audio->Loaded()) RouteAudioSource();
}

void CVelmarView::OnAudioAnalog() { SetAudioSource(4); }
void CVelmarView::OnAudioDigital() { SetAudioSource(5); }
void CVelmarView::OnAudioSdi() { SetAudioSource(6); }
void CVelmarView::OnAudioNone() { SetAudioSource(0); }

void CVelmarView::OnDv50() {
    if (!is2000Board_) {
        View().SetChecked(kDv50, !View().Checked(kDv50));
        OnlyOn2000(kOnly2000);
        return;
    }
    dv50_ = dv50_ ? 0 : 1;
    WriteKey("DV50", dv50_ ? "1" : "0");
}

void CVelmarView::OnViewVideoA() {
    SendCommand(board_commands::SelectSource(board_commands::kVideoA, board_commands::kFlagSet));
    viewedChannel_ = 0;
}

void CVelmarView::OnViewVideoB() {
    SendCommand(board_commands::SelectSource(board_commands::kVideoB, board_commands::kFlagSet));
    viewedChannel_ = 1;
}

void CVelmarView::StopChannelsForRestart() {
    channels_.videoA->Stop();
    channels_.videoB->Stop();
    channels_.audio->Stop();
    channels_.alpha->Stop();
    channels_.playList->Stop();
}

void CVelmarView::OnSwitchRecord420() {
    StopChannelsForRestart();
    WriteKey("RECMODE", "0");
    RestartInstance(false);
}

void CVelmarView::OnSwitchRecord422() {
    StopChannelsForRestart();
    WriteKey("RECMODE", "1");
    RestartInstance(false);
}

void CVelmarView::OnSwitchRecordMpeg1() {
    StopChannelsForRestart();
    WriteKey("RECMODE", "4");
    RestartInstance(false);
}

void CVelmarView::OnPal() {
    if (palMode_) return;
    StopChannelsForRestart();
    WriteKey("PALMODE", "1");
    RestartInstance(true);
}

void CVelmarView::OnNtsc() {
    if (!palMode_) return;
    StopChannelsForRestart();
    WriteKey("PALMODE", "0");
    RestartInstance(true);
}

void CVelmarView::OnDvMpButton() {
    OnlyOn2000(is2000Board_ ? "This feature is not yet implemented" : kOnly2000);
}

void CVelmarView::OnDvRecordButton() {
    OnlyOn2000(is2000Board_ ? "This feature is not yet implemented" : kOnly2000);
}

void CVelmarView::OnDspReset() {
    I2cWriteBytes({0x30, static_cast<std::uint8_t>(controlByte_ | 0x80)});
}

void CVelmarView::OnDspSend() { SendDspCode(); }

}  // namespace velmar
