#include "eeprom_update_dlg.h"

#include <cstdio>

#include "platform/regular_file.h"

namespace velmar {

using velmar_ui::ControlKind;

namespace {
constexpr const char* kErrorCaption = "Velmar Error";
// 512 lines of 128 hex digits, with room for spaces and line ends of any kind.
constexpr std::size_t kEepromImageMaxBytes = 1 << 20;
}  // namespace

velmar_ui::FormSpec EepromUpdateForm() {
    velmar_ui::FormSpec form;
    form.title = "Update EEPROM";
    form.controls = {
        {kEepromProgress, ControlKind::ProgressBar, "", "", 0, 0, 1, 2},
        {kEepromText, ControlKind::Label, "", "", 1, 0, 1, 2},
        {kEepromStart, ControlKind::PushButton, "Start", "", 2, 0, 1, 1, velmar_ui::kDefaultButton},
        {kEepromCancel, ControlKind::PushButton, "Cancel", "", 2, 1},
    };
    form.width = 360;
    return form;
}

void CEepromUpdateDlg::OnInitDialog() { View().SetRange(kEepromProgress, {0, eeprom::kEepromBytes}); }

bool CEepromUpdateDlg::OnOK() {
    programmed_ = false;
    // Read on the window's thread: a FIFO or a device in the image's place is never waited on, and
    // a file far larger than an image is not read whole.
    std::string text;
    const auto read = platform::ReadRegularFile(imagePath_, kEepromImageMaxBytes, text);
    if (read == platform::WholeFileRead::CannotOpen) {
        Ui().MessageBox({"Can't find file .hex", kErrorCaption});
        return true;
    }
    // The whole image is checked before the first byte goes to the board.
    const auto image = read == platform::WholeFileRead::Read ? eeprom::ParseEepromImage(text) : std::nullopt;
    if (!image) {
        Ui().MessageBox({"The EEPROM image " + imagePath_ + " is not 512 lines of 128 hex digits; nothing was written.",
                         kErrorCaption});
        return true;
    }
    wrote_ = true;
    const auto result = eeprom::ProgramEeprom(bus_, *image, [this](int bytes) {
        char line[64];
        std::snprintf(line, sizeof line, "Bytes Programmed = %d / 32768", bytes);
        View().SetText(kEepromText, line);
        View().SetPosition(kEepromProgress, bytes);
    });
    if (!result.ok) {
        char line[128];
        std::snprintf(line, sizeof line, "The EEPROM did not acknowledge page %d; pages from there on are not written.",
                      result.failedPage);
        Ui().MessageBox({line, kErrorCaption});
        return true;
    }
    programmed_ = true;
    return true;
}

}  // namespace velmar
