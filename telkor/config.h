#pragma once
// The library's own configuration, read when it is first used (and again on a test reset):
// the file named by TELKOR_CONFIG_FILE, then the text of TELKOR_CONFIG; when neither is set,
// the user's $XDG_CONFIG_HOME/telkor/telkor.conf (~/.config/telkor/telkor.conf) if there is
// one. Each is made of "key=value" items separated by new lines or ";" ("#" starts a comment):
//
//   backend=sim                sim: simulated adapters; spidev: the host's SPI buses; ftdi
//   spidev.SPI1=0              spidev bus number of SPI1 (SPI2 likewise); default: the lowest
//   ftdi.KEY=VALUE             kept for the FTDI backend, which checks them
//   adapters=1                 attached adapters, 0 to 10
//   timing=on                  on: calls take their bus time; off: instant, simulated clock
//   SPI1_CS1=flash             what sits on a chip select: loopback, flash, registers, none
//   SPI1_CS1=flash:size=16M,jedec=EF4018,sfdp=off,wp=low
//                              a flash other than the default (2 MiB, EF 40 15, SFDP, WP# high)
//   flash.file=PATH            keeps adapter 0's first flash in this file between runs
//   flash.file.SPI1_CS2=PATH   keeps adapter 0's flash on that chip select in this file
//   fault.flashbusy=SPI1_CS1   that flash's first program or erase never ends (off: none)
//   slave.period_ms=500        how often the remote master sends a frame (0: never)
//   fault.SpiWrite=every:10    an entry fails: once, every:N (every Nth call), random:P (0..1)
//   fault.seed=1               seed of the random faults
//   fault.unplug=every:N,for:M after every N calls the adapters are unplugged for M calls
//
// An item that cannot be used is reported and leaves the setting as it was. A file is read
// only when it is a regular file of at most maxConfigFileBytes; any other is reported and
// ignored.

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace telkor
{

enum class DeviceKind { None, Loopback, Flash, Registers };
enum class BackendKind { Sim, Spidev, Ftdi };

struct FaultRule {
    enum Kind { Once, Every, Random } kind = Once;
    uint64_t every = 1;
    double probability = 0;
};

// A simulated flash chip's make-up.
struct FlashChipOptions {
    uint32_t size = 2 * 1024 * 1024; // bytes, a power of two from 64 KiB to 64 MiB
    int32_t jedec = -1;              // the answer to 9F; -1: a Winbond id for the size
    bool sfdp = true;                // answers 5A with tables describing its geometry
    bool wpLow = false;              // WP# held low: SRWD locks the status register
    uint8_t status = 0;              // status register 1's non-volatile bits at power-up
    bool stuckBusy = false;          // busy for ever after its first program or erase
    std::string file;                // adapter 0's flash on this chip select keeps it
};

struct LibraryConfig {
    BackendKind backend = BackendKind::Sim;
    // spidev bus numbers of SPI1 and SPI2; -1: the lowest bus numbers present.
    std::array<int, 2> spidevBus = {-1, -1};
    std::map<std::string, std::string> ftdiItems; // "ftdi.KEY" as KEY
    int adapters = 1;
    bool timing = true;
    // Controller * 5 + chip select.
    std::array<DeviceKind, 10> devices = {DeviceKind::Loopback, DeviceKind::Flash,
                                          DeviceKind::Registers};
    std::string flashFile;
    std::array<FlashChipOptions, 10> flashChips; // by device slot, where the slot is a flash
    uint64_t slavePeriodUs = 500000;
    std::map<std::string, FaultRule> faults;
    uint32_t faultSeed = 1;
    // Calls with the adapters plugged in, then unplugged; 0: never unplugged.
    uint64_t pluggedCalls = 0;
    uint64_t unpluggedCalls = 0;
};

constexpr size_t maxConfigFileBytes = 1 << 20;

// Applies the items of `text`; every problem is added to *problems as a sentence.
void applyConfig(const std::string &text, LibraryConfig *config,
                 std::vector<std::string> *problems);

// The defaults, then the file of TELKOR_CONFIG_FILE, then TELKOR_CONFIG; when neither is set,
// the user's configuration file if it exists.
LibraryConfig loadConfig(std::vector<std::string> *problems);

// $XDG_CONFIG_HOME/telkor/telkor.conf, or ~/.config/telkor/telkor.conf; empty without a home.
std::string userConfigPath();

// The twelve entries' names, which fault rules may name.
bool isEntryName(const std::string &name);

} // namespace telkor
