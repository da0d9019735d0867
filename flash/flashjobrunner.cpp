// A flash job on an adapter session, its file and its pace.

#include "flash/flashjobrunner.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace
{

// The context of these texts in the catalogue, where lupdate finds them by this name.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(FlashJobRunner)
};

} // namespace

int FlashRun::exitCode() const
{
    return fileError.isEmpty() ? result.exitCode() : 3;
}

QString FlashRun::jobName(FlashJob::Kind kind)
{
    switch (kind) {
    case FlashJob::Kind::Identify:
        return Text::tr("闪存识别");
    case FlashJob::Kind::Read:
        return Text::tr("闪存读取");
    case FlashJob::Kind::Verify:
        return Text::tr("闪存校验");
    case FlashJob::Kind::Write:
        return Text::tr("闪存写入");
    case FlashJob::Kind::Erase:
        return Text::tr("闪存擦除");
    }
    return QString();
}

QString FlashRun::text() const
{
    if (!fileError.isEmpty())
        return fileError;
    if (result.ok() && result.job == FlashJob::Kind::Identify)
        return chip.summary();
    return result.text();
}

QString FlashRun::logLine() const
{
    QString line = Text::tr("FL : %1（设备 %2，%3）：%4")
                       .arg(jobName(result.job))
                       .arg(settings.device)
                       .arg(channelName(settings.channel), text());
    if (result.job != FlashJob::Kind::Identify)
        line += Text::tr("用时 %1 秒").arg(double(elapsedMs) / 1000.0, 0, 'f', 1);
    return line;
}

FlashJobRunner::FlashJobRunner(AdapterSession &session, QObject *parent)
    : QObject(parent), session(session), clock(FlashEngine::monotonicUs)
{
    qRegisterMetaType<FlashRun>();
}

FlashJobRunner::~FlashJobRunner()
{
    session.letGo(this);
    // The engine first: it refers to the link.
    engine.reset();
    link.reset();
}

void FlashJobRunner::setClock(FlashEngine::Clock given)
{
    clock = std::move(given);
}

bool FlashJobRunner::readImage(const QString &path, QByteArray *image, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = Text::tr("无法读取文件 %1：%2").arg(path, file.errorString());
        return false;
    }
    // Read at most one byte beyond the limit: a device such as /dev/zero never ends.
    *image = file.read(largestImage + 1);
    if (file.error() != QFileDevice::NoError) {
        *error = Text::tr("无法读取文件 %1：%2").arg(path, file.errorString());
        return false;
    }
    if (image->size() > largestImage) {
        image->clear();
        *error = Text::tr("文件 %1 大于 %2 MiB，不能写入闪存。").arg(path).arg(largestImage >> 20);
        return false;
    }
    return true;
}

bool FlashJobRunner::start(const PanelSettings &settings, const FlashJob &given,
                           const QString &readFile, QString *error)
{
    if (isRunning())
        return false;
    if (!session.hold(this)) {
        if (error)
            *error = Text::tr("适配器正被另一个闪存作业使用。");
        return false;
    }
    FlashJob job = given;
    output.reset();
    if (job.kind == FlashJob::Kind::Read && !readFile.isEmpty()) {
        output = std::make_unique<QSaveFile>(readFile);
        if (!output->open(QIODevice::WriteOnly)) {
            if (error)
                *error = Text::tr("无法写入文件 %1：%2").arg(readFile, output->errorString());
            output.reset();
            session.letGo(this);
            return false;
        }
        job.keepData = false;
    }
    // The old engine may still be inside its finished() signal: it goes later, or with the
    // runner at the latest.
    for (QObject *old :
         {static_cast<QObject *>(link.release()), static_cast<QObject *>(engine.release())})
        if (old) {
            old->setParent(this);
            old->deleteLater();
        }
    link = std::make_unique<SessionFlashLink>(session, settings, this);
    engine = std::make_unique<FlashEngine>(link.get());
    engine->setPollIntervalMs(pollMs);
    engine->setClock(clock);
    connect(engine.get(), &FlashEngine::identified, this, [this](const FlashChip &chip) {
        run.chip = chip;
        emit identified(chip);
    });
    connect(engine.get(), &FlashEngine::progress, this,
            [this](FlashPhase phase, quint64 done, quint64 total) {
                phasePace.update(phase, done, total, clock());
                emit progress(phase, done, total);
            });
    connect(engine.get(), &FlashEngine::dataRead, this,
            [this](quint64, const QByteArray &bytes) { onDataRead(bytes); });
    connect(engine.get(), &FlashEngine::finished, this, &FlashJobRunner::onFinished);

    run = FlashRun();
    run.settings = settings;
    run.result.job = job.kind;
    phasePace = FlashPace();
    startedUs = clock();
    // The job's own settings, whatever the panel configured last.
    session.markStale();
    engine->start(job);
    return true;
}

void FlashJobRunner::cancel()
{
    if (engine)
        engine->cancel();
}

void FlashJobRunner::onDataRead(const QByteArray &bytes)
{
    if (!output || !run.fileError.isEmpty())
        return;
    if (output->write(bytes) != bytes.size()) {
        run.fileError =
            Text::tr("无法写入文件 %1：%2").arg(output->fileName(), output->errorString());
        engine->cancel();
    }
}

void FlashJobRunner::onFinished(const FlashResult &result)
{
    run.result = result;
    run.elapsedMs = (clock() - startedUs) / 1000;
    if (output) {
        if (result.ok() && run.fileError.isEmpty() && !output->commit())
            run.fileError =
                Text::tr("无法写入文件 %1：%2").arg(output->fileName(), output->errorString());
        output.reset(); // uncommitted: the old file stays as it was
    }
    // The panel's settings again for whatever comes next.
    session.markStale();
    session.letGo(this);
    emit finished(run);
}
