#include "telkor/simadapter.h"

#include "telkor/norflash.h"
#include "telkor/registerbank.h"

#include <algorithm>
#include <cstring>

namespace telkor
{

namespace
{

uint8_t reverseBits(uint8_t byte)
{
    byte = static_cast<uint8_t>((byte & 0xF0) >> 4 | (byte & 0x0F) << 4);
    byte = static_cast<uint8_t>((byte & 0xCC) >> 2 | (byte & 0x33) << 2);
    byte = static_cast<uint8_t>((byte & 0xAA) >> 1 | (byte & 0x55) << 1);
    return byte;
}

// The adapter's power-on setting: hardware half-duplex master, mode 0, MSB first, CS active
// low, 50 MHz.
SpiConfig defaultConfig()
{
    SpiConfig config{};
    config.controlMode = 1;
    config.master = 1;
    config.clockHz = 50000000;
    return config;
}

// A line seen one bit late: what a chip sampling on the wrong clock edge reads.
class LateBits
{
public:
    uint8_t pass(uint8_t byte)
    {
        const uint8_t seen = static_cast<uint8_t>(previous << 7 | byte >> 1);
        previous = byte & 1;
        return seen;
    }

private:
    uint8_t previous = 1; // the idle line is high
};

} // namespace

int deviceSlot(int32_t channel)
{
    const int controller = channel & 0x0F;
    const int chipSelect = (channel >> 4) & 0x0F;
    if ((channel & ~0xFF) != 0 || controller > 1 || chipSelect > 4)
        return -1;
    return controller * 5 + chipSelect;
}

SimAdapter::SimAdapter(const LibraryConfig &config, SimClock &clock, const std::string &flashFile,
                       std::vector<std::string> *problems)
    : clock(clock), slavePeriodUs(config.slavePeriodUs)
{
    for (Controller &controller : controllers)
        controller.config = defaultConfig();
    bool fileGiven = false;
    for (size_t slot = 0; slot < devices.size(); ++slot) {
        switch (config.devices[slot]) {
        case DeviceKind::Loopback:
            devices[slot] = std::make_unique<LoopbackDevice>();
            break;
        case DeviceKind::Flash: {
            // One file holds one flash: the first flash of the adapter keeps it.
            std::string problem;
            devices[slot] =
                std::make_unique<NorFlash>(clock, fileGiven ? std::string() : flashFile, &problem);
            fileGiven = true;
            if (!problem.empty())
                problems->push_back(problem);
            break;
        }
        case DeviceKind::Registers:
            devices[slot] = std::make_unique<RegisterBank>();
            break;
        case DeviceKind::None:
            devices[slot] = std::make_unique<EmptySocket>();
            break;
        }
    }
}

bool SimAdapter::open()
{
    opened = true;
    return true;
}

void SimAdapter::close()
{
    opened = false;
}

bool SimAdapter::info(DeviceInfo *record, char *functionText)
{
    if (!opened || !record || !functionText)
        return false;
    std::memcpy(record, &infoRecord, offsetof(DeviceInfo, reserved));
    std::memcpy(functionText, functions.data(),
                std::min<size_t>(functions.size(), TELKOR_FUNCTION_TEXT_SIZE));
    return true;
}

void SimAdapter::setInfo(const DeviceInfo &record, const std::vector<uint8_t> &functionText)
{
    infoRecord = record;
    functions = functionText;
}

void SimAdapter::attach(int channel, std::unique_ptr<SpiDevice> chip)
{
    const int slot = deviceSlot(channel);
    if (slot >= 0)
        devices[static_cast<size_t>(slot)] = std::move(chip);
}

SpiDevice *SimAdapter::device(int channel) const
{
    const int slot = deviceSlot(channel);
    return slot >= 0 ? devices[static_cast<size_t>(slot)].get() : nullptr;
}

int32_t SimAdapter::configure(int32_t channel, const SpiConfig &config)
{
    if (!opened)
        return NotOpen;
    if (deviceSlot(channel) < 0)
        return BadArgument;
    if (config.controlMode > 3 || config.master > 1 || config.clockPolarity > 1 ||
        config.clockPhase > 1 || config.lsbFirst > 1 || config.csPolarity > 1 ||
        config.clockHz <= 0)
        return BadConfig;
    Controller &controller = controllerOf(channel);
    // The master on the other side keeps its pace when a slave port is configured again.
    if (config.master == 0 && controller.config.master != 0)
        controller.remote.start(clock.nowUs(), slavePeriodUs);
    else if (config.master != 0)
        controller.remote.stop();
    controller.config = config;
    return Ok;
}

int32_t SimAdapter::checkMaster(int32_t channel, int64_t volume) const
{
    if (!opened)
        return NotOpen;
    if (deviceSlot(channel) < 0 || volume < 0 || volume > TELKOR_BUFFER_SIZE)
        return BadArgument;
    if (controllerOf(channel).config.master != 1)
        return WrongRole;
    return Ok;
}

void SimAdapter::spendBusTime(int32_t channel, int64_t bytes, int64_t pausesUs)
{
    const int64_t hz = controllerOf(channel).config.clockHz;
    const int64_t busUs = (bytes * 8 * 1000000 + hz - 1) / hz;
    clock.spend(static_cast<uint64_t>(busUs + std::max<int64_t>(pausesUs, 0)));
}

int64_t SimAdapter::frame(int channel, std::initializer_list<Phase> phases)
{
    SpiDevice &chip = *devices[static_cast<size_t>(deviceSlot(channel))];
    const SpiConfig &config = controllerOf(channel).config;
    const bool lsbFirst = config.lsbFirst == 1;
    // The chips' select is active low: with the adapter driving it active high, the chip is
    // deselected exactly while the bytes go by, and MISO floats high.
    const bool present = !chip.followsChipSelect() || config.csPolarity == 0;
    const bool garbled = !chip.acceptsMode(config.clockPolarity, config.clockPhase);
    LateBits toChip, fromChip;
    int64_t clocked = 0;
    if (present)
        chip.select();
    for (const Phase &phase : phases) {
        const int32_t clocks = std::max(phase.outCount, phase.inCount);
        clocked += clocks;
        for (int32_t i = 0; i < clocks; ++i) {
            const uint8_t mosi = phase.out && i < phase.outCount ? phase.out[i] : 0xFF;
            uint8_t wire = lsbFirst ? reverseBits(mosi) : mosi;
            if (garbled)
                wire = toChip.pass(wire);
            uint8_t answer = present ? chip.exchange(wire) : 0xFF;
            if (garbled)
                answer = fromChip.pass(answer);
            if (!phase.in || i >= phase.inCount)
                continue;
            uint8_t miso = lsbFirst ? reverseBits(answer) : answer;
            if (!scriptedMiso.empty()) {
                miso = scriptedMiso.front();
                scriptedMiso.pop_front();
            }
            phase.in[i] = miso;
        }
    }
    if (present)
        chip.deselect();
    return clocked;
}

int32_t SimAdapter::write(int32_t channel, const uint8_t *data, int32_t count)
{
    if (const int32_t error = checkMaster(channel, count))
        return error;
    if (!data && count > 0)
        return BadArgument;
    spendBusTime(channel, frame(channel, {{data, count, nullptr, 0}}), 0);
    return Ok;
}

int32_t SimAdapter::read(int32_t channel, uint8_t *buffer, int32_t count)
{
    if (const int32_t error = checkMaster(channel, count))
        return error;
    if (!buffer && count > 0)
        return BadArgument;
    spendBusTime(channel, frame(channel, {{nullptr, 0, buffer, count}}), 0);
    return Ok;
}

int32_t SimAdapter::writeRead(int32_t channel, const uint8_t *write, int32_t writeCount,
                              uint8_t *read, int32_t readCount)
{
    if (writeCount < 0 || readCount < 0)
        return BadArgument;
    if (const int32_t error = checkMaster(channel, std::max(writeCount, readCount)))
        return error;
    if ((!write && writeCount > 0) || (!read && readCount > 0))
        return BadArgument;
    int64_t clocked = 0;
    if (controllerOf(channel).config.controlMode == 0) // clocks in while it clocks out
        clocked = frame(channel, {{write, writeCount, read, readCount}});
    else // writes, then reads, under one chip select
        clocked = frame(channel, {{write, writeCount, nullptr, 0}, {nullptr, 0, read, readCount}});
    spendBusTime(channel, clocked, 0);
    return Ok;
}

int32_t SimAdapter::blockWrite(int32_t channel, const uint8_t *data, int32_t size, int32_t count,
                               int32_t intervalUs)
{
    return blockWriteRead(channel, data, size, nullptr, 0, count, intervalUs);
}

int32_t SimAdapter::blockRead(int32_t channel, uint8_t *buffer, int32_t size, int32_t count,
                              int32_t intervalUs)
{
    return blockWriteRead(channel, nullptr, 0, buffer, size, count, intervalUs);
}

int32_t SimAdapter::blockWriteRead(int32_t channel, const uint8_t *write, int32_t writeSize,
                                   uint8_t *read, int32_t readSize, int32_t count,
                                   int32_t intervalUs)
{
    if (writeSize < 0 || readSize < 0 || count < 0)
        return BadArgument;
    const int64_t volume = std::max(int64_t{writeSize} * count, int64_t{readSize} * count);
    if (const int32_t error = checkMaster(channel, volume))
        return error;
    if ((!write && writeSize > 0 && count > 0) || (!read && readSize > 0 && count > 0))
        return BadArgument;
    const bool fullDuplex = controllerOf(channel).config.controlMode == 0;
    int64_t clocked = 0;
    // One chip-select assertion per block.
    for (int32_t block = 0; block < count; ++block) {
        const uint8_t *out = write ? write + int64_t{block} * writeSize : nullptr;
        uint8_t *in = read ? read + int64_t{block} * readSize : nullptr;
        if (fullDuplex || !out || !in)
            clocked += frame(channel, {{out, writeSize, in, readSize}});
        else
            clocked += frame(channel, {{out, writeSize, nullptr, 0}, {nullptr, 0, in, readSize}});
    }
    spendBusTime(channel, clocked, count > 1 ? int64_t{intervalUs} * (count - 1) : 0);
    return Ok;
}

int32_t SimAdapter::slaveWrite(int32_t channel, const uint8_t *data, int32_t count)
{
    if (!opened)
        return NotOpen;
    if (deviceSlot(channel) < 0 || count < 0 || count > TELKOR_BUFFER_SIZE || (!data && count > 0))
        return BadArgument;
    Controller &controller = controllerOf(channel);
    if (controller.config.master != 0)
        return WrongRole;
    // The port's own buffer holds no more than the adapter's.
    const size_t room =
        TELKOR_BUFFER_SIZE - std::min<size_t>(controller.slaveOutgoing.size(), TELKOR_BUFFER_SIZE);
    if (static_cast<size_t>(count) > room)
        return BadArgument;
    controller.slaveOutgoing.insert(controller.slaveOutgoing.end(), data, data + count);
    return Ok;
}

int32_t SimAdapter::slaveRead(int32_t channel, uint8_t *buffer)
{
    if (!opened)
        return NotOpen;
    if (deviceSlot(channel) < 0 || !buffer)
        return BadArgument;
    Controller &controller = controllerOf(channel);
    if (controller.config.master != 0)
        return WrongRole;
    controller.remote.catchUp(clock.nowUs(), controller.slaveOutgoing);
    // Everything received since the last read, whole frames, as much as the buffer holds.
    size_t used = 0;
    std::vector<uint8_t> frame;
    while (controller.remote.nextSize() > 0 &&
           used + controller.remote.nextSize() <= TELKOR_BUFFER_SIZE) {
        controller.remote.take(&frame);
        std::copy(frame.begin(), frame.end(), buffer + used);
        used += frame.size();
    }
    return static_cast<int32_t>(used);
}

void SimAdapter::queueMiso(const uint8_t *data, int32_t count)
{
    if (data && count > 0)
        scriptedMiso.insert(scriptedMiso.end(), data, data + count);
}

void SimAdapter::queueSlaveFrame(int32_t channel, const uint8_t *data, int32_t count)
{
    if (data && count > 0 && deviceSlot(channel) >= 0)
        controllerOf(channel).remote.inject(
            std::vector<uint8_t>(data, data + std::min(count, int32_t{TELKOR_BUFFER_SIZE})));
}

} // namespace telkor
