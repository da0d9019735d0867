#include "telkor/simulator.h"

#include <algorithm>
#include <cstring>

namespace telkor {

namespace {

// The record keeps the most recent calls only, so a long session cannot grow it without end.
constexpr size_t maxRecordedCalls = 100000;

uint32_t packVersion(uint32_t major, uint32_t minor, uint32_t patch)
{
    return major << 24 | minor << 16 | patch;
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

void Simulator::reset()
{
    attached = 1;
    adapters.clear();
    adapters.resize(maxAdapters);
    forced.clear();
    callLog.clear();

    info = DeviceInfo{};
    std::strncpy(info.firmwareName, "TELKOR-SIM USB2SPI", sizeof info.firmwareName);
    std::strncpy(info.buildDate, "2026-11-30", sizeof info.buildDate);
    info.hardwareVersion = packVersion(2, 1, 0);
    info.firmwareVersion = packVersion(1, 4, 12);
    info.serialNumber[0] = 0x5445;
    info.serialNumber[1] = 0x4C4B4F52;
    info.serialNumber[2] = 0x00000001;
    const char text[] = "SPI master/slave, block transfers (simulated adapter)";
    functions.assign(text, text + sizeof text);
}

void Simulator::setAdapterCount(int32_t count)
{
    attached = std::clamp(count, 0, maxAdapters);
    for (int32_t i = attached; i < maxAdapters; ++i)
        adapters[static_cast<size_t>(i)].setOpen(false);
}

SimAdapter *Simulator::adapter(int32_t device)
{
    if (device < 0 || device >= attached)
        return nullptr;
    return &adapters[static_cast<size_t>(device)];
}

bool Simulator::takeForcedResult(const std::string &entry, int32_t *result)
{
    auto found = forced.find(entry);
    if (found == forced.end() || found->second.empty())
        return false;
    *result = found->second.front();
    found->second.erase(found->second.begin());
    return true;
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
