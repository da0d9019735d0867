#pragma once
// An FTDI MPSSE in software, for tests: it carries out the command bytes a host writes, on
// the simulator's chips wired to the chip-select pins ADBUS3..7, and queues the answers.
// It follows FTDI's description of the commands, not our encoder. Opcodes it does not know,
// and divide-by-5, adaptive or three-phase clocking switched on, are answered FAh and the
// opcode as by the chip: answers no host asked for, left over among the problems. Bus timing
// is not modelled: the clock divisor and clocks without data are only stepped over.

#include "telkor/spidevice.h"

#include <QStringList>

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>

class MpsseInterpreter
{
public:
    // Chip select 0..4; the chip stays the caller's.
    void attach(size_t chipSelect, telkor::SpiDevice *chip) { chips.at(chipSelect) = chip; }
    // Bit mode 00h resets the engine to its power-on state, 02h starts it.
    void setBitmode(uint8_t mode);
    void execute(const uint8_t *data, size_t count);
    // Answers up to the last "send immediate"; returns how many were copied.
    size_t take(uint8_t *buffer, size_t count);

    // What it could not carry out (cut commands, bytes before MPSSE mode, data in and out on
    // one edge) and answers nobody read.
    QStringList problems() const;

private:
    void setLow(uint8_t newValue, uint8_t newDirection);
    // Chip select pins ADBUS3..7 driven low: the chips' select is active low.
    bool selected(size_t cs) const { return direction & ~value & firstCs << cs; }
    // One data-shifting command of `count` bytes; `data` is null for a read only.
    void shiftBytes(uint8_t opcode, const uint8_t *data, size_t count);
    static uint8_t reversed(uint8_t byte);

    static constexpr uint8_t sck = 0x01, mosi = 0x02, firstCs = 0x08; // pins of ADBUS
    std::array<telkor::SpiDevice *, 5> chips{};
    bool running = false, loopbackOn = false;
    uint8_t value = 0, direction = 0;
    std::deque<uint8_t> answers;
    size_t sent = 0; // answers released by "send immediate"
    QStringList trouble;
};
