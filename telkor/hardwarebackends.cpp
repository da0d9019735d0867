// The hardware backend the configuration chooses.

#include "telkor/hardwarebackends.h"

#include "telkor/spidevbackend.h"
#include "telkor/spidevsystem.h"

#include <cstdio>

namespace telkor
{

int32_t scanHardware(const LibraryConfig &config)
{
    switch (config.backend) {
    case BackendKind::Spidev:
        return SpidevBackend::count(SpidevSystem::real());
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
    switch (config.backend) {
    case BackendKind::Spidev:
        // The host's buses make one adapter.
        if (device == 0)
            return std::make_unique<SpidevBackend>(SpidevSystem::real(), config);
        break;
    case BackendKind::Ftdi: // the FTDI backend replaces this placeholder
    case BackendKind::Sim:
        break;
    }
    return nullptr;
}

} // namespace telkor
