#include "i2c_log.h"

#include <cstdio>

namespace softboard {

namespace {
constexpr std::size_t kShownBytes = 16;
}

void I2cTransactionLog::OnStart() {
    Finish();  // a repeated start ends the transaction before it
    open_ = true;
}

void I2cTransactionLog::OnByte(std::uint8_t byte, bool fromDevice, bool acknowledged) {
    if (!open_) return;
    if (!haveAddress_ && !fromDevice) {
        haveAddress_ = true;
        address_ = byte;
        acknowledged_ = acknowledged;
        return;
    }
    bytes_.push_back(byte);
}

void I2cTransactionLog::OnStop() { Finish(); }

void I2cTransactionLog::Forget() {
    open_ = haveAddress_ = false;
    bytes_.clear();
}

void I2cTransactionLog::Finish() {
    if (open_ && haveAddress_) say_(Describe(address_, bytes_, acknowledged_));
    Forget();
}

std::string I2cTransactionLog::Describe(std::uint8_t address, const std::vector<std::uint8_t>& bytes,
                                        bool acknowledged) {
    char text[32];
    // The address in the bus's 8-bit write form, the direction from its lowest bit.
    std::snprintf(text, sizeof text, "I2C 0x%02X %s", address & 0xFE, (address & 1) ? "read" : "write");
    std::string line = text;
    if (!bytes.empty()) {
        line += " " + std::to_string(bytes.size()) + (bytes.size() == 1 ? " byte:" : " bytes:");
        for (std::size_t i = 0; i < bytes.size() && i < kShownBytes; ++i) {
            std::snprintf(text, sizeof text, " %02X", bytes[i]);
            line += text;
        }
        if (bytes.size() > kShownBytes) line += " ...";
    }
    line += acknowledged ? ", acknowledged" : ", not acknowledged";
    return line;
}

}  // namespace softboard
