#include "telkor/simulator.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace telkor
{

namespace
{

// The record keeps the most recent calls only, so a long session cannot grow it without end.
constexpr size_t maxRecordedCalls = 100000;

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
    scheduledCalls = 0;
    adapters.clear();
    adapters.resize(maxAdapters);
    customInfo = false;
    // Adapter 0 is made now, so that problems with its flash file show at once.
    adapter(0);
    problems.insert(problems.end(), adapterProblems.begin(), adapterProblems.end());
    adapterProblems.clear();
    forced.clear();
    faultCalls.clear();
    faultRandom.seed(config.faultSeed);
    callLog.clear();
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

SimAdapter *Simulator::adapter(int32_t device)
{
    if (device < 0 || device >= attached)
        return nullptr;
    std::unique_ptr<SimAdapter> &made = adapters[static_cast<size_t>(device)];
    if (!made) {
        made = std::make_unique<SimAdapter>(
            config, simClock, device == 0 ? config.flashFile : std::string(), &adapterProblems);
        if (customInfo)
            made->setInfo(infoRecord, functions);
        else
            made->setInfo(defaultInfo(device), defaultFunctions());
    }
    return made.get();
}

void Simulator::setInfo(const DeviceInfo &record, const std::vector<uint8_t> &functionText)
{
    customInfo = true;
    infoRecord = record;
    functions = functionText;
    for (const auto &made : adapters)
        if (made)
            made->setInfo(record, functionText);
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
    if (callLog.size() >= maxRecordedCalls)
        callLog.erase(callLog.begin(), callLog.begin() + maxRecordedCalls / 10);
    callLog.push_back(std::move(line));
}

} // namespace telkor
