#pragma once
// The adapters of a hardware backend (spidev, FTDI): as many as the last scan found, each
// made when first used and locked on its own. Nothing here counts, records or fails calls on
// purpose: the simulation's test controls and injected faults do not reach hardware.

#include "telkor/adapterregistry.h"
#include "telkor/busbackend.h"
#include "telkor/config.h"

#include <functional>
#include <shared_mutex>
#include <vector>

namespace telkor
{

class HardwareRegistry : public AdapterRegistry
{
public:
    // How the configured backend finds its devices and makes the backend of one; tests hand
    // in their own.
    struct Source {
        std::function<int32_t(const LibraryConfig &)> count;
        std::function<std::unique_ptr<BusBackend>(const LibraryConfig &, int32_t)> make;
        // The host's spidev buses or FTDI chips (telkor/hardwarebackends.cpp, which needs
        // libftdi).
        static Source real();
    };

    explicit HardwareRegistry(Source source);

    // Forgets the devices: the next call looks for them again with `config`.
    void reset(const LibraryConfig &config);
    int32_t scan() override;

protected:
    std::shared_ptr<AdapterSlot> slot(int32_t device) override;

private:
    // With the registry's lock held.
    int32_t scanLocked();

    // Shared while a call looks its adapter up, so that calls never wait for each other here;
    // exclusive to scan, reset or make an adapter.
    std::shared_mutex registryLock;
    Source source;
    LibraryConfig config;
    int32_t found = -1; // devices at the last scan; -1: not looked yet
    std::vector<std::shared_ptr<AdapterSlot>> adapterSlots;
};

} // namespace telkor
