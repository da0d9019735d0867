// The flash engine over an adapter session against the simulated library: the calls each bus
// mode makes for reading, waiting for a busy session, the
// session held by one owner, failures, the read's file, and the pace the progress shows.

#include "adapter/adapterlibrary.h"
#include "flash/flashjobrunner.h"
#include "simlibrary.h"
#include "telkor/telkortest.h"

#include <QtTest>

namespace
{

QByteArray expected(quint64 start, int length)
{
    QByteArray bytes;
    for (quint64 at = start; at < start + quint64(length); ++at)
        bytes.append(char(at * 13 + 5));
    return bytes;
}

// Adapter 0's flash on SPI1_CS1 holds the pattern in its first 64 KiB, kept in a file.
void fillFlash(const QString &path)
{
    QByteArray image(2 * 1024 * 1024, '\xFF');
    image.replace(0, 65536, expected(0, 65536));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(image), image.size());
    file.close();
    QCOMPARE(TelkorTestConfigure(qPrintable("flash.file=" + path)), 0);
}

PanelSettings flashSettings(int mode = 1)
{
    PanelSettings settings;
    settings.channel = SpiChannel::Spi1Cs1;
    settings.controlMode = ControlMode(mode);
    return settings;
}

FlashJob readJob(quint64 offset, quint64 length)
{
    return {FlashJob::Kind::Read, offset, length, {}};
}

FlashRun runJob(FlashJobRunner &runner, const PanelSettings &settings, const FlashJob &job,
                const QString &file = QString())
{
    FlashRun got;
    QEventLoop loop;
    const auto connection =
        QObject::connect(&runner, &FlashJobRunner::finished, &loop, [&](const FlashRun &run) {
            got = run;
            loop.quit();
        });
    if (runner.start(settings, job, file, nullptr)) {
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    QObject::disconnect(connection);
    return got;
}

} // namespace

class TestSessionFlash : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(loadSimulatedAdapter()); }
    void init()
    {
        TelkorTestReset();
        fillFlash(folder.filePath("flash.bin"));
        runner.reset();
        session = std::make_unique<AdapterSession>(AdapterLibrary::entries());
        runner = std::make_unique<FlashJobRunner>(*session);
        runner->setPollIntervalMs(0);
    }
    void busModes_data();
    void busModes();
    void busySessionWaited();
    void sessionHeld();
    void failures_data();
    void failures();
    void readIntoFile();
    void pace_data();
    void pace();
    void paceTexts();

private:
    QTemporaryDir folder;
    std::unique_ptr<AdapterSession> session;
    std::unique_ptr<FlashJobRunner> runner;
};

void TestSessionFlash::busModes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("readCall");
    // clang-format off
    QTest::newRow("full duplex: filler clocked after the command") << 0 << "SpiWriteRead(0,0x10,[03 00 01 F0 FF ...],304,304,0) => 0";
    QTest::newRow("single bus") << 3 << "SpiWriteRead(0,0x10,[03 00 01 F0],4,300,0) => 0";
    // clang-format on
}

void TestSessionFlash::busModes()
{
    QFETCH(int, mode);
    QFETCH(QString, readCall); // " FF ..." for the 300 bytes of filler
    clearAdapterCalls();
    const FlashRun read = runJob(*runner, flashSettings(mode), readJob(0x1F0, 300));
    QCOMPARE(read.result.data, expected(0x1F0, 300));
    // The job's settings applied, then the JEDEC id, the SFDP header, the basic table, the read.
    QVERIFY(adapterCalls().first().startsWith("AdapterScan"));
    QCOMPARE(transferCalls().size(), 4);
    QCOMPARE(transferCalls().last(), readCall.replace(" FF ...", QString(" FF").repeated(300)));
    QVERIFY(session->isStale()); // the panel's settings again for what comes next
}

void TestSessionFlash::busySessionWaited()
{
    // A request of someone else's is under way when the engine asks: the exchange waits for
    // the session and goes next, once, with its answer.
    QVERIFY(answerOf(*session, AdapterRequest::prepare(flashSettings())).ok());
    SessionFlashLink link(*session, flashSettings());
    clearAdapterCalls();
    QStringList answers;
    QVERIFY(session->submit(AdapterRequest::write(flashSettings(), QByteArray("\x04", 1)),
                            [&](const TransferOutcome &) { answers << "write"; }) != 0);
    link.exchange(QByteArray("\x9F", 1), 3, [&](bool ok, const QByteArray &in, const QString &) {
        answers << QString("id %1 %2").arg(ok).arg(QString(in.toHex()));
    });
    QCOMPARE(link.waits(), 1);
    QVERIFY(answers.isEmpty()); // never from inside exchange()
    QTRY_COMPARE(answers, QStringList({"write", "id 1 ef4015"}));
    QCOMPARE(adapterCalls(),
             QStringList({"SpiWrite(0,0x10,[04],1) => 0", "SpiWriteRead(0,0x10,[9F],1,3,0) => 0"}));
    // Free again: the next exchange goes at once.
    link.exchange(QByteArray("\x05", 1), 1, [&](bool, const QByteArray &in, const QString &) {
        answers << QString(in.toHex());
    });
    QCOMPARE(link.waits(), 1);
    QCOMPARE(link.exchanges(), 2);
    QTRY_COMPARE(answers.last(), QString("00"));
}

void TestSessionFlash::sessionHeld()
{
    int a = 0, b = 0;
    QSignalSpy ready(session.get(), &AdapterSession::ready);
    QVERIFY(session->hold(&a));
    QVERIFY(session->hold(&a)); // again: still its own
    QVERIFY(!session->hold(&b));
    const auto nothing = [](const TransferOutcome &) {};
    QCOMPARE(session->submit(AdapterRequest::prepare(flashSettings()), nothing), quint64(0));
    QCOMPARE(session->submit(AdapterRequest::prepare(flashSettings()), nothing, &b), quint64(0));
    QVERIFY(session->submit(AdapterRequest::prepare(flashSettings()), nothing, &a) != 0);
    QTRY_COMPARE(ready.count(), 1);
    session->letGo(&b); // not the holder: nothing
    QVERIFY(session->isHeld());
    QCOMPARE(ready.count(), 1);
    session->letGo(&a);
    QVERIFY(!session->isHeld());
    QCOMPARE(ready.count(), 2); // the others may ask again
    QVERIFY(session->hold(&b));
    session->letGo(&b);
}

void TestSessionFlash::failures_data()
{
    QTest::addColumn<QString>("forced");
    QTest::addColumn<QString>("text");
    // clang-format off
    QTest::newRow("transfer fails") << "SpiWriteRead=-2" << "传输失败：写读数据失败！";
    QTest::newRow("no adapter") << "AdapterScan=0" << "传输失败：无设备连接！";
    QTest::newRow("configuration refused") << "SpiConfigure=-4" << "传输失败：配置设备失败！";
    // clang-format on
}

void TestSessionFlash::failures()
{
    QFETCH(QString, forced);
    forceNext(forced);
    const FlashRun run = runJob(*runner, flashSettings(), readJob(0, 16));
    QTEST(run.text(), "text");
    QCOMPARE(run.exitCode(), 1);
    // The next job prepares the adapter again and works.
    const FlashRun again = runJob(*runner, flashSettings(), readJob(0, 16));
    QCOMPARE(again.result.data, expected(0, 16));
}

void TestSessionFlash::readIntoFile()
{
    const QString path = folder.filePath("dump.bin");
    const auto saved = [&path] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    };
    // Streamed into the file, nothing kept in the result.
    FlashRun run = runJob(*runner, flashSettings(), readJob(100, 50000), path);
    QVERIFY(run.ok());
    QVERIFY(run.result.data.isEmpty());
    QCOMPARE(saved(), expected(100, 50000));
    // A read that fails midway leaves the old file as it was.
    const auto failSecond = connect(runner.get(), &FlashJobRunner::progress, this,
                                    [](FlashPhase, quint64 done, quint64) {
                                        if (done > 0 && done < 60000)
                                            forceNext("SpiWriteRead=-2");
                                    });
    run = runJob(*runner, flashSettings(), readJob(0, 60000), path);
    disconnect(failSecond);
    QCOMPARE(run.exitCode(), 1);
    QCOMPARE(saved(), expected(100, 50000));
}

void TestSessionFlash::pace_data()
{
    QTest::addColumn<QString>("reports"); // "phase done total ms;..."
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("permille");
    // clang-format off
    QTest::newRow("start: no rate yet") << "5 0 1000 0" << "编程 0%" << 0;
    QTest::newRow("a quarter in a second") << "5 0 1000 0;5 250 1000 1000" << "编程 25%，250 B/s，剩余 3 秒" << 250;
    QTest::newRow("a new phase starts afresh") << "5 0 1000 0;5 1000 1000 1000;6 512 2048 3000" << "校验 25%" << 250;
    QTest::newRow("a phase that reports 0 again starts afresh") << "1 0 4096 0;1 2048 4096 1000;1 0 4096 5000;1 1024 4096 6000" << "读取 25%，1 KiB/s，剩余 3 秒" << 250;
    QTest::newRow("done") << "4 0 65536 0;4 65536 65536 500" << "擦除 100%，128 KiB/s，剩余 0 秒" << 1000;
    QTest::newRow("nothing to do") << "6 0 0 0" << "校验 0%" << 0;
    // clang-format on
}

void TestSessionFlash::pace()
{
    QFETCH(QString, reports);
    FlashPace pace;
    for (const QString &report : reports.split(';')) {
        const QStringList n = report.split(' ');
        pace.update(FlashPhase(n[0].toInt()), n[1].toULongLong(), n[2].toULongLong(),
                    n[3].toLongLong() * 1000);
    }
    QTEST(pace.text(), "text");
    QTEST(pace.permille(), "permille");
}

void TestSessionFlash::paceTexts()
{
    // 1024 B/s and 0 s: pace().
    QCOMPARE(QStringList({FlashPace::rateText(1023), FlashPace::rateText(1024 * 1024 - 1),
                          FlashPace::rateText(1024 * 1024 * 1.96), FlashPace::durationText(1),
                          FlashPace::durationText(59000), FlashPace::durationText(59001),
                          FlashPace::durationText(125000)}),
             QString::fromUtf8("1023 B/s|1024 KiB/s|2.0 MiB/s|1 秒|59 秒|1 分 00 秒|2 分 05 秒")
                 .split('|'));
}

QTEST_GUILESS_MAIN(TestSessionFlash)
#include "tst_sessionflash.moc"
