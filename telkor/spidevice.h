#pragma once
// A chip behind one chip select of the simulated adapter.

#include <cstdint>

namespace telkor {

class SpiDevice
{
public:
    virtual ~SpiDevice() = default;
    // Chip select asserted: a new command begins.
    virtual void select() {}
    // One byte each way, as the chip sees the wire (most significant bit first). The chip
    // answers with the byte it shifts out during this exchange.
    virtual uint8_t exchange(uint8_t mosi) = 0;
    // Chip select released: the command ends.
    virtual void deselect() {}
};

// MISO wired to MOSI.
class LoopbackDevice : public SpiDevice
{
public:
    uint8_t exchange(uint8_t mosi) override { return mosi; }
};

// Nothing attached: the pulled-up MISO line reads as ones.
class EmptySocket : public SpiDevice
{
public:
    uint8_t exchange(uint8_t) override { return 0xFF; }
};

} // namespace telkor
