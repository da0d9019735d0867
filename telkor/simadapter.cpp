// The simulated adapter's test controls, handed to its bus.

#include "telkor/simadapter.h"

namespace telkor
{

SimAdapter::SimAdapter(const LibraryConfig &config, SimClock &clock, const std::string &flashFile,
                       std::vector<std::string> *problems, bool firstAdapter)
    : BusAdapter(std::make_unique<SimBus>(config, clock, flashFile, problems, firstAdapter)),
      bus(static_cast<SimBus &>(backend()))
{
}

void SimAdapter::setInfo(const DeviceInfo &record, const std::vector<uint8_t> &functionText)
{
    bus.setInfo(record, functionText);
}

void SimAdapter::attach(int channel, std::unique_ptr<SpiDevice> chip)
{
    const int slot = deviceSlot(channel);
    if (slot >= 0)
        bus.attach(slot, std::move(chip));
}

SpiDevice *SimAdapter::device(int channel) const
{
    return bus.device(deviceSlot(channel));
}

void SimAdapter::queueMiso(const uint8_t *data, int32_t count)
{
    bus.queueMiso(data, count);
}

void SimAdapter::queueSlaveFrame(int32_t channel, const uint8_t *data, int32_t count)
{
    if (deviceSlot(channel) >= 0)
        bus.queueSlaveFrame(channel & 0x0F, data, count);
}

} // namespace telkor
