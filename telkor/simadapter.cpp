#include "telkor/simadapter.h"

#include <algorithm>

namespace telkor {

namespace {

uint8_t reverseBits(uint8_t byte)
{
    byte = static_cast<uint8_t>((byte & 0xF0) >> 4 | (byte & 0x0F) << 4);
    byte = static_cast<uint8_t>((byte & 0xCC) >> 2 | (byte & 0x33) << 2);
    byte = static_cast<uint8_t>((byte & 0xAA) >> 1 | (byte & 0x55) << 1);
    return byte;
}

// The adapter's power-on setting: hardware half-duplex master, mode 0, MSB first, 50 MHz.
SpiConfig defaultConfig()
{
    SpiConfig config{};
    config.controlMode = 1;
    config.master = 1;
    config.clockHz = 50000000;
    return config;
}

} // namespace

int deviceSlot(int32_t channel)
{
    const int controller = channel & 0x0F;
    const int chipSelect = (channel >> 4) & 0x0F;
    if ((channel & ~0xFF) != 0 || controller > 1 || chipSelect > 4)
        return -1;
    return controller * 5 + chipSelect;
}

SimAdapter::SimAdapter()
{
    configs.fill(defaultConfig());
    for (auto &device : devices)
        device = std::make_unique<EmptySocket>();
    devices[0] = std::make_unique<LoopbackDevice>();
}

void SimAdapter::attach(int channel, std::unique_ptr<SpiDevice> device)
{
    const int slot = deviceSlot(channel);
    if (slot >= 0)
        devices[static_cast<size_t>(slot)] = std::move(device);
}

const SpiConfig &SimAdapter::configOf(int channel) const
{
    return configs[static_cast<size_t>(channel & 0x0F)];
}

int32_t SimAdapter::configure(int32_t channel, const SpiConfig &config)
{
    if (!open)
        return NotOpen;
    if (deviceSlot(channel) < 0)
        return BadArgument;
    if (config.controlMode > 3 || config.master > 1 || config.clockPolarity > 1 ||
        config.clockPhase > 1 || config.lsbFirst > 1 || config.csPolarity > 1 ||
        config.clockHz <= 0)
        return BadConfig;
    configs[static_cast<size_t>(channel & 0x0F)] = config;
    return Ok;
}

int32_t SimAdapter::checkMaster(int32_t channel, int64_t volume) const
{
    if (!open)
        return NotOpen;
    if (deviceSlot(channel) < 0 || volume < 0 || volume > TELKOR_BUFFER_SIZE)
        return BadArgument;
    if (configOf(channel).master != 1)
        return WrongRole;
    return Ok;
}

void SimAdapter::frame(int channel, std::initializer_list<Phase> phases)
{
    SpiDevice &device = *devices[static_cast<size_t>(deviceSlot(channel))];
    const bool lsbFirst = configOf(channel).lsbFirst == 1;
    device.select();
    for (const Phase &phase : phases) {
        const int32_t clocks = std::max(phase.outCount, phase.inCount);
        for (int32_t i = 0; i < clocks; ++i) {
            const uint8_t mosi = phase.out && i < phase.outCount ? phase.out[i] : 0xFF;
            const uint8_t wire = device.exchange(lsbFirst ? reverseBits(mosi) : mosi);
            if (!phase.in || i >= phase.inCount)
                continue;
            uint8_t miso = lsbFirst ? reverseBits(wire) : wire;
            if (!scriptedMiso.empty()) {
                miso = scriptedMiso.front();
                scriptedMiso.pop_front();
            }
            phase.in[i] = miso;
        }
    }
    device.deselect();
}

int32_t SimAdapter::write(int32_t channel, const uint8_t *data, int32_t count)
{
    if (const int32_t error = checkMaster(channel, count))
        return error;
    if (!data && count > 0)
        return BadArgument;
    frame(channel, {{data, count, nullptr, 0}});
    return Ok;
}

int32_t SimAdapter::read(int32_t channel, uint8_t *buffer, int32_t count)
{
    if (const int32_t error = checkMaster(channel, count))
        return error;
    if (!buffer && count > 0)
        return BadArgument;
    frame(channel, {{nullptr, 0, buffer, count}});
    return Ok;
}

int32_t SimAdapter::writeRead(int32_t channel, const uint8_t *write, int32_t writeCount,
                              uint8_t *read, int32_t readCount)
{
    if (const int32_t error = checkMaster(channel, std::max(writeCount, readCount)))
        return error;
    if (writeCount < 0 || readCount < 0 || (!write && writeCount > 0) || (!read && readCount > 0))
        return BadArgument;
    if (configOf(channel).controlMode == 0)
        frame(channel, {{write, writeCount, read, readCount}}); // clocks in while it clocks out
    else
        frame(channel, {{write, writeCount, nullptr, 0}, {nullptr, 0, read, readCount}});
    return Ok;
}

int32_t SimAdapter::blockWrite(int32_t channel, const uint8_t *data, int32_t size, int32_t count)
{
    if (size < 0 || count < 0)
        return BadArgument;
    if (const int32_t error = checkMaster(channel, int64_t{size} * count))
        return error;
    if (!data && size * count > 0)
        return BadArgument;
    for (int32_t block = 0; block < count; ++block)
        frame(channel, {{data + block * size, size, nullptr, 0}});
    return Ok;
}

int32_t SimAdapter::blockRead(int32_t channel, uint8_t *buffer, int32_t size, int32_t count)
{
    if (size < 0 || count < 0)
        return BadArgument;
    if (const int32_t error = checkMaster(channel, int64_t{size} * count))
        return error;
    if (!buffer && size * count > 0)
        return BadArgument;
    for (int32_t block = 0; block < count; ++block)
        frame(channel, {{nullptr, 0, buffer + block * size, size}});
    return Ok;
}

int32_t SimAdapter::blockWriteRead(int32_t channel, const uint8_t *write, int32_t writeSize,
                                   uint8_t *read, int32_t readSize, int32_t count)
{
    if (writeSize < 0 || readSize < 0 || count < 0)
        return BadArgument;
    const int64_t volume = std::max(int64_t{writeSize} * count, int64_t{readSize} * count);
    if (const int32_t error = checkMaster(channel, volume))
        return error;
    if ((!write && writeSize * count > 0) || (!read && readSize * count > 0))
        return BadArgument;
    const bool fullDuplex = configOf(channel).controlMode == 0;
    for (int32_t block = 0; block < count; ++block) {
        const uint8_t *out = write + block * writeSize;
        uint8_t *in = read + block * readSize;
        if (fullDuplex)
            frame(channel, {{out, writeSize, in, readSize}});
        else
            frame(channel, {{out, writeSize, nullptr, 0}, {nullptr, 0, in, readSize}});
    }
    return Ok;
}

int32_t SimAdapter::slaveWrite(int32_t channel, const uint8_t *data, int32_t count)
{
    if (!open)
        return NotOpen;
    if (deviceSlot(channel) < 0 || count < 0 || count > TELKOR_BUFFER_SIZE ||
        (!data && count > 0))
        return BadArgument;
    if (configOf(channel).master != 0)
        return WrongRole;
    slaveTx.insert(slaveTx.end(), data, data + count);
    return Ok;
}

int32_t SimAdapter::slaveRead(int32_t channel, uint8_t *buffer)
{
    if (!open)
        return NotOpen;
    if (deviceSlot(channel) < 0 || !buffer)
        return BadArgument;
    if (configOf(channel).master != 0)
        return WrongRole;
    if (slaveRx.empty())
        return 0;
    const std::vector<uint8_t> frame = std::move(slaveRx.front());
    slaveRx.pop_front();
    std::copy(frame.begin(), frame.end(), buffer);
    return static_cast<int32_t>(frame.size());
}

void SimAdapter::queueMiso(const uint8_t *data, int32_t count)
{
    if (data && count > 0)
        scriptedMiso.insert(scriptedMiso.end(), data, data + count);
}

void SimAdapter::queueSlaveFrame(const uint8_t *data, int32_t count)
{
    if (data && count > 0)
        slaveRx.emplace_back(data, data + std::min(count, int32_t{TELKOR_BUFFER_SIZE}));
}

} // namespace telkor
