#pragma once
// A register-bank chip as sensors have: the first byte after the chip select is a register
// address (bit 7 set to read, clear to write), the bytes after it read or write that register
// and the following ones (the address increments, wrapping from 7Fh to 00h).

#include "telkor/spidevice.h"

#include <array>

namespace telkor
{

class RegisterBank : public SpiDevice
{
public:
    static constexpr uint8_t readBit = 0x80;
    static constexpr uint8_t identityRegister = 0x0F;
    static constexpr uint8_t identity = 0x5A;
    // Control registers (read-write) and the measurement registers (read-only, three 16-bit
    // little-endian values).
    static constexpr uint8_t controlRegister = 0x20, controlReset = 0x07;
    static constexpr uint8_t firstMeasurement = 0x28, measurementCount = 6;

    RegisterBank();

    void select() override;
    uint8_t exchange(uint8_t mosi) override;

    uint8_t registerAt(uint8_t address) const { return registers[address & 0x7F]; }
    static bool readOnly(uint8_t address);

private:
    std::array<uint8_t, 128> registers{};
    bool addressed = false;
    bool reading = false;
    uint8_t current = 0;
};

} // namespace telkor
