#pragma once
// An FTDI chip with an MPSSE (FT232H, FT2232H, FT4232H) as an adapter: interface A is SPI1,
// interface B, where the chip has one, SPI2. No slave port.
//
// Its configuration items (`ftdi.KEY=VALUE`):
//   ftdi.ids=0403:6014,0403:6010,0403:6011   the chips looked for, in this order
//   ftdi.loopback=off                        on: MISO tied to MOSI inside the chip

#include "telkor/busbackend.h"
#include "telkor/config.h"
#include "telkor/ftdiport.h"
#include "telkor/mpssechannel.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace telkor
{

class FtdiBackend : public BusBackend
{
public:
    using PortFactory = std::function<std::unique_ptr<FtdiPort>()>;
    struct Settings {
        std::vector<std::pair<uint16_t, uint16_t>> ids = {
            {0x0403, 0x6014}, {0x0403, 0x6010}, {0x0403, 0x6011}};
        bool loopback = false;
    };
    // One attached chip: its ids and its index among the chips with these ids.
    struct Found {
        uint16_t vendor = 0, product = 0;
        int index = 0;
    };

    // The settings of the `ftdi.` items; each that cannot be used adds a problem and is
    // left at its default.
    static Settings settings(const std::map<std::string, std::string> &items,
                             std::vector<std::string> *problems);
    // The chips attached now, in the order of the ids, then in the order USB lists them.
    static std::vector<Found> scan(const Settings &settings, FtdiPort &lister);
    // FT2232H and FT4232H have MPSSEs on interfaces A and B, the others on A only.
    static int interfacesOf(uint16_t product);

    FtdiBackend(const Found &chip, bool loopback, const PortFactory &makePort);

    bool open() override;
    void close() override;
    bool info(DeviceInfo *info, char *functions) override;
    int32_t configure(int controller, const SpiConfig &config) override;
    int32_t run(const BusTrain &train) override;

private:
    Found chip;
    std::vector<std::unique_ptr<MpsseChannel>> channels; // per interface
};

// For the library: what backend=ftdi finds, through libftdi (telkor/ftdiusb.cpp, built into
// libTELKOR.so only).
int32_t scanFtdi(const LibraryConfig &config);
std::unique_ptr<BusBackend> makeFtdiBackend(const LibraryConfig &config, int32_t device);

} // namespace telkor
