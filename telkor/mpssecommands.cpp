// MPSSE command stream encoding: opcodes with their length fields (n-1, low byte first).

#include "telkor/mpssecommands.h"

#include <algorithm>

namespace telkor
{

bool MpsseCommands::divisorFor(int64_t hz, uint16_t *divisor)
{
    if (hz <= 0)
        return false;
    // The clock is 30 MHz / (divisor + 1): rounding the quotient up keeps it at or below hz.
    const int64_t quotient = (fastestHz + hz - 1) / hz;
    if (quotient > 65536)
        return false;
    *divisor = static_cast<uint16_t>(std::max<int64_t>(quotient, 1) - 1);
    return true;
}

uint8_t MpsseCommands::shiftBits(int polarity, int phase, bool lsbFirst)
{
    uint8_t bits = polarity == phase ? OutOnFalling : InOnFalling;
    if (lsbFirst)
        bits |= LsbFirst;
    return bits;
}

void MpsseCommands::setLowByte(uint8_t value, uint8_t direction)
{
    stream.insert(stream.end(), {SetLowByte, value, direction});
}

void MpsseCommands::setDivisor(uint16_t divisor)
{
    stream.insert(stream.end(), {SetDivisor, static_cast<uint8_t>(divisor & 0xFF),
                                 static_cast<uint8_t>(divisor >> 8)});
}

void MpsseCommands::readLowByte()
{
    stream.push_back(ReadLowByte);
    ++expected;
}

void MpsseCommands::shift(uint8_t opcode, const uint8_t *data, size_t count)
{
    while (count > 0) {
        const size_t part = std::min(count, maxShift);
        stream.insert(stream.end(), {opcode, static_cast<uint8_t>((part - 1) & 0xFF),
                                     static_cast<uint8_t>((part - 1) >> 8)});
        if (data) {
            stream.insert(stream.end(), data, data + part);
            data += part;
        }
        if (opcode & DoRead)
            expected += part;
        count -= part;
    }
}

void MpsseCommands::write(uint8_t shiftBits, const uint8_t *data, size_t count)
{
    // Only the documented opcodes: a write names its output edge, a read its input edge.
    shift(static_cast<uint8_t>(DoWrite | (shiftBits & (OutOnFalling | LsbFirst))), data, count);
}

void MpsseCommands::read(uint8_t shiftBits, size_t count)
{
    shift(static_cast<uint8_t>(DoRead | (shiftBits & (InOnFalling | LsbFirst))), nullptr, count);
}

void MpsseCommands::writeRead(uint8_t shiftBits, const uint8_t *data, size_t count)
{
    shift(static_cast<uint8_t>(DoWrite | DoRead |
                               (shiftBits & (OutOnFalling | InOnFalling | LsbFirst))),
          data, count);
}

void MpsseCommands::idleClocks(uint64_t clocks)
{
    uint64_t bytes = clocks / 8;
    while (bytes > 0) {
        const uint64_t part = std::min<uint64_t>(bytes, maxShift);
        stream.insert(stream.end(), {ClockBytes, static_cast<uint8_t>((part - 1) & 0xFF),
                                     static_cast<uint8_t>((part - 1) >> 8)});
        bytes -= part;
    }
    if (clocks % 8 != 0)
        stream.insert(stream.end(), {ClockBits, static_cast<uint8_t>(clocks % 8 - 1)});
}

void MpsseCommands::clear()
{
    stream.clear();
    expected = 0;
}

} // namespace telkor
