#pragma once
// One flash job on an adapter session, for the window and kavris-run alike: the link with the
// settings the job started with, the engine, the file a read streams into, the pace of each
// phase, and what the job came to (FlashRun) with the traffic log's line for it.
//
// The job holds the session from start to end: nobody else's request comes between its
// commands, not even while it waits for a busy chip. Its settings are applied afresh when it
// starts and the session is left stale when it ends, so that neither the panel's last
// configuration nor the job's outlives its owner.

#include "adapter/adaptersession.h"
#include "flash/flashengine.h"
#include "flash/flashpace.h"
#include "flash/sessionflashlink.h"

#include <QObject>
#include <QSaveFile>

#include <memory>

// What a finished flash job came to.
struct FlashRun {
    FlashResult result;
    FlashChip chip;
    PanelSettings settings;
    QString fileError; // the read's file could not be written: why
    qint64 elapsedMs = 0;

    bool ok() const { return result.ok() && fileError.isEmpty(); }
    // kavris-run's exit code: the result's, or 3 for a file that could not be written.
    int exitCode() const;
    // One or two sentences for the user: the chip for an identification, else what was done
    // or why not.
    QString text() const;
    // The traffic log's line for the job: "FL : 闪存读取（设备 0，SPI1_CS1）：…，用时 1.9 秒".
    QString logLine() const;
    // "闪存读取", "闪存写入", ...
    static QString jobName(FlashJob::Kind kind);
};

class FlashJobRunner : public QObject
{
    Q_OBJECT

public:
    explicit FlashJobRunner(AdapterSession &session, QObject *parent = nullptr);
    ~FlashJobRunner() override;

    // Starts `job` with `settings`. A read with `readFile` streams the bytes into that file,
    // which replaces the old one only when the read succeeded. False, and nothing starts,
    // while a job runs or when the file cannot be made (*error says why).
    bool start(const PanelSettings &settings, const FlashJob &job,
               const QString &readFile = QString(), QString *error = nullptr);
    // The job stops after the operation under way.
    void cancel();
    bool isRunning() const { return engine && engine->isRunning(); }
    const FlashPace &pace() const { return phasePace; }

    // The engine's longest pause between status polls (tests poll without pauses).
    void setPollIntervalMs(int milliseconds) { pollMs = milliseconds; }
    // Monotonic microseconds for the pace and the time taken (tests give their own).
    void setClock(FlashEngine::Clock clock);

    // A file to write or verify, read whole; false with *error when it cannot be read or is
    // larger than any chip.
    static bool readImage(const QString &path, QByteArray *image, QString *error);
    static constexpr qint64 largestImage = 256 * 1024 * 1024;

signals:
    void identified(const FlashChip &chip);
    // Emitted with pace() brought up to date.
    void progress(FlashPhase phase, quint64 done, quint64 total);
    void finished(const FlashRun &run);

private:
    void onDataRead(const QByteArray &bytes);
    void onFinished(const FlashResult &result);

    AdapterSession &session;
    std::unique_ptr<SessionFlashLink> link;
    std::unique_ptr<FlashEngine> engine;
    std::unique_ptr<QSaveFile> output;
    FlashEngine::Clock clock;
    FlashPace phasePace;
    FlashRun run;
    qint64 startedUs = 0;
    int pollMs = 2;
};

Q_DECLARE_METATYPE(FlashRun)
