#pragma once
// The simulated bus behind an adapter: two SPI controllers with five chip selects each, chips
// behind the chip selects, a remote master on each slave port, and the bus timing of the
// transfers on the simulated clock.

#include "telkor/busbackend.h"
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

class SimBus : public BusBackend
{
public:
    // Chips as `config` lays them out; the first flash keeps its contents in `flashFile` if
    // given, and on adapter 0 (`firstAdapter`) each flash in its chip select's file if the
    // configuration names one. Problems with the files are added to *problems.
    SimBus(const LibraryConfig &config, SimClock &clock, const std::string &flashFile,
           std::vector<std::string> *problems, bool firstAdapter = false);

    bool open() override { return true; }
    void close() override {}
    bool info(DeviceInfo *info, char *functions) override;
    int32_t configure(int controller, const SpiConfig &config) override;
    int32_t run(const BusTrain &train) override;
    int32_t slaveWrite(int controller, const uint8_t *data, int32_t count) override;
    int32_t slaveRead(int controller, uint8_t *buffer) override;

    // Test controls.
    void setInfo(const DeviceInfo &record, const std::vector<uint8_t> &functionText);
    void attach(int slot, std::unique_ptr<SpiDevice> device);
    SpiDevice *device(int slot) const;
    void queueMiso(const uint8_t *data, int32_t count);
    void queueSlaveFrame(int controller, const uint8_t *data, int32_t count);

private:
    struct Controller {
        SpiConfig config;
        RemoteMaster remote;
        std::deque<uint8_t> slaveOutgoing; // queued by SpiSlaveWrite for the remote master
    };

    // One chip-select assertion; returns the bytes clocked.
    int64_t frame(const Controller &controller, SpiDevice &chip, const BusAssertion &assertion);

    SimClock &clock;
    uint64_t slavePeriodUs;
    std::array<Controller, 2> controllers;
    std::array<std::unique_ptr<SpiDevice>, 10> devices; // controller * 5 + chip select
    std::deque<uint8_t> scriptedMiso;
    DeviceInfo infoRecord{};
    std::vector<uint8_t> functions;
};

} // namespace telkor
