// The entries' rules in front of a backend.

#include "telkor/busadapter.h"

#include <algorithm>

namespace telkor
{

int deviceSlot(int32_t channel)
{
    const int controller = channel & 0x0F;
    const int chipSelect = (channel >> 4) & 0x0F;
    if ((channel & ~0xFF) != 0 || controller > 1 || chipSelect > 4)
        return -1;
    return controller * 5 + chipSelect;
}

SpiConfig BusAdapter::defaultConfig()
{
    // Hardware half-duplex master, mode 0, MSB first, CS active low, 50 MHz.
    SpiConfig config{};
    config.controlMode = 1;
    config.master = 1;
    config.clockHz = 50000000;
    return config;
}

BusAdapter::BusAdapter(std::unique_ptr<BusBackend> backend) : bus(std::move(backend))
{
    configs.fill(defaultConfig());
}

bool BusAdapter::open()
{
    opened = bus->open();
    return opened;
}

void BusAdapter::close()
{
    bus->close();
    opened = false;
}

bool BusAdapter::info(DeviceInfo *record, char *functionText)
{
    if (!opened || !record || !functionText)
        return false;
    return bus->info(record, functionText);
}

int32_t BusAdapter::configure(int32_t channel, const SpiConfig &config)
{
    if (!opened)
        return NotOpen;
    if (deviceSlot(channel) < 0)
        return BadArgument;
    if (config.controlMode > 3 || config.master > 1 || config.clockPolarity > 1 ||
        config.clockPhase > 1 || config.lsbFirst > 1 || config.csPolarity > 1 ||
        config.clockHz <= 0)
        return BadConfig;
    const int32_t result = bus->configure(channel & 0x0F, config);
    if (result == Ok)
        configs[static_cast<size_t>(channel & 0x0F)] = config;
    return result;
}

int32_t BusAdapter::checkMaster(int32_t channel, int64_t volume) const
{
    if (!opened)
        return NotOpen;
    if (deviceSlot(channel) < 0 || volume < 0 || volume > TELKOR_BUFFER_SIZE)
        return BadArgument;
    if (configOf(channel).master != 1)
        return WrongRole;
    return Ok;
}

BusAssertion BusAdapter::assertion(int32_t channel, const uint8_t *write, int32_t writeCount,
                                   uint8_t *read, int32_t readCount) const
{
    BusAssertion made;
    if (configOf(channel).controlMode == 0 || !write || !read) {
        made.phases[0] = {write, writeCount, read, readCount};
        made.phaseCount = 1;
    } else {
        made.phases[0] = {write, writeCount, nullptr, 0};
        made.phases[1] = {nullptr, 0, read, readCount};
        made.phaseCount = 2;
    }
    return made;
}

int32_t BusAdapter::run(int32_t channel, std::vector<BusAssertion> assertions, int32_t intervalUs)
{
    BusTrain train;
    train.controller = channel & 0x0F;
    train.chipSelect = (channel >> 4) & 0x0F;
    train.assertions = std::move(assertions);
    train.intervalUs = static_cast<uint32_t>(std::max(intervalUs, 0));
    return bus->run(train);
}

int32_t BusAdapter::write(int32_t channel, const uint8_t *data, int32_t count)
{
    if (const int32_t error = checkMaster(channel, count))
        return error;
    if (!data && count > 0)
        return BadArgument;
    return run(channel, {assertion(channel, data, count, nullptr, 0)}, 0);
}

int32_t BusAdapter::read(int32_t channel, uint8_t *buffer, int32_t count)
{
    if (const int32_t error = checkMaster(channel, count))
        return error;
    if (!buffer && count > 0)
        return BadArgument;
    return run(channel, {assertion(channel, nullptr, 0, buffer, count)}, 0);
}

int32_t BusAdapter::writeRead(int32_t channel, const uint8_t *write, int32_t writeCount,
                              uint8_t *read, int32_t readCount)
{
    if (writeCount < 0 || readCount < 0)
        return BadArgument;
    if (const int32_t error = checkMaster(channel, std::max(writeCount, readCount)))
        return error;
    if ((!write && writeCount > 0) || (!read && readCount > 0))
        return BadArgument;
    return run(channel, {assertion(channel, write, writeCount, read, readCount)}, 0);
}

int32_t BusAdapter::blockWrite(int32_t channel, const uint8_t *data, int32_t size, int32_t count,
                               int32_t intervalUs)
{
    return blockWriteRead(channel, data, size, nullptr, 0, count, intervalUs);
}

int32_t BusAdapter::blockRead(int32_t channel, uint8_t *buffer, int32_t size, int32_t count,
                              int32_t intervalUs)
{
    return blockWriteRead(channel, nullptr, 0, buffer, size, count, intervalUs);
}

int32_t BusAdapter::blockWriteRead(int32_t channel, const uint8_t *write, int32_t writeSize,
                                   uint8_t *read, int32_t readSize, int32_t count,
                                   int32_t intervalUs)
{
    // Every argument is checked before a buffer is touched: empty blocks do not make a count
    // beyond the buffer harmless, each block is still one assertion with its interval.
    if (writeSize < 0 || readSize < 0 || count < 0 || count > TELKOR_BUFFER_SIZE)
        return BadArgument;
    const int64_t volume = std::max(int64_t{writeSize} * count, int64_t{readSize} * count);
    if (const int32_t error = checkMaster(channel, volume))
        return error;
    if ((!write && writeSize > 0 && count > 0) || (!read && readSize > 0 && count > 0))
        return BadArgument;
    std::vector<BusAssertion> assertions;
    assertions.reserve(static_cast<size_t>(count));
    for (int32_t block = 0; block < count; ++block)
        assertions.push_back(
            assertion(channel, write ? write + int64_t{block} * writeSize : nullptr, writeSize,
                      read ? read + int64_t{block} * readSize : nullptr, readSize));
    return run(channel, std::move(assertions), intervalUs);
}

int32_t BusAdapter::slaveWrite(int32_t channel, const uint8_t *data, int32_t count)
{
    if (!opened)
        return NotOpen;
    if (deviceSlot(channel) < 0 || count < 0 || count > TELKOR_BUFFER_SIZE || (!data && count > 0))
        return BadArgument;
    if (configOf(channel).master != 0)
        return WrongRole;
    return bus->slaveWrite(channel & 0x0F, data, count);
}

int32_t BusAdapter::slaveRead(int32_t channel, uint8_t *buffer)
{
    if (!opened)
        return NotOpen;
    if (deviceSlot(channel) < 0 || !buffer)
        return BadArgument;
    if (configOf(channel).master != 0)
        return WrongRole;
    return bus->slaveRead(channel & 0x0F, buffer);
}

} // namespace telkor
