#pragma once
// The bytes of one MPSSE command stream, as FTDI's command processor reads them, and the
// number of bytes the chip sends back for it. The FTDI backend builds a whole entry's work
// into one stream so that it goes out in one USB write.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace telkor
{

class MpsseCommands
{
public:
    // Opcodes besides data shifting.
    enum Opcode : uint8_t {
        SetLowByte = 0x80,  // value, direction of ADBUS0..7
        ReadLowByte = 0x81, // answers one byte: the levels of ADBUS0..7
        SetHighByte = 0x82,
        LoopbackOn = 0x84, // MISO internally tied to MOSI
        LoopbackOff = 0x85,
        SetDivisor = 0x86, // low, high
        SendImmediate = 0x87,
        DivideBy5Off = 0x8A, // 60 MHz base clock
        DivideBy5On = 0x8B,
        ThreePhaseOn = 0x8C,
        ThreePhaseOff = 0x8D,
        ClockBits = 0x8E,  // n-1: n clocks without data
        ClockBytes = 0x8F, // low, high of n-1: 8n clocks without data
        AdaptiveOn = 0x96,
        AdaptiveOff = 0x97,
        BadCommand = 0xAA, // answered by FAh and the command
        BadCommandReply = 0xFA,
    };
    // Bits of a data-shifting opcode.
    enum Shift : uint8_t {
        OutOnFalling = 0x01,
        BitMode = 0x02,
        InOnFalling = 0x04,
        LsbFirst = 0x08,
        DoWrite = 0x10,
        DoRead = 0x20,
    };
    // Longest shift of one byte command.
    static constexpr size_t maxShift = 65536;
    // The base clock once divide-by-5 is off, and the fastest SPI clock it gives.
    static constexpr int64_t baseHz = 60000000, fastestHz = baseHz / 2;

    // The divisor for the fastest clock not above `hz`; false if even the slowest is above.
    static bool divisorFor(int64_t hz, uint16_t *divisor);
    static int64_t clockHz(uint16_t divisor) { return fastestHz / (divisor + 1); }
    // The edge and bit-order bits of the data opcodes for a clock mode: modes 0 and 3 change
    // MOSI on the falling edge and sample MISO on the rising one, modes 1 and 2 the reverse.
    static uint8_t shiftBits(int polarity, int phase, bool lsbFirst);

    void add(uint8_t byte) { stream.push_back(byte); }
    void setLowByte(uint8_t value, uint8_t direction);
    void setDivisor(uint16_t divisor);
    void readLowByte();
    // Data shifts; longer ones are split into several commands.
    void write(uint8_t shiftBits, const uint8_t *data, size_t count);
    void read(uint8_t shiftBits, size_t count);
    void writeRead(uint8_t shiftBits, const uint8_t *data, size_t count);
    // `clocks` clock cycles without data: whole bytes first, then the bits left.
    void idleClocks(uint64_t clocks);

    const std::vector<uint8_t> &bytes() const { return stream; }
    size_t replySize() const { return expected; }
    bool empty() const { return stream.empty(); }
    void clear();

private:
    void shift(uint8_t opcode, const uint8_t *data, size_t count);

    std::vector<uint8_t> stream;
    size_t expected = 0;
};

} // namespace telkor
