#include "telkor/simulator.h"

#include "telkor/hardwarebackends.h"

#include <algorithm>
#include <cstdio>
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

// The value an entry gives when it fails: the boolean entries say false, the rest an error.
int32_t failureOf(const std::string &entry)
{
    if (entry == "AdapterScan" || entry == "AdapterOpen" || entry == "AdapterGetInfo")
        return 0;
    return InjectedFault;
}

} // namespace

Simulator &Simulator::instance()
{
    static Simulator simulator;
    return simulator;
}

Simulator::Simulator()
{
    reset();
}

std::vector<std::string> Simulator::reset(const std::string &text)
{
    std::vector<std::string> problems;
    config = loadConfig(&problems);
    applyConfig(text, &config, &problems);
    simClock.setRealTime(config.timing);
    attached = config.adapters;
    attachedWhenPlugged = attached;
    hardwareFound = -1;
    scheduledCalls = 0;
    adapters.clear();
    adapters.resize(maxAdapters);
    customInfo = false;
    // Adapter 0 is made now, so that problems with its flash file show at once.
    if (config.backend == BackendKind::Sim)
        adapter(0);
    problems.insert(problems.end(), adapterProblems.begin(), adapterProblems.end());
    adapterProblems.clear();
    forced.clear();
    faultCalls.clear();
    faultRandom.seed(config.faultSeed);
    clearCalls();
    recordLimit = defaultRecordBytes;
    for (const std::string &problem : problems)
        std::fprintf(stderr, "libTELKOR: configuration: %s\n", problem.c_str());
    return problems;
}

void Simulator::setAdapterCount(int32_t count)
{
    attached = std::clamp(count, 0, maxAdapters);
    for (int32_t i = attached; i < maxAdapters; ++i)
        if (adapters[static_cast<size_t>(i)])
            adapters[static_cast<size_t>(i)]->close();
}

void Simulator::spendRoundTrip()
{
    if (config.backend == BackendKind::Sim)
        simClock.spend(SimAdapter::roundTripUs);
}

int32_t Simulator::scan()
{
    if (config.backend != BackendKind::Sim && attached > 0) {
        const int32_t found = std::clamp(scanHardware(config), 0, maxAdapters);
        // A device that went away is made again when it comes back.
        for (int32_t i = found; i < maxAdapters; ++i)
            adapters[static_cast<size_t>(i)].reset();
        hardwareFound = found;
    }
    return adapterCount();
}

int32_t Simulator::adapterCount() const
{
    if (config.backend == BackendKind::Sim || attached == 0)
        return attached;
    return std::max(hardwareFound, 0);
}

BusAdapter *Simulator::adapter(int32_t device)
{
    if (config.backend != BackendKind::Sim && hardwareFound < 0)
        scan();
    if (device < 0 || device >= adapterCount())
        return nullptr;
    std::unique_ptr<BusAdapter> &made = adapters[static_cast<size_t>(device)];
    if (made)
        return made.get();
    if (config.backend != BackendKind::Sim) {
        std::unique_ptr<BusBackend> backend = makeHardwareBackend(config, device);
        if (backend)
            made = std::make_unique<BusAdapter>(std::move(backend));
        return made.get();
    }
    auto simulated = std::make_unique<SimAdapter>(config, simClock,
                                                  device == 0 ? config.flashFile : std::string(),
                                                  &adapterProblems, device == 0);
    if (customInfo)
        simulated->setInfo(infoRecord, functions);
    else
        simulated->setInfo(defaultInfo(device), defaultFunctions());
    made = std::move(simulated);
    return made.get();
}

SimAdapter *Simulator::simAdapter(int32_t device)
{
    return config.backend == BackendKind::Sim ? static_cast<SimAdapter *>(adapter(device))
                                              : nullptr;
}

void Simulator::setInfo(const DeviceInfo &record, const std::vector<uint8_t> &functionText)
{
    customInfo = true;
    infoRecord = record;
    functions = functionText;
    if (config.backend != BackendKind::Sim)
        return;
    for (const auto &made : adapters)
        if (made)
            static_cast<SimAdapter &>(*made).setInfo(record, functionText);
}

void Simulator::countCall()
{
    if (config.pluggedCalls == 0)
        return;
    const uint64_t cycle = config.pluggedCalls + config.unpluggedCalls;
    const uint64_t position = scheduledCalls++ % cycle;
    if (position == config.pluggedCalls) {
        attachedWhenPlugged = attached;
        setAdapterCount(0);
    } else if (position == 0 && scheduledCalls > 1) {
        setAdapterCount(attachedWhenPlugged);
    }
}

bool Simulator::injectFault(const std::string &entry)
{
    const auto rule = config.faults.find(entry);
    if (rule == config.faults.end())
        return false;
    const uint64_t call = ++faultCalls[entry];
    switch (rule->second.kind) {
    case FaultRule::Once:
        return call == 1;
    case FaultRule::Every:
        return call % rule->second.every == 0;
    case FaultRule::Random:
        return std::uniform_real_distribution<double>(0.0, 1.0)(faultRandom) <
               rule->second.probability;
    }
    return false;
}

bool Simulator::takeForcedResult(const std::string &entry, int32_t *result)
{
    auto found = forced.find(entry);
    if (found != forced.end() && !found->second.empty()) {
        *result = found->second.front();
        found->second.erase(found->second.begin());
        return true;
    }
    if (injectFault(entry)) {
        *result = failureOf(entry);
        return true;
    }
    return false;
}

void Simulator::forceResult(const std::string &entry, int32_t result, int32_t times)
{
    for (int32_t i = 0; i < times; ++i)
        forced[entry].push_back(result);
}

void Simulator::record(std::string line)
{
    // The newest line stays even when it alone is over the limit.
    callLogBytes += line.size();
    callLog.push_back(std::move(line));
    dropOldestCalls();
}

void Simulator::clearCalls()
{
    callLog.clear();
    callLogBytes = 0;
}

void Simulator::setRecordLimit(size_t bytes)
{
    recordLimit = bytes;
    dropOldestCalls();
}

void Simulator::dropOldestCalls()
{
    while (callLog.size() > 1 && callLogBytes > recordLimit) {
        callLogBytes -= callLog.front().size();
        callLog.pop_front();
    }
}

} // namespace telkor
