// The flash subcommand on one adapter.

#include "cli/flashcommand.h"

#include "adapter/adapterlibrary.h"
#include "adapter/adaptersession.h"
#include "flash/flashjobrunner.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>

FlashCommand::FlashCommand(const RunOptions &options, QTextStream &out, QTextStream &err)
    : options(options), out(out), err(err)
{
}

FlashCommand::~FlashCommand()
{
    runner.reset(); // before the session it holds
}

void FlashCommand::print(QTextStream &stream, const QString &line)
{
    if (beforeOutput)
        beforeOutput();
    stream << line << "\n";
    stream.flush();
}

bool FlashCommand::start(int *exitCode)
{
    FlashJob job = options.flash.job;
    QString error;
    const bool image = job.kind == FlashJob::Kind::Write || job.kind == FlashJob::Kind::Verify;
    if (image && !FlashJobRunner::readImage(options.flash.file, &job.image, &error)) {
        failureText = error;
        print(err, QStringLiteral("kavris-run: ") + error);
        *exitCode = RunUsage;
        return false;
    }
    session = std::make_unique<AdapterSession>(AdapterLibrary::entries());
    runner = std::make_unique<FlashJobRunner>(*session);
    connect(runner.get(), &FlashJobRunner::identified, this,
            [this](const FlashChip &chip) { print(out, chip.summary()); });
    connect(runner.get(), &FlashJobRunner::progress, this, [this] {
        if (onProgress)
            onProgress(runner->pace().text());
    });
    connect(runner.get(), &FlashJobRunner::finished, this, &FlashCommand::finish);
    const QString readFile = job.kind == FlashJob::Kind::Read ? options.flash.file : QString();
    if (!runner->start(options.panel, job, readFile, &error)) {
        failureText = error;
        print(err, QStringLiteral("kavris-run: ") + error);
        *exitCode = RunUsage;
        return false;
    }
    return true;
}

void FlashCommand::interrupt(int signal)
{
    if (!runner)
        return;
    signalled = signal;
    if (++interrupts == 1) {
        runner->cancel();
        return;
    }
    // The operation under way is left to the adapter; nothing more is printed.
    session->abandon();
    runner->disconnect(this);
    QTimer::singleShot(0, this, [this] { emit finished(128 + signalled); });
}

void FlashCommand::finish(const FlashRun &run)
{
    if (run.ok()) {
        if (run.result.job != FlashJob::Kind::Identify)
            print(out, run.text());
    } else {
        failureText = run.text();
        print(err, QStringLiteral("kavris-run: ") + run.text());
        const bool reading =
            run.result.job == FlashJob::Kind::Read || run.result.job == FlashJob::Kind::Verify;
        if (run.result.error == FlashError::UnknownChip && reading)
            print(err,
                  QCoreApplication::translate(
                      "FlashCommand",
                      "kavris-run: --size gives the size of a chip the program does not know"));
    }
    // A job the signal stopped exits as a process the signal ended; one that ended anyway
    // (the signal came during its last operation) keeps its own code.
    const bool cut = signalled != 0 && run.result.error == FlashError::Cancelled;
    emit finished(cut ? 128 + signalled : run.exitCode());
}
