#pragma once
// What kavris-run runs: a list or a flash job, on one adapter or on several at once.
//
// On one adapter the job prints straight to standard output and error, as it always did. With
// `--device 0,2,3` or `--device all` the same job runs on each adapter at the same time, each
// with a session of its own (the library locks each adapter on its own, so their calls
// overlap); every line a job prints is prefixed with its adapter ("[2] "), a summary line per
// adapter follows, and the exit code is the highest of theirs. `--junit FILE` writes a JUnit
// report with a test case per adapter, on one adapter too.

#include "cli/runoptions.h"

#include <QObject>
#include <QVector>

#include <memory>

class ProgressLine;
class QTextStream;

class DeviceFleet : public QObject
{
    Q_OBJECT

public:
    DeviceFleet(const RunOptions &options, QTextStream &out, QTextStream &err);
    ~DeviceFleet() override;

    // Starts every job; false (with the exit code) when none of them could start.
    bool start(int *exitCode);
    // Ctrl+C (SIGINT) or SIGTERM, passed on to every job.
    void interrupt(int signal);

    // "dump.bin" for adapter 2: "dump-2.bin"; each adapter's own file when several write one.
    static QString deviceFileName(const QString &path, int device);

signals:
    void finished(int exitCode);

private:
    struct Member;
    void startMember(Member &member);
    void memberDone(Member &member, int exitCode);
    void showProgress();
    int finishAll();

    RunOptions options;
    QTextStream &out;
    QTextStream &err;
    bool several = false;
    std::unique_ptr<ProgressLine> progress;
    QVector<std::shared_ptr<Member>> members;
    int running = 0;
    bool starting = false;
};
