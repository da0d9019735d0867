// kavris-run: the operation list and the flash jobs without a window, for production lines
// and nightly checks, on one adapter or on several at once.

#include "adapter/adapterlibrary.h"
#include "adapter/callworker.h"
#include "adapter/uilanguage.h"
#include "cli/devicefleet.h"
#include "cli/runoptions.h"
#include "cli/runprogress.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace
{

int interruptPipe[2] = {-1, -1};

void onInterrupt(int signal)
{
    const char byte = static_cast<char>(signal);
    // Only async-signal-safe work here; the event loop reads the pipe.
    (void)!write(interruptPipe[1], &byte, 1);
}

} // namespace

int main(int argc, char *argv[])
{
    // Before anything opens a file, which would take a closed standard output's place.
    const bool outputOpen = standardOutputOpen();
    QCoreApplication app(argc, argv);
    UiLanguage::install("kavris-run");
    QTextStream out(stdout);
    QTextStream err(stderr);
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    // Qt 6 streams write UTF-8 already; the log and the messages are UTF-8 whatever the locale.
    out.setCodec("UTF-8");
    err.setCodec("UTF-8");
#endif

    if (!outputOpen) {
        err << "kavris-run: "
            << QCoreApplication::translate("kavris-run", "standard output is closed") << "\n";
        return RunUsage;
    }
    RunOptions options;
    QString error;
    if (!parseRunOptions(app.arguments(), &options, &error)) {
        err << "kavris-run: " << error << "\n"
            << QCoreApplication::translate("kavris-run", "Try 'kavris-run --help'.") << "\n";
        return RunUsage;
    }
    if (options.help) {
        out << runUsage();
        return RunOk;
    }
    if (!AdapterLibrary::loadForProgram(app.applicationDirPath(), &error)) {
        err << "kavris-run: " << error << "\n";
        return RunUsage;
    }
    // A full disk or a file-size limit must fail a write of the log, not end the process.
    std::signal(SIGXFSZ, SIG_IGN);

    DeviceFleet job(options, out, err);
    if (pipe(interruptPipe) == 0) {
        auto *notifier = new QSocketNotifier(interruptPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &job, [&job] {
            char byte = SIGINT;
            (void)!read(interruptPipe[0], &byte, 1);
            job.interrupt(byte);
        });
        std::signal(SIGINT, onInterrupt);
        std::signal(SIGTERM, onInterrupt);
    }
    QObject::connect(&job, &DeviceFleet::finished, &app, &QCoreApplication::exit);
    // The run starts once the event loop runs, so that no exit it asks for, at whatever moment,
    // can come before the loop that it must end.
    QTimer::singleShot(0, &job, [&job] {
        int code = RunOk;
        if (!job.start(&code))
            QCoreApplication::exit(code);
    });
    const int code = app.exec();
    // A library call abandoned by a second Ctrl+C may still run: end without unloading
    // anything under it.
    if (CallWorker::abandonedCallRunning()) {
        out.flush();
        err.flush();
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}
