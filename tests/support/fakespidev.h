#pragma once
// A pretend Linux host for the spidev backend: device nodes with chip models behind them
// that carry out SPI_IOC_MESSAGE arrays as a controller would, sysfs files, errors to inject,
// and a record of every message.

#include "telkor/spidevice.h"
#include "telkor/spidevsystem.h"

#include <map>
#include <string>
#include <vector>

class FakeSpidev : public telkor::SpidevSystem
{
public:
    struct Node {
        telkor::SpiDevice *chip = nullptr; // not owned
        uint32_t mode = 0;
        uint32_t hz = 0;
        uint8_t bits = 0;
    };

    // /dev/spidevBUS.CS with `chip` behind it.
    void addNode(int bus, int chipSelect, telkor::SpiDevice *chip);
    const Node &node(int bus, int chipSelect) { return nodes[path(bus, chipSelect)]; }

    std::map<std::string, std::string> files;  // sysfs, by path
    std::vector<std::string> slaveControllers; // names in /sys/class/spi_slave
    bool lsbFirstRefused = false;
    uint32_t maxHz = 0xFFFFFFFF; // the controller's fastest clock
    // The message ioctl `failAtMessage` calls from now (1: the next) fails with this error.
    int failAtMessage = 0, failError = 0;
    int openError = 0;                        // every open fails with it
    std::map<unsigned long, int> ioctlErrors; // every call of a request fails with its error
    int ioError = 0;                          // every read and write fails with it

    // Each message as text: transfers separated by " ; ", each "LEN [tx=HEX] [rx] [cs]
    // [dDELAY]" (tx only when the transfer has a transmit buffer).
    std::vector<std::string> messages;
    std::vector<uint64_t> sleeps;
    int opens = 0;
    std::string slaveWritten;  // bytes written to a node, as hex
    std::string slaveIncoming; // what the next read of a node returns

    int open(const std::string &path) override;
    void close(int fd) override { descriptors.erase(fd); }
    int ioctl(int fd, unsigned long request, void *argument) override;
    long read(int fd, uint8_t *buffer, size_t count) override;
    long write(int fd, const uint8_t *data, size_t count) override;
    std::string kernelRelease() override { return "6.1.0-test"; }
    std::vector<std::string> listDirectory(const std::string &path) override;
    bool readFile(const std::string &path, std::string *text) override;
    void sleepUs(uint64_t microseconds) override { sleeps.push_back(microseconds); }

private:
    static std::string path(int bus, int chipSelect);
    int message(Node &node, const void *transfers, size_t count);

    std::map<std::string, Node> nodes;
    std::map<int, std::string> descriptors;
    int nextFd = 3;
};
