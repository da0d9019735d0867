#pragma once
// A serial NOR flash with the command set common to the 25-series parts: 2 MiB by default, 64
// KiB to 64 MiB as configured, with SFDP tables, status register 1 with Winbond's block
// protection, and the 4-byte-address commands above 16 MiB.

#include "telkor/config.h"
#include "telkor/simclock.h"
#include "telkor/spidevice.h"

#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace telkor
{

class NorFlash : public SpiDevice
{
public:
    static constexpr uint32_t defaultSize = 2 * 1024 * 1024;
    static constexpr uint32_t pageSize = 256;
    // How long the chip stays busy, in microseconds. Chip erase takes chipEraseUs for every
    // 2 MiB.
    static constexpr uint64_t pageProgramUs = 700;
    static constexpr uint64_t sectorEraseUs = 45000;
    static constexpr uint64_t block32EraseUs = 120000;
    static constexpr uint64_t blockEraseUs = 150000;
    static constexpr uint64_t chipEraseUs = 3000000;
    static constexpr uint64_t writeStatusUs = 10000;

    // Status register bits.
    static constexpr uint8_t busyBit = 0x01, writeEnableLatch = 0x02, statusWriteDisable = 0x80;

    // With a backing file the contents survive between runs; `problem` says why a file could
    // not be used (the flash then starts erased and keeps nothing).
    NorFlash(const SimClock &clock, const std::string &backingFile, std::string *problem);
    NorFlash(const SimClock &clock, const FlashChipOptions &options, const std::string &backingFile,
             std::string *problem);
    ~NorFlash() override;
    NorFlash(const NorFlash &) = delete;
    NorFlash &operator=(const NorFlash &) = delete;

    void select() override;
    uint8_t exchange(uint8_t mosi) override;
    void deselect() override;

    uint32_t size() const { return options.size; }
    uint8_t at(uint32_t address) const;
    uint8_t status() const;
    // The bytes [start, end) that program and erase leave alone under the status register's
    // protection bits; start == end when none are.
    std::pair<uint32_t, uint32_t> protectedRange() const;
    const std::vector<uint8_t> &sfdp() const { return sfdpTable; }

private:
    // Memory is kept in blocks made when first programmed: an erased block costs nothing.
    static constexpr uint32_t blockSize = 64 * 1024;

    bool busy() const { return clock.nowUs() < busyUntil; }
    bool large() const { return options.size > 16 * 1024 * 1024; }
    // Address bytes after the opcode: 0 for commands without an address.
    size_t addressBytes(uint8_t opcode) const;
    uint32_t address() const;
    void finishCommand();
    void finishProgram();
    void erase(uint32_t start, uint32_t length, uint64_t busyUs);
    bool touchesProtection(uint32_t start, uint32_t length) const;
    uint8_t *writable(uint32_t address);
    void store(uint32_t start, uint32_t length);
    void makeSfdp();

    const SimClock &clock;
    FlashChipOptions options;
    std::vector<std::unique_ptr<uint8_t[]>> blocks;
    std::FILE *backing = nullptr;
    bool writeEnabled = false;
    bool fourByteMode = false;
    uint8_t statusBits = 0; // the writable bits 2-7 of status register 1
    uint64_t busyUntil = 0;
    // With the stuck-busy fault the first program, erase or status write never ends.
    void becomeBusy(uint64_t microseconds);
    std::vector<uint8_t> sfdpTable;

    // The command under way: its first bytes (opcode, address, a status byte) and how many
    // bytes came.
    uint8_t command[6] = {};
    size_t length = 0;
    bool ignored = false; // a command that came while busy
    uint32_t readAddress = 0;
    // Page program data lands here, at its place in the page (later bytes win), and goes to
    // the memory when the chip select rises.
    std::array<uint8_t, pageSize> pageBuffer;
};

} // namespace telkor
