#include "telkor/norflash.h"

#include <algorithm>
#include <cerrno>

namespace telkor
{

namespace
{

enum Opcode : uint8_t {
    WriteEnable = 0x06,
    WriteDisable = 0x04,
    ReadStatus = 0x05,
    ReadData = 0x03,
    FastRead = 0x0B,
    PageProgram = 0x02,
    SectorErase = 0x20,
    BlockErase = 0xD8,
    ChipErase = 0xC7,
    ChipEraseAlt = 0x60,
    ReadJedecId = 0x9F,
};

} // namespace

NorFlash::NorFlash(const SimClock &clock, const std::string &backingFile, std::string *problem)
    : clock(clock), memory(size, 0xFF)
{
    if (backingFile.empty())
        return;
    backing = std::fopen(backingFile.c_str(), "r+b");
    if (backing) {
        std::fseek(backing, 0, SEEK_END);
        const long length = std::ftell(backing);
        std::rewind(backing);
        if (length != static_cast<long>(size) ||
            std::fread(memory.data(), 1, size, backing) != size) {
            *problem = "flash.file " + backingFile + " is not a 2 MiB flash image; not used";
            std::fclose(backing);
            backing = nullptr;
            std::fill(memory.begin(), memory.end(), 0xFF);
        }
        return;
    }
    // Only a missing file is made; one that exists but cannot be opened is left alone.
    if (errno != ENOENT) {
        *problem = "flash.file " + backingFile + " cannot be opened; the flash keeps nothing";
        return;
    }
    backing = std::fopen(backingFile.c_str(), "w+b");
    if (!backing || std::fwrite(memory.data(), 1, size, backing) != size ||
        std::fflush(backing) != 0) {
        *problem = "flash.file " + backingFile + " cannot be written; the flash keeps nothing";
        if (backing)
            std::fclose(backing);
        backing = nullptr;
    }
}

NorFlash::~NorFlash()
{
    if (backing)
        std::fclose(backing);
}

uint8_t NorFlash::status() const
{
    return static_cast<uint8_t>((busy() ? busyBit : 0) | (writeEnabled ? writeEnableLatch : 0));
}

uint32_t NorFlash::address() const
{
    return (uint32_t{command[1]} << 16 | uint32_t{command[2]} << 8 | command[3]) % size;
}

void NorFlash::select()
{
    length = 0;
    ignored = false;
    pageBuffer.fill(0xFF);
}

uint8_t NorFlash::exchange(uint8_t mosi)
{
    const size_t position = length++;
    if (position < 4)
        command[position] = mosi;
    // While busy the chip answers nothing but its status.
    if (position == 0 && busy() && mosi != ReadStatus)
        ignored = true;
    if (ignored)
        return 0xFF;

    switch (command[0]) {
    case PageProgram:
        if (position >= 4)
            pageBuffer[(address() + position - 4) % pageSize] = mosi;
        return 0xFF;
    case ReadStatus:
        return position == 0 ? 0xFF : status();
    case ReadJedecId: {
        static const uint8_t id[] = {manufacturer, memoryType, capacity};
        return position >= 1 && position <= 3 ? id[position - 1] : 0xFF;
    }
    case ReadData:
    case FastRead: {
        const size_t firstData = command[0] == ReadData ? 4 : 5;
        if (position + 1 == 4)
            readAddress = address();
        if (position < firstData)
            return 0xFF;
        const uint8_t value = memory[readAddress];
        readAddress = (readAddress + 1) % size;
        return value;
    }
    default:
        return 0xFF;
    }
}

void NorFlash::deselect()
{
    if (ignored || length == 0)
        return;
    const uint8_t opcode = command[0];
    // Writing commands take effect when the chip select rises after whole, exact commands.
    if (opcode == WriteEnable && length == 1)
        writeEnabled = true;
    else if (opcode == WriteDisable && length == 1)
        writeEnabled = false;
    else if (opcode == PageProgram && length > 4 && writeEnabled)
        finishProgram();
    else if (opcode == SectorErase && length == 4 && writeEnabled)
        erase(address() & ~0xFFFu, 0x1000, sectorEraseUs);
    else if (opcode == BlockErase && length == 4 && writeEnabled)
        erase(address() & ~0xFFFFu, 0x10000, blockEraseUs);
    else if ((opcode == ChipErase || opcode == ChipEraseAlt) && length == 1 && writeEnabled)
        erase(0, size, chipEraseUs);
}

void NorFlash::finishProgram()
{
    const uint32_t page = address() & ~(pageSize - 1);
    for (uint32_t i = 0; i < pageSize; ++i)
        memory[page + i] &= pageBuffer[i]; // programming only clears bits
    store(page, pageSize);
    writeEnabled = false;
    busyUntil = clock.nowUs() + pageProgramUs;
}

void NorFlash::erase(uint32_t start, uint32_t length, uint64_t busyUs)
{
    std::fill(memory.begin() + start, memory.begin() + start + length, 0xFF);
    store(start, length);
    writeEnabled = false;
    busyUntil = clock.nowUs() + busyUs;
}

void NorFlash::store(uint32_t start, uint32_t length)
{
    if (!backing)
        return;
    std::fseek(backing, static_cast<long>(start), SEEK_SET);
    std::fwrite(memory.data() + start, 1, length, backing);
    std::fflush(backing);
}

} // namespace telkor
