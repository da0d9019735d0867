// Any configuration text for the simulated adapter library: every item is applied or reported,
// and what is applied stays within the ranges the simulation relies on.

#include "telkor/config.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    telkor::LibraryConfig config;
    std::vector<std::string> problems;
    telkor::applyConfig(text, &config, &problems);
    bool ok = config.adapters >= 0 && config.adapters <= 10 &&
              (config.pluggedCalls == 0) == (config.unpluggedCalls == 0) &&
              config.slavePeriodUs <= 3600000ULL * 1000;
    for (const auto &fault : config.faults) {
        ok = ok && telkor::isEntryName(fault.first) && fault.second.every >= 1 &&
             fault.second.probability >= 0 && fault.second.probability <= 1;
    }
    for (const auto &chip : config.flashChips)
        ok = ok && chip.size >= 64 * 1024 && chip.size <= 64 * 1024 * 1024 &&
             (chip.size & (chip.size - 1)) == 0;
    // At most one problem per item; items are separated by new lines and ";".
    size_t items = 1;
    for (char c : text)
        items += c == '\n' || c == ';';
    ok = ok && problems.size() <= items;
    if (!ok)
        std::abort();
    return 0;
}
