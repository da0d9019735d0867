#include "cli/listjob.h"

#include "adapter/adapterlibrary.h"
#include "adapter/adaptermessages.h"
#include "adapter/adaptersession.h"
#include "cli/adapternote.h"
#include "cli/listcheck.h"
#include "oplist/listfile.h"
#include "oplist/listrunner.h"
#include "oplist/operationlistmodel.h"
#include "transfer/filesaving.h"
#include "transfer/logexport.h"
#include "transfer/trafficlog.h"

#include <QFile>
#include <QTextStream>
#include <QTimer>

#include <functional>
#include <utility>

ListJob::ListJob(const RunOptions &options, QTextStream &out, QTextStream &err)
    : options(options), out(out), err(err)
{
}

ListJob::~ListJob() = default;

bool ListJob::start(int *code)
{
    auto unreadable = [this, code](const QString &path) {
        err << tr("kavris-run: cannot read %1").arg(path) << "\n";
        *code = RunUsage;
        return false;
    };
    QVector<OperationRow> rows;
    if ((*code = loadListForRun(options, err, &rows)) != RunOk)
        return false;
    if (!options.expectFile.isEmpty()) {
        QFile file(options.expectFile);
        if (!file.open(QIODevice::ReadOnly))
            return unreadable(options.expectFile);
        expected = std::make_unique<ExpectedLog>(file.readAll());
    }

    session = std::make_unique<AdapterSession>(AdapterLibrary::entries());
    model = std::make_unique<OperationListModel>();
    runner = std::make_unique<ListRunner>(*session, *model);
    log = std::make_unique<TrafficLog>();
    model->appendRows(rows);

    const PanelSettings panel = options.panel;
    runner->setSettingsSource([panel] { return panel; });
    runner->setSkipDelays(options.skipDelays);
    connect(runner.get(), &ListRunner::echo, this, &ListJob::echo);
    const auto failed = [this](const TransferOutcome &outcome) {
        fail(RunFailed, adapterErrorText(outcome));
    };
    connect(runner.get(), &ListRunner::notReady, this,
            [this, failed](const TransferOutcome &outcome) {
                failed(outcome);
                const QString note =
                    adapterNotFoundNote(AdapterLibrary::entries(), options.panel.device);
                if (!note.isEmpty())
                    err << note << "\n";
            });
    connect(runner.get(), &ListRunner::rowFailed, this, failed);
    connect(runner.get(), &ListRunner::passFinished, this, [this] {
        progress.passDone();
        if (options.cycles > 0 && ++passes >= options.cycles)
            runner->stopCycle();
    });
    // The runner reports idle from inside its step; the run ends once that step is over.
    connect(runner.get(), &ListRunner::idle, this,
            [this] { QTimer::singleShot(0, this, &ListJob::finish); });

    if (options.cycles == 1 || !model->anyChecked())
        runner->runOnce();
    else
        runner->startCycle();
    return true;
}

void ListJob::interrupt(int signal)
{
    if (!runner)
        return; // not started yet: the run that starts next is interrupted by the next signal
    const bool atOnce = ++interrupts > 1 || !runner->isCycling();
    progress.interrupted(signal, atOnce);
    if (atOnce)
        runner->abandon();
    else
        runner->stopCycle();
}

void ListJob::echo(const TransferOutcome &outcome)
{
    progress.rowDone();
    qint64 next = log->count();
    log->append(outcome, !options.ascii);
    LogColumns columns;
    columns.times = options.timestamps;
    for (; next < log->count(); ++next) {
        const QString line = log->lineText(next);
        out << (options.timestamps ? log->displayText(next, columns) : line) << "\n";
        // A text entry may hold line breaks: it is then several lines of the log.
        for (const QString &part : line.split(QLatin1Char('\n'))) {
            QString problem;
            if (expected && exitCode == RunOk && !expected->matchNext(part, &problem))
                return fail(RunMismatch, problem);
        }
    }
    out.flush();
}

void ListJob::fail(int code, const QString &message)
{
    if (exitCode != RunOk)
        return;
    exitCode = code;
    out.flush();
    err << (code == RunMismatch ? "kavris-run: " : "") << message << "\n";
    err.flush();
    runner->abandon();
}

void ListJob::finish()
{
    QString problem;
    if (expected && exitCode == RunOk && !expected->matchEnd(&problem))
        fail(RunMismatch, problem);
    LogColumns columns;
    columns.times = options.timestamps;
    const std::pair<QString, std::function<bool(QIODevice &)>> files[] = {
        {options.logFile,
         [&](QIODevice &file) {
             return log->writeText(file, 0, log->count(), columns) && progress.writeLogEnd(file);
         }},
        {options.csvFile, [this](QIODevice &file) { return LogExport::writeCsv(*log, file); }},
        {options.vcdFile, [this](QIODevice &file) { return LogExport::writeVcd(*log, file); }},
    };
    for (const auto &[path, writer] : files) {
        if (path.isEmpty() || saveFileWith(path, writer))
            continue;
        err << tr("kavris-run: cannot write %1").arg(path) << "\n";
        if (exitCode == RunOk)
            exitCode = RunUsage;
    }
    exitCode = progress.exitCode(exitCode);
    if (progress.cutShort())
        err << progress.summary() << "\n";
    if (!standardOutputWritten(out, err) && exitCode == RunOk)
        exitCode = RunUsage;
    err.flush();
    emit finished(exitCode);
}
