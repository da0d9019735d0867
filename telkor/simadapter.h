#pragma once
// The simulated adapter: two SPI controllers with five chip selects each, a configuration per
// controller, chips behind the chip selects, a remote master on each slave port, and the bus
// behaviour and timing of the transfers.

#include "telkor/adapter.h"
#include "telkor/config.h"
#include "telkor/remotemaster.h"
#include "telkor/simclock.h"
#include "telkor/spidevice.h"

#include <array>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace telkor
{

class SimAdapter : public Adapter
{
public:
    // Time of one call's USB round trip, in microseconds.
    static constexpr uint64_t roundTripUs = 200;

    // Chips as `config` lays them out; the flash keeps its contents in `flashFile` if given.
    // Problems with the file are added to *problems.
    SimAdapter(const LibraryConfig &config, SimClock &clock, const std::string &flashFile,
               std::vector<std::string> *problems);

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

    // Test controls.
    void setInfo(const DeviceInfo &record, const std::vector<uint8_t> &functionText);
    void attach(int channel, std::unique_ptr<SpiDevice> device);
    SpiDevice *device(int channel) const;
    // Bytes the master receives next in place of what the chips answer; only bytes the master
    // keeps use them up.
    void queueMiso(const uint8_t *data, int32_t count);
    // A frame for the slave port of `channel`'s controller, read before the remote master's.
    void queueSlaveFrame(int32_t channel, const uint8_t *data, int32_t count);

private:
    struct Phase {
        const uint8_t *out; // nullptr: the master clocks out filler bytes (FFh)
        int32_t outCount;
        uint8_t *in; // nullptr: what comes back is dropped
        int32_t inCount;
    };
    struct Controller {
        SpiConfig config;
        RemoteMaster remote;
        std::deque<uint8_t> slaveOutgoing; // queued by SpiSlaveWrite for the remote master
    };

    // One chip-select assertion made of the given phases, each clocking
    // max(outCount, inCount) bytes. Returns the bytes clocked.
    int64_t frame(int channel, std::initializer_list<Phase> phases);
    int32_t checkMaster(int32_t channel, int64_t volume) const;
    Controller &controllerOf(int32_t channel) { return controllers[channel & 0x0F]; }
    const Controller &controllerOf(int32_t channel) const { return controllers[channel & 0x0F]; }
    // Bus time of `bytes` at the channel's clock, plus `pausesUs`.
    void spendBusTime(int32_t channel, int64_t bytes, int64_t pausesUs);

    SimClock &clock;
    uint64_t slavePeriodUs;
    bool opened = false;
    std::array<Controller, 2> controllers;
    std::array<std::unique_ptr<SpiDevice>, 10> devices; // controller * 5 + chip select
    std::deque<uint8_t> scriptedMiso;
    DeviceInfo infoRecord{};
    std::vector<uint8_t> functions;
};

// Splits a channel byte into its device slot (controller * 5 + chip select); -1 if invalid.
int deviceSlot(int32_t channel);

} // namespace telkor
