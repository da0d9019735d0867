// The hardware backend the configuration chooses.

#include "telkor/hardwarebackends.h"

#include <cstdio>

namespace telkor
{

int32_t scanHardware(const LibraryConfig &config)
{
    switch (config.backend) {
    case BackendKind::Spidev:
        std::fprintf(stderr, "libTELKOR: backend=spidev is not built into this library\n");
        return 0;
    case BackendKind::Ftdi:
        // The FTDI backend replaces this placeholder.
        std::fprintf(stderr, "libTELKOR: backend=ftdi is not built into this library\n");
        return 0;
    case BackendKind::Sim:
        break;
    }
    return 0;
}

std::unique_ptr<BusBackend> makeHardwareBackend(const LibraryConfig &config, int32_t device)
{
    (void)device;
    switch (config.backend) {
    case BackendKind::Spidev:
        break;
    case BackendKind::Ftdi: // the FTDI backend replaces this placeholder
    case BackendKind::Sim:
        break;
    }
    return nullptr;
}

} // namespace telkor
