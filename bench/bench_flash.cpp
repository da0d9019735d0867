// The flash jobs as kavris-run and the window run them (the engine on an adapter session)
// against the shipped simulated library on real time: reading 2 MiB, writing 2 MiB over
// different data, writing the same image again, one byte changed, the same write on four
// adapters at once, and the memory a write takes. Each time is set beside the least the
// entries allow: the bus time at the clock, the chip's busy times and one round trip per call
// of the least call sequence. Prints a table at the end.
//
// The shipped library keeps no record of its calls (the test library would format every byte
// of them). The process's timer slack is set to 1 us, so that the simulated adapter's sleeps
// last as long as the bus time they stand for.

#include "benchsupport.h"

#include "adapter/adapterlibrary.h"
#include "adapter/adaptersession.h"
#include "flash/flashjobrunner.h"

#include <QElapsedTimer>
#include <QtTest>

#include <sys/prctl.h>

namespace
{

constexpr double roundTripUs = 200;    // the simulated adapter's, for every call
constexpr double clockHz = 50e6;       // the panel's default clock
constexpr int largestRead = 20480 - 4; // bytes a read call carries beside its command
constexpr double pageProgramUs = 700, blockEraseUs = 150000, sectorEraseUs = 45000;

PanelSettings flashSettings(int device)
{
    PanelSettings settings;
    settings.device = device;
    settings.channel = SpiChannel::Spi1Cs1;
    return settings;
}

QByteArray image(int size, int seed)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + seed) ^ (i >> 8));
    return bytes;
}

QString ms(double microseconds)
{
    return QString::number(microseconds / 1000.0, 'f', 1) + " ms";
}

QString ratio(double measured, double least)
{
    return QString::number(measured / least, 'f', 3) + " x";
}

// The least time of reading `bytes`: their bus time and one round trip per largest call.
double leastReadUs(qint64 bytes)
{
    const qint64 calls = (bytes + largestRead - 1) / largestRead;
    return double(bytes + 4 * calls) * 8e6 / clockHz + double(calls) * roundTripUs;
}

} // namespace

class BenchFlash : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { figures.print(78); }
    void flashJobs();

private:
    // Runs `job` on each of `devices` at once; the microseconds until the last one ended.
    double run(const QList<int> &devices, const FlashJob &job, QVector<FlashRun> *runs = nullptr,
               qint64 *peakResident = nullptr);
    FlashJob writeJob(const QByteArray &bytes) const;

    FigureTable figures;
    QVector<std::shared_ptr<AdapterSession>> sessions;
};

void BenchFlash::initTestCase()
{
    QString error;
    QVERIFY2(AdapterLibrary::load({QStringLiteral(KAVRIS_BIN_DIR "/libTELKOR.so")}, &error),
             qPrintable(error));
    for (int device = 0; device < 4; ++device)
        sessions.append(std::make_shared<AdapterSession>(AdapterLibrary::entries()));
}

FlashJob BenchFlash::writeJob(const QByteArray &bytes) const
{
    FlashJob job;
    job.kind = FlashJob::Kind::Write;
    job.image = bytes;
    return job;
}

double BenchFlash::run(const QList<int> &devices, const FlashJob &job, QVector<FlashRun> *runs,
                       qint64 *peakResident)
{
    std::vector<std::unique_ptr<FlashJobRunner>> runners;
    QEventLoop loop;
    int running = 0;
    QVector<FlashRun> ended;
    QTimer sampler;
    qint64 peak = 0;
    if (peakResident) {
        peak = residentBytes();
        QObject::connect(&sampler, &QTimer::timeout,
                         [&peak] { peak = std::max(peak, residentBytes()); });
        sampler.start(20);
    }
    QElapsedTimer timer;
    timer.start();
    for (int device : devices) {
        runners.push_back(std::make_unique<FlashJobRunner>(*sessions[device]));
        if (qEnvironmentVariable("TELKOR_CONFIG").contains(QLatin1String("timing=off"))) {
            // The simulated clock moves with the calls alone (the tiny run of the test run):
            // busy times end after so many polls, whatever the time they take here.
            runners.back()->setPollIntervalMs(0);
            runners.back()->setClock([&timer] { return timer.nsecsElapsed() / 100000; });
        }
        QObject::connect(runners.back().get(), &FlashJobRunner::finished, &loop,
                         [&](const FlashRun &run) {
                             ended.append(run);
                             if (--running == 0)
                                 loop.quit();
                         });
        ++running;
        runners.back()->start(flashSettings(device), job);
    }
    loop.exec();
    const double us = double(timer.nsecsElapsed()) / 1000.0;
    if (peakResident)
        *peakResident = std::max(peak, residentBytes());
    for (const FlashRun &run : ended)
        if (!run.ok())
            qWarning("device %d: %s", run.settings.device, qPrintable(run.text()));
    if (runs)
        *runs = ended;
    return us;
}

void BenchFlash::flashJobs()
{
    // 2 MiB, the simulated flash's size; scaled down to whole 64 KiB blocks.
    const int size = int(std::max<qint64>(65536, qint64(2097152 * benchScale()) / 65536 * 65536));
    const QString mib = QString::number(size / 1048576.0, 'g', 3) + " MiB";
    const QByteArray first = image(size, 3), second = image(size, 100);
    for (int i = 0; i < size; ++i)
        QVERIFY(first[i] != second[i]);

    // The chip holds the first image on every adapter (not timed).
    QVector<FlashRun> runs;
    run({0, 1, 2, 3}, writeJob(first), &runs);
    for (const FlashRun &made : runs)
        QVERIFY(made.ok());

    // Reading.
    FlashJob read;
    read.kind = FlashJob::Kind::Read;
    read.length = quint64(size);
    read.keepData = false;
    const double readUs = run({0}, read, &runs);
    QVERIFY(runs.first().ok());
    const double leastRead = leastReadUs(size);
    figures.note("read " + mib + ": taken", ms(readUs));
    figures.note("read " + mib + ": least (bus time + a round trip per largest call)",
                 ms(leastRead));
    figures.note("read " + mib + ": against the least (goal <= 1.1)", ratio(readUs, leastRead));
    // The same read calls straight to the entries, without session, worker or engine: what the
    // simulated adapter itself takes beyond the least (its sleeps, its copying).
    {
        const AdapterEntries &entries = AdapterLibrary::entries();
        QByteArray in(largestRead, '\0');
        QElapsedTimer timer;
        timer.start();
        for (qint64 at = 0; at < size; at += largestRead) {
            uint8_t command[4] = {0x03, uint8_t(at >> 16), uint8_t(at >> 8), uint8_t(at)};
            const int count = int(std::min<qint64>(largestRead, size - at));
            QCOMPARE(entries.writeRead(0, 0x10, command, 4, reinterpret_cast<uint8_t *>(in.data()),
                                       count, 0),
                     0);
        }
        const double directUs = double(timer.nsecsElapsed()) / 1000.0;
        figures.note("read " + mib + ": the same calls straight to the entries",
                     ms(directUs) + ", " + ratio(directUs, leastRead));
    }

    // Writing over different data: every block erased, every page programmed, all verified.
    qint64 peak = 0;
    const qint64 before = residentBytes();
    const double writeUs = run({0}, writeJob(second), &runs, &peak);
    const FlashResult &written = runs.first().result;
    QVERIFY(runs.first().ok());
    const double blocks = double(written.eraseCommands), pages = double(written.programCommands);
    QCOMPARE(written.erasedBytes, quint64(size));
    QCOMPARE(written.programCommands, size / 256);
    const double busyUs = blocks * blockEraseUs + pages * pageProgramUs;
    const qint64 readCalls = (size + largestRead - 1) / largestRead;
    // Compare and verify reads; write enable, erase and one status read per block; write
    // enable, program and one status read per page.
    const double calls = double(2 * readCalls) + 3 * blocks + 3 * pages;
    const double busUs = (2.0 * size + 4.0 * 2 * double(readCalls) + (1 + 4 + 2) * blocks +
                          (1 + 4 + 2) * pages + double(written.programmedBytes)) *
                         8e6 / clockHz;
    const double leastWrite = busyUs + busUs + calls * roundTripUs;
    figures.note("write " + mib + " over other data: taken", ms(writeUs));
    figures.note(QString("write: least (busy %1 + bus %2 + %3 round trips)")
                     .arg(ms(busyUs))
                     .arg(ms(busUs))
                     .arg(calls),
                 ms(leastWrite));
    figures.note("write: against the least (goal <= 1.2)", ratio(writeUs, leastWrite));
    figures.note(QString("write: %1 erases, %2 page programs").arg(blocks).arg(pages), "");
    figures.note("write: resident growth, the image included (goal <= image + 16 MiB)",
                 QString::number(double(peak - before) / 1048576.0, 'f', 1) + " MiB (image " + mib +
                     ")");

    // The same image again: the comparison read alone.
    const double againUs = run({0}, writeJob(second), &runs);
    QVERIFY(runs.first().ok());
    QCOMPARE(runs.first().result.eraseCommands + runs.first().result.programCommands, 0);
    figures.note("write the same image again: taken", ms(againUs));
    figures.note("write the same again: against the read (goal <= 1.1)", ratio(againUs, readUs));

    // One byte changed, a bit of it from 0 to 1: one erase unit erased and programmed again.
    QByteArray changed = second;
    const int at = size / 2 + 123;
    for (int bit = 0; bit < 8; ++bit)
        if (!(changed[at] & (1 << bit))) {
            changed[at] = char(changed[at] | (1 << bit));
            break;
        }
    QVERIFY(changed[at] != second[at]);
    const double oneUs = run({0}, writeJob(changed), &runs);
    const FlashResult &one = runs.first().result;
    QVERIFY(runs.first().ok());
    figures.note("one byte changed: taken", ms(oneUs));
    figures.note("one byte changed: erased, programmed",
                 QString("%1 x %2 B erased, %3 pages programmed")
                     .arg(one.eraseCommands)
                     .arg(one.eraseCommands ? one.erasedBytes / quint64(one.eraseCommands) : 0)
                     .arg(one.programCommands));
    const double oneLeast = leastReadUs(size) + sectorEraseUs + 16 * pageProgramUs +
                            (3 + 3 * 16) * roundTripUs + leastReadUs(4096);
    figures.note("one byte changed: least (compare, erase, program, verify)", ms(oneLeast));

    // The same write on four adapters at once, against one.
    run({0, 1, 2, 3}, writeJob(first), &runs); // other data again everywhere
    const double oneAdapterUs = run({0}, writeJob(second), &runs);
    const double fourUs = run({0, 1, 2, 3}, writeJob(first), &runs);
    QCOMPARE(runs.size(), 4);
    for (const FlashRun &each : runs)
        QVERIFY(each.ok());
    figures.note("write " + mib + " on one adapter", ms(oneAdapterUs));
    figures.note("write " + mib + " on four adapters at once", ms(fourUs));
    figures.note("four at once against one (goal <= 1.2)", ratio(fourUs, oneAdapterUs));
    const double fourReadUs = run({0, 1, 2, 3}, read, &runs);
    figures.note("read " + mib + " on four adapters at once, against one",
                 ms(fourReadUs) + ", " + ratio(fourReadUs, readUs));
}

int main(int argc, char *argv[])
{
    // Four adapters; the library reads its configuration at its first call.
    qputenv("TELKOR_CONFIG", qgetenv("TELKOR_CONFIG") + ";adapters=4");
    prctl(PR_SET_TIMERSLACK, 1000UL, 0, 0, 0);
    QCoreApplication app(argc, argv);
    BenchFlash bench;
    return QTest::qExec(&bench, argc, argv);
}

#include "bench_flash.moc"
