#include "telkor/config.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

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

// "size=16M,jedec=EF4018,sfdp=off,wp=low,status=1C", each part optional: a flash other than the
// default.
bool parseFlashOptions(const std::string &text, FlashChipOptions *options)
{
    std::istringstream parts(text);
    std::string part;
    while (std::getline(parts, part, ',')) {
        const size_t equals = part.find('=');
        const std::string name = part.substr(0, equals);
        const std::string value = equals == std::string::npos ? "" : part.substr(equals + 1);
        uint64_t number = 0;
        if (name == "size") {
            const char unit = value.empty() ? '\0' : value.back();
            const uint64_t scale = unit == 'K' ? 1024 : unit == 'M' ? 1024 * 1024 : 1;
            if (!parseUnsigned(scale == 1 ? value : value.substr(0, value.size() - 1), UINT32_MAX,
                               &number))
                return false;
            number *= scale;
            // Real chips come in powers of two.
            if (number < 64 * 1024 || number > 64 * 1024 * 1024 || (number & (number - 1)) != 0)
                return false;
            options->size = static_cast<uint32_t>(number);
        } else if (name == "jedec") {
            char *end = nullptr;
            if (value.size() != 6 || !std::isxdigit(static_cast<unsigned char>(value[0])))
                return false;
            options->jedec = static_cast<int32_t>(std::strtoul(value.c_str(), &end, 16));
            if (*end != '\0')
                return false;
        } else if (name == "sfdp" && (value == "on" || value == "off")) {
            options->sfdp = value == "on";
        } else if (name == "wp" && (value == "low" || value == "high")) {
            options->wpLow = value == "low";
        } else if (name == "status") {
            // Two hex digits; the busy and write-enable bits are the chip's own.
            char *end = nullptr;
            if (value.size() != 2 || !std::isxdigit(static_cast<unsigned char>(value[0])))
                return false;
            options->status = static_cast<uint8_t>(std::strtoul(value.c_str(), &end, 16) & 0xFC);
            if (*end != '\0')
                return false;
        } else {
            return false;
        }
    }
    return true;
}

bool applyItem(const std::string &key, const std::string &value, LibraryConfig *config)
{
    uint64_t number = 0;
    if (key == "backend") {
        static const std::map<std::string, BackendKind> backends = {{"sim", BackendKind::Sim},
                                                                    {"spidev", BackendKind::Spidev},
                                                                    {"ftdi", BackendKind::Ftdi}};
        const auto backend = backends.find(value);
        if (backend == backends.end())
            return false;
        config->backend = backend->second;
    } else if (key == "spidev.SPI1" || key == "spidev.SPI2") {
        if (!parseUnsigned(value, 32767, &number))
            return false;
        config->spidevBus[key == "spidev.SPI1" ? 0 : 1] = static_cast<int>(number);
    } else if (key.compare(0, 5, "ftdi.") == 0 && key.size() > 5) {
        config->ftdiItems[key.substr(5)] = value;
    } else if (key == "adapters") {
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
        const size_t colon = value.find(':');
        const auto kind = kinds.find(value.substr(0, colon));
        if (kind == kinds.end())
            return false;
        const size_t slot = static_cast<size_t>(channelSlot(key));
        FlashChipOptions made;
        if (colon != std::string::npos && (kind->second != DeviceKind::Flash ||
                                           !parseFlashOptions(value.substr(colon + 1), &made)))
            return false;
        FlashChipOptions &chip = config->flashChips[slot];
        chip.size = made.size;
        chip.jedec = made.jedec;
        chip.sfdp = made.sfdp;
        chip.wpLow = made.wpLow;
        chip.status = made.status;
        config->devices[slot] = kind->second;
    } else if (key == "flash.file") {
        config->flashFile = value;
    } else if (key.compare(0, 11, "flash.file.") == 0 && channelSlot(key.substr(11)) >= 0) {
        config->flashChips[static_cast<size_t>(channelSlot(key.substr(11)))].file = value;
    } else if (key == "fault.flashbusy") {
        if (value != "off" && channelSlot(value) < 0)
            return false;
        for (size_t slot = 0; slot < config->flashChips.size(); ++slot)
            if (value == "off" || static_cast<int>(slot) == channelSlot(value))
                config->flashChips[slot].stuckBusy = value != "off";
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

namespace
{

// The whole of a regular file of at most maxConfigFileBytes. Anything else is refused before
// it is read: a device such as /dev/zero never ends, a FIFO would wait for a writer (it is
// opened without blocking), a directory has no text.
bool readConfigFile(const std::string &path, std::string *text)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat status;
    bool good = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
                status.st_size <= static_cast<off_t>(maxConfigFileBytes);
    // The file may grow meanwhile: no more than the limit is taken.
    text->assign(good ? maxConfigFileBytes + 1 : 0, '\0');
    size_t used = 0;
    while (good && used < text->size()) {
        const ssize_t got = ::read(fd, &(*text)[used], text->size() - used);
        if (got == 0)
            break;
        if (got < 0 && errno != EINTR)
            good = false;
        used += got > 0 ? static_cast<size_t>(got) : 0;
    }
    ::close(fd);
    text->resize(used);
    return good && used <= maxConfigFileBytes;
}

void applyFile(const std::string &path, const char *name, LibraryConfig *config,
               std::vector<std::string> *problems)
{
    std::string text;
    if (!readConfigFile(path, &text)) {
        problems->push_back(name + (" " + path) + " cannot be read; ignored");
        return;
    }
    applyConfig(text, config, problems);
}

} // namespace

std::string userConfigPath()
{
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the base directory rules say.
    const char *xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/')
        return std::string(xdg) + "/telkor/telkor.conf";
    const char *home = std::getenv("HOME");
    if (home && home[0] != '\0')
        return std::string(home) + "/.config/telkor/telkor.conf";
    return std::string();
}

LibraryConfig loadConfig(std::vector<std::string> *problems)
{
    LibraryConfig config;
    const char *path = std::getenv("TELKOR_CONFIG_FILE");
    const char *text = std::getenv("TELKOR_CONFIG");
    if (path)
        applyFile(path, "TELKOR_CONFIG_FILE", &config, problems);
    if (text)
        applyConfig(text, &config, problems);
    if (!path && !text) {
        const std::string user = userConfigPath();
        struct stat status;
        if (!user.empty() && ::stat(user.c_str(), &status) == 0)
            applyFile(user, "configuration file", &config, problems);
    }
    return config;
}

} // namespace telkor
