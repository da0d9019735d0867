#pragma once
// A chip behind one chip select of the simulated adapter.

#include <cstdint>

namespace telkor
{

class SpiDevice
{
public:
    virtual ~SpiDevice() = default;

    // Whether the chip reads the bus right in this clock mode. Most chips work in modes 0 and
    // 3 (polarity equal to phase); in the others they sample on the wrong edge.
    virtual bool acceptsMode(int polarity, int phase) const { return polarity == phase; }
    // Whether the chip takes part only while its (active-low) chip select is asserted.
    virtual bool followsChipSelect() const { return true; }

    // Chip select asserted: a new command begins.
    virtual void select() {}
    // One byte each way, as the chip sees the wire (most significant bit first); the chip
    // answers with the byte it shifts out meanwhile.
    virtual uint8_t exchange(uint8_t mosi) = 0;
    // Chip select released: the command ends and takes effect.
    virtual void deselect() {}
};

// MISO wired to MOSI: a wire knows no clock mode and no chip select.
class LoopbackDevice : public SpiDevice
{
public:
    bool acceptsMode(int, int) const override { return true; }
    bool followsChipSelect() const override { return false; }
    uint8_t exchange(uint8_t mosi) override { return mosi; }
};

// Nothing attached: the pulled-up MISO line reads as ones.
class EmptySocket : public SpiDevice
{
public:
    uint8_t exchange(uint8_t) override { return 0xFF; }
};

} // namespace telkor
