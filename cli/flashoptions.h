#pragma once
// kavris-run's flash subcommand on the command line: `flash id | read FILE | write FILE |
// verify FILE | erase` with the options that shape the job.

#include "flash/flashjob.h"

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>

class QCommandLineParser;

struct FlashOptions {
    bool active = false; // the arguments name the flash subcommand
    FlashJob job;
    QString file; // read: where the bytes go; write, verify: the image
};

// The options the flash subcommand adds to kavris-run's command line.
QList<QCommandLineOption> flashCommandLineOptions();

// Reads the subcommand from the positional arguments after "flash" and the flash options
// from `parser`, which holds flashCommandLineOptions(). Without the subcommand (`active`
// false) a flash option is a usage error too. False with *error for bad usage.
bool readFlashOptions(const QCommandLineParser &parser, bool active, const QStringList &arguments,
                      FlashOptions *flash, QString *error);
