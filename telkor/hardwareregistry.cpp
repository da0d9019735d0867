#include "telkor/hardwareregistry.h"

#include "telkor/busadapter.h"

#include <algorithm>

namespace telkor
{

HardwareRegistry::HardwareRegistry(Source source)
    : source(std::move(source)), adapterSlots(maxAdapters)
{
}

void HardwareRegistry::reset(const LibraryConfig &wanted)
{
    std::unique_lock<std::shared_mutex> guard(registryLock);
    config = wanted;
    found = -1;
    adapterSlots.assign(maxAdapters, nullptr);
}

int32_t HardwareRegistry::scan()
{
    std::unique_lock<std::shared_mutex> guard(registryLock);
    return scanLocked();
}

int32_t HardwareRegistry::scanLocked()
{
    found = std::clamp(source.count(config), 0, maxAdapters);
    // A device that went away is made again when it comes back; a call still under way on it
    // ends first.
    for (int32_t i = found; i < maxAdapters; ++i)
        adapterSlots[static_cast<size_t>(i)].reset();
    return found;
}

std::shared_ptr<AdapterSlot> HardwareRegistry::slot(int32_t device)
{
    {
        std::shared_lock<std::shared_mutex> looking(registryLock);
        if (found >= 0 && (device < 0 || device >= found))
            return nullptr;
        if (found >= 0 && adapterSlots[static_cast<size_t>(device)])
            return adapterSlots[static_cast<size_t>(device)];
    }
    std::unique_lock<std::shared_mutex> guard(registryLock);
    if (found < 0)
        scanLocked();
    if (device < 0 || device >= found)
        return nullptr;
    std::shared_ptr<AdapterSlot> &made = adapterSlots[static_cast<size_t>(device)];
    if (!made)
        if (std::unique_ptr<BusBackend> backend = source.make(config, device))
            made = std::make_shared<AdapterSlot>(std::make_unique<BusAdapter>(std::move(backend)));
    return made;
}

} // namespace telkor
