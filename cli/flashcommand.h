#pragma once
// `kavris-run flash ...` on one adapter: the image read, the job run by the same runner as the
// window's, the chip and the outcome printed, and the exit code (FlashRun::exitCode()).

#include "cli/runoptions.h"

#include <QObject>

#include <functional>
#include <memory>

class AdapterSession;
class FlashJobRunner;
class QTextStream;
struct FlashRun;

class FlashCommand : public QObject
{
    Q_OBJECT

public:
    FlashCommand(const RunOptions &options, QTextStream &out, QTextStream &err);
    ~FlashCommand() override;

    // Reads the image and starts the job; false (with the exit code) when it cannot start.
    bool start(int *exitCode);
    // Ctrl+C (SIGINT) or SIGTERM: the first stops the job after the operation under way, the
    // second ends at once; either way the exit code is 128 + the signal's number.
    void interrupt(int signal);
    // Why the job failed, as standard error said it first; empty while it has not.
    QString failure() const { return failureText; }

    // The job's progress as text ("编程 45%，1.9 MiB/s，剩余 3 秒"), and the moment before a
    // line is printed (the progress line is cleared then).
    std::function<void(const QString &)> onProgress;
    std::function<void()> beforeOutput;

signals:
    void finished(int exitCode);

private:
    void print(QTextStream &stream, const QString &line);
    void finish(const FlashRun &run);

    RunOptions options;
    QTextStream &out;
    QTextStream &err;
    std::unique_ptr<AdapterSession> session;
    std::unique_ptr<FlashJobRunner> runner;
    int interrupts = 0;
    int signalled = 0; // the signal that cut the job short
    QString failureText;
};
