// The record panel's 100 ms status loop, its board settings (input, reference, audio source,
// DSP), the restart switches, the first paint and the panel's end.
#include <algorithm>
#include <iterator>

#include "board_commands/command_lines.h"
#include "board_link/format.h"
#include "platform/profile.h"
#include "record_ids.h"
#include "shell/launch.h"
#include "velmar_vrec.h"

namespace velmar {

using namespace record_ids;

namespace {

constexpr const char* kErrorCaption = "Velmar Error";
constexpr const char* kVideoPortOnly = "Video Port is only available on Velmar2000 boards";
constexpr const char* kNotRecording = "not recoding";

enum Input { kCVideo = 0, kSvhs = 1, kSdi = 2, kVp = 3, kFree = 4 };
constexpr velmar_ui::ControlId kInputRadios[] = {kInputCVideo, kInputSvhs, kInputSdi, kInputVp, kInputFree};

// The video decoders' register blocks after sub-address 0x02; byte 6 differs by TV standard.
struct DecoderBlocks {
    std::uint8_t block48[11];
    std::uint8_t block4A[11];
    std::uint8_t pal48, ntsc48, pal4A, ntsc4A;
};
constexpr DecoderBlocks kCVideoBlocks{{0xD8, 0x23, 0x00, 0x00, 0x00, 0x10, 0, 0x18, 0x79, 0x43, 0x3F},
                                      {0xC0, 0x33, 0x00, 0x00, 0xE9, 0x0D, 0, 0x01, 0x80, 0x47, 0x40},
                                      0x08, 0x48, 0x18, 0x58};
constexpr DecoderBlocks kSvhsBlocks{{0xDF, 0x23, 0x00, 0x00, 0x00, 0x10, 0, 0x98, 0x80, 0x46, 0x42},
                                    {0xC7, 0x33, 0x00, 0x00, 0xE9, 0x0D, 0, 0x81, 0x80, 0x47, 0x40},
                                    0x08, 0x48, 0x18, 0x58};
constexpr DecoderBlocks kFreeBlocks{{0xD8, 0x23, 0x00, 0x00, 0x00, 0x10, 0, 0x18, 0x79, 0x43, 0x3F},
                                    {0xC0, 0x33, 0x00, 0x00, 0xE9, 0x0D, 0, 0x01, 0x80, 0x47, 0x40},
                                    0x06, 0x46, 0x26, 0x66};

std::vector<std::uint8_t> Block(std::uint8_t address, const std::uint8_t (&bytes)[11], std::uint8_t sixth) {
    // Sized once and filled: inserting into a two-byte vector made GCC 12's Release build warn of
    // a copy out of bounds that cannot happen.
    std::vector<std::uint8_t> out(2 + std::size(bytes));
    out[0] = address;
    out[1] = 0x02;
    std::copy(std::begin(bytes), std::end(bytes), out.begin() + 2);
    out[2 + 6] = sixth;
    return out;
}

}  // namespace

// ------------------------------------------------------------------ status loop

void CVelmarVrec::OnTimer() {
    if (!TickPreamble("RECREF", [this] { InitRecordBoard(); })) return;
    StatusTick();
}

void CVelmarVrec::StatusTick() {
    if (!window_ || ended_) return;
    status_ = window_->ReadStatus();
    if (flow_.State() == RecordState::Idle && colors_.inputColorDirty) {
        SendInputColor();
        colors_.inputColorDirty = false;
    }
    ShowVitc();
    ShowVideoCount();
    ShowAudioCount();
    flow_.CountDrains(status_);
}

void CVelmarVrec::ShowVitc() {
    const std::uint32_t vitc = status_.Word(window::kRecordTimecode + 12);
    if (vitc == lastVitc_) return;
    lastVitc_ = vitc;
    View().SetText(kVitcDisplay, FormatTimecode(vitc & 0x7FFFFFFF));
}

void CVelmarVrec::ShowVideoCount() {
    if (flow_.State() != RecordState::Idle) {
        if (flow_.Overrun()) {
            flow_.StopVideoRecord();
            return;
        }
        // Word 4 counts fields; the display shows frames, as every field count on screen does.
        const std::uint32_t fields = status_.Word(window::kRecordStatus + 16);
        if (videoCount_.shown && videoCount_.last == fields) return;
        View().SetText(kVideoCount, FormatTimecode(FramesToTimecode(fields / 2)));
        videoCount_ = {true, fields};
    } else if (videoCount_.shown) {
        View().SetText(kVideoCount, kNotRecording);
        videoCount_ = {false, -1};
    }
}

void CVelmarVrec::ShowAudioCount() {
    if (flow_.AudioRecording()) {
        if (flow_.Overrun()) flow_.StopAudioRecord();
    }
    if (flow_.AudioRecording()) {
        const int frames =
            TimecodeToFrames(status_.Word(window::kRecordTimecode + 4) & 0x7FFFFFFF) - flow_.AudioStartFrame();
        if (audioCount_.shown && audioCount_.last == frames) return;
        View().SetText(kAudioCount, FormatTimecode(FramesToTimecode(frames)));
        audioCount_ = {true, frames};
    } else if (audioCount_.shown) {
        View().SetText(kAudioCount, kNotRecording);
        audioCount_ = {false, -1};
    }
}

void CVelmarVrec::OnDestroy() {
    // However the panel ends (its window closed, the program told to end, a second instance taking
    // the board over, the service loop ending), a recording ends as STOP ends it, so that its files
    // are complete. Once the loop has gone the stop words go nowhere: the loop has closed the files
    // already, and only their ends are put right.
    flow_.StopVideoRecord();
    flow_.StopAudioRecord();
    if (link_ && !closing_) SendCommand(board_commands::RecordAudioPath(false));
    Ui().Sleep(100);
    CloseBoard();
}

bool CVelmarVrec::CommandEnabled(int commandId) const {
    if (const auto log = LogMenuEnabled(commandId)) return *log;
    return commandId == menu_ids::kVideoSettings || commandId == menu_ids::kAudioSettings ||
           commandId == menu_ids::kEnter;
}

// ------------------------------------------------------------------ video input

void CVelmarVrec::SendInputColor() {
    const std::uint32_t c = colors_.inputColor;
    const auto b = [c](int shift) { return static_cast<std::uint8_t>(c >> shift); };
    I2cWriteBytes({0x48, 0x0A, b(24), b(16), b(8), b(0)});
    I2cWriteBytes({0x4A, 0x0A, b(24), b(16), b(8), b(0)});
}

void CVelmarVrec::SelectInput(int input) {
    if (input == kVp && !is2000Board_) {
        Ui().MessageBox({kVideoPortOnly, kErrorCaption});
        // The radio group already moved; put it back on the input in use.
        for (int i = 0; i < 5; ++i) View().SetChecked(kInputRadios[i], i == input_);
        return;
    }
    input_ = input;
    for (int i = 0; i < 5; ++i) View().SetChecked(kInputRadios[i], i == input);
    WriteKey("RECREF", Format("%d", input));

    port42_ = input == kVp ? (port42_ | 0x20) : (port42_ & ~0x20);
    I2cWriteBytes({0x42, static_cast<std::uint8_t>(port42_)});
    const bool analog = input == kCVideo || input == kSvhs || input == kFree;
    if (analog) {
        port40_ |= 0x08;
        I2cWriteBytes({0x40, static_cast<std::uint8_t>(port40_)});
    }
    const DecoderBlocks& blocks = input == kSvhs ? kSvhsBlocks : input == kFree ? kFreeBlocks : kCVideoBlocks;
    I2cWriteBytes(Block(0x48, blocks.block48, palMode_ ? blocks.pal48 : blocks.ntsc48));
    I2cWriteBytes(Block(0x4A, blocks.block4A, palMode_ ? blocks.pal4A : blocks.ntsc4A));
    if (input == kCVideo || input == kSvhs) SendInputColor();
    I2cWriteBytes({0x88, 0x5C, static_cast<std::uint8_t>(input == kSvhs ? 0xB0 : 0xB2)});
    if (!analog) {
        // The digital inputs turn the analog path off only once the decoders are set up.
        port40_ &= ~0x08;
        I2cWriteBytes({0x40, static_cast<std::uint8_t>(port40_)});
    }
}

void CVelmarVrec::SelectInputCVideo() { SelectInput(kCVideo); }
void CVelmarVrec::SelectInputSvhs() { SelectInput(kSvhs); }
void CVelmarVrec::SelectInputSdi() { SelectInput(kSdi); }
void CVelmarVrec::SelectInputVp() { SelectInput(kVp); }
void CVelmarVrec::SelectInputFree() { SelectInput(kFree); }

void CVelmarVrec::OnTbc() {
    Ui().MessageBox({"The Time Base Corrector can only be disabled on Velmar2000 boards", kErrorCaption});
    View().SetChecked(kTbc, true);
}

void CVelmarVrec::OnRecordRefCheck() {
    const bool on = View().Checked(kRef);
    stopRef_ = on ? 0 : 1;
    WriteKey("RSTOPREF", on ? "0" : "1");
    SendCommand(board_commands::EncoderParameter(board_commands::kEncoderReference, 4, on ? "0 0 0 1" : "0 0 0 0"));
}

// ------------------------------------------------------------------ audio source, DSP

void CVelmarVrec::SetAudioSource(int source) {
    if (!is2000Board_) {
        if (source == 4) return;
        Ui().MessageBox({"Digital Audio is only available on Velmar2000 boards", kErrorCaption});
        View().SetChecked(source == 5 ? kAudioDigital : kAudioSdi, false);
        View().SetChecked(kAudioAnalog, true);
        return;
    }
    audioSource_ = source;
    WriteKey("RECREFA", Format("%d", source));
    I2cWriteBytes({0x36, static_cast<std::uint8_t>(source)});
}

void CVelmarVrec::OnAudioAnalog() { SetAudioSource(4); }
void CVelmarVrec::OnAudioDigital() { SetAudioSource(5); }
void CVelmarVrec::OnAudioSdi() { SetAudioSource(6); }

void CVelmarVrec::OnDspReset() {
    port44_ ^= 0x04;
    I2cWriteBytes({0x44, static_cast<std::uint8_t>(port44_)});
}

void CVelmarVrec::OnDspSend() { SendDspCode(); }

void CVelmarVrec::OnDvMpButton() {
    Ui().MessageBox({is2000Board_ ? "This feature is not yet implemented" : kVideoPortOnly, kErrorCaption});
}

// ------------------------------------------------------------------ restart switches

void CVelmarVrec::SendAudioPathOff() {
    SendCommand(board_commands::RecordAudioPath(false));
    flow_.StopVideoRecord();
    flow_.StopAudioRecord();
}

void CVelmarVrec::OnSwitchPlayback() {
    SendAudioPathOff();
    RestartInstance(true);
}

void CVelmarVrec::SwitchRecordMode(int mode) {
    if (recordMode_ == mode) return;
    SendAudioPathOff();
    WriteKey("RECMODE", Format("%d", mode));
    RestartInstance(false);
}

void CVelmarVrec::OnSwitchRecord420() { SwitchRecordMode(0); }
void CVelmarVrec::OnSwitchRecord422() { SwitchRecordMode(1); }
void CVelmarVrec::OnSwitchRecordMpeg1() { SwitchRecordMode(4); }

void CVelmarVrec::OnNtsc() {
    if (!palMode_) return;
    WriteKey("PALMODE", "0");
    SendAudioPathOff();
    RestartInstance(false);
}

void CVelmarVrec::OnPal() {
    if (palMode_) return;
    WriteKey("PALMODE", "1");
    SendAudioPathOff();
    RestartInstance(false);
}

}  // namespace velmar
