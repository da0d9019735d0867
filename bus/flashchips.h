#pragma once
// What the program knows about common SPI NOR flash chips without asking them: a table by
// JEDEC id (the answer to 9F) with the geometry, the commands and the longest busy times the
// makers' datasheets give, the JEDEC makers' names, and the size a capacity byte stands for.
// The flash engine falls back on the table when a chip has no SFDP tables; the traffic log's
// decoder names chips with it. How to add a chip: see the comment above the table in
// flashchips.cpp.

#include <cstddef>
#include <cstdint>

// One kind of erase: every bit of an aligned unit of `size` bytes set again.
struct FlashEraseType {
    uint32_t size;   // bytes; 0: an unused slot
    uint8_t opcode;  // with a 3-byte address (with a 4-byte one while in 4-byte mode)
    uint8_t opcode4; // with a 4-byte address in any mode; 0: the chip has no such command
    uint32_t maxMs;  // the longest the chip may stay busy with it
};

// How a chip takes addresses.
enum class FlashAddressing : uint8_t {
    ThreeByte,       // 16 MiB or less
    FourByteOpcodes, // commands of their own with 4-byte addresses (13, 12, 21, DC, ...)
    FourByteMode,    // B7 makes the usual commands take 4-byte addresses, E9 ends that
};

// How status register 1 protects parts of the chip.
enum class FlashProtection : uint8_t {
    Unknown, // the makers' layouts differ: any BP bit is taken to protect the whole chip
    BpTbSec, // BP0-BP2, TB, SEC in bits 2-6 (Winbond W25Q up to 16 MiB, GigaDevice, S25FL1-K)
    Bp3Tb,   // BP0-BP3 in bits 2-5, TB in bit 6 (Winbond W25Q256, W25Q512)
};

struct FlashChipInfo {
    uint8_t manufacturer, memoryType, capacity; // the JEDEC id
    const char *part;
    uint32_t size; // bytes
    uint16_t pageSize;
    FlashAddressing addressing;
    FlashProtection protection;
    uint32_t pageProgramMaxUs;
    FlashEraseType erases[3]; // smallest first; unused slots have size 0
    uint32_t chipEraseMaxMs;  // C7
};

// The row for a JEDEC id; nullptr for a chip the table does not know.
const FlashChipInfo *findFlashChip(uint8_t manufacturer, uint8_t memoryType, uint8_t capacity);

// The whole table, `*count` rows.
const FlashChipInfo *flashChipTable(size_t *count);

// The maker of a JEDEC manufacturer id byte ("Winbond"); nullptr when unknown.
const char *jedecManufacturerName(uint8_t id);

// The size in bytes the third byte of a JEDEC id stands for with most makers (15h: 2 MiB,
// 18h: 16 MiB, 20h: 64 MiB); 0 when it is no size code.
uint64_t flashSizeFromCapacity(uint8_t capacity);
