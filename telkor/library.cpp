// The twelve entries' calls: each finds its adapter and holds that adapter's lock while it
// works. Their arguments are written out (the bytes of a write in hex) only while the
// simulation records.

#include "telkor/library.h"

#include <cstdio>

namespace telkor
{

namespace
{

std::string hexList(const uint8_t *data, int64_t count)
{
    if (count < 0 || count > TELKOR_BUFFER_SIZE || (!data && count > 0))
        return "[?]";
    static const char digits[] = "0123456789ABCDEF";
    std::string text = "[";
    text.reserve(static_cast<size_t>(count) * 3 + 2);
    for (int64_t i = 0; i < count; ++i) {
        if (i > 0)
            text += ' ';
        text += digits[data[i] >> 4];
        text += digits[data[i] & 0x0F];
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

std::string head(int32_t device, int32_t channel)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(channel));
    return number(device) + "," + text + ",";
}

// For the SPI entries: the attached adapter's answer, or the failure result.
template <typename Body> int32_t onAdapter(AdapterRegistry &registry, int32_t device, Body body)
{
    const LockedAdapter adapter = registry.lock(device);
    return adapter ? body(*adapter) : NotOpen;
}

} // namespace

Library::Library(HardwareRegistry::Source source) : hardware(std::move(source))
{
    reset();
}

std::vector<std::string> Library::reset(const std::string &text)
{
    std::lock_guard<std::mutex> guard(resetLock);
    std::vector<std::string> problems;
    LibraryConfig config = loadConfig(&problems);
    applyConfig(text, &config, &problems);
    simulated.reset(config, &problems);
    hardware.reset(config);
    calls.reset(config);
    onHardware = config.backend != BackendKind::Sim;
    for (const std::string &problem : problems)
        std::fprintf(stderr, "libTELKOR: configuration: %s\n", problem.c_str());
    return problems;
}

template <typename Arguments, typename Work>
int32_t Library::call(const char *entry, const Arguments &arguments, const Work &work)
{
    if (onHardware)
        return work(static_cast<AdapterRegistry &>(hardware));
    // Written before the call, which may change the bytes (a read into the write buffer).
    const bool recording = calls.recording();
    const std::string line = recording ? std::string(entry) + "(" + arguments() + ") => " : "";
    simulated.clock().spend(SimAdapter::roundTripUs);
    int32_t result = 0;
    if (!calls.replaced(entry, &result))
        result = work(static_cast<AdapterRegistry &>(simulated));
    if (recording)
        calls.record(line + number(result));
    return result;
}

int32_t Library::adapterScan(int32_t reserved)
{
    return call(
        "AdapterScan", [&] { return number(reserved); },
        [](AdapterRegistry &registry) { return registry.scan(); });
}

int32_t Library::adapterOpen(int32_t device)
{
    return call(
        "AdapterOpen", [&] { return number(device); },
        [&](AdapterRegistry &registry) {
            const LockedAdapter adapter = registry.lock(device);
            return adapter && adapter->open() ? 1 : 0;
        });
}

int32_t Library::adapterGetInfo(int32_t device, DeviceInfo *info, char *functions)
{
    return call(
        "AdapterGetInfo", [&] { return number(device); },
        [&](AdapterRegistry &registry) {
            const LockedAdapter adapter = registry.lock(device);
            return adapter && adapter->info(info, functions) ? 1 : 0;
        });
}

int32_t Library::spiConfigure(int32_t device, int32_t channel, const SpiConfig *config)
{
    const auto arguments = [&] {
        return head(device, channel) +
               (config ? hexList(reinterpret_cast<const uint8_t *>(config), 6) + "," +
                             number(config->clockHz)
                       : std::string("null"));
    };
    return call("SpiConfigure", arguments, [&](AdapterRegistry &registry) {
        return onAdapter(registry, device, [&](Adapter &adapter) {
            return config ? adapter.configure(channel, *config) : BadArgument;
        });
    });
}

int32_t Library::spiWrite(int32_t device, int32_t channel, const uint8_t *data, int32_t count)
{
    const auto arguments = [&] {
        return head(device, channel) + hexList(data, count) + "," + number(count);
    };
    return call("SpiWrite", arguments, [&](AdapterRegistry &registry) {
        return onAdapter(registry, device,
                         [&](Adapter &adapter) { return adapter.write(channel, data, count); });
    });
}

int32_t Library::spiRead(int32_t device, int32_t channel, uint8_t *buffer, int32_t count)
{
    const auto arguments = [&] { return head(device, channel) + number(count); };
    return call("SpiRead", arguments, [&](AdapterRegistry &registry) {
        return onAdapter(registry, device,
                         [&](Adapter &adapter) { return adapter.read(channel, buffer, count); });
    });
}

int32_t Library::spiWriteRead(int32_t device, int32_t channel, const uint8_t *write,
                              int32_t writeCount, uint8_t *read, int32_t readCount,
                              int32_t reserved)
{
    const auto arguments = [&] {
        return head(device, channel) + hexList(write, writeCount) + "," + number(writeCount) + "," +
               number(readCount) + "," + number(reserved);
    };
    return call("SpiWriteRead", arguments, [&](AdapterRegistry &registry) {
        return onAdapter(registry, device, [&](Adapter &adapter) {
            return adapter.writeRead(channel, write, writeCount, read, readCount);
        });
    });
}

int32_t Library::spiSlaveWrite(int32_t device, int32_t channel, const uint8_t *data, int32_t count,
                               int32_t reserved)
{
    const auto arguments = [&] {
        return head(device, channel) + hexList(data, count) + "," + number(count) + "," +
               number(reserved);
    };
    return call("SpiSlaveWrite", arguments, [&](AdapterRegistry &registry) {
        return onAdapter(registry, device, [&](Adapter &adapter) {
            return adapter.slaveWrite(channel, data, count);
        });
    });
}

int32_t Library::spiSlaveRead(int32_t device, int32_t channel, uint8_t *buffer, int32_t reserved)
{
    const auto arguments = [&] { return head(device, channel) + number(reserved); };
    return call("SpiSlaveRead", arguments, [&](AdapterRegistry &registry) {
        return onAdapter(registry, device,
                         [&](Adapter &adapter) { return adapter.slaveRead(channel, buffer); });
    });
}

int32_t Library::spiBlockWrite(int32_t device, int32_t channel, const uint8_t *data,
                               int32_t blockSize, int32_t blockCount, int32_t intervalUs)
{
    const auto arguments = [&] {
        return head(device, channel) + hexList(data, blockBytes(blockSize, blockCount)) + "," +
               number(blockSize) + "," + number(blockCount) + "," + number(intervalUs);
    };
    return call("SpiBlockWrite", arguments, [&](AdapterRegistry &registry) {
        return onAdapter(registry, device, [&](Adapter &adapter) {
            return adapter.blockWrite(channel, data, blockSize, blockCount, intervalUs);
        });
    });
}

int32_t Library::spiBlockRead(int32_t device, int32_t channel, uint8_t *buffer, int32_t blockSize,
                              int32_t blockCount, int32_t intervalUs)
{
    const auto arguments = [&] {
        return head(device, channel) + number(blockSize) + "," + number(blockCount) + "," +
               number(intervalUs);
    };
    return call("SpiBlockRead", arguments, [&](AdapterRegistry &registry) {
        return onAdapter(registry, device, [&](Adapter &adapter) {
            return adapter.blockRead(channel, buffer, blockSize, blockCount, intervalUs);
        });
    });
}

int32_t Library::spiBlockWriteRead(int32_t device, int32_t channel, const uint8_t *write,
                                   int32_t writeBlockSize, uint8_t *read, int32_t readBlockSize,
                                   int32_t blockCount, int32_t intervalUs)
{
    const auto arguments = [&] {
        return head(device, channel) + hexList(write, blockBytes(writeBlockSize, blockCount)) +
               "," + number(writeBlockSize) + "," + number(readBlockSize) + "," +
               number(blockCount) + "," + number(intervalUs);
    };
    return call("SpiBlockWriteRead", arguments, [&](AdapterRegistry &registry) {
        return onAdapter(registry, device, [&](Adapter &adapter) {
            return adapter.blockWriteRead(channel, write, writeBlockSize, read, readBlockSize,
                                          blockCount, intervalUs);
        });
    });
}

} // namespace telkor
