#pragma once
// kavris-run's command line: the panel settings as options, with the window's start-up values
// as defaults, and what to run and compare.

#include "adapter/spisettings.h"
#include "cli/flashoptions.h"

#include <QString>
#include <QStringList>

struct RunOptions {
    PanelSettings panel;
    int cycles = 1; // 0: until interrupted
    bool skipDelays = false;
    bool ascii = false;
    bool timestamps = false; // the time column before each line (and in --log)
    bool strict = false;     // hex tokens not sent as written refuse the list instead of warning
    QString listFile;
    QString logFile;    // empty: none
    QString expectFile; // empty: none
    QString csvFile;    // empty: none
    QString vcdFile;    // empty: none
    bool help = false;
    // --device with a list or "all": the same job on each adapter at once (`devices` empty
    // and `allDevices` set: every adapter a scan finds). Otherwise panel.device alone.
    QList<int> devices;
    bool allDevices = false;
    QString junitFile; // empty: none
    FlashOptions flash;
};

// Parses the arguments (the program name first). On a usage error returns false and sets
// *error to a one-line reason.
bool parseRunOptions(const QStringList &arguments, RunOptions *options, QString *error);

// What --help prints.
QString runUsage();

// Exit codes of kavris-run. A run cut short by a signal exits as the shell reports a process
// that the signal ended: 128 + the signal's number.
enum RunExit {
    RunOk = 0,
    RunFailed = 1,
    RunMismatch = 2,
    RunUsage = 3,
    RunFlashRefused = 4,  // a flash job: no chip, an unknown chip to write, protection
    RunInterrupted = 130, // SIGINT
    RunTerminated = 143,  // SIGTERM
};
