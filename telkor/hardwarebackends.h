#pragma once
// The hardware backends the configuration item `backend=` chooses: how many devices are
// attached, and the backend of one of them. The simulation is not among them: its adapters
// are made by the SimRegistry, which also answers its test controls.

#include "telkor/busbackend.h"
#include "telkor/config.h"

#include <memory>

namespace telkor
{

// Devices the configured hardware backend finds now (0 if none or if it is not built in).
int32_t scanHardware(const LibraryConfig &config);
// The backend of device `device` (0 ≤ device < scanHardware()), or nullptr.
std::unique_ptr<BusBackend> makeHardwareBackend(const LibraryConfig &config, int32_t device);

} // namespace telkor
