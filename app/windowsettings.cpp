// The window's remembered settings.

#include "app/windowsettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QSettings>

#include <cstdio>

namespace
{

// Qt reads almost any bytes as some settings; a file of ours is text, so bytes that no text
// holds (control characters, what is not UTF-8) mean that something else wrote it.
bool looksWritten(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return true; // missing: nothing to judge; unreadable: Qt says so
    const QByteArray bytes = file.readAll();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') || byte == 0x7F)
            return false;
    }
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

const char geometryKey[] = "window/geometry";
const char stateKey[] = "window/state";
const char asciiKey[] = "view/ascii";

QString folderKey(WindowSettings::Kind kind)
{
    return kind == WindowSettings::Kind::Log ? QStringLiteral("folders/log")
                                             : QStringLiteral("folders/list");
}

} // namespace

WindowSettings::WindowSettings()
    : settings(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                           QStringLiteral("kavris"), QStringLiteral("kavris")))
{
    switch (settings->status()) {
    case QSettings::NoError:
        if (!looksWritten(settings->fileName())) {
            damaged = true;
            reject(QCoreApplication::translate("WindowSettings", "it is damaged"));
        }
        break;
    case QSettings::AccessError:
        reject(QCoreApplication::translate("WindowSettings", "it cannot be read"));
        break;
    case QSettings::FormatError:
        damaged = true;
        reject(QCoreApplication::translate("WindowSettings", "it is damaged"));
        break;
    }
}

WindowSettings::~WindowSettings() = default;

QString WindowSettings::fileName() const
{
    return settings->fileName();
}

void WindowSettings::reject(const QString &why)
{
    if (!usable)
        return;
    usable = false;
    const QString line = QCoreApplication::translate(
                             "WindowSettings", "kavris: the settings file %1 is ignored: %2\n")
                             .arg(QDir::toNativeSeparators(settings->fileName()), why);
    std::fputs(line.toLocal8Bit().constData(), stderr);
}

void WindowSettings::restore(QMainWindow *window)
{
    if (!usable)
        return;
    const QVariant geometry = settings->value(QLatin1String(geometryKey));
    const QVariant state = settings->value(QLatin1String(stateKey));
    if ((geometry.isValid() && !window->restoreGeometry(geometry.toByteArray())) ||
        (state.isValid() && !window->restoreState(state.toByteArray())))
        reject(QCoreApplication::translate("WindowSettings", "it is damaged"));
}

bool WindowSettings::asciiDisplay()
{
    if (!usable)
        return false;
    const QVariant value = settings->value(QLatin1String(asciiKey));
    const QString text = value.toString();
    if (value.isValid() && text != QLatin1String("true") && text != QLatin1String("false"))
        reject(QCoreApplication::translate("WindowSettings", "it is damaged"));
    return usable && text == QLatin1String("true");
}

QString WindowSettings::folder(Kind kind) const
{
    QString folder = folders[int(kind)];
    if (folder.isEmpty() && usable)
        folder = settings->value(folderKey(kind)).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void WindowSettings::rememberFile(Kind kind, const QString &fileName)
{
    if (fileName.isEmpty())
        return;
    folders[int(kind)] = QFileInfo(fileName).absolutePath();
    settings->setValue(folderKey(kind), folders[int(kind)]);
}

void WindowSettings::save(const QMainWindow *window, bool asciiDisplay)
{
    if (damaged) {
        // What the damaged file held is not worth keeping; what this run chose is.
        settings->clear();
        damaged = false;
        for (const Kind kind : {Kind::Log, Kind::List})
            if (!folders[int(kind)].isEmpty())
                settings->setValue(folderKey(kind), folders[int(kind)]);
    }
    settings->setValue(QLatin1String(geometryKey), window->saveGeometry());
    settings->setValue(QLatin1String(stateKey), window->saveState());
    settings->setValue(QLatin1String(asciiKey), asciiDisplay);
    settings->sync();
}
