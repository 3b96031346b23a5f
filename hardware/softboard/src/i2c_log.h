// The I2C transactions a software board logs at -v: one line per transaction (address, bytes,
// acknowledge) in place of the hundreds of line toggles that make it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tessolk/i2c_bus_devices.h"

namespace softboard {

class I2cTransactionLog final : public tessolk::I2cObserver {
public:
    explicit I2cTransactionLog(std::function<void(const std::string&)> say) : say_(std::move(say)) {}

    void OnStart() override;
    void OnByte(std::uint8_t byte, bool fromDevice, bool acknowledged) override;
    void OnStop() override;
    // Drops a transaction whose writes were missed: what was seen of it would mislead.
    void Forget();

    // "I2C 0x40 write 2 bytes: 11 22, acknowledged"; the first 16 bytes of longer ones.
    static std::string Describe(std::uint8_t address, const std::vector<std::uint8_t>& bytes, bool acknowledged);

private:
    void Finish();

    std::function<void(const std::string&)> say_;
    bool open_ = false;
    bool haveAddress_ = false;
    std::uint8_t address_ = 0;
    bool acknowledged_ = false;
    std::vector<std::uint8_t> bytes_;
};

}  // namespace softboard
