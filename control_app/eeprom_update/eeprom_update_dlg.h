// Update EEPROM (modal): Start writes the image file into the board's EEPROM on the UI thread,
// showing the bytes programmed, then closes.
#pragma once

#include <string>

#include "eeprom/eeprom_programmer.h"
#include "velmar_ui/form_logic.h"
#include "velmar_ui/form_spec.h"

namespace velmar {

velmar_ui::FormSpec EepromUpdateForm();

inline constexpr velmar_ui::ControlId kEepromStart = 1;
inline constexpr velmar_ui::ControlId kEepromCancel = 2;
inline constexpr velmar_ui::ControlId kEepromProgress = 1145;
inline constexpr velmar_ui::ControlId kEepromText = 1187;

class CEepromUpdateDlg : public velmar_ui::FormLogic {
public:
    CEepromUpdateDlg(velmar_ui::FormView& view, velmar_ui::UiServices& ui, eeprom::EepromI2c& bus,
                     std::string imagePath = "ucode/velmar.hex")
        : FormLogic(view, ui), bus_(bus), imagePath_(std::move(imagePath)) {}

    void OnInitDialog() override;
    // Start: programs the EEPROM and closes the dialog.
    bool OnOK() override;
    // Whether the last Start wrote every page.
    bool Programmed() const { return programmed_; }
    // Whether a Start wrote to the EEPROM at all: a run that failed part way changed it too.
    bool WroteEeprom() const { return wrote_; }

protected:
    bool Dispatch(const velmar_ui::Event&) override { return false; }

private:
    eeprom::EepromI2c& bus_;
    std::string imagePath_;
    bool programmed_ = false;
    bool wrote_ = false;
};

}  // namespace velmar
