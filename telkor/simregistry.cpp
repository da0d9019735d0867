#include "telkor/simregistry.h"

#include <algorithm>
#include <cstring>

namespace telkor
{

namespace
{

uint32_t packVersion(uint32_t major, uint32_t minor, uint32_t patch)
{
    return major << 24 | minor << 16 | patch;
}

DeviceInfo defaultInfo(int device)
{
    DeviceInfo info{};
    std::strncpy(info.firmwareName, "TELKOR-SIM USB2SPI", sizeof info.firmwareName);
    std::strncpy(info.buildDate, "2026-11-30", sizeof info.buildDate);
    info.hardwareVersion = packVersion(2, 1, 0);
    info.firmwareVersion = packVersion(1, 4, 12);
    info.serialNumber[0] = 0x5445;
    info.serialNumber[1] = 0x4C4B4F52;
    info.serialNumber[2] = static_cast<uint32_t>(device + 1);
    return info;
}

std::vector<uint8_t> defaultFunctions()
{
    const char text[] = "SPI master/slave, block transfers; simulated: SPI1_CS0 loopback, "
                        "SPI1_CS1 NOR flash, SPI1_CS2 register bank";
    return std::vector<uint8_t>(text, text + sizeof text);
}

} // namespace

SimRegistry::SimRegistry() : adapterSlots(maxAdapters) {}

void SimRegistry::reset(const LibraryConfig &wanted, std::vector<std::string> *problems)
{
    std::unique_lock<std::shared_mutex> guard(registryLock);
    config = wanted;
    simClock.setRealTime(config.timing);
    attached = config.adapters;
    // Calls still under way keep their adapters until they end.
    adapterSlots.assign(maxAdapters, nullptr);
    customInfo = false;
    if (config.backend == BackendKind::Sim)
        attachedSlot(0);
    problems->insert(problems->end(), adapterProblems.begin(), adapterProblems.end());
    adapterProblems.clear();
}

int32_t SimRegistry::adapterCount() const
{
    std::shared_lock<std::shared_mutex> guard(registryLock);
    return attached;
}

void SimRegistry::setAdapterCount(int32_t count)
{
    std::unique_lock<std::shared_mutex> guard(registryLock);
    attached = std::clamp(count, 0, maxAdapters);
    for (int32_t i = attached; i < maxAdapters; ++i)
        if (const std::shared_ptr<AdapterSlot> &made = adapterSlots[static_cast<size_t>(i)]) {
            std::lock_guard<std::mutex> adapterGuard(made->lock());
            made->adapter().close();
        }
}

void SimRegistry::setInfo(const DeviceInfo &record, const std::vector<uint8_t> &functionText)
{
    std::unique_lock<std::shared_mutex> guard(registryLock);
    customInfo = true;
    infoRecord = record;
    functions = functionText;
    for (const std::shared_ptr<AdapterSlot> &made : adapterSlots)
        if (made) {
            std::lock_guard<std::mutex> adapterGuard(made->lock());
            static_cast<SimAdapter &>(made->adapter()).setInfo(record, functionText);
        }
}

bool SimRegistry::withAdapter(int32_t device, const std::function<void(SimAdapter &)> &body)
{
    const LockedAdapter adapter = lock(device);
    if (adapter)
        body(static_cast<SimAdapter &>(*adapter));
    return static_cast<bool>(adapter);
}

std::shared_ptr<AdapterSlot> SimRegistry::slot(int32_t device)
{
    {
        std::shared_lock<std::shared_mutex> looking(registryLock);
        if (device < 0 || device >= attached)
            return nullptr;
        if (adapterSlots[static_cast<size_t>(device)])
            return adapterSlots[static_cast<size_t>(device)];
    }
    std::unique_lock<std::shared_mutex> guard(registryLock);
    return attachedSlot(device);
}

std::shared_ptr<AdapterSlot> SimRegistry::attachedSlot(int32_t device)
{
    if (device < 0 || device >= attached)
        return nullptr;
    std::shared_ptr<AdapterSlot> &made = adapterSlots[static_cast<size_t>(device)];
    if (made)
        return made;
    auto simulated = std::make_unique<SimAdapter>(config, simClock,
                                                  device == 0 ? config.flashFile : std::string(),
                                                  &adapterProblems, device == 0);
    if (customInfo)
        simulated->setInfo(infoRecord, functions);
    else
        simulated->setInfo(defaultInfo(device), defaultFunctions());
    made = std::make_shared<AdapterSlot>(std::move(simulated));
    return made;
}

} // namespace telkor
