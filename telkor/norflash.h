#pragma once
// A 2 MiB serial NOR flash with the command set common to the 25-series parts.

#include "telkor/simclock.h"
#include "telkor/spidevice.h"

#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace telkor
{

class NorFlash : public SpiDevice
{
public:
    static constexpr uint32_t size = 2 * 1024 * 1024;
    static constexpr uint32_t pageSize = 256;
    static constexpr uint8_t manufacturer = 0xEF, memoryType = 0x40, capacity = 0x15;
    // How long the chip stays busy, in microseconds.
    static constexpr uint64_t pageProgramUs = 700;
    static constexpr uint64_t sectorEraseUs = 45000;
    static constexpr uint64_t blockEraseUs = 150000;
    static constexpr uint64_t chipEraseUs = 3000000;

    // Status register bits.
    static constexpr uint8_t busyBit = 0x01, writeEnableLatch = 0x02;

    // With a backing file the contents survive between runs; `problem` says why a file could
    // not be used (the flash then starts erased and keeps nothing).
    NorFlash(const SimClock &clock, const std::string &backingFile, std::string *problem);
    ~NorFlash() override;
    NorFlash(const NorFlash &) = delete;
    NorFlash &operator=(const NorFlash &) = delete;

    void select() override;
    uint8_t exchange(uint8_t mosi) override;
    void deselect() override;

    uint8_t at(uint32_t address) const { return memory[address % size]; }
    uint8_t status() const;

private:
    bool busy() const { return clock.nowUs() < busyUntil; }
    uint32_t address() const;
    void finishProgram();
    void erase(uint32_t start, uint32_t length, uint64_t busyUs);
    void store(uint32_t start, uint32_t length);

    const SimClock &clock;
    std::vector<uint8_t> memory;
    std::FILE *backing = nullptr;
    bool writeEnabled = false;
    uint64_t busyUntil = 0;

    // The command under way: its first bytes (opcode, address) and how many bytes came.
    uint8_t command[4] = {};
    size_t length = 0;
    bool ignored = false; // a command that came while busy
    uint32_t readAddress = 0;
    // Page program data lands here, at its place in the page (later bytes win), and goes to
    // the memory when the chip select rises.
    std::array<uint8_t, pageSize> pageBuffer;
};

} // namespace telkor
