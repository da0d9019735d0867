#include "telkor/config.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace telkor
{

namespace
{

std::string trim(const std::string &text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return std::string();
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool parseUnsigned(const std::string &text, uint64_t max, uint64_t *value)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    errno = 0;
    const unsigned long long parsed = std::strtoull(text.c_str(), nullptr, 10);
    if (errno != 0 || parsed > max)
        return false;
    *value = parsed;
    return true;
}

bool parseProbability(const std::string &text, double *value)
{
    if (text.empty())
        return false;
    char *end = nullptr;
    errno = 0;
    const double parsed = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !(parsed >= 0.0 && parsed <= 1.0))
        return false;
    *value = parsed;
    return true;
}

// "SPI1_CS0" .. "SPI2_CS4" to controller * 5 + chip select, else -1.
int channelSlot(const std::string &name)
{
    if (name.size() != 8 || name.compare(0, 3, "SPI") != 0 || name.compare(4, 3, "_CS") != 0)
        return -1;
    const int controller = name[3] - '1';
    const int chipSelect = name[7] - '0';
    if (controller < 0 || controller > 1 || chipSelect < 0 || chipSelect > 4)
        return -1;
    return controller * 5 + chipSelect;
}

bool applyItem(const std::string &key, const std::string &value, LibraryConfig *config)
{
    uint64_t number = 0;
    if (key == "adapters") {
        if (!parseUnsigned(value, 10, &number))
            return false;
        config->adapters = static_cast<int>(number);
    } else if (key == "timing") {
        if (value != "on" && value != "off")
            return false;
        config->timing = value == "on";
    } else if (channelSlot(key) >= 0) {
        static const std::map<std::string, DeviceKind> kinds = {
            {"none", DeviceKind::None},
            {"loopback", DeviceKind::Loopback},
            {"flash", DeviceKind::Flash},
            {"registers", DeviceKind::Registers}};
        const auto kind = kinds.find(value);
        if (kind == kinds.end())
            return false;
        config->devices[static_cast<size_t>(channelSlot(key))] = kind->second;
    } else if (key == "flash.file") {
        config->flashFile = value;
    } else if (key == "slave.period_ms") {
        if (!parseUnsigned(value, 3600000, &number))
            return false;
        config->slavePeriodUs = number * 1000;
    } else if (key == "fault.unplug") {
        // every:N,for:M
        const size_t comma = value.find(",for:");
        uint64_t plugged = 0, unplugged = 0;
        if (value == "off") {
            config->pluggedCalls = config->unpluggedCalls = 0;
            return true;
        }
        if (value.compare(0, 6, "every:") != 0 || comma == std::string::npos ||
            !parseUnsigned(value.substr(6, comma - 6), UINT32_MAX, &plugged) ||
            !parseUnsigned(value.substr(comma + 5), UINT32_MAX, &unplugged) || plugged == 0 ||
            unplugged == 0)
            return false;
        config->pluggedCalls = plugged;
        config->unpluggedCalls = unplugged;
    } else if (key == "fault.seed") {
        if (!parseUnsigned(value, UINT32_MAX, &number))
            return false;
        config->faultSeed = static_cast<uint32_t>(number);
    } else if (key.compare(0, 6, "fault.") == 0 && isEntryName(key.substr(6))) {
        FaultRule rule;
        if (value == "once") {
            rule.kind = FaultRule::Once;
        } else if (value.compare(0, 6, "every:") == 0 &&
                   parseUnsigned(value.substr(6), UINT32_MAX, &number) && number > 0) {
            rule.kind = FaultRule::Every;
            rule.every = number;
        } else if (value.compare(0, 7, "random:") == 0 &&
                   parseProbability(value.substr(7), &rule.probability)) {
            rule.kind = FaultRule::Random;
        } else if (value == "off") {
            config->faults.erase(key.substr(6));
            return true;
        } else {
            return false;
        }
        config->faults[key.substr(6)] = rule;
    } else {
        return false;
    }
    return true;
}

} // namespace

bool isEntryName(const std::string &name)
{
    static const char *const names[] = {"AdapterScan",   "AdapterOpen",   "AdapterGetInfo",
                                        "SpiConfigure",  "SpiWrite",      "SpiRead",
                                        "SpiWriteRead",  "SpiSlaveWrite", "SpiSlaveRead",
                                        "SpiBlockWrite", "SpiBlockRead",  "SpiBlockWriteRead"};
    for (const char *entry : names)
        if (name == entry)
            return true;
    return false;
}

void applyConfig(const std::string &text, LibraryConfig *config, std::vector<std::string> *problems)
{
    std::string normalised = text;
    for (char &c : normalised)
        if (c == ';')
            c = '\n';
    std::istringstream lines(normalised);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t comment = line.find('#');
        if (comment != std::string::npos)
            line.erase(comment);
        line = trim(line);
        if (line.empty())
            continue;
        const size_t equals = line.find('=');
        if (equals == std::string::npos) {
            problems->push_back("\"" + line + "\" is not key=value; ignored");
            continue;
        }
        const std::string key = trim(line.substr(0, equals));
        const std::string value = trim(line.substr(equals + 1));
        if (!applyItem(key, value, config))
            problems->push_back("\"" + line + "\" cannot be used; ignored");
    }
}

LibraryConfig loadConfig(std::vector<std::string> *problems)
{
    LibraryConfig config;
    if (const char *path = std::getenv("TELKOR_CONFIG_FILE")) {
        std::ifstream file(path);
        if (file) {
            std::ostringstream text;
            text << file.rdbuf();
            applyConfig(text.str(), &config, problems);
        } else {
            problems->push_back(std::string("TELKOR_CONFIG_FILE ") + path +
                                " cannot be read; ignored");
        }
    }
    if (const char *text = std::getenv("TELKOR_CONFIG"))
        applyConfig(text, &config, problems);
    return config;
}

} // namespace telkor
