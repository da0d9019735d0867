// The jobs on each adapter, their prefixed lines, the summary and the JUnit report.

#include "cli/devicefleet.h"

#include "adapter/adapterlibrary.h"
#include "cli/flashcommand.h"
#include "cli/junitreport.h"
#include "cli/listjob.h"
#include "cli/progressline.h"
#include "transfer/filesaving.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QIODevice>
#include <QTextStream>

#include <algorithm>
#include <functional>

namespace
{

// Takes what a job writes and hands it on a whole line at a time, so that the lines of jobs
// running at the same time never mix.
class LineOutput : public QIODevice
{
public:
    explicit LineOutput(std::function<void(const QString &)> line) : line(std::move(line))
    {
        open(QIODevice::WriteOnly);
    }
    // What is left without a line break, as a line of its own.
    void finish()
    {
        if (!partial.isEmpty())
            line(QString::fromUtf8(partial));
        partial.clear();
    }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        partial.append(data, int(size));
        int start = 0;
        for (int end; (end = partial.indexOf('\n', start)) >= 0; start = end + 1)
            line(QString::fromUtf8(partial.constData() + start, end - start));
        partial.remove(0, start);
        return size;
    }

private:
    std::function<void(const QString &)> line;
    QByteArray partial;
};

const char *flashSubcommand(FlashJob::Kind kind)
{
    switch (kind) {
    case FlashJob::Kind::Identify:
        return "id";
    case FlashJob::Kind::Read:
        return "read";
    case FlashJob::Kind::Verify:
        return "verify";
    case FlashJob::Kind::Write:
        return "write";
    case FlashJob::Kind::Erase:
        return "erase";
    }
    return "";
}

} // namespace

struct DeviceFleet::Member {
    int device = 0;
    std::unique_ptr<LineOutput> outLines, errLines;
    std::unique_ptr<QTextStream> out, err;
    std::unique_ptr<QObject> job;
    std::function<bool(int *)> start;
    std::function<void(int)> interrupt;
    std::function<QString()> failure; // the job's own words for its failure, if it has them
    QElapsedTimer clock;
    double seconds = 0;
    int exitCode = -1; // -1 while it runs
    QString lastError; // its last line on standard error
    QString errorText; // all of them, for the report
    QString progress;  // its progress line's text
};

DeviceFleet::DeviceFleet(const RunOptions &options, QTextStream &out, QTextStream &err)
    : options(options), out(out), err(err)
{
}

DeviceFleet::~DeviceFleet()
{
    // The jobs first: they print through the members' streams.
    for (const auto &member : members)
        member->job.reset();
}

QString DeviceFleet::deviceFileName(const QString &path, int device)
{
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    const QString name = info.fileName();
    const QString stem = suffix.isEmpty() ? name : name.left(name.size() - suffix.size() - 1);
    const QString made = QStringLiteral("%1-%2").arg(stem).arg(device) +
                         (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? made : path.left(slash + 1) + made;
}

bool DeviceFleet::start(int *exitCode)
{
    QList<int> devices = options.devices;
    if (options.allDevices) {
        const int found = AdapterLibrary::entries().scan(0);
        if (found <= 0) {
            err << tr("kavris-run: no adapter found") << "\n";
            err.flush();
            *exitCode = RunFailed;
            return false;
        }
        for (int device = 0; device < std::min(found, 10); ++device)
            devices.append(device);
    }
    if (devices.isEmpty())
        devices.append(options.panel.device);
    several = options.allDevices || devices.size() > 1;
    const bool wrapped = several || !options.junitFile.isEmpty();
    progress = std::make_unique<ProgressLine>(err);

    starting = true;
    for (int device : devices) {
        auto member = std::make_shared<Member>();
        member->device = device;
        members.append(member);
        RunOptions mine = options;
        mine.panel.device = device;
        mine.devices.clear();
        mine.allDevices = false;
        if (several)
            for (QString *file : {&mine.logFile, &mine.csvFile, &mine.vcdFile})
                if (!file->isEmpty())
                    *file = deviceFileName(*file, device);
        if (several && mine.flash.active && mine.flash.job.kind == FlashJob::Kind::Read)
            mine.flash.file = deviceFileName(mine.flash.file, device);
        QTextStream *jobOut = &out, *jobErr = &err;
        if (wrapped) {
            // Every line through the fleet: prefixed, and kept for the report.
            const QString prefix = several ? QStringLiteral("[%1] ").arg(device) : QString();
            Member *m = member.get();
            const auto forward = [this, prefix, m](QTextStream &to, bool error) {
                return [this, prefix, m, &to, error](const QString &line) {
                    progress->clear();
                    to << prefix << line << "\n";
                    to.flush();
                    if (error) {
                        m->lastError = line;
                        m->errorText += line + QLatin1Char('\n');
                    }
                    showProgress();
                };
            };
            member->outLines = std::make_unique<LineOutput>(forward(out, false));
            member->errLines = std::make_unique<LineOutput>(forward(err, true));
            member->out = std::make_unique<QTextStream>(member->outLines.get());
            member->err = std::make_unique<QTextStream>(member->errLines.get());
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
            member->out->setCodec("UTF-8");
            member->err->setCodec("UTF-8");
#endif
            jobOut = member->out.get();
            jobErr = member->err.get();
        }
        Member *m = member.get();
        if (mine.flash.active) {
            auto *job = new FlashCommand(mine, *jobOut, *jobErr);
            member->job.reset(job);
            member->start = [job](int *code) { return job->start(code); };
            member->interrupt = [job](int signal) { job->interrupt(signal); };
            member->failure = [job] { return job->failure(); };
            if (progress->enabled()) {
                job->onProgress = [this, m](const QString &text) {
                    m->progress = text;
                    showProgress();
                };
                job->beforeOutput = [this] { progress->clear(); };
            }
            connect(job, &FlashCommand::finished, this,
                    [this, m](int code) { memberDone(*m, code); });
        } else {
            auto *job = new ListJob(mine, *jobOut, *jobErr);
            member->job.reset(job);
            member->start = [job](int *code) { return job->start(code); };
            member->interrupt = [job](int signal) { job->interrupt(signal); };
            connect(job, &ListJob::finished, this, [this, m](int code) { memberDone(*m, code); });
        }
    }
    for (const auto &member : members)
        startMember(*member);
    starting = false;
    if (running > 0)
        return true;
    *exitCode = finishAll();
    return false;
}

void DeviceFleet::startMember(Member &member)
{
    member.clock.start();
    ++running;
    int code = RunOk;
    if (!member.start(&code))
        memberDone(member, code);
}

void DeviceFleet::memberDone(Member &member, int exitCode)
{
    if (member.exitCode >= 0)
        return;
    member.exitCode = exitCode;
    member.seconds = double(member.clock.nsecsElapsed()) / 1e9;
    member.progress.clear();
    if (--running > 0 || starting)
        return;
    emit finished(finishAll());
}

void DeviceFleet::interrupt(int signal)
{
    for (const auto &member : members)
        if (member->exitCode < 0 && member->interrupt)
            member->interrupt(signal);
}

void DeviceFleet::showProgress()
{
    if (!progress->enabled())
        return;
    QStringList parts;
    for (const auto &member : members)
        if (member->exitCode < 0 && !member->progress.isEmpty())
            parts << (several ? QStringLiteral("[%1] ").arg(member->device) : QString()) +
                         member->progress;
    if (parts.isEmpty())
        progress->clear();
    else
        progress->show(parts.join(QStringLiteral("  ")));
}

int DeviceFleet::finishAll()
{
    progress->clear();
    int worst = RunOk;
    QVector<JUnitCase> cases;
    for (const auto &member : members) {
        if (member->outLines)
            member->out->flush(), member->outLines->finish();
        if (member->errLines)
            member->err->flush(), member->errLines->finish();
        worst = std::max(worst, member->exitCode);
        // A list run's last words on standard error say best what went wrong (the adapter
        // note comes after the warning); a flash job knows its own.
        QString message = member->failure ? member->failure() : QString();
        if (message.isEmpty())
            message = member->lastError;
        if (message.startsWith(QLatin1String("kavris-run: ")))
            message.remove(0, 12);
        cases.append({QStringLiteral("device %1").arg(member->device), member->seconds,
                      member->exitCode, message, member->errorText});
    }
    if (several) {
        out << tr("Summary:") << "\n";
        for (const JUnitCase &c : cases) {
            const QString device = c.name.mid(7);
            if (c.exitCode == RunOk)
                out << tr("[%1] ok").arg(device) << "\n";
            else
                out << tr("[%1] failed, exit code %2: %3")
                           .arg(device)
                           .arg(c.exitCode)
                           .arg(c.message)
                    << "\n";
        }
        out.flush();
    }
    if (!options.junitFile.isEmpty()) {
        const QString suite =
            options.flash.active
                ? QStringLiteral("kavris-run flash %1%2")
                      .arg(QLatin1String(flashSubcommand(options.flash.job.kind)),
                           options.flash.file.isEmpty() ? QString()
                                                        : QLatin1Char(' ') + options.flash.file)
                : QStringLiteral("kavris-run %1").arg(options.listFile);
        const QByteArray report = junitReport(suite, cases);
        if (!saveFileWith(options.junitFile, [&report](QIODevice &file) {
                return file.write(report) == report.size();
            })) {
            err << tr("kavris-run: cannot write %1").arg(options.junitFile) << "\n";
            err.flush();
            worst = std::max<int>(worst, RunUsage);
        }
    }
    return worst;
}
