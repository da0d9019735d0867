#include "telkor/registerbank.h"

namespace telkor
{

RegisterBank::RegisterBank()
{
    registers[identityRegister] = identity;
    registers[controlRegister] = controlReset;
    const uint8_t samples[measurementCount] = {0x34, 0x12, 0x78, 0x56, 0xBC, 0x9A};
    for (uint8_t i = 0; i < measurementCount; ++i)
        registers[firstMeasurement + i] = samples[i];
}

bool RegisterBank::readOnly(uint8_t address)
{
    address &= 0x7F;
    return address == identityRegister ||
           (address >= firstMeasurement && address < firstMeasurement + measurementCount);
}

void RegisterBank::select()
{
    addressed = false;
}

uint8_t RegisterBank::exchange(uint8_t mosi)
{
    if (!addressed) {
        addressed = true;
        reading = (mosi & readBit) != 0;
        current = mosi & 0x7F;
        return 0xFF;
    }
    const uint8_t address = current;
    current = (current + 1) & 0x7F;
    if (reading)
        return registers[address];
    if (!readOnly(address))
        registers[address] = mosi;
    return 0xFF;
}

} // namespace telkor
