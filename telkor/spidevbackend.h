#pragma once
// Real SPI through the Linux spidev driver: SPI1 and SPI2 are two spidev buses, chip select n
// of a controller is the node /dev/spidevB.n. The library's bus rules stay in BusAdapter; this
// backend turns each train into SPI_IOC_MESSAGE calls, within the driver's limits.

#include "telkor/busbackend.h"
#include "telkor/config.h"
#include "telkor/spidevsystem.h"

#include <array>
#include <map>
#include <string>
#include <vector>

struct spi_ioc_transfer;

namespace telkor
{

class SpidevBackend : public BusBackend
{
public:
    // SPI_IOC_MESSAGE's size field holds 14 bits: no more transfers fit in one message.
    static constexpr int maxTransfers = 511;
    // delay_usecs is 16 bits; longer intervals are slept between messages.
    static constexpr uint32_t maxDelayUs = 65535;
    // The driver's buffer when /sys does not say otherwise.
    static constexpr size_t defaultBufsiz = 4096;

    SpidevBackend(SpidevSystem &system, const LibraryConfig &config);
    ~SpidevBackend() override;

    // 1 when the host has at least one spidev node, else 0.
    static int32_t count(SpidevSystem &system);

    bool open() override;
    void close() override;
    bool info(DeviceInfo *info, char *functions) override;
    int32_t configure(int controller, const SpiConfig &config) override;
    int32_t run(const BusTrain &train) override;
    int32_t slaveWrite(int controller, const uint8_t *data, int32_t count) override;
    int32_t slaveRead(int controller, uint8_t *buffer) override;

    // The spidev bus of a controller, -1 if none.
    int busOf(int controller) const { return buses[static_cast<size_t>(controller)]; }
    // The controller refused LSB first: the bytes are reversed here, both ways.
    bool reversesBits(int controller) const;
    // The clock the driver took, as read back.
    uint32_t clockHz(int controller) const;
    size_t bufsiz() const { return bufferSize; }

private:
    struct Node {
        int fd = -1;
        bool configured = false;
    };
    struct Controller {
        SpiConfig config;
        bool softwareReverse = false;
        uint32_t actualHz = 0;
        std::array<Node, 5> nodes;
    };
    struct CopyBack {
        uint8_t *to;
        size_t from; // offset in the receive scratch
        int32_t count;
    };

    std::string nodePath(int controller, int chipSelect) const;
    // The node's descriptor, opened and set up as its controller is configured; -1 and
    // *error on failure.
    int nodeFd(int controller, int chipSelect, int32_t *error);
    int32_t apply(int controller, int fd);
    int writeMode(int fd, uint32_t mode);
    // Says what failed on stderr and closes the node, so that the next call opens it again.
    int32_t fail(int controller, int chipSelect, const char *what, int error);
    void closeNode(Node &node);
    int32_t send(int controller, int chipSelect, int fd, std::vector<spi_ioc_transfer> &message);

    SpidevSystem &system;
    std::array<int, 2> wantedBuses;
    std::array<int, 2> buses = {-1, -1};
    std::map<int, std::vector<int>> nodesFound; // bus -> chip selects
    size_t bufferSize = defaultBufsiz;
    bool mode32 = true; // SPI_IOC_WR_MODE32 known to the driver
    std::array<Controller, 2> controllers;
};

} // namespace telkor
