// The MPSSE commands as FTDI documents them (AN_108), on the simulator's chip models.

#include "mpsseinterpreter.h"

#include <algorithm>

uint8_t MpsseInterpreter::reversed(uint8_t byte)
{
    uint8_t result = 0;
    for (int bit = 0; bit < 8; ++bit, byte >>= 1)
        result = static_cast<uint8_t>(result << 1 | (byte & 1));
    return result;
}

void MpsseInterpreter::setBitmode(uint8_t mode)
{
    setLow(0, 0); // pins back to inputs: every chip is released
    const auto wired = chips;
    const auto seen = trouble;
    *this = MpsseInterpreter();
    chips = wired;
    trouble = seen;
    running = mode == 0x02;
}

QStringList MpsseInterpreter::problems() const
{
    if (answers.empty())
        return trouble;
    return trouble + QStringList(QString::number(answers.size()) + " answers never read");
}

void MpsseInterpreter::setLow(uint8_t newValue, uint8_t newDirection)
{
    const int before = direction & ~value;
    value = newValue;
    direction = newDirection;
    const int changed = before ^ (direction & ~value);
    for (size_t cs = 0; cs < 5; ++cs)
        if (chips[cs] && (changed & firstCs << cs))
            selected(cs) ? chips[cs]->select() : chips[cs]->deselect();
}

void MpsseInterpreter::shiftBytes(uint8_t opcode, const uint8_t *data, size_t count)
{
    const bool lsbFirst = opcode & 0x08, writes = opcode & 0x10, reads = opcode & 0x20;
    const bool outFalling = opcode & 0x01, inFalling = opcode & 0x04;
    if (writes && reads && outFalling == inFalling)
        trouble.append("data in and out on one clock edge");
    // The clock rests at its polarity; the chip sees phase 1 when data changes on the first
    // edge after rest, phase 0 when it changes on the second and is sampled on the first.
    const bool polarity = value & sck;
    const bool phase = writes ? outFalling == polarity : inFalling != polarity;
    for (size_t i = 0; i < count; ++i) {
        // MOSI as driven; let go, the line is pulled up.
        uint8_t wire = (direction & mosi) && !(value & mosi) ? 0x00 : 0xFF;
        if (writes && (direction & mosi))
            wire = lsbFirst ? reversed(data[i]) : data[i];
        uint8_t miso = 0xFF;
        // A chip clocked in a mode it does not take reads nonsense; here it takes no part.
        for (size_t cs = 0; cs < chips.size(); ++cs)
            if (chips[cs] && (!chips[cs]->followsChipSelect() || selected(cs)) &&
                chips[cs]->acceptsMode(polarity, phase))
                miso &= chips[cs]->exchange(wire);
        if (loopbackOn)
            miso = wire;
        if (reads)
            answers.push_back(lsbFirst ? reversed(miso) : miso);
    }
}

void MpsseInterpreter::execute(const uint8_t *data, size_t count)
{
    if (!running)
        return trouble.append("bytes written before MPSSE mode");
    for (size_t at = 0; at < count;) {
        const uint8_t opcode = data[at++];
        // Byte shifts: bits 1 (bit counts), 6 and 7 clear, and reading or writing.
        const bool shift = (opcode & 0xC2) == 0 && (opcode & 0x30) != 0;
        size_t arguments = opcode == 0x8E ? 1 : 0; // bytes after the opcode
        if (shift || opcode == 0x80 || opcode == 0x86 || opcode == 0x8F)
            arguments = 2;
        unsigned word = 0; // the arguments as a number, low byte first
        for (size_t i = arguments; i-- > 0 && at + arguments <= count;)
            word = word << 8 | data[at + i];
        const size_t length = shift && (opcode & 0x10) ? word + 1u : 0; // bytes written
        if (at + arguments + length > count)
            return trouble.append("command cut short at byte " + QString::number(at - 1));
        at += arguments + length;
        if (shift) {
            shiftBytes(opcode, length ? data + at - length : nullptr, word + 1u);
            continue;
        }
        switch (opcode) {
        case 0x80:
            setLow(static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8));
            break;
        case 0x81: // inputs read high: MISO is pulled up
            answers.push_back(static_cast<uint8_t>((value & direction) | ~direction));
            break;
        case 0x84:
        case 0x85:
            loopbackOn = opcode == 0x84;
            break;
        case 0x87:
            sent = answers.size();
            break;
        case 0x86: // the clock divisor
        case 0x8A: // divide-by-5, three-phase and adaptive clocking off
        case 0x8D:
        case 0x97:
        case 0x8E: // clocks without data
        case 0x8F:
            break;
        default:
            answers.push_back(0xFA);
            answers.push_back(opcode);
        }
    }
}

size_t MpsseInterpreter::take(uint8_t *buffer, size_t count)
{
    const size_t copied = std::min(count, sent);
    std::copy_n(answers.begin(), copied, buffer);
    answers.erase(answers.begin(), answers.begin() + static_cast<std::ptrdiff_t>(copied));
    sent -= copied;
    return copied;
}
