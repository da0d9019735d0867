#pragma once
// One run of kavris-run: the list file loaded into the same model the window edits, run by the
// same runner on the same adapter session, its log printed as it grows, kept for --log and
// compared with --expect.

#include "cli/expectedlog.h"
#include "cli/runoptions.h"
#include "cli/runprogress.h"

#include <QObject>

#include <memory>

class AdapterSession;
class ListRunner;
class OperationListModel;
class QTextStream;
class TrafficLog;
struct TransferOutcome;

class ListJob : public QObject
{
    Q_OBJECT

public:
    ListJob(const RunOptions &options, QTextStream &out, QTextStream &err);
    ~ListJob() override;

    // Loads the list and starts the run; false (with the exit code) when it cannot start.
    bool start(int *exitCode);
    // Ctrl+C (SIGINT) or SIGTERM: the first ends the cycle after the pass under way, the second
    // ends at once.
    void interrupt(int signal);

signals:
    void finished(int exitCode);

private:
    void echo(const TransferOutcome &outcome);
    void fail(int exitCode, const QString &message);
    void finish();

    RunOptions options;
    QTextStream &out;
    QTextStream &err;
    std::unique_ptr<AdapterSession> session;
    std::unique_ptr<OperationListModel> model;
    std::unique_ptr<ListRunner> runner;
    std::unique_ptr<TrafficLog> log;
    std::unique_ptr<ExpectedLog> expected;
    int passes = 0;
    int interrupts = 0;
    int exitCode = RunOk;
    RunProgress progress{options.cycles};
};
