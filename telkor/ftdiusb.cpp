// The FTDI backend on real USB, through libftdi: built into the library only, so that
// nothing else links libftdi.

#include "telkor/ftdibackend.h"
#include "telkor/libftdiport.h"

#include <cstdio>

namespace telkor
{

namespace
{

// The `ftdi.` items, with their problems on standard error the first time they are seen: a
// program scans again and again.
FtdiBackend::Settings settingsOf(const LibraryConfig &config)
{
    static std::map<std::string, std::string> reported;
    std::vector<std::string> problems;
    const FtdiBackend::Settings settings = FtdiBackend::settings(config.ftdiItems, &problems);
    if (config.ftdiItems != reported)
        for (const std::string &problem : problems)
            std::fprintf(stderr, "libTELKOR: configuration: %s\n", problem.c_str());
    reported = config.ftdiItems;
    return settings;
}

} // namespace

int32_t scanFtdi(const LibraryConfig &config)
{
    LibFtdiPort lister;
    return static_cast<int32_t>(FtdiBackend::scan(settingsOf(config), lister).size());
}

std::unique_ptr<BusBackend> makeFtdiBackend(const LibraryConfig &config, int32_t device)
{
    const FtdiBackend::Settings settings = settingsOf(config);
    LibFtdiPort lister;
    const std::vector<FtdiBackend::Found> found = FtdiBackend::scan(settings, lister);
    if (device < 0 || static_cast<size_t>(device) >= found.size())
        return nullptr;
    return std::make_unique<FtdiBackend>(found[static_cast<size_t>(device)], settings.loopback,
                                         [] { return std::make_unique<LibFtdiPort>(); });
}

} // namespace telkor
