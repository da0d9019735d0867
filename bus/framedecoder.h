#pragma once
// What the bytes of one chip-select assertion meant, for the log's notes: a 25-series SPI NOR
// flash command ("JEDEC ID: EF 40 15, Winbond, 2 MiB", "status: BUSY=0 WEL=1", "read 000100h,
// 4 bytes", program, erases, write enable) or an access to a register bank as sensors have
// (first byte the address, bit 7 set to read, the address counting up for further bytes:
// "read 0Fh → 5A", "write 20h ← 47").

#include "bus/spitransfer.h"

#include <QString>

struct FlashChipInfo;

class FrameDecoder
{
public:
    enum class Kind { None, Flash, Registers };

    static QString annotate(Kind kind, const SpiFrame &frame);
    static QString flash(const SpiFrame &frame);
    static QString registers(const SpiFrame &frame);
    // The chip a JEDEC id answer (9F and at least three bytes read) names; nullptr when the
    // frame is none or the chip is not in the table.
    static const FlashChipInfo *identifiedChip(const SpiFrame &frame);
};
