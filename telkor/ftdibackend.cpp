// The FTDI backend: finding the chips, and one MPSSE channel per interface with an MPSSE.

#include "telkor/ftdibackend.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace telkor
{

namespace
{

bool parseId(const std::string &text, std::pair<uint16_t, uint16_t> *id)
{
    const size_t colon = text.find(':');
    if (text.size() != 9 || colon != 4 ||
        text.find_first_not_of("0123456789abcdefABCDEF:") != std::string::npos)
        return false;
    id->first = static_cast<uint16_t>(std::strtoul(text.substr(0, 4).c_str(), nullptr, 16));
    id->second = static_cast<uint16_t>(std::strtoul(text.substr(5).c_str(), nullptr, 16));
    return text.find(':', 5) == std::string::npos;
}

const char *chipName(uint16_t product)
{
    switch (product) {
    case 0x6014:
        return "FT232H";
    case 0x6010:
        return "FT2232H";
    case 0x6011:
        return "FT4232H";
    }
    return "FTDI MPSSE";
}

} // namespace

FtdiBackend::Settings FtdiBackend::settings(const std::map<std::string, std::string> &items,
                                            std::vector<std::string> *problems)
{
    Settings made;
    for (const auto &item : items) {
        const std::string line = "ftdi." + item.first + "=" + item.second;
        if (item.first == "loopback" && (item.second == "on" || item.second == "off")) {
            made.loopback = item.second == "on";
        } else if (item.first == "ids") {
            std::vector<std::pair<uint16_t, uint16_t>> ids;
            std::istringstream list(item.second);
            std::string text;
            bool good = true;
            while (std::getline(list, text, ','))
                good = good && parseId(text, &ids.emplace_back());
            if (good && !ids.empty())
                made.ids = ids;
            else
                problems->push_back("\"" + line + "\" cannot be used; ignored");
        } else {
            problems->push_back("\"" + line + "\" cannot be used; ignored");
        }
    }
    return made;
}

std::vector<FtdiBackend::Found> FtdiBackend::scan(const Settings &settings, FtdiPort &lister)
{
    std::vector<Found> found;
    for (const auto &id : settings.ids) {
        bool listed = false; // an id named twice is still one set of chips
        for (const Found &chip : found)
            listed = listed || (chip.vendor == id.first && chip.product == id.second);
        const int count = listed ? 0 : lister.count(id.first, id.second);
        for (int index = 0; index < count; ++index)
            found.push_back({id.first, id.second, index});
    }
    return found;
}

int FtdiBackend::interfacesOf(uint16_t product)
{
    return product == 0x6010 || product == 0x6011 ? 2 : 1;
}

FtdiBackend::FtdiBackend(const Found &chip, bool loopback, const PortFactory &makePort) : chip(chip)
{
    for (int interface = 0; interface < interfacesOf(chip.product); ++interface)
        channels.push_back(std::make_unique<MpsseChannel>(
            makePort(), MpsseChannel::Location{chip.vendor, chip.product, chip.index, interface},
            loopback));
}

bool FtdiBackend::open()
{
    for (auto &channel : channels)
        if (!channel->open()) {
            close();
            return false;
        }
    return true;
}

void FtdiBackend::close()
{
    for (auto &channel : channels)
        channel->close();
}

bool FtdiBackend::info(DeviceInfo *info, char *functions)
{
    std::memset(info, 0, offsetof(DeviceInfo, reserved));
    std::snprintf(info->firmwareName, sizeof info->firmwareName, "%s MPSSE",
                  chipName(chip.product));
    info->serialNumber[0] = chip.vendor;
    info->serialNumber[1] = chip.product;
    info->serialNumber[2] = static_cast<uint32_t>(chip.index);
    std::snprintf(functions, TELKOR_FUNCTION_TEXT_SIZE,
                  "SPI master through the FTDI MPSSE: SPI1 on interface A%s; SCK ADBUS0, MOSI "
                  "ADBUS1, MISO ADBUS2, CS0-CS4 ADBUS3-ADBUS7; clock 458 Hz to 30 MHz; no slave",
                  channels.size() > 1 ? ", SPI2 on interface B" : "");
    return true;
}

int32_t FtdiBackend::configure(int controller, const SpiConfig &config)
{
    if (static_cast<size_t>(controller) >= channels.size()) {
        std::fprintf(stderr, "libTELKOR: FTDI: the %s has no SPI%d\n", chipName(chip.product),
                     controller + 1);
        return BadConfig;
    }
    return channels[static_cast<size_t>(controller)]->configure(config);
}

int32_t FtdiBackend::run(const BusTrain &train)
{
    if (static_cast<size_t>(train.controller) >= channels.size())
        return BadArgument;
    return channels[static_cast<size_t>(train.controller)]->run(train);
}

} // namespace telkor
