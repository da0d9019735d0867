#include "adapter/adapterlibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <dlfcn.h>

namespace
{

AdapterEntries boundEntries;
bool loaded = false;

template <typename Entry>
bool bind(void *handle, const char *name, Entry *entry, QStringList *missing)
{
    *entry = reinterpret_cast<Entry>(dlsym(handle, name));
    if (!*entry)
        missing->append(QString::fromLatin1(name));
    return *entry != nullptr;
}

} // namespace

// The installed library's folder as seen from the installed programs' folder, such as
// "../lib/x86_64-linux-gnu/kavris"; packaging/CMakeLists.txt works it out from the install
// directories.
#ifndef KAVRIS_LIBRARY_FROM_BIN
#error "KAVRIS_LIBRARY_FROM_BIN is not defined"
#endif

QStringList AdapterLibrary::defaultCandidates(const QString &programDirectory)
{
    const QString name = QLatin1String(fileName);
    return {programDirectory + QLatin1Char('/') + name,
            QDir::cleanPath(programDirectory + QLatin1Char('/') +
                            QLatin1String(KAVRIS_LIBRARY_FROM_BIN) + QLatin1Char('/') + name),
            name};
}

bool AdapterLibrary::loadForProgram(const QString &programDirectory, QString *error)
{
    const QString chosen = qEnvironmentVariable("KAVRIS_TELKOR");
    if (chosen.isEmpty())
        return load(defaultCandidates(programDirectory), error);
    // Always a file, relative to the working directory, never a name for the loader to search.
    const QString path = QFileInfo(chosen).absoluteFilePath();
    if (!QFileInfo::exists(path)) {
        if (error)
            *error = QCoreApplication::translate(
                         "AdapterLibrary",
                         "cannot load the adapter library %1 named by KAVRIS_TELKOR (no such file)")
                         .arg(path);
        return false;
    }
    return load({path}, error);
}

bool AdapterLibrary::load(const QStringList &candidates, QString *error)
{
    QStringList failures;
    for (const QString &candidate : candidates) {
        const bool isPath = candidate.contains(QLatin1Char('/'));
        if (isPath && !QFileInfo::exists(candidate)) {
            failures.append(
                QCoreApplication::translate("AdapterLibrary", "%1: no such file").arg(candidate));
            continue;
        }
        void *handle = dlopen(QFile::encodeName(candidate).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            failures.append(QString::fromLocal8Bit(dlerror()));
            continue;
        }
        AdapterEntries e;
        QStringList missing;
        bind(handle, "AdapterScan", &e.scan, &missing);
        bind(handle, "AdapterOpen", &e.open, &missing);
        bind(handle, "AdapterGetInfo", &e.getInfo, &missing);
        bind(handle, "SpiConfigure", &e.configure, &missing);
        bind(handle, "SpiWrite", &e.write, &missing);
        bind(handle, "SpiRead", &e.read, &missing);
        bind(handle, "SpiWriteRead", &e.writeRead, &missing);
        bind(handle, "SpiSlaveWrite", &e.slaveWrite, &missing);
        bind(handle, "SpiSlaveRead", &e.slaveRead, &missing);
        bind(handle, "SpiBlockWrite", &e.blockWrite, &missing);
        bind(handle, "SpiBlockRead", &e.blockRead, &missing);
        bind(handle, "SpiBlockWriteRead", &e.blockWriteRead, &missing);
        if (!missing.isEmpty()) {
            dlclose(handle);
            if (error)
                *error = QCoreApplication::translate("AdapterLibrary",
                                                     "the adapter library %1 lacks the entries %2")
                             .arg(candidate, missing.join(QLatin1String(", ")));
            return false;
        }
        boundEntries = e;
        loaded = true;
        return true;
    }
    if (error)
        *error =
            QCoreApplication::translate("AdapterLibrary", "cannot load the adapter library %1 (%2)")
                .arg(QLatin1String(fileName), failures.join(QLatin1String("; ")));
    return false;
}

void AdapterLibrary::use(const AdapterEntries &entries)
{
    boundEntries = entries;
    loaded = true;
}

bool AdapterLibrary::isLoaded()
{
    return loaded;
}

const AdapterEntries &AdapterLibrary::entries()
{
    return boundEntries;
}
