#pragma once
// The simulated adapter: the entries' rules in front of a simulated bus, with the test
// controls that reach into the bus.

#include "telkor/busadapter.h"
#include "telkor/simbus.h"

namespace telkor
{

class SimAdapter : public BusAdapter
{
public:
    // Time of one call's USB round trip, in microseconds.
    static constexpr uint64_t roundTripUs = 200;

    SimAdapter(const LibraryConfig &config, SimClock &clock, const std::string &flashFile,
               std::vector<std::string> *problems, bool firstAdapter = false);

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
    SimBus &bus;
};

} // namespace telkor
