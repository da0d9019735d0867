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
    WriteStatus = 0x01,
    ReadData = 0x03,
    FastRead = 0x0B,
    ReadData4 = 0x13,
    PageProgram = 0x02,
    PageProgram4 = 0x12,
    SectorErase = 0x20,
    SectorErase4 = 0x21,
    Block32Erase = 0x52,
    BlockErase = 0xD8,
    BlockErase4 = 0xDC,
    ChipErase = 0xC7,
    ChipEraseAlt = 0x60,
    ReadJedecId = 0x9F,
    ReadSfdp = 0x5A,
    Enter4ByteMode = 0xB7,
    Exit4ByteMode = 0xE9,
};

constexpr uint32_t MiB = 1024 * 1024;

std::string sizeText(uint32_t size)
{
    return size >= MiB ? std::to_string(size / MiB) + " MiB" : std::to_string(size / 1024) + " KiB";
}

// Winbond's ids: EF 40, then the capacity code (the power of two of the size, 20h for 64 MiB).
uint32_t defaultJedec(uint32_t size)
{
    uint32_t code = 0;
    while ((uint32_t{1} << code) < size)
        ++code;
    return 0xEF4000 | (size == 64 * MiB ? 0x20 : code);
}

void putDword(std::vector<uint8_t> *table, size_t at, uint32_t value)
{
    for (size_t i = 0; i < 4; ++i)
        (*table)[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A typical time as SFDP writes it: (count + 1) units, count of `bits` bits, in the smallest
// of the units that holds it; the unit's index goes above the count.
uint32_t sfdpTime(uint64_t us, std::initializer_list<uint64_t> unitsUs, int bits)
{
    uint32_t index = 0;
    for (uint64_t unit : unitsUs) {
        const uint64_t count = (us + unit - 1) / unit;
        if (count <= (uint64_t{1} << bits))
            return static_cast<uint32_t>(count - 1) | index << bits;
        ++index;
    }
    return ((1u << bits) - 1) | (index - 1) << bits;
}

} // namespace

NorFlash::NorFlash(const SimClock &clock, const std::string &backingFile, std::string *problem)
    : NorFlash(clock, FlashChipOptions(), backingFile, problem)
{
}

NorFlash::NorFlash(const SimClock &clock, const FlashChipOptions &chipOptions,
                   const std::string &backingFile, std::string *problem)
    : clock(clock), options(chipOptions), blocks(chipOptions.size / blockSize)
{
    statusBits = options.status;
    if (options.jedec < 0)
        options.jedec = static_cast<int32_t>(defaultJedec(options.size));
    makeSfdp();
    if (backingFile.empty())
        return;
    const std::string name = "flash.file " + backingFile;
    backing = std::fopen(backingFile.c_str(), "r+b");
    if (backing) {
        std::fseek(backing, 0, SEEK_END);
        const long length = std::ftell(backing);
        std::rewind(backing);
        bool ok = length == static_cast<long>(options.size);
        std::vector<uint8_t> block(blockSize);
        for (size_t i = 0; ok && i < blocks.size(); ++i) {
            ok = std::fread(block.data(), 1, blockSize, backing) == blockSize;
            if (ok &&
                std::any_of(block.begin(), block.end(), [](uint8_t b) { return b != 0xFF; })) {
                blocks[i] = std::make_unique<uint8_t[]>(blockSize);
                std::copy(block.begin(), block.end(), blocks[i].get());
            }
        }
        if (!ok) {
            *problem = name + " is not a " + sizeText(options.size) + " flash image; not used";
            std::fclose(backing);
            backing = nullptr;
            for (auto &made : blocks)
                made.reset();
        }
        return;
    }
    // Only a missing file is made; one that exists but cannot be opened is left alone.
    if (errno != ENOENT) {
        *problem = name + " cannot be opened; the flash keeps nothing";
        return;
    }
    backing = std::fopen(backingFile.c_str(), "w+b");
    const std::vector<uint8_t> erased(blockSize, 0xFF);
    bool ok = backing != nullptr;
    for (size_t i = 0; ok && i < blocks.size(); ++i)
        ok = std::fwrite(erased.data(), 1, blockSize, backing) == blockSize;
    if (!ok || std::fflush(backing) != 0) {
        *problem = name + " cannot be written; the flash keeps nothing";
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

uint8_t NorFlash::at(uint32_t address) const
{
    address %= options.size;
    const auto &block = blocks[address / blockSize];
    return block ? block[address % blockSize] : 0xFF;
}

uint8_t NorFlash::status() const
{
    return static_cast<uint8_t>((busy() ? busyBit : 0) | (writeEnabled ? writeEnableLatch : 0) |
                                statusBits);
}

std::pair<uint32_t, uint32_t> NorFlash::protectedRange() const
{
    // Winbond's tables: up to 16 MiB BP0-BP2 in bits 2-4, TB in bit 5, SEC in bit 6; larger
    // parts BP0-BP3 in bits 2-5 and TB in bit 6. BP counts doubling units from the top (TB:
    // the bottom) until they cover the chip; with SEC the units are 4 KiB up to 32 KiB.
    const uint32_t size = options.size;
    const uint32_t bp = large() ? statusBits >> 2 & 0x0F : statusBits >> 2 & 0x07;
    const bool bottom = statusBits & (large() ? 0x40 : 0x20);
    const bool sector = !large() && (statusBits & 0x40) != 0;
    if (bp == 0)
        return {0, 0};
    uint64_t length;
    if (sector && bp <= 5)
        length = uint64_t{4096} << std::min<uint32_t>(bp - 1, 3);
    else
        length = uint64_t{large() ? blockSize : std::max(blockSize, size / 64)} << (bp - 1);
    if (length >= size)
        return {0, size};
    return bottom ? std::make_pair(uint32_t{0}, static_cast<uint32_t>(length))
                  : std::make_pair(size - static_cast<uint32_t>(length), size);
}

size_t NorFlash::addressBytes(uint8_t opcode) const
{
    switch (opcode) {
    case ReadData:
    case FastRead:
    case PageProgram:
    case SectorErase:
    case Block32Erase:
    case BlockErase:
        return fourByteMode ? 4 : 3;
    case ReadSfdp:
        return options.sfdp ? 3 : 0;
    case ReadData4:
    case PageProgram4:
    case SectorErase4:
    case BlockErase4:
        return large() ? 4 : 0;
    default:
        return 0;
    }
}

uint32_t NorFlash::address() const
{
    const size_t count = addressBytes(command[0]);
    uint32_t value = 0;
    for (size_t i = 1; i <= count; ++i)
        value = value << 8 | command[i];
    return command[0] == ReadSfdp ? value : value % options.size;
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
    if (position < sizeof command)
        command[position] = mosi;
    // While busy the chip answers nothing but its status.
    if (position == 0 && busy() && mosi != ReadStatus)
        ignored = true;
    if (ignored)
        return 0xFF;

    const uint8_t opcode = command[0];
    const size_t addressCount = addressBytes(opcode);
    switch (opcode) {
    case PageProgram:
    case PageProgram4:
        if (addressCount > 0 && position > addressCount)
            pageBuffer[(address() + position - addressCount - 1) % pageSize] = mosi;
        return 0xFF;
    case ReadStatus:
        return position == 0 ? 0xFF : status();
    case ReadJedecId:
        return position >= 1 && position <= 3
                   ? static_cast<uint8_t>(static_cast<uint32_t>(options.jedec) >>
                                          (8 * (3 - position)))
                   : 0xFF;
    case ReadData:
    case FastRead:
    case ReadData4:
    case ReadSfdp: {
        if (addressCount == 0)
            return 0xFF;
        const size_t firstData = addressCount + (opcode == FastRead || opcode == ReadSfdp ? 2 : 1);
        if (position == addressCount)
            readAddress = address();
        if (position < firstData)
            return 0xFF;
        if (opcode == ReadSfdp)
            return readAddress < sfdpTable.size() ? sfdpTable[readAddress++] : 0xFF;
        const uint8_t value = at(readAddress);
        readAddress = (readAddress + 1) % options.size;
        return value;
    }
    default:
        return 0xFF;
    }
}

void NorFlash::deselect()
{
    if (!ignored && length > 0)
        finishCommand();
}

void NorFlash::finishCommand()
{
    // Writing commands take effect when the chip select rises after whole, exact commands.
    const uint8_t opcode = command[0];
    const size_t exact = 1 + addressBytes(opcode);
    const uint32_t at = address();
    if (opcode == WriteEnable && length == 1) {
        writeEnabled = true;
    } else if (opcode == WriteDisable && length == 1) {
        writeEnabled = false;
    } else if ((opcode == Enter4ByteMode || opcode == Exit4ByteMode) && length == 1 && large()) {
        fourByteMode = opcode == Enter4ByteMode;
    } else if (!writeEnabled) {
        return;
    } else if (opcode == WriteStatus && (length == 2 || length == 3)) {
        // With WP# low, SRWD locks the register.
        if (options.wpLow && (statusBits & statusWriteDisable))
            return;
        statusBits = command[1] & 0xFC;
        writeEnabled = false;
        becomeBusy(writeStatusUs);
    } else if ((opcode == PageProgram || opcode == PageProgram4) && exact > 1 && length > exact) {
        finishProgram();
    } else if ((opcode == SectorErase || opcode == SectorErase4) && exact > 1 && length == exact) {
        erase(at & ~0xFFFu, 0x1000, sectorEraseUs);
    } else if (opcode == Block32Erase && length == exact) {
        erase(at & ~0x7FFFu, 0x8000, block32EraseUs);
    } else if ((opcode == BlockErase || opcode == BlockErase4) && exact > 1 && length == exact) {
        erase(at & ~0xFFFFu, 0x10000, blockEraseUs);
    } else if ((opcode == ChipErase || opcode == ChipEraseAlt) && length == 1) {
        erase(0, options.size, chipEraseUs * std::max<uint32_t>(1, options.size / (2 * MiB)));
    }
}

void NorFlash::becomeBusy(uint64_t microseconds)
{
    busyUntil = options.stuckBusy ? UINT64_MAX : clock.nowUs() + microseconds;
}

bool NorFlash::touchesProtection(uint32_t start, uint32_t length) const
{
    const auto range = protectedRange();
    return start < range.second && range.first < start + length;
}

void NorFlash::finishProgram()
{
    const uint32_t page = address() & ~(pageSize - 1);
    // A protected page is left as it is, silently, as real chips do.
    if (touchesProtection(page, pageSize))
        return;
    if (std::any_of(pageBuffer.begin(), pageBuffer.end(), [](uint8_t b) { return b != 0xFF; })) {
        uint8_t *memory = writable(page);
        for (uint32_t i = 0; i < pageSize; ++i)
            memory[i] &= pageBuffer[i]; // programming only clears bits
        store(page, pageSize);
    }
    writeEnabled = false;
    becomeBusy(pageProgramUs);
}

void NorFlash::erase(uint32_t start, uint32_t length, uint64_t busyUs)
{
    if (touchesProtection(start, length))
        return;
    for (uint32_t at = start; at < start + length;) {
        auto &block = blocks[at / blockSize];
        const uint32_t offset = at % blockSize;
        const uint32_t part = std::min(blockSize - offset, start + length - at);
        if (part == blockSize)
            block.reset();
        else if (block)
            std::fill(block.get() + offset, block.get() + offset + part, 0xFF);
        at += part;
    }
    store(start, length);
    writeEnabled = false;
    becomeBusy(busyUs);
}

uint8_t *NorFlash::writable(uint32_t address)
{
    auto &block = blocks[address / blockSize];
    if (!block) {
        block = std::make_unique<uint8_t[]>(blockSize);
        std::fill(block.get(), block.get() + blockSize, 0xFF);
    }
    return block.get() + address % blockSize;
}

void NorFlash::store(uint32_t start, uint32_t length)
{
    if (!backing)
        return;
    static const std::vector<uint8_t> erased(blockSize, 0xFF);
    std::fseek(backing, static_cast<long>(start), SEEK_SET);
    for (uint32_t at = start; at < start + length;) {
        const auto &block = blocks[at / blockSize];
        const uint32_t offset = at % blockSize;
        const uint32_t part = std::min(blockSize - offset, start + length - at);
        std::fwrite(block ? block.get() + offset : erased.data(), 1, part, backing);
        at += part;
    }
    std::fflush(backing);
}

void NorFlash::makeSfdp()
{
    // The SFDP header, the basic flash parameter table (JESD216B, 16 double words) and, above
    // 16 MiB, the 4-byte address instruction table; each table where its header points.
    const uint32_t basicAt = 0x80, fourByteAt = 0xC0;
    const uint8_t headers = large() ? 2 : 1;
    sfdpTable.assign(large() ? fourByteAt + 8 : basicAt + 64, 0xFF);
    const uint8_t header[] = {'S',  'F',  'D',  'P',  0x06, 0x01,    uint8_t(headers - 1),
                              0xFF, 0x00, 0x06, 0x01, 16,   basicAt, 0,
                              0,    0xFF, 0x84, 0x00, 0x01, 2,       fourByteAt,
                              0,    0,    0xFF};
    std::copy(header, header + 8 * (1 + headers), sfdpTable.begin());

    const uint32_t ms = 1000, s = 1000000;
    // Erase times: typical in 1 ms, 16 ms, 128 ms or 1 s units; the maximum is 4 times that.
    const auto eraseTime = [&](uint64_t us) { return sfdpTime(us, {ms, 16 * ms, 128 * ms, s}, 5); };
    const uint64_t chipUs = chipEraseUs * std::max<uint32_t>(1, options.size / (2 * MiB));
    const uint32_t dwords[16] = {
        // 4 KiB erase with 20h, write granularity of a page, 3- or (above 16 MiB) 4-byte
        // addresses, no fast read but 0Bh.
        0xFF800000u | 0x20u << 8 | 0x04 | 0x01 | (large() ? 1u << 17 : 0),
        options.size * 8 - 1, // density in bits, less one
        0, 0, 0xFFFFFFEE, 0x0000FFFF, 0x0000FFFF,
        // Erase types: 4 KiB (20h), 32 KiB (52h), 64 KiB (D8h).
        0x0Cu | 0x20u << 8 | 0x0Fu << 16 | 0x52u << 24, 0x10u | 0xD8u << 8,
        1 | eraseTime(sectorEraseUs) << 4 | eraseTime(block32EraseUs) << 11 |
            eraseTime(blockEraseUs) << 18,
        // Page program (8 or 64 us units), first and further bytes, chip erase (16 ms, 256 ms,
        // 4 s, 64 s units); maximum 4 times typical; 256-byte pages.
        0x80000000u | 1 | 8 << 4 | sfdpTime(pageProgramUs, {8, 64}, 5) << 8 |
            sfdpTime(30, {1, 8}, 4) << 14 | sfdpTime(3, {1, 8}, 4) << 19 |
            sfdpTime(chipUs, {16 * ms, 256 * ms, 4 * s, 64 * s}, 5) << 24,
        0x80000000u, 0, 0x80000004u, 0,
        // Above 16 MiB: B7h enters 4-byte mode and the chip has 4-byte commands; E9h exits.
        // Status register 1 is non-volatile and written after 06h.
        (large() ? 0x21u << 24 | 1u << 14 : 0) | 0x80 | 0x01};
    for (size_t i = 0; i < 16; ++i)
        putDword(&sfdpTable, basicAt + 4 * i, dwords[i]);
    if (large()) {
        // 13h, 12h, and the 4 KiB and 64 KiB erases with 4-byte addresses: 21h and DCh.
        putDword(&sfdpTable, fourByteAt, 0xFFFF0000u | 1 << 0 | 1 << 6 | 1 << 9 | 1 << 11);
        putDword(&sfdpTable, fourByteAt + 4, 0xFF00FF00u | 0xDCu << 16 | 0x21u);
    }
}

} // namespace telkor
