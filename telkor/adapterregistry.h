#pragma once
// Where the library's entries find the adapter at a device index. Each adapter has a lock of
// its own, held for the whole of one call, so that calls to two adapters run at the same
// time: a transfer never holds a lock of the registry. A registry's own lock guards only
// which adapters are attached (scanning, plugging, making an adapter when first used); a call
// takes it shared, and only while it looks its adapter up.
//
// An adapter is shared between the registry and the calls under way: one that goes away
// (unplugged, or dropped by a new scan or a reset) ends its call and is destroyed after it.

#include "telkor/adapter.h"

#include <memory>
#include <mutex>

namespace telkor
{

// One adapter and the lock its calls hold.
class AdapterSlot
{
public:
    explicit AdapterSlot(std::unique_ptr<Adapter> adapter) : made(std::move(adapter)) {}

    std::mutex &lock() { return guard; }
    Adapter &adapter() const { return *made; }

private:
    std::mutex guard;
    std::unique_ptr<Adapter> made;
};

// An adapter held for one call: its lock is held for as long as this lives. Empty when there
// is no adapter at the index.
class LockedAdapter
{
public:
    LockedAdapter() = default;
    explicit LockedAdapter(std::shared_ptr<AdapterSlot> slot)
        : held(std::move(slot)),
          guard(held ? std::unique_lock<std::mutex>(held->lock()) : std::unique_lock<std::mutex>())
    {
    }

    explicit operator bool() const { return held != nullptr; }
    Adapter &operator*() const { return held->adapter(); }
    Adapter *operator->() const { return &held->adapter(); }

private:
    std::shared_ptr<AdapterSlot> held;
    std::unique_lock<std::mutex> guard;
};

class AdapterRegistry
{
public:
    static constexpr int maxAdapters = 10;

    virtual ~AdapterRegistry() = default;

    // Adapters attached now; for hardware, a new look at the devices.
    virtual int32_t scan() = 0;
    // The attached adapter at `device`, locked for one call; empty if there is none.
    LockedAdapter lock(int32_t device) { return LockedAdapter(slot(device)); }

protected:
    // The slot of the attached adapter at `device` (made when first asked for), or nullptr.
    // Called without any lock held; takes the registry's own lock only while it looks.
    virtual std::shared_ptr<AdapterSlot> slot(int32_t device) = 0;
};

} // namespace telkor
