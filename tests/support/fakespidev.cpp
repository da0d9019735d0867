// The pretend spidev host: a message selects the chip, clocks each transfer through it in the
// node's bit order, toggles the chip select where cs_change asks, and releases it at the end.

#include "fakespidev.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <linux/spi/spidev.h>

namespace
{

uint8_t reverseBits(uint8_t byte)
{
    uint8_t reversed = 0;
    for (int bit = 0; bit < 8; ++bit)
        if (byte & (1 << bit))
            reversed = static_cast<uint8_t>(reversed | (0x80 >> bit));
    return reversed;
}

std::string hex(const uint8_t *data, size_t count)
{
    std::string text;
    char digits[3];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(digits, sizeof digits, "%02X", data[i]);
        text += digits;
    }
    return text;
}

std::string nodePath(int bus, int chipSelect)
{
    return "/dev/spidev" + std::to_string(bus) + "." + std::to_string(chipSelect);
}

} // namespace

void FakeSpidev::addNode(int bus, int chipSelect, telkor::SpiDevice *chip)
{
    nodes[nodePath(bus, chipSelect)].chip = chip;
}

const FakeSpidev::Node &FakeSpidev::node(int bus, int chipSelect)
{
    return nodes[nodePath(bus, chipSelect)];
}

int FakeSpidev::open(const std::string &path)
{
    if (openError)
        return -openError;
    const auto node = nodes.find(path);
    if (node == nodes.end())
        return -ENOENT;
    ++opens;
    descriptors[nextFd] = path;
    return nextFd++;
}

void FakeSpidev::close(int fd)
{
    descriptors.erase(fd);
}

std::vector<std::string> FakeSpidev::listDirectory(const std::string &path)
{
    std::vector<std::string> names;
    if (path == "/dev") {
        names = {"null", "tty0"};
        for (const auto &node : nodes)
            names.push_back(node.first.substr(5));
    } else if (path == "/sys/class/spi_slave") {
        names = slaveControllers;
    }
    return names;
}

bool FakeSpidev::readFile(const std::string &path, std::string *text)
{
    const auto file = files.find(path);
    if (file == files.end())
        return false;
    *text = file->second;
    return true;
}

long FakeSpidev::read(int fd, uint8_t *buffer, size_t count)
{
    if (!descriptors.count(fd))
        return -EBADF;
    const size_t taken = std::min(count, slaveIncoming.size());
    std::copy(slaveIncoming.begin(), slaveIncoming.begin() + static_cast<long>(taken), buffer);
    slaveIncoming.erase(0, taken);
    return static_cast<long>(taken);
}

long FakeSpidev::write(int fd, const uint8_t *data, size_t count)
{
    if (!descriptors.count(fd))
        return -EBADF;
    slaveWritten += hex(data, count);
    return static_cast<long>(count);
}

int FakeSpidev::ioctl(int fd, unsigned long request, void *argument)
{
    const auto descriptor = descriptors.find(fd);
    if (descriptor == descriptors.end())
        return -EBADF;
    Node &node = nodes[descriptor->second];
    if (request == SPI_IOC_WR_MODE32 || request == SPI_IOC_WR_MODE) {
        if (request == SPI_IOC_WR_MODE32 && mode32Missing)
            return -ENOTTY;
        const uint32_t mode = request == SPI_IOC_WR_MODE32 ? *static_cast<uint32_t *>(argument)
                                                           : *static_cast<uint8_t *>(argument);
        if ((mode & SPI_LSB_FIRST) && lsbFirstRefused)
            return -EINVAL;
        node.mode = mode;
        shortModeWrites += request == SPI_IOC_WR_MODE;
        return 0;
    }
    if (request == SPI_IOC_WR_BITS_PER_WORD) {
        node.bits = *static_cast<uint8_t *>(argument);
        return 0;
    }
    if (request == SPI_IOC_WR_MAX_SPEED_HZ) {
        node.hz = std::min(*static_cast<uint32_t *>(argument), maxHz);
        return 0;
    }
    if (request == SPI_IOC_RD_MAX_SPEED_HZ) {
        *static_cast<uint32_t *>(argument) = node.hz;
        return 0;
    }
    if (_IOC_TYPE(request) == SPI_IOC_MAGIC && _IOC_NR(request) == 0 &&
        _IOC_DIR(request) == _IOC_WRITE) {
        if (failAtMessage > 0 && --failAtMessage == 0)
            return -failError;
        return message(node, argument, _IOC_SIZE(request) / sizeof(spi_ioc_transfer));
    }
    return -ENOTTY;
}

int FakeSpidev::message(Node &node, const void *argument, size_t count)
{
    const auto *transfers = static_cast<const spi_ioc_transfer *>(argument);
    // The driver's own limit: each direction of a message passes its buffer.
    std::string bufsiz = "4096";
    readFile("/sys/module/spidev/parameters/bufsiz", &bufsiz);
    size_t out = 0, in = 0;
    for (size_t t = 0; t < count; ++t) {
        out += transfers[t].tx_buf ? transfers[t].len : 0;
        in += transfers[t].rx_buf ? transfers[t].len : 0;
    }
    if (out > std::stoul(bufsiz) || in > std::stoul(bufsiz))
        return -EMSGSIZE;
    const bool lsbFirst = node.mode & SPI_LSB_FIRST;
    std::string text;
    int total = 0;
    node.chip->select();
    for (size_t t = 0; t < count; ++t) {
        const spi_ioc_transfer &transfer = transfers[t];
        const auto *tx = reinterpret_cast<const uint8_t *>(transfer.tx_buf);
        auto *rx = reinterpret_cast<uint8_t *>(transfer.rx_buf);
        text += (t ? " ; " : "") + std::to_string(transfer.len);
        if (tx)
            text += " tx=" + hex(tx, transfer.len);
        for (uint32_t i = 0; i < transfer.len; ++i) {
            // Without a transmit buffer the controller shifts out zeros, or leaves the single
            // line to the chip.
            const uint8_t mosi = tx ? tx[i] : (node.mode & SPI_3WIRE) ? 0xFF : 0x00;
            const uint8_t answer = node.chip->exchange(lsbFirst ? reverseBits(mosi) : mosi);
            if (rx)
                rx[i] = lsbFirst ? reverseBits(answer) : answer;
        }
        total += static_cast<int>(transfer.len);
        if (rx)
            text += " rx";
        if (transfer.cs_change)
            text += " cs";
        if (transfer.delay_usecs)
            text += " d" + std::to_string(transfer.delay_usecs);
        if (transfer.cs_change && t + 1 < count) {
            node.chip->deselect();
            node.chip->select();
        }
    }
    node.chip->deselect();
    messages.push_back(text);
    messageSizes.push_back(static_cast<int>(count));
    return total;
}
