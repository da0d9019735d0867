// The FTDI backend on real USB, through libftdi: built into the library only, so that
// nothing else links libftdi.

#include "telkor/ftdibackend.h"
#include "telkor/libftdiport.h"

#include <cstdio>

namespace telkor
{

int32_t scanFtdi(const LibraryConfig &config)
{
    std::vector<std::string> problems;
    const FtdiBackend::Settings settings = FtdiBackend::settings(config.ftdiItems, &problems);
    for (const std::string &problem : problems)
        std::fprintf(stderr, "libTELKOR: configuration: %s\n", problem.c_str());
    LibFtdiPort lister;
    return static_cast<int32_t>(FtdiBackend::scan(settings, lister).size());
}

std::unique_ptr<BusBackend> makeFtdiBackend(const LibraryConfig &config, int32_t device)
{
    std::vector<std::string> problems;
    const FtdiBackend::Settings settings = FtdiBackend::settings(config.ftdiItems, &problems);
    LibFtdiPort lister;
    const std::vector<FtdiBackend::Found> found = FtdiBackend::scan(settings, lister);
    if (device < 0 || static_cast<size_t>(device) >= found.size())
        return nullptr;
    return std::make_unique<FtdiBackend>(found[static_cast<size_t>(device)], settings.loopback,
                                         [] { return std::make_unique<LibFtdiPort>(); });
}

} // namespace telkor
