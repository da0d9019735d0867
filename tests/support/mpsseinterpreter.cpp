// The MPSSE commands as FTDI documents them (AN_108), on the simulator's chip models.

#include "mpsseinterpreter.h"

#include <algorithm>

namespace
{

constexpr uint8_t sck = 0x01, mosi = 0x02, firstCs = 0x08;

uint8_t reversed(uint8_t byte)
{
    uint8_t result = 0;
    for (int bit = 0; bit < 8; ++bit)
        if (byte & (1 << bit))
            result |= static_cast<uint8_t>(0x80 >> bit);
    return result;
}

// A line seen one bit late: what a side sampling on the edge where the other changes reads.
struct LateBits {
    uint8_t previous = 1;
    uint8_t pass(uint8_t byte)
    {
        const uint8_t seen = static_cast<uint8_t>(previous << 7 | byte >> 1);
        previous = byte & 1;
        return seen;
    }
};

} // namespace

void MpsseInterpreter::attach(int chipSelect, telkor::SpiDevice *chip)
{
    chips[static_cast<size_t>(chipSelect)] = chip;
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

int64_t MpsseInterpreter::clockHz() const
{
    return (divideBy5On ? 12000000 : 60000000) / ((divisor + 1) * 2);
}

bool MpsseInterpreter::selected(int chipSelect) const
{
    const uint8_t pin = static_cast<uint8_t>(firstCs << chipSelect);
    return (direction & pin) && !(value & pin); // the chips' select is active low
}

void MpsseInterpreter::setLow(uint8_t newValue, uint8_t newDirection)
{
    std::array<bool, 5> before;
    for (int cs = 0; cs < 5; ++cs)
        before[static_cast<size_t>(cs)] = selected(cs);
    value = newValue;
    direction = newDirection;
    for (int cs = 0; cs < 5; ++cs) {
        telkor::SpiDevice *chip = chips[static_cast<size_t>(cs)];
        if (!chip || before[static_cast<size_t>(cs)] == selected(cs))
            continue;
        if (selected(cs))
            chip->select();
        else
            chip->deselect();
    }
}

void MpsseInterpreter::shiftBytes(uint8_t opcode, const uint8_t *data, size_t count)
{
    const bool lsbFirst = opcode & 0x08, writes = opcode & 0x10, reads = opcode & 0x20;
    const bool outFalling = opcode & 0x01, inFalling = opcode & 0x04;
    // The clock's rest level is its polarity; the chip sees phase 1 when data changes on the
    // first edge after rest, phase 0 when it changes on the second and is sampled on the first.
    const int polarity = (value & sck) ? 1 : 0;
    const bool firstEdgeFalling = polarity == 1;
    const int phase =
        writes ? (outFalling == firstEdgeFalling ? 1 : 0) : (inFalling == firstEdgeFalling ? 0 : 1);
    const bool readSkewed = writes && reads && outFalling == inFalling;
    const uint8_t restingMosi = (direction & mosi) && !(value & mosi) ? 0x00 : 0xFF;
    std::array<LateBits, 5> toChip, fromChip;
    LateBits toUs;
    for (size_t i = 0; i < count; ++i) {
        uint8_t wire = writes ? (lsbFirst ? reversed(data[i]) : data[i]) : restingMosi;
        if (!(direction & mosi))
            wire = 0xFF; // MOSI let go: the pulled-up line
        uint8_t miso = 0xFF;
        for (size_t cs = 0; cs < chips.size(); ++cs) {
            telkor::SpiDevice *chip = chips[cs];
            if (!chip || (chip->followsChipSelect() && !selected(static_cast<int>(cs))))
                continue;
            const bool garbled = !chip->acceptsMode(polarity, phase);
            uint8_t answer = chip->exchange(garbled ? toChip[cs].pass(wire) : wire);
            miso &= garbled ? fromChip[cs].pass(answer) : answer;
        }
        if (loopbackOn)
            miso = wire;
        if (readSkewed)
            miso = toUs.pass(miso);
        if (reads)
            answer(lsbFirst ? reversed(miso) : miso);
    }
}

void MpsseInterpreter::execute(const uint8_t *data, size_t count)
{
    if (!running) {
        trouble.push_back("bytes written before MPSSE mode");
        return;
    }
    size_t at = 0;
    auto need = [&](size_t bytes) {
        if (at + bytes <= count)
            return true;
        trouble.push_back("command cut short at byte " + std::to_string(at) + " of " +
                          std::to_string(count));
        at = count;
        return false;
    };
    while (at < count) {
        const uint8_t opcode = data[at++];
        if ((opcode & 0xC2) == 0 && (opcode & 0x30) != 0) { // bytes in and/or out
            if (!need(2))
                break;
            const size_t length = (data[at] | data[at + 1] << 8) + 1u;
            at += 2;
            const bool writes = opcode & 0x10;
            if (writes && !need(length))
                break;
            shiftBytes(opcode, writes ? data + at : nullptr, length);
            at += writes ? length : 0;
            continue;
        }
        switch (opcode) {
        case 0x80:
            if (!need(2))
                break;
            setLow(data[at], data[at + 1]);
            at += 2;
            break;
        case 0x81: // inputs read high: MISO is pulled up
            answer(static_cast<uint8_t>((value & direction) | ~direction));
            break;
        case 0x84:
        case 0x85:
            loopbackOn = opcode == 0x84;
            break;
        case 0x86:
            if (!need(2))
                break;
            divisor = static_cast<uint16_t>(data[at] | data[at + 1] << 8);
            at += 2;
            break;
        case 0x87:
            sent = answers.size();
            break;
        case 0x8A:
        case 0x8B:
            divideBy5On = opcode == 0x8B;
            break;
        case 0x8C:
        case 0x8D:
            threePhaseOn = opcode == 0x8C;
            break;
        case 0x8E:
        case 0x8F: {
            if (!need(opcode == 0x8E ? 1 : 2))
                break;
            idle += opcode == 0x8E ? data[at] + 1u : (data[at] | data[at + 1] << 8) * 8u + 8u;
            at += opcode == 0x8E ? 1 : 2;
            for (int cs = 0; cs < 5; ++cs)
                idleSelected = idleSelected || (chips[static_cast<size_t>(cs)] && selected(cs));
            break;
        }
        case 0x96:
        case 0x97:
            adaptiveOn = opcode == 0x96;
            break;
        default:
            answer(0xFA);
            answer(opcode);
            break;
        }
    }
}

size_t MpsseInterpreter::take(uint8_t *buffer, size_t count)
{
    const size_t copied = std::min(count, sent);
    std::copy(answers.begin(), answers.begin() + static_cast<std::ptrdiff_t>(copied), buffer);
    answers.erase(answers.begin(), answers.begin() + static_cast<std::ptrdiff_t>(copied));
    sent -= copied;
    return copied;
}
