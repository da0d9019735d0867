// The hardware backend the configuration chooses.

#include "telkor/hardwarebackends.h"

#include "telkor/ftdibackend.h"
#include "telkor/hardwareregistry.h"
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
        return scanFtdi(config);
    case BackendKind::Sim:
        break;
    }
    return 0;
}

HardwareRegistry::Source HardwareRegistry::Source::real()
{
    return {scanHardware, makeHardwareBackend};
}

std::unique_ptr<BusBackend> makeHardwareBackend(const LibraryConfig &config, int32_t device)
{
    switch (config.backend) {
    case BackendKind::Spidev:
        // The host's buses make one adapter.
        if (device == 0)
            return std::make_unique<SpidevBackend>(SpidevSystem::real(), config);
        break;
    case BackendKind::Ftdi:
        return makeFtdiBackend(config, device);
    case BackendKind::Sim:
        break;
    }
    return nullptr;
}

} // namespace telkor
