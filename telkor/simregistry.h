#pragma once
// The simulated adapters: as many as the configuration attaches, each made when first used
// (each carries 2 MiB of flash) and locked on its own, all on one simulated clock. Tests
// unplug and plug them back, and reach into their buses.

#include "telkor/adapterregistry.h"
#include "telkor/config.h"
#include "telkor/simadapter.h"
#include "telkor/simclock.h"

#include <functional>
#include <shared_mutex>
#include <string>
#include <vector>

namespace telkor
{

class SimRegistry : public AdapterRegistry
{
public:
    SimRegistry();

    // Fresh adapters as `config` lays them out, all plugged in, with their default
    // information. Adapter 0 is made at once, so that problems with its flash file are added
    // to *problems now.
    void reset(const LibraryConfig &config, std::vector<std::string> *problems);

    int32_t scan() override { return adapterCount(); }
    int32_t adapterCount() const;
    // Unplugs the adapters from `count` on (they close) or plugs them back.
    void setAdapterCount(int32_t count);

    SimClock &clock() { return simClock; }
    // What AdapterGetInfo reports from now on, for every adapter.
    void setInfo(const DeviceInfo &record, const std::vector<uint8_t> &functionText);
    // Runs `body` on the attached adapter at `device`, under its lock; false if there is none.
    bool withAdapter(int32_t device, const std::function<void(SimAdapter &)> &body);

protected:
    std::shared_ptr<AdapterSlot> slot(int32_t device) override;

private:
    // With the registry's lock held.
    std::shared_ptr<AdapterSlot> attachedSlot(int32_t device);

    // Shared while a call looks its adapter up, exclusive to change what is attached.
    mutable std::shared_mutex registryLock;
    LibraryConfig config;
    SimClock simClock;
    int32_t attached = 1;
    std::vector<std::shared_ptr<AdapterSlot>> adapterSlots;
    std::vector<std::string> adapterProblems;
    bool customInfo = false;
    DeviceInfo infoRecord{};
    std::vector<uint8_t> functions;
};

} // namespace telkor
