#pragma once
// The rules of the twelve entries, written once for every backend: the channel byte names
// the controller (low nibble, 0 or 1) and the chip select (high nibble, 0 to 4); counts and
// sizes stay within the adapter's buffer; master entries work on a master, slave entries on a
// slave; the control mode decides whether a write-read clocks in while it clocks out (full
// duplex) or writes, then reads, under one chip-select assertion; each block of a train is
// one assertion. The backend then carries out the bus work.

#include "telkor/adapter.h"
#include "telkor/busbackend.h"

#include <array>
#include <memory>

namespace telkor
{

class BusAdapter : public Adapter
{
public:
    explicit BusAdapter(std::unique_ptr<BusBackend> backend);

    bool open() override;
    void close() override;
    bool isOpen() const override { return opened; }
    bool info(DeviceInfo *info, char *functions) override;

    int32_t configure(int32_t channel, const SpiConfig &config) override;
    int32_t write(int32_t channel, const uint8_t *data, int32_t count) override;
    int32_t read(int32_t channel, uint8_t *buffer, int32_t count) override;
    int32_t writeRead(int32_t channel, const uint8_t *write, int32_t writeCount, uint8_t *read,
                      int32_t readCount) override;
    int32_t slaveWrite(int32_t channel, const uint8_t *data, int32_t count) override;
    int32_t slaveRead(int32_t channel, uint8_t *buffer) override;
    int32_t blockWrite(int32_t channel, const uint8_t *data, int32_t size, int32_t count,
                       int32_t intervalUs) override;
    int32_t blockRead(int32_t channel, uint8_t *buffer, int32_t size, int32_t count,
                      int32_t intervalUs) override;
    int32_t blockWriteRead(int32_t channel, const uint8_t *write, int32_t writeSize, uint8_t *read,
                           int32_t readSize, int32_t count, int32_t intervalUs) override;

    BusBackend &backend() const { return *bus; }
    // The adapter's power-on setting of both controllers.
    static SpiConfig defaultConfig();

private:
    int32_t checkMaster(int32_t channel, int64_t volume) const;
    const SpiConfig &configOf(int32_t channel) const { return configs[channel & 0x0F]; }
    // One assertion on the channel: write and read at once in full duplex, else the write,
    // then the read.
    BusAssertion assertion(int32_t channel, const uint8_t *write, int32_t writeCount, uint8_t *read,
                           int32_t readCount) const;
    int32_t run(int32_t channel, std::vector<BusAssertion> assertions, int32_t intervalUs);

    std::unique_ptr<BusBackend> bus;
    bool opened = false;
    std::array<SpiConfig, 2> configs;
};

// Splits a channel byte into its device slot (controller * 5 + chip select); -1 if invalid.
int deviceSlot(int32_t channel);

} // namespace telkor
