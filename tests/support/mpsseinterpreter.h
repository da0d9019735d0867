#pragma once
// An FTDI MPSSE in software, for tests: it carries out the command bytes a host writes, on
// the simulator's chips wired to the chip-select pins ADBUS3..7, and queues the answers.
// It follows FTDI's description of the commands, not our encoder: opcodes it does not know
// (ACBUS among them, which the backend never drives) are answered FAh and the opcode, as the
// chip does.

#include "telkor/spidevice.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

class MpsseInterpreter
{
public:
    // Chip select 0..4; the chip stays the caller's.
    void attach(int chipSelect, telkor::SpiDevice *chip);
    // Bit mode 00h resets the engine to its power-on state, 02h starts it.
    void setBitmode(uint8_t mode);
    void execute(const uint8_t *data, size_t count);
    // Answers up to the last "send immediate"; returns how many were copied.
    size_t take(uint8_t *buffer, size_t count);

    bool mpsse() const { return running; }
    int64_t clockHz() const;
    uint8_t lowValue() const { return value; }
    bool loopback() const { return loopbackOn; }
    bool divideBy5() const { return divideBy5On; }
    bool adaptive() const { return adaptiveOn; }
    bool threePhase() const { return threePhaseOn; }
    // Clock cycles without data, and whether a chip was selected during any of them.
    uint64_t idleClocks() const { return idle; }
    bool idleWhileSelected() const { return idleSelected; }
    // What it could not carry out (cut commands, bytes before MPSSE mode).
    const std::vector<std::string> &problems() const { return trouble; }

private:
    void setLow(uint8_t newValue, uint8_t newDirection);
    bool selected(int chipSelect) const;
    // One data-shifting command of `count` bytes; `data` is null for a read only.
    void shiftBytes(uint8_t opcode, const uint8_t *data, size_t count);
    void answer(uint8_t byte) { answers.push_back(byte); }

    std::array<telkor::SpiDevice *, 5> chips{};
    bool running = false;
    uint8_t value = 0, direction = 0;
    uint16_t divisor = 0;
    bool loopbackOn = false, divideBy5On = true, adaptiveOn = false, threePhaseOn = false;
    uint64_t idle = 0;
    bool idleSelected = false;
    std::deque<uint8_t> answers;
    size_t sent = 0; // answers released by "send immediate"
    std::vector<std::string> trouble;
};
