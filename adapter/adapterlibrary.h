#pragma once
// Binds the twelve entries of the adapter library at start. The program calls the adapter only
// through AdapterLibrary::entries(), never by linking the library, so a missing library or entry
// is reported instead of ending the process in the dynamic loader.

#include "adapter/telkor.h"

#include <QString>
#include <QStringList>

struct AdapterEntries {
    decltype(&AdapterScan) scan = nullptr;
    decltype(&AdapterOpen) open = nullptr;
    decltype(&AdapterGetInfo) getInfo = nullptr;
    decltype(&SpiConfigure) configure = nullptr;
    decltype(&SpiWrite) write = nullptr;
    decltype(&SpiRead) read = nullptr;
    decltype(&SpiWriteRead) writeRead = nullptr;
    decltype(&SpiSlaveWrite) slaveWrite = nullptr;
    decltype(&SpiSlaveRead) slaveRead = nullptr;
    decltype(&SpiBlockWrite) blockWrite = nullptr;
    decltype(&SpiBlockRead) blockRead = nullptr;
    decltype(&SpiBlockWriteRead) blockWriteRead = nullptr;
};

class AdapterLibrary
{
public:
    static constexpr const char *fileName = "libTELKOR.so";

    // Tries each candidate in turn (a path, or a bare name for the loader's own search) and
    // binds the first library found. A library that is found but lacks an entry is an error,
    // not a reason to look further. On failure *error says what is missing.
    static bool load(const QStringList &candidates, QString *error);

    // The program's own directory first (the build tree, or a library put beside the program),
    // then the installed library's folder relative to the program, so that an installed tree
    // still works when moved, then the loader's search path.
    static QStringList defaultCandidates(const QString &programDirectory);

    // What the programs load at start: the one library KAVRIS_TELKOR names, when it is set, and
    // no other, so that a mistyped path never quietly runs a different library; else the
    // default candidates.
    static bool loadForProgram(const QString &programDirectory, QString *error);

    // Binds entries the caller already has: a library linked into the program, or a test's
    // stand-ins for one.
    static void use(const AdapterEntries &entries);

    static bool isLoaded();
    static const AdapterEntries &entries();
};
