// The pretend spidev host: a message selects the chip, clocks each transfer through it in the
// node's bit order, toggles the chip select where cs_change asks, and releases it at the end.

#include "fakespidev.h"

#include <algorithm>
#include <cerrno>
#include <linux/spi/spidev.h>

namespace
{

uint8_t reverseBits(uint8_t byte)
{
    uint8_t reversed = 0;
    for (int bit = 0; bit < 8; ++bit)
        reversed = static_cast<uint8_t>(reversed << 1 | ((byte >> bit) & 1));
    return reversed;
}

std::string hex(const uint8_t *data, size_t count)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (size_t i = 0; i < count; ++i)
        text += {digits[data[i] >> 4], digits[data[i] & 15]};
    return text;
}

} // namespace

std::string FakeSpidev::path(int bus, int chipSelect)
{
    return "/dev/spidev" + std::to_string(bus) + "." + std::to_string(chipSelect);
}

void FakeSpidev::addNode(int bus, int chipSelect, telkor::SpiDevice *chip)
{
    nodes[path(bus, chipSelect)].chip = chip;
}

int FakeSpidev::open(const std::string &path)
{
    if (openError || !nodes.count(path))
        return openError ? -openError : -ENOENT;
    ++opens;
    descriptors[nextFd] = path;
    return nextFd++;
}

std::vector<std::string> FakeSpidev::listDirectory(const std::string &path)
{
    if (path != "/dev")
        return path == "/sys/class/spi_slave" ? slaveControllers : std::vector<std::string>();
    std::vector<std::string> names = {"null", "tty0"};
    for (const auto &node : nodes)
        names.push_back(node.first.substr(5));
    return names;
}

bool FakeSpidev::readFile(const std::string &path, std::string *text)
{
    const auto file = files.find(path);
    if (file != files.end())
        *text = file->second;
    return file != files.end();
}

long FakeSpidev::read(int fd, uint8_t *buffer, size_t count)
{
    if (!descriptors.count(fd) || ioError)
        return descriptors.count(fd) ? -ioError : -EBADF;
    const size_t taken = std::min(count, slaveIncoming.size());
    std::copy(slaveIncoming.begin(), slaveIncoming.begin() + static_cast<long>(taken), buffer);
    slaveIncoming.erase(0, taken);
    return static_cast<long>(taken);
}

long FakeSpidev::write(int fd, const uint8_t *data, size_t count)
{
    if (!descriptors.count(fd) || ioError)
        return descriptors.count(fd) ? -ioError : -EBADF;
    slaveWritten += hex(data, count);
    return static_cast<long>(count);
}

int FakeSpidev::ioctl(int fd, unsigned long request, void *argument)
{
    const auto descriptor = descriptors.find(fd);
    if (descriptor == descriptors.end())
        return -EBADF;
    Node &node = nodes[descriptor->second];
    const auto error = ioctlErrors.find(request);
    if (error != ioctlErrors.end())
        return -error->second;
    if (request == SPI_IOC_WR_MODE32 || request == SPI_IOC_WR_MODE) {
        const bool wide = request == SPI_IOC_WR_MODE32;
        const uint32_t mode =
            wide ? *static_cast<uint32_t *>(argument) : *static_cast<uint8_t *>(argument);
        if ((mode & SPI_LSB_FIRST) && lsbFirstRefused)
            return -EINVAL;
        node.mode = mode;
        return 0;
    }
    if (request == SPI_IOC_WR_BITS_PER_WORD)
        node.bits = *static_cast<uint8_t *>(argument);
    else if (request == SPI_IOC_WR_MAX_SPEED_HZ)
        node.hz = std::min(*static_cast<uint32_t *>(argument), maxHz);
    else if (request == SPI_IOC_RD_MAX_SPEED_HZ)
        *static_cast<uint32_t *>(argument) = node.hz;
    else if (_IOC_TYPE(request) != SPI_IOC_MAGIC || _IOC_NR(request) != 0 ||
             _IOC_DIR(request) != _IOC_WRITE)
        return -ENOTTY;
    else if (failAtMessage > 0 && --failAtMessage == 0)
        return -failError;
    else
        return message(node, argument, _IOC_SIZE(request) / sizeof(spi_ioc_transfer));
    return 0;
}

int FakeSpidev::message(Node &node, const void *argument, size_t count)
{
    const auto *transfers = static_cast<const spi_ioc_transfer *>(argument);
    const bool lsbFirst = node.mode & SPI_LSB_FIRST;
    std::string text;
    int total = 0;
    node.chip->select();
    for (size_t t = 0; t < count; ++t) {
        const spi_ioc_transfer &transfer = transfers[t];
        const auto *tx = reinterpret_cast<const uint8_t *>(transfer.tx_buf);
        auto *rx = reinterpret_cast<uint8_t *>(transfer.rx_buf);
        text += (t ? " ; " : "") + std::to_string(transfer.len) + (tx ? " tx=" : "");
        text += tx ? hex(tx, transfer.len) : "";
        for (uint32_t i = 0; i < transfer.len; ++i) {
            // Without a transmit buffer the controller shifts out zeros, or leaves the single
            // line to the chip.
            const uint8_t mosi = tx ? tx[i] : (node.mode & SPI_3WIRE) ? 0xFF : 0x00;
            const uint8_t answer = node.chip->exchange(lsbFirst ? reverseBits(mosi) : mosi);
            if (rx)
                rx[i] = lsbFirst ? reverseBits(answer) : answer;
        }
        total += static_cast<int>(transfer.len);
        text += std::string(rx ? " rx" : "") + (transfer.cs_change ? " cs" : "");
        if (transfer.delay_usecs)
            text += " d" + std::to_string(transfer.delay_usecs);
        if (transfer.cs_change && t + 1 < count) {
            node.chip->deselect();
            node.chip->select();
        }
    }
    node.chip->deselect();
    messages.push_back(text);
    return total;
}
