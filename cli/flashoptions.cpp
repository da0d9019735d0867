// The flash subcommand's arguments: which job, which file, and which options go with it.

#include "cli/flashoptions.h"

#include "flash/flashnumber.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace
{

// The context of these texts in the catalogue, where lupdate finds them by this name.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(RunOptions)
};

struct Subcommand {
    const char *name;
    FlashJob::Kind kind;
    bool file;
    QStringList options; // the flash options that go with it
};

const QList<Subcommand> &subcommands()
{
    static const QList<Subcommand> list = {
        {"id", FlashJob::Kind::Identify, false, {}},
        {"read", FlashJob::Kind::Read, true, {"offset", "length", "size"}},
        {"write", FlashJob::Kind::Write, true, {"offset", "unprotect", "no-verify", "chip-erase"}},
        {"verify", FlashJob::Kind::Verify, true, {"offset", "size"}},
        {"erase", FlashJob::Kind::Erase, false, {"offset", "length", "unprotect", "chip-erase"}},
    };
    return list;
}

const QStringList flashOptionNames = {"offset",    "length",    "size",
                                      "unprotect", "no-verify", "chip-erase"};

} // namespace

QList<QCommandLineOption> flashCommandLineOptions()
{
    return {QCommandLineOption(QStringLiteral("offset"), QString(), QStringLiteral("N")),
            QCommandLineOption(QStringLiteral("length"), QString(), QStringLiteral("N")),
            QCommandLineOption(QStringLiteral("size"), QString(), QStringLiteral("N")),
            QCommandLineOption(QStringLiteral("unprotect")),
            QCommandLineOption(QStringLiteral("no-verify")),
            QCommandLineOption(QStringLiteral("chip-erase"))};
}

bool readFlashOptions(const QCommandLineParser &parser, bool active, const QStringList &arguments,
                      FlashOptions *flash, QString *error)
{
    if (!active) {
        for (const QString &name : flashOptionNames)
            if (parser.isSet(name)) {
                *error = Text::tr("--%1 goes with kavris-run flash").arg(name);
                return false;
            }
        return true;
    }
    const QString name = arguments.value(0);
    const Subcommand *found = nullptr;
    for (const Subcommand &subcommand : subcommands())
        if (name == QLatin1String(subcommand.name))
            found = &subcommand;
    if (!found) {
        *error = name.isEmpty()
                     ? Text::tr("flash needs one of id, read, write, verify, erase")
                     : Text::tr("flash takes id, read, write, verify or erase, not %1").arg(name);
        return false;
    }
    const int files = found->file ? 1 : 0;
    if (arguments.size() != 1 + files) {
        *error = found->file ? Text::tr("flash %1 takes one file").arg(name)
                             : Text::tr("flash %1 takes no file").arg(name);
        return false;
    }
    for (const QString &option : flashOptionNames)
        if (parser.isSet(option) && !found->options.contains(option)) {
            *error = Text::tr("--%1 does not go with flash %2").arg(option, name);
            return false;
        }
    FlashOptions made;
    made.active = true;
    made.job.kind = found->kind;
    made.file = files ? arguments.at(1) : QString();
    const auto number = [&](const char *option, quint64 *value, bool positive) {
        if (!parser.isSet(QLatin1String(option)))
            return true;
        if (parseFlashNumber(parser.value(QLatin1String(option)), value) &&
            (!positive || *value > 0))
            return true;
        *error =
            (positive ? Text::tr("--%1 takes a positive number of bytes: decimal or 0x hex, with "
                                 "K or M for KiB or MiB")
                      : Text::tr("--%1 takes a number of bytes: decimal or 0x hex, with K or M for "
                                 "KiB or MiB"))
                .arg(QLatin1String(option));
        return false;
    };
    if (!number("offset", &made.job.offset, false) || !number("length", &made.job.length, true) ||
        !number("size", &made.job.assumedSize, true))
        return false;
    made.job.unprotect = parser.isSet(QStringLiteral("unprotect"));
    made.job.verify = !parser.isSet(QStringLiteral("no-verify"));
    made.job.chipErase = parser.isSet(QStringLiteral("chip-erase"));
    if (made.job.kind == FlashJob::Kind::Erase && made.job.chipErase &&
        (parser.isSet(QStringLiteral("offset")) || parser.isSet(QStringLiteral("length")))) {
        *error = Text::tr("--chip-erase erases the whole chip: no --offset or --length");
        return false;
    }
    *flash = made;
    return true;
}
