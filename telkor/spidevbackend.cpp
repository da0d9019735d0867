// The spidev backend: configuration through the mode, word size and clock ioctls, trains as
// SPI_IOC_MESSAGE arrays of at most 511 transfers, one chip-select assertion never split.

#include "telkor/spidevbackend.h"

#include "telkor/busadapter.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <linux/spi/spidev.h>

namespace telkor
{

namespace
{

const char *const devDirectory = "/dev";
const char *const slaveDirectory = "/sys/class/spi_slave";
const char *const bufsizFile = "/sys/module/spidev/parameters/bufsiz";

uint8_t reverseBits(uint8_t byte)
{
    byte = static_cast<uint8_t>((byte & 0xF0) >> 4 | (byte & 0x0F) << 4);
    byte = static_cast<uint8_t>((byte & 0xCC) >> 2 | (byte & 0x33) << 2);
    byte = static_cast<uint8_t>((byte & 0xAA) >> 1 | (byte & 0x55) << 1);
    return byte;
}

// "spidev1.3" to bus 1, chip select 3.
bool parseNode(const std::string &name, int *bus, int *chipSelect)
{
    unsigned b = 0, c = 0;
    char tail = 0;
    if (name.compare(0, 6, "spidev") != 0 ||
        std::sscanf(name.c_str() + 6, "%u.%u%c", &b, &c, &tail) != 2 || b > 32767 || c > 255)
        return false;
    *bus = static_cast<int>(b);
    *chipSelect = static_cast<int>(c);
    return true;
}

std::map<int, std::vector<int>> findNodes(SpidevSystem &system)
{
    std::map<int, std::vector<int>> found;
    for (const std::string &name : system.listDirectory(devDirectory)) {
        int bus = 0, chipSelect = 0;
        if (parseNode(name, &bus, &chipSelect))
            found[bus].push_back(chipSelect);
    }
    for (auto &bus : found)
        std::sort(bus.second.begin(), bus.second.end());
    return found;
}

uint32_t packedKernelVersion(const std::string &release)
{
    unsigned major = 0, minor = 0, patch = 0;
    std::sscanf(release.c_str(), "%u.%u.%u", &major, &minor, &patch);
    return (major & 0xFF) << 24 | (minor & 0xFF) << 16 | (patch & 0xFFFF);
}

} // namespace

SpidevBackend::SpidevBackend(SpidevSystem &system, const LibraryConfig &config)
    : system(system), wantedBuses(config.spidevBus)
{
    for (Controller &controller : controllers)
        controller.config = BusAdapter::defaultConfig();
}

SpidevBackend::~SpidevBackend()
{
    close();
}

int32_t SpidevBackend::count(SpidevSystem &system)
{
    return findNodes(system).empty() ? 0 : 1;
}

bool SpidevBackend::open()
{
    close();
    nodesFound = findNodes(system);
    if (nodesFound.empty())
        return false;
    // Unless configured, SPI1 and SPI2 are the two lowest bus numbers present.
    std::vector<int> lowest;
    for (const auto &bus : nodesFound)
        lowest.push_back(bus.first);
    for (size_t c = 0; c < 2; ++c)
        buses[c] = wantedBuses[c] >= 0 ? wantedBuses[c] : c < lowest.size() ? lowest[c] : -1;
    std::string text;
    unsigned long size = 0;
    bufferSize = system.readFile(bufsizFile, &text) && std::sscanf(text.c_str(), "%lu", &size) == 1
                     ? size
                     : defaultBufsiz;
    return true;
}

void SpidevBackend::closeNode(Node &node)
{
    if (node.fd >= 0)
        system.close(node.fd);
    node.fd = -1;
    node.configured = false;
}

void SpidevBackend::close()
{
    for (Controller &controller : controllers)
        for (Node &node : controller.nodes)
            closeNode(node);
}

bool SpidevBackend::reversesBits(int controller) const
{
    return controllers[static_cast<size_t>(controller)].softwareReverse;
}

uint32_t SpidevBackend::clockHz(int controller) const
{
    return controllers[static_cast<size_t>(controller)].actualHz;
}

bool SpidevBackend::info(DeviceInfo *record, char *functions)
{
    const std::string release = system.kernelRelease();
    std::memset(record, 0, offsetof(DeviceInfo, reserved));
    std::snprintf(record->firmwareName, sizeof record->firmwareName, "Linux spidev");
    std::snprintf(record->buildDate, sizeof record->buildDate, "%s", release.c_str());
    record->firmwareVersion = packedKernelVersion(release);
    std::string text = "Linux spidev, kernel " + release + ":";
    for (int c = 0; c < 2; ++c) {
        text += c == 0 ? " SPI1 " : "; SPI2 ";
        const auto found = nodesFound.find(buses[static_cast<size_t>(c)]);
        if (found == nodesFound.end()) {
            text += "none";
            continue;
        }
        text += "spidev" + std::to_string(found->first) + " CS";
        for (int chipSelect : found->second)
            text += " " + std::to_string(chipSelect);
        if (reversesBits(c))
            text += ", LSB first in software";
    }
    text += "; bufsiz " + std::to_string(bufferSize);
    std::snprintf(functions, TELKOR_FUNCTION_TEXT_SIZE, "%s", text.c_str());
    return true;
}

std::string SpidevBackend::nodePath(int controller, int chipSelect) const
{
    return std::string(devDirectory) + "/spidev" +
           std::to_string(buses[static_cast<size_t>(controller)]) + "." +
           std::to_string(chipSelect);
}

int32_t SpidevBackend::fail(int controller, int chipSelect, const char *what, int error)
{
    const std::string path = nodePath(controller, chipSelect);
    std::fprintf(stderr, "libTELKOR: spidev: %s: %s failed: %s%s\n", path.c_str(), what,
                 std::strerror(error),
                 error == EACCES ? " (give the user access to the node, e.g. by a udev rule)" : "");
    closeNode(controllers[static_cast<size_t>(controller)].nodes[static_cast<size_t>(chipSelect)]);
    return DeviceFailed;
}

int SpidevBackend::writeMode(int fd, uint32_t mode)
{
    if (mode32) {
        const int result = system.ioctl(fd, SPI_IOC_WR_MODE32, &mode);
        if (result != -ENOTTY)
            return result;
        mode32 = false; // a driver from before the 32-bit mode
    }
    uint8_t shortMode = static_cast<uint8_t>(mode);
    return system.ioctl(fd, SPI_IOC_WR_MODE, &shortMode);
}

int32_t SpidevBackend::apply(int index, int fd)
{
    Controller &controller = controllers[static_cast<size_t>(index)];
    const SpiConfig &config = controller.config;
    uint32_t mode = (config.clockPolarity ? SPI_CPOL : 0) | (config.clockPhase ? SPI_CPHA : 0) |
                    (config.csPolarity ? SPI_CS_HIGH : 0) |
                    (config.controlMode == 3 ? SPI_3WIRE : 0);
    controller.softwareReverse = false;
    int result = writeMode(fd, mode | (config.lsbFirst ? SPI_LSB_FIRST : 0));
    if (result == -EINVAL && config.lsbFirst) {
        result = writeMode(fd, mode);
        controller.softwareReverse = result >= 0;
    }
    if (result < 0)
        return result;
    uint8_t bits = 8;
    if ((result = system.ioctl(fd, SPI_IOC_WR_BITS_PER_WORD, &bits)) < 0)
        return result;
    uint32_t hz = static_cast<uint32_t>(config.clockHz);
    if ((result = system.ioctl(fd, SPI_IOC_WR_MAX_SPEED_HZ, &hz)) < 0 ||
        (result = system.ioctl(fd, SPI_IOC_RD_MAX_SPEED_HZ, &hz)) < 0)
        return result;
    controller.actualHz = hz;
    return 0;
}

int SpidevBackend::nodeFd(int index, int chipSelect, int32_t *error)
{
    if (buses[static_cast<size_t>(index)] < 0) {
        std::fprintf(stderr, "libTELKOR: spidev: SPI%d has no spidev bus\n", index + 1);
        *error = DeviceFailed;
        return -1;
    }
    Node &node = controllers[static_cast<size_t>(index)].nodes[static_cast<size_t>(chipSelect)];
    if (node.fd < 0) {
        const int fd = system.open(nodePath(index, chipSelect));
        if (fd < 0) {
            *error = fail(index, chipSelect, "open", -fd);
            return -1;
        }
        node.fd = fd;
    }
    if (!node.configured) {
        const int result = apply(index, node.fd);
        if (result < 0) {
            const bool refused = result == -EINVAL;
            *error = fail(index, chipSelect, "setting the mode and clock", -result);
            if (refused) {
                std::fprintf(stderr, "libTELKOR: spidev: the controller cannot work in this mode "
                                     "(clock mode, chip-select polarity or single bus)\n");
                *error = BadConfig;
            }
            return -1;
        }
        node.configured = true;
    }
    return node.fd;
}

int32_t SpidevBackend::configure(int index, const SpiConfig &config)
{
    const int bus = buses[static_cast<size_t>(index)];
    bool slaveBus = false;
    for (const std::string &name : system.listDirectory(slaveDirectory))
        slaveBus = slaveBus || name == "spi" + std::to_string(bus);
    if ((config.master == 0) != slaveBus) {
        std::fprintf(stderr,
                     config.master == 0
                         ? "libTELKOR: spidev: SPI%d (bus %d) is no slave controller; this kernel "
                           "offers slave mode only on the controllers in /sys/class/spi_slave\n"
                         : "libTELKOR: spidev: SPI%d (bus %d) is a slave controller\n",
                     index + 1, bus);
        return BadConfig;
    }
    Controller &controller = controllers[static_cast<size_t>(index)];
    const SpiConfig previous = controller.config;
    controller.config = config;
    for (Node &node : controller.nodes)
        node.configured = false;
    // Every node of the bus is set up now, so that a setting the controller refuses fails here.
    const auto found = nodesFound.find(bus);
    const std::vector<int> chipSelects =
        found == nodesFound.end() ? std::vector<int>{0} : found->second;
    for (int chipSelect : chipSelects) {
        if (chipSelect > 4)
            continue;
        int32_t error = Ok;
        if (nodeFd(index, chipSelect, &error) < 0) {
            controller.config = previous;
            for (Node &node : controller.nodes)
                node.configured = false;
            return error;
        }
    }
    return Ok;
}

int32_t SpidevBackend::send(int index, int chipSelect, int fd,
                            std::vector<spi_ioc_transfer> &message)
{
    if (message.empty())
        return Ok;
    const int result = system.ioctl(fd, SPI_IOC_MESSAGE(message.size()), message.data());
    message.clear();
    if (result >= 0)
        return Ok;
    if (result == -EMSGSIZE)
        std::fprintf(stderr,
                     "libTELKOR: spidev: the driver refused a message larger than its buffer "
                     "(bufsiz %zu bytes)\n",
                     bufferSize);
    return fail(index, chipSelect, "SPI_IOC_MESSAGE", -result);
}

int32_t SpidevBackend::run(const BusTrain &train)
{
    Controller &controller = controllers[static_cast<size_t>(train.controller)];
    const bool reverse = controller.softwareReverse;
    const bool singleBus = controller.config.controlMode == 3;
    // The driver copies a whole message through its buffer, each way: an assertion that does
    // not fit is refused before the bus is touched.
    size_t scratch = 0;
    for (const BusAssertion &assertion : train.assertions) {
        size_t out = 0, in = 0;
        for (int p = 0; p < assertion.phaseCount; ++p) {
            const BusPhase &phase = assertion.phases[p];
            out += phase.out || !singleBus ? static_cast<size_t>(phase.clocks()) : 0;
            in += phase.in ? static_cast<size_t>(phase.clocks()) : 0;
        }
        if (std::max(out, in) > bufferSize) {
            std::fprintf(stderr,
                         "libTELKOR: spidev: a chip-select assertion of %zu bytes does not fit "
                         "in the spidev driver's buffer of %zu bytes; raise it with "
                         "spidev.bufsiz=N on the kernel command line or \"options spidev "
                         "bufsiz=N\" as a module option\n",
                         std::max(out, in), bufferSize);
            return BadArgument;
        }
        scratch += static_cast<size_t>(assertion.clocks());
    }
    int32_t error = Ok;
    const int fd = nodeFd(train.controller, train.chipSelect, &error);
    if (fd < 0)
        return error;

    std::vector<uint8_t> outScratch(scratch), inScratch(scratch);
    size_t outUsed = 0, inUsed = 0;
    std::vector<CopyBack> copies;
    std::vector<spi_ioc_transfer> message;
    size_t messageOut = 0, messageIn = 0;
    const bool sleepBetween = train.intervalUs > maxDelayUs;
    for (size_t a = 0; a < train.assertions.size(); ++a) {
        const BusAssertion &assertion = train.assertions[a];
        std::vector<spi_ioc_transfer> transfers;
        size_t out = 0, in = 0;
        for (int p = 0; p < assertion.phaseCount; ++p) {
            const BusPhase &phase = assertion.phases[p];
            const int32_t clocks = phase.clocks();
            if (clocks == 0)
                continue;
            spi_ioc_transfer transfer{};
            transfer.len = static_cast<uint32_t>(clocks);
            if (phase.out && phase.outCount == clocks && !reverse) {
                transfer.tx_buf = reinterpret_cast<uintptr_t>(phase.out);
            } else if (phase.out || !singleBus) { // the filler goes out, FFh in either order
                uint8_t *bytes = outScratch.data() + outUsed;
                for (int32_t i = 0; i < clocks; ++i)
                    bytes[i] = !phase.out || i >= phase.outCount ? 0xFF
                               : reverse                         ? reverseBits(phase.out[i])
                                                                 : phase.out[i];
                transfer.tx_buf = reinterpret_cast<uintptr_t>(bytes);
                outUsed += static_cast<size_t>(clocks);
            }
            if (phase.in && phase.inCount == clocks && !reverse) {
                transfer.rx_buf = reinterpret_cast<uintptr_t>(phase.in);
            } else if (phase.in) {
                transfer.rx_buf = reinterpret_cast<uintptr_t>(inScratch.data() + inUsed);
                copies.push_back({phase.in, inUsed, phase.inCount});
                inUsed += static_cast<size_t>(clocks);
            }
            out += transfer.tx_buf ? transfer.len : 0;
            in += transfer.rx_buf ? transfer.len : 0;
            transfers.push_back(transfer);
        }
        if (transfers.empty()) // no bytes, still one assertion
            transfers.push_back(spi_ioc_transfer{});
        const bool fits = message.size() + transfers.size() <= maxTransfers &&
                          messageOut + out <= bufferSize && messageIn + in <= bufferSize;
        if (!message.empty() && (!fits || sleepBetween)) {
            // The message's end releases the chip select.
            message.back().cs_change = 0;
            if ((error = send(train.controller, train.chipSelect, fd, message)) != Ok)
                return error;
            messageOut = messageIn = 0;
            if (sleepBetween)
                system.sleepUs(train.intervalUs);
        }
        if (a + 1 < train.assertions.size() && !sleepBetween) {
            transfers.back().cs_change = 1;
            transfers.back().delay_usecs = static_cast<uint16_t>(train.intervalUs);
        }
        message.insert(message.end(), transfers.begin(), transfers.end());
        messageOut += out;
        messageIn += in;
    }
    if ((error = send(train.controller, train.chipSelect, fd, message)) != Ok)
        return error;
    for (const CopyBack &copy : copies)
        for (int32_t i = 0; i < copy.count; ++i)
            copy.to[i] = reverse ? reverseBits(inScratch[copy.from + static_cast<size_t>(i)])
                                 : inScratch[copy.from + static_cast<size_t>(i)];
    return Ok;
}

int32_t SpidevBackend::slaveWrite(int index, const uint8_t *data, int32_t count)
{
    int32_t error = Ok;
    const int fd = nodeFd(index, 0, &error);
    if (fd < 0)
        return error;
    const long done = system.write(fd, data, static_cast<size_t>(count));
    return done < 0 ? fail(index, 0, "write", static_cast<int>(-done)) : Ok;
}

int32_t SpidevBackend::slaveRead(int index, uint8_t *buffer)
{
    int32_t error = Ok;
    const int fd = nodeFd(index, 0, &error);
    if (fd < 0)
        return error;
    const long done =
        system.read(fd, buffer, std::min<size_t>(bufferSize, size_t{TELKOR_BUFFER_SIZE}));
    return done < 0 ? fail(index, 0, "read", static_cast<int>(-done)) : static_cast<int32_t>(done);
}

} // namespace telkor
