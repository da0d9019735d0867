// The built-in table of SPI NOR flash chips and the JEDEC makers' names.

#include "bus/flashchips.h"

#include "bus/flashcommands.h"

#include <iterator>

namespace
{

constexpr uint32_t KiB = 1024;
constexpr uint32_t MiB = 1024 * KiB;

using namespace FlashCommand;

constexpr FlashEraseType none = {0, 0, 0, 0};
constexpr FlashEraseType sector4K(uint32_t maxMs, uint8_t opcode4 = 0)
{
    return {4 * KiB, SectorErase4K, opcode4, maxMs};
}
constexpr FlashEraseType block32K(uint32_t maxMs, uint8_t opcode4 = 0)
{
    return {32 * KiB, BlockErase32K, opcode4, maxMs};
}
constexpr FlashEraseType block64K(uint32_t maxMs, uint8_t opcode4 = 0)
{
    return {64 * KiB, BlockErase64K, opcode4, maxMs};
}

constexpr auto three = FlashAddressing::ThreeByte;
constexpr auto four = FlashAddressing::FourByteOpcodes;
constexpr auto unknown = FlashProtection::Unknown;
constexpr auto bpTbSec = FlashProtection::BpTbSec;
constexpr auto bp3Tb = FlashProtection::Bp3Tb;

// Adding a chip: one row with
// - the three bytes it answers to 9F (manufacturer, memory type, capacity), the part name
//   (a family name such as "W25Q128" where the revisions share id and geometry);
// - the size in bytes and the page size (what one page program may write, nearly always 256);
// - its addressing: `three` up to 16 MiB; above, `four` when the chip has the 4-byte commands
//   13/12/21/DC (an erase without a 4-byte command gets 0 as its opcode4 and is then not used),
//   FlashAddressing::FourByteMode when it only has B7/E9;
// - how status register 1 protects it (`bpTbSec`, `bp3Tb`, else `unknown`, which makes the
//   engine refuse to write while any BP bit is set);
// - the longest busy times of the datasheet's AC table (tPP in microseconds, tSE/tBE1/tBE2 and
//   tCE in milliseconds), taking the largest over the part's revisions and rounding up: they
//   bound the wait for a chip that never comes back, a row too tight fails good chips;
// - its erases, smallest first, with their opcodes (and 4-byte opcodes).
// Chips with SFDP tables need no row for their geometry; a row still gives them their name and
// protection layout.
// clang-format off
const FlashChipInfo chips[] = {
    // Winbond: tPP 3 ms, tSE 400 ms, tBE1 1.6 s, tBE2 2 s (JV revisions; older ones are faster).
    {0xEF, 0x40, 0x14, "W25Q80", 1 * MiB, 256, three, bpTbSec, 3000,
     {sector4K(400), block32K(1600), block64K(2000)}, 25000},
    {0xEF, 0x40, 0x15, "W25Q16", 2 * MiB, 256, three, bpTbSec, 3000,
     {sector4K(400), block32K(1600), block64K(2000)}, 25000},
    {0xEF, 0x40, 0x16, "W25Q32", 4 * MiB, 256, three, bpTbSec, 3000,
     {sector4K(400), block32K(1600), block64K(2000)}, 50000},
    {0xEF, 0x40, 0x17, "W25Q64", 8 * MiB, 256, three, bpTbSec, 3000,
     {sector4K(400), block32K(1600), block64K(2000)}, 100000},
    {0xEF, 0x40, 0x18, "W25Q128", 16 * MiB, 256, three, bpTbSec, 3000,
     {sector4K(400), block32K(1600), block64K(2000)}, 200000},
    {0xEF, 0x70, 0x18, "W25Q128JV-IM", 16 * MiB, 256, three, bpTbSec, 3000,
     {sector4K(400), block32K(1600), block64K(2000)}, 200000},
    {0xEF, 0x40, 0x19, "W25Q256", 32 * MiB, 256, four, bp3Tb, 3000,
     {sector4K(400, SectorErase4K4), block32K(1600), block64K(2000, BlockErase64K4)}, 400000},
    {0xEF, 0x40, 0x20, "W25Q512", 64 * MiB, 256, four, bp3Tb, 3000,
     {sector4K(400, SectorErase4K4), block32K(1600), block64K(2000, BlockErase64K4)}, 800000},
    // Macronix: status bits 2-5 are BP0-BP3, bit 6 is QE.
    {0xC2, 0x20, 0x14, "MX25L8005", 1 * MiB, 256, three, unknown, 5000,
     {sector4K(300), block64K(2000), none}, 20000},
    {0xC2, 0x20, 0x15, "MX25L1606E", 2 * MiB, 256, three, unknown, 5000,
     {sector4K(300), block32K(2000), block64K(2000)}, 30000},
    {0xC2, 0x20, 0x16, "MX25L3206E", 4 * MiB, 256, three, unknown, 5000,
     {sector4K(300), block32K(2000), block64K(2000)}, 50000},
    {0xC2, 0x20, 0x17, "MX25L6406E", 8 * MiB, 256, three, unknown, 5000,
     {sector4K(300), block32K(2000), block64K(2000)}, 100000},
    {0xC2, 0x20, 0x18, "MX25L12835F", 16 * MiB, 256, three, unknown, 5000,
     {sector4K(400), block32K(2000), block64K(2000)}, 200000},
    {0xC2, 0x20, 0x19, "MX25L25645G", 32 * MiB, 256, four, unknown, 5000,
     {sector4K(400, SectorErase4K4), block32K(2000, BlockErase32K4),
      block64K(2000, BlockErase64K4)}, 400000},
    {0xC2, 0x20, 0x1A, "MX25L51245G", 64 * MiB, 256, four, unknown, 5000,
     {sector4K(400, SectorErase4K4), block32K(2000, BlockErase32K4),
      block64K(2000, BlockErase64K4)}, 800000},
    // GigaDevice: BP3 and BP4 act as Winbond's TB and SEC.
    {0xC8, 0x40, 0x14, "GD25Q80", 1 * MiB, 256, three, bpTbSec, 3000,
     {sector4K(400), block32K(1600), block64K(2000)}, 25000},
    {0xC8, 0x40, 0x15, "GD25Q16", 2 * MiB, 256, three, bpTbSec, 3000,
     {sector4K(400), block32K(1600), block64K(2000)}, 25000},
    {0xC8, 0x40, 0x16, "GD25Q32", 4 * MiB, 256, three, bpTbSec, 3000,
     {sector4K(400), block32K(1600), block64K(2000)}, 50000},
    {0xC8, 0x40, 0x17, "GD25Q64", 8 * MiB, 256, three, bpTbSec, 3000,
     {sector4K(400), block32K(1600), block64K(2000)}, 100000},
    {0xC8, 0x40, 0x18, "GD25Q128", 16 * MiB, 256, three, bpTbSec, 3000,
     {sector4K(400), block32K(1600), block64K(2000)}, 200000},
    // Micron (Numonyx): 4 KiB subsectors and 64 KiB sectors, no 32 KiB erase; status bit 5 is
    // TB and bit 6 BP3.
    {0x20, 0xBA, 0x16, "N25Q032A", 4 * MiB, 256, three, unknown, 5000,
     {sector4K(800), block64K(3000), none}, 120000},
    {0x20, 0xBA, 0x17, "N25Q064A", 8 * MiB, 256, three, unknown, 5000,
     {sector4K(800), block64K(3000), none}, 240000},
    {0x20, 0xBA, 0x18, "N25Q128A", 16 * MiB, 256, three, unknown, 5000,
     {sector4K(800), block64K(3000), none}, 250000},
    {0x20, 0xBA, 0x19, "N25Q256A", 32 * MiB, 256, four, unknown, 5000,
     {sector4K(800, SectorErase4K4), block64K(3000, BlockErase64K4), none}, 480000},
    // Cypress (Spansion) FL1-K: Winbond's layout.
    {0x01, 0x40, 0x15, "S25FL116K", 2 * MiB, 256, three, bpTbSec, 3000,
     {sector4K(500), block64K(2000), none}, 50000},
    {0x01, 0x40, 0x16, "S25FL132K", 4 * MiB, 256, three, bpTbSec, 3000,
     {sector4K(500), block64K(2000), none}, 100000},
    {0x01, 0x40, 0x17, "S25FL164K", 8 * MiB, 256, three, bpTbSec, 3000,
     {sector4K(500), block64K(2000), none}, 200000},
    // ISSI: status bits 2-5 are BP0-BP3, bit 6 is QE.
    {0x9D, 0x60, 0x16, "IS25LP032", 4 * MiB, 256, three, unknown, 3000,
     {sector4K(500), block32K(1600), block64K(2000)}, 100000},
    {0x9D, 0x60, 0x17, "IS25LP064", 8 * MiB, 256, three, unknown, 3000,
     {sector4K(500), block32K(1600), block64K(2000)}, 150000},
    {0x9D, 0x60, 0x18, "IS25LP128", 16 * MiB, 256, three, unknown, 3000,
     {sector4K(500), block32K(1600), block64K(2000)}, 200000},
    {0x9D, 0x60, 0x19, "IS25LP256", 32 * MiB, 256, four, unknown, 3000,
     {sector4K(500, SectorErase4K4), block32K(1600, BlockErase32K4),
      block64K(2000, BlockErase64K4)}, 400000},
};
// clang-format on

struct Maker {
    uint8_t id;
    const char *name;
};

// Bank 1 of the JEDEC list, as flash chips answer it (without continuation codes).
const Maker makers[] = {
    {0x01, "Spansion/Cypress"},
    {0x04, "Fujitsu"},
    {0x0B, "XTX"},
    {0x1C, "EON"},
    {0x1F, "Adesto/Atmel"},
    {0x20, "Micron"},
    {0x37, "AMIC"},
    {0x5E, "Zbit"},
    {0x62, "ON Semiconductor"},
    {0x68, "Boya"},
    {0x85, "Puya"},
    {0x89, "Intel"},
    {0x8C, "ESMT"},
    {0x9D, "ISSI"},
    {0xA1, "Fudan"},
    {0xBF, "SST/Microchip"},
    {0xC2, "Macronix"},
    {0xC8, "GigaDevice"},
    {0xEF, "Winbond"},
};

} // namespace

const FlashChipInfo *findFlashChip(uint8_t manufacturer, uint8_t memoryType, uint8_t capacity)
{
    for (const FlashChipInfo &chip : chips)
        if (chip.manufacturer == manufacturer && chip.memoryType == memoryType &&
            chip.capacity == capacity)
            return &chip;
    return nullptr;
}

const FlashChipInfo *flashChipTable(size_t *count)
{
    *count = std::size(chips);
    return chips;
}

const char *jedecManufacturerName(uint8_t id)
{
    for (const Maker &maker : makers)
        if (maker.id == id)
            return maker.name;
    return nullptr;
}

uint64_t flashSizeFromCapacity(uint8_t capacity)
{
    // 10h (64 KiB) to 1Fh count powers of two; Winbond and Micron go on from 20h for 64 MiB
    // instead of 1Ah.
    if (capacity >= 0x10 && capacity <= 0x1F)
        return uint64_t{1} << capacity;
    if (capacity >= 0x20 && capacity <= 0x22)
        return uint64_t{1} << (capacity - 6);
    return 0;
}
