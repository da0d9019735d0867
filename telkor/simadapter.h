#pragma once
// One simulated adapter: two SPI controllers with five chip selects each, a configuration per
// controller, and the bus behaviour of the transfer entries.

#include "adapter/telkor.h"
#include "telkor/spidevice.h"

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace telkor {

// Library results besides 0 = success.
enum Result : int32_t {
    Ok = 0,
    NotOpen = -1,    // adapter not attached or not opened
    BadArgument = -2, // channel, pointer, count or size out of range
    WrongRole = -3,  // master entry on a slave port or the other way round
    BadConfig = -4,  // a configuration field the adapter cannot apply
};

class SimAdapter
{
public:
    SimAdapter();

    bool isOpen() const { return open; }
    void setOpen(bool isOpen) { open = isOpen; }

    int32_t configure(int32_t channel, const SpiConfig &config);
    int32_t write(int32_t channel, const uint8_t *data, int32_t count);
    int32_t read(int32_t channel, uint8_t *buffer, int32_t count);
    int32_t writeRead(int32_t channel, const uint8_t *write, int32_t writeCount, uint8_t *read,
                      int32_t readCount);
    int32_t slaveWrite(int32_t channel, const uint8_t *data, int32_t count);
    int32_t slaveRead(int32_t channel, uint8_t *buffer);
    int32_t blockWrite(int32_t channel, const uint8_t *data, int32_t size, int32_t count);
    int32_t blockRead(int32_t channel, uint8_t *buffer, int32_t size, int32_t count);
    int32_t blockWriteRead(int32_t channel, const uint8_t *write, int32_t writeSize,
                           uint8_t *read, int32_t readSize, int32_t count);

    void attach(int channel, std::unique_ptr<SpiDevice> device);
    // Bytes the master receives next, in place of what the chips answer (tests script reads).
    // Only bytes the master keeps use them up.
    void queueMiso(const uint8_t *data, int32_t count);
    // A frame the simulated master on the other side sends to our slave port.
    void queueSlaveFrame(const uint8_t *data, int32_t count);
    // What our slave port queued for the master to clock out next.
    const std::deque<uint8_t> &slaveTransmitQueue() const { return slaveTx; }

private:
    struct Phase {
        const uint8_t *out; // nullptr: the master clocks out filler bytes (FFh)
        int32_t outCount;
        uint8_t *in;        // nullptr: what comes back is dropped
        int32_t inCount;
    };
    // One chip-select assertion made of the given phases, each clocking
    // max(outCount, inCount) bytes.
    void frame(int channel, std::initializer_list<Phase> phases);
    int32_t checkMaster(int32_t channel, int64_t volume) const;
    const SpiConfig &configOf(int channel) const;

    bool open = false;
    std::array<SpiConfig, 2> configs;
    std::array<std::unique_ptr<SpiDevice>, 10> devices; // controller * 5 + chip select
    std::deque<uint8_t> scriptedMiso;
    std::deque<std::vector<uint8_t>> slaveRx;
    std::deque<uint8_t> slaveTx;
};

// Splits a channel byte into its device slot (controller * 5 + chip select); -1 if invalid.
int deviceSlot(int32_t channel);

} // namespace telkor
