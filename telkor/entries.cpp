// The library's exported entries: the twelve the program calls, each handed to the adapter at
// its device index, and the test controls. Every call of the twelve takes its USB round trip
// and is recorded with its arguments and the bytes it was given.

#include "telkor/simulator.h"
#include "telkor/telkortest.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

using telkor::Adapter;
using telkor::Simulator;

namespace
{

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

// Bytes a block train hands over; -1 (recorded as "[?]") unless both factors are in range,
// so that two negatives never make a size.
int64_t blockBytes(int32_t blockSize, int32_t blockCount)
{
    if (blockSize < 0 || blockCount < 0 || blockCount > TELKOR_BUFFER_SIZE)
        return -1;
    return int64_t{blockSize} * blockCount;
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

// Runs one entry: a forced result or injected fault if there is one, else the adapter's work;
// records the call.
template <typename Body> int32_t call(const char *entry, const std::string &arguments, Body body)
{
    Simulator &sim = Simulator::instance();
    std::lock_guard<std::mutex> guard(sim.mutex());
    sim.spendRoundTrip();
    sim.countCall();
    int32_t result = 0;
    if (!sim.takeForcedResult(entry, &result))
        result = body(sim);
    sim.record(std::string(entry) + "(" + arguments + ") => " + number(result));
    return result;
}

// For the SPI entries: the attached adapter's answer, or the failure result.
template <typename Body> int32_t onAdapter(Simulator &sim, int32_t device, Body body)
{
    Adapter *adapter = sim.adapter(device);
    return adapter ? body(*adapter) : telkor::NotOpen;
}

std::string head(int32_t device, int32_t channel)
{
    return number(device) + "," + channelText(channel) + ",";
}

template <typename Control> void control(Control body)
{
    Simulator &sim = Simulator::instance();
    std::lock_guard<std::mutex> guard(sim.mutex());
    body(sim);
}

// The configuration is read when the library is loaded, so that a problem with it shows on
// standard error at once, not at the first transfer.
__attribute__((constructor)) void readConfigurationAtLoad()
{
    Simulator::instance();
}

} // namespace

extern "C" {

int32_t AdapterScan(int32_t reserved)
{
    return call("AdapterScan", number(reserved), [](Simulator &sim) { return sim.scan(); });
}

int32_t AdapterOpen(int32_t device)
{
    return call("AdapterOpen", number(device), [&](Simulator &sim) {
        Adapter *adapter = sim.adapter(device);
        return adapter && adapter->open() ? 1 : 0;
    });
}

int32_t AdapterGetInfo(int32_t device, DeviceInfo *info, char *functions)
{
    return call("AdapterGetInfo", number(device), [&](Simulator &sim) {
        Adapter *adapter = sim.adapter(device);
        return adapter && adapter->info(info, functions) ? 1 : 0;
    });
}

int32_t SpiConfigure(int32_t device, int32_t channel, SpiConfig *config)
{
    const std::string arguments =
        head(device, channel) + (config ? hexList(reinterpret_cast<const uint8_t *>(config), 6) +
                                              "," + number(config->clockHz)
                                        : std::string("null"));
    return call("SpiConfigure", arguments, [&](Simulator &sim) {
        return onAdapter(sim, device, [&](Adapter &adapter) {
            return config ? adapter.configure(channel, *config) : telkor::BadArgument;
        });
    });
}

int32_t SpiWrite(int32_t device, int32_t channel, uint8_t *data, int32_t count)
{
    const std::string arguments =
        head(device, channel) + hexList(data, count) + "," + number(count);
    return call("SpiWrite", arguments, [&](Simulator &sim) {
        return onAdapter(sim, device,
                         [&](Adapter &adapter) { return adapter.write(channel, data, count); });
    });
}

int32_t SpiRead(int32_t device, int32_t channel, uint8_t *buffer, int32_t count)
{
    return call("SpiRead", head(device, channel) + number(count), [&](Simulator &sim) {
        return onAdapter(sim, device,
                         [&](Adapter &adapter) { return adapter.read(channel, buffer, count); });
    });
}

int32_t SpiWriteRead(int32_t device, int32_t channel, uint8_t *write, int32_t writeCount,
                     uint8_t *read, int32_t readCount, int32_t reserved)
{
    const std::string arguments = head(device, channel) + hexList(write, writeCount) + "," +
                                  number(writeCount) + "," + number(readCount) + "," +
                                  number(reserved);
    return call("SpiWriteRead", arguments, [&](Simulator &sim) {
        return onAdapter(sim, device, [&](Adapter &adapter) {
            return adapter.writeRead(channel, write, writeCount, read, readCount);
        });
    });
}

int32_t SpiSlaveWrite(int32_t device, int32_t channel, uint8_t *data, int32_t count,
                      int32_t reserved)
{
    const std::string arguments =
        head(device, channel) + hexList(data, count) + "," + number(count) + "," + number(reserved);
    return call("SpiSlaveWrite", arguments, [&](Simulator &sim) {
        return onAdapter(sim, device, [&](Adapter &adapter) {
            return adapter.slaveWrite(channel, data, count);
        });
    });
}

int32_t SpiSlaveRead(int32_t device, int32_t channel, uint8_t *buffer, int32_t reserved)
{
    return call("SpiSlaveRead", head(device, channel) + number(reserved), [&](Simulator &sim) {
        return onAdapter(sim, device,
                         [&](Adapter &adapter) { return adapter.slaveRead(channel, buffer); });
    });
}

int32_t SpiBlockWrite(int32_t device, int32_t channel, uint8_t *data, int32_t blockSize,
                      int32_t blockCount, int32_t intervalUs)
{
    const std::string arguments =
        head(device, channel) + hexList(data, blockBytes(blockSize, blockCount)) + "," +
        number(blockSize) + "," + number(blockCount) + "," + number(intervalUs);
    return call("SpiBlockWrite", arguments, [&](Simulator &sim) {
        return onAdapter(sim, device, [&](Adapter &adapter) {
            return adapter.blockWrite(channel, data, blockSize, blockCount, intervalUs);
        });
    });
}

int32_t SpiBlockRead(int32_t device, int32_t channel, uint8_t *buffer, int32_t blockSize,
                     int32_t blockCount, int32_t intervalUs)
{
    const std::string arguments = head(device, channel) + number(blockSize) + "," +
                                  number(blockCount) + "," + number(intervalUs);
    return call("SpiBlockRead", arguments, [&](Simulator &sim) {
        return onAdapter(sim, device, [&](Adapter &adapter) {
            return adapter.blockRead(channel, buffer, blockSize, blockCount, intervalUs);
        });
    });
}

int32_t SpiBlockWriteRead(int32_t device, int32_t channel, uint8_t *write, int32_t writeBlockSize,
                          uint8_t *read, int32_t readBlockSize, int32_t blockCount,
                          int32_t intervalUs)
{
    const std::string arguments = head(device, channel) +
                                  hexList(write, blockBytes(writeBlockSize, blockCount)) + "," +
                                  number(writeBlockSize) + "," + number(readBlockSize) + "," +
                                  number(blockCount) + "," + number(intervalUs);
    return call("SpiBlockWriteRead", arguments, [&](Simulator &sim) {
        return onAdapter(sim, device, [&](Adapter &adapter) {
            return adapter.blockWriteRead(channel, write, writeBlockSize, read, readBlockSize,
                                          blockCount, intervalUs);
        });
    });
}

// Test controls.

void TelkorTestReset(void)
{
    control([](Simulator &sim) { sim.reset(); });
}

int32_t TelkorTestConfigure(const char *text)
{
    int32_t problems = 0;
    control([&](Simulator &sim) {
        problems = static_cast<int32_t>(sim.reset(text ? text : "").size());
    });
    return problems;
}

void TelkorTestAdvanceClock(int64_t microseconds)
{
    control([&](Simulator &sim) {
        if (microseconds > 0)
            sim.clock().advance(static_cast<uint64_t>(microseconds));
    });
}

void TelkorTestSetAdapterCount(int32_t count)
{
    control([&](Simulator &sim) { sim.setAdapterCount(count); });
}

void TelkorTestForceResult(const char *entry, int32_t result, int32_t times)
{
    control([&](Simulator &sim) {
        if (entry)
            sim.forceResult(entry, result, times);
    });
}

void TelkorTestQueueMiso(const uint8_t *data, int32_t count)
{
    control([&](Simulator &sim) {
        for (int32_t device = 0; device < sim.adapterCount(); ++device)
            if (telkor::SimAdapter *adapter = sim.simAdapter(device))
                adapter->queueMiso(data, count);
    });
}

void TelkorTestQueueSlaveFrame(const uint8_t *data, int32_t count)
{
    control([&](Simulator &sim) {
        if (telkor::SimAdapter *adapter = sim.simAdapter(0))
            adapter->queueSlaveFrame(0x00, data, count);
    });
}

void TelkorTestSetDeviceInfo(const DeviceInfo *info, const uint8_t *functions,
                             int32_t functionsSize)
{
    control([&](Simulator &sim) {
        const int32_t size = std::clamp(functionsSize, 0, TELKOR_FUNCTION_TEXT_SIZE);
        const std::vector<uint8_t> text =
            functions ? std::vector<uint8_t>(functions, functions + size) : std::vector<uint8_t>();
        sim.setInfo(info ? *info : DeviceInfo{}, text);
    });
}

int32_t TelkorTestCallCount(void)
{
    int32_t count = 0;
    control([&](Simulator &sim) { count = static_cast<int32_t>(sim.calls().size()); });
    return count;
}

int32_t TelkorTestCallText(int32_t index, char *buffer, int32_t size)
{
    int32_t length = -1;
    control([&](Simulator &sim) {
        if (index < 0 || static_cast<size_t>(index) >= sim.calls().size())
            return;
        const std::string &line = sim.calls()[static_cast<size_t>(index)];
        if (buffer && size > 0) {
            const size_t copied = std::min(line.size(), static_cast<size_t>(size - 1));
            std::memcpy(buffer, line.data(), copied);
            buffer[copied] = '\0';
        }
        length = static_cast<int32_t>(line.size());
    });
    return length;
}

void TelkorTestClearCalls(void)
{
    control([](Simulator &sim) { sim.clearCalls(); });
}

void TelkorTestSetCallRecordLimit(int64_t bytes)
{
    control([&](Simulator &sim) {
        sim.setRecordLimit(static_cast<size_t>(std::max<int64_t>(bytes, 0)));
    });
}

} // extern "C"
