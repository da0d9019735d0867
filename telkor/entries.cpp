// The library's exported entries: the twelve the program calls, dispatched to the simulated
// adapters, and the test controls. Every call of the twelve is recorded with its arguments and
// the bytes it was given.

#include "telkor/simulator.h"
#include "telkor/telkortest.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

using telkor::Simulator;
using telkor::SimAdapter;

namespace {

std::string hexList(const uint8_t *data, int64_t count)
{
    if (count < 0 || count > TELKOR_BUFFER_SIZE || (!data && count > 0))
        return "[?]";
    std::string text = "[";
    char digits[4];
    for (int64_t i = 0; i < count; ++i) {
        std::snprintf(digits, sizeof digits, i == 0 ? "%02X" : " %02X", data[i]);
        text += digits;
    }
    return text + "]";
}

std::string number(int64_t value)
{
    return std::to_string(value);
}

std::string channelText(int32_t channel)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(channel));
    return text;
}

// Runs one entry: a forced result if a test set one, else the simulation; records the call.
template <typename Body>
int32_t call(const char *entry, const std::string &arguments, Body body)
{
    Simulator &sim = Simulator::instance();
    std::lock_guard<std::mutex> guard(sim.mutex());
    int32_t result = 0;
    if (!sim.takeForcedResult(entry, &result))
        result = body(sim);
    sim.record(std::string(entry) + "(" + arguments + ") => " + number(result));
    return result;
}

// For the SPI entries: the attached adapter, or the failure result.
template <typename Body>
int32_t onAdapter(Simulator &sim, int32_t device, Body body)
{
    SimAdapter *adapter = sim.adapter(device);
    return adapter ? body(*adapter) : telkor::NotOpen;
}

} // namespace

extern "C" {

int32_t AdapterScan(int32_t reserved)
{
    return call("AdapterScan", number(reserved), [](Simulator &sim) { return sim.adapterCount(); });
}

int32_t AdapterOpen(int32_t device)
{
    return call("AdapterOpen", number(device), [&](Simulator &sim) {
        SimAdapter *adapter = sim.adapter(device);
        if (!adapter)
            return 0;
        adapter->setOpen(true);
        return 1;
    });
}

int32_t AdapterGetInfo(int32_t device, DeviceInfo *info, char *functions)
{
    return call("AdapterGetInfo", number(device), [&](Simulator &sim) {
        SimAdapter *adapter = sim.adapter(device);
        if (!adapter || !adapter->isOpen() || !info || !functions)
            return 0;
        std::memcpy(info, &sim.info, offsetof(DeviceInfo, reserved));
        std::memcpy(functions, sim.functions.data(),
                    std::min<size_t>(sim.functions.size(), TELKOR_FUNCTION_TEXT_SIZE));
        return 1;
    });
}

int32_t SpiConfigure(int32_t device, int32_t channel, SpiConfig *config)
{
    std::string arguments = number(device) + "," + channelText(channel) + ",";
    arguments += config ? hexList(reinterpret_cast<const uint8_t *>(config), 6) + "," +
                              number(config->clockHz)
                        : std::string("null");
    return call("SpiConfigure", arguments, [&](Simulator &sim) {
        return onAdapter(sim, device, [&](SimAdapter &adapter) {
            return config ? adapter.configure(channel, *config) : telkor::BadArgument;
        });
    });
}

int32_t SpiWrite(int32_t device, int32_t channel, uint8_t *data, int32_t count)
{
    const std::string arguments = number(device) + "," + channelText(channel) + "," +
                                  hexList(data, count) + "," + number(count);
    return call("SpiWrite", arguments, [&](Simulator &sim) {
        return onAdapter(sim, device,
                         [&](SimAdapter &adapter) { return adapter.write(channel, data, count); });
    });
}

int32_t SpiRead(int32_t device, int32_t channel, uint8_t *buffer, int32_t count)
{
    const std::string arguments =
        number(device) + "," + channelText(channel) + "," + number(count);
    return call("SpiRead", arguments, [&](Simulator &sim) {
        return onAdapter(sim, device,
                         [&](SimAdapter &adapter) { return adapter.read(channel, buffer, count); });
    });
}

int32_t SpiWriteRead(int32_t device, int32_t channel, uint8_t *write, int32_t writeCount,
                     uint8_t *read, int32_t readCount, int32_t reserved)
{
    const std::string arguments = number(device) + "," + channelText(channel) + "," +
                                  hexList(write, writeCount) + "," + number(writeCount) + "," +
                                  number(readCount) + "," + number(reserved);
    return call("SpiWriteRead", arguments, [&](Simulator &sim) {
        return onAdapter(sim, device, [&](SimAdapter &adapter) {
            return adapter.writeRead(channel, write, writeCount, read, readCount);
        });
    });
}

int32_t SpiSlaveWrite(int32_t device, int32_t channel, uint8_t *data, int32_t count,
                      int32_t reserved)
{
    const std::string arguments = number(device) + "," + channelText(channel) + "," +
                                  hexList(data, count) + "," + number(count) + "," +
                                  number(reserved);
    return call("SpiSlaveWrite", arguments, [&](Simulator &sim) {
        return onAdapter(sim, device, [&](SimAdapter &adapter) {
            return adapter.slaveWrite(channel, data, count);
        });
    });
}

int32_t SpiSlaveRead(int32_t device, int32_t channel, uint8_t *buffer, int32_t reserved)
{
    const std::string arguments =
        number(device) + "," + channelText(channel) + "," + number(reserved);
    return call("SpiSlaveRead", arguments, [&](Simulator &sim) {
        return onAdapter(sim, device,
                         [&](SimAdapter &adapter) { return adapter.slaveRead(channel, buffer); });
    });
}

int32_t SpiBlockWrite(int32_t device, int32_t channel, uint8_t *data, int32_t blockSize,
                      int32_t blockCount, int32_t intervalUs)
{
    const std::string arguments = number(device) + "," + channelText(channel) + "," +
                                  hexList(data, int64_t{blockSize} * blockCount) + "," +
                                  number(blockSize) + "," + number(blockCount) + "," +
                                  number(intervalUs);
    return call("SpiBlockWrite", arguments, [&](Simulator &sim) {
        return onAdapter(sim, device, [&](SimAdapter &adapter) {
            return adapter.blockWrite(channel, data, blockSize, blockCount);
        });
    });
}

int32_t SpiBlockRead(int32_t device, int32_t channel, uint8_t *buffer, int32_t blockSize,
                     int32_t blockCount, int32_t intervalUs)
{
    const std::string arguments = number(device) + "," + channelText(channel) + "," +
                                  number(blockSize) + "," + number(blockCount) + "," +
                                  number(intervalUs);
    return call("SpiBlockRead", arguments, [&](Simulator &sim) {
        return onAdapter(sim, device, [&](SimAdapter &adapter) {
            return adapter.blockRead(channel, buffer, blockSize, blockCount);
        });
    });
}

int32_t SpiBlockWriteRead(int32_t device, int32_t channel, uint8_t *write, int32_t writeBlockSize,
                          uint8_t *read, int32_t readBlockSize, int32_t blockCount,
                          int32_t intervalUs)
{
    const std::string arguments = number(device) + "," + channelText(channel) + "," +
                                  hexList(write, int64_t{writeBlockSize} * blockCount) + "," +
                                  number(writeBlockSize) + "," + number(readBlockSize) + "," +
                                  number(blockCount) + "," + number(intervalUs);
    return call("SpiBlockWriteRead", arguments, [&](Simulator &sim) {
        return onAdapter(sim, device, [&](SimAdapter &adapter) {
            return adapter.blockWriteRead(channel, write, writeBlockSize, read, readBlockSize,
                                          blockCount);
        });
    });
}

// Test controls.

void TelkorTestReset(void)
{
    Simulator &sim = Simulator::instance();
    std::lock_guard<std::mutex> guard(sim.mutex());
    sim.reset();
}

void TelkorTestSetAdapterCount(int32_t count)
{
    Simulator &sim = Simulator::instance();
    std::lock_guard<std::mutex> guard(sim.mutex());
    sim.setAdapterCount(count);
}

void TelkorTestForceResult(const char *entry, int32_t result, int32_t times)
{
    Simulator &sim = Simulator::instance();
    std::lock_guard<std::mutex> guard(sim.mutex());
    if (entry)
        sim.forceResult(entry, result, times);
}

void TelkorTestQueueMiso(const uint8_t *data, int32_t count)
{
    Simulator &sim = Simulator::instance();
    std::lock_guard<std::mutex> guard(sim.mutex());
    for (int32_t device = 0; device < Simulator::maxAdapters; ++device)
        if (SimAdapter *adapter = sim.adapter(device))
            adapter->queueMiso(data, count);
}

void TelkorTestQueueSlaveFrame(const uint8_t *data, int32_t count)
{
    Simulator &sim = Simulator::instance();
    std::lock_guard<std::mutex> guard(sim.mutex());
    if (SimAdapter *adapter = sim.adapter(0))
        adapter->queueSlaveFrame(data, count);
}

void TelkorTestSetDeviceInfo(const DeviceInfo *info, const uint8_t *functions,
                             int32_t functionsSize)
{
    Simulator &sim = Simulator::instance();
    std::lock_guard<std::mutex> guard(sim.mutex());
    if (info)
        sim.info = *info;
    const int32_t size = std::clamp(functionsSize, 0, TELKOR_FUNCTION_TEXT_SIZE);
    sim.functions.assign(functions, functions ? functions + size : functions);
}

int32_t TelkorTestCallCount(void)
{
    Simulator &sim = Simulator::instance();
    std::lock_guard<std::mutex> guard(sim.mutex());
    return static_cast<int32_t>(sim.calls().size());
}

int32_t TelkorTestCallText(int32_t index, char *buffer, int32_t size)
{
    Simulator &sim = Simulator::instance();
    std::lock_guard<std::mutex> guard(sim.mutex());
    if (index < 0 || static_cast<size_t>(index) >= sim.calls().size())
        return -1;
    const std::string &line = sim.calls()[static_cast<size_t>(index)];
    if (buffer && size > 0) {
        const size_t copied = std::min(line.size(), static_cast<size_t>(size - 1));
        std::memcpy(buffer, line.data(), copied);
        buffer[copied] = '\0';
    }
    return static_cast<int32_t>(line.size());
}

void TelkorTestClearCalls(void)
{
    Simulator &sim = Simulator::instance();
    std::lock_guard<std::mutex> guard(sim.mutex());
    sim.clearCalls();
}

} // extern "C"
