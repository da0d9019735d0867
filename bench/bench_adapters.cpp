// The same job on one simulated adapter and on two at once, each on a thread of its own: on
// real time (the adapters sleep their bus time) and on the simulated clock (the calls' own
// cost). With a lock per adapter, two at once take about as long as one on real time; one
// lock for the whole library would make it twice as long. Prints a table at the end.

#include "benchsupport.h"
#include "simlibrary.h"

#include "telkor/telkortest.h"

#include <QElapsedTimer>
#include <QtTest>

#include <thread>

class BenchAdapters : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(loadSimulatedAdapter()); }
    void cleanupTestCase() { figures.print(72); }
    void sameJobOnTwoAdapters_data();
    void sameJobOnTwoAdapters();

private:
    FigureTable figures;
};

namespace
{

// `calls` calls of the job on adapter `device`; the number that failed.
int job(int device, bool blocks, int calls)
{
    uint8_t buffer[256] = {0x11, 0x22};
    int failures = 0;
    for (int i = 0; i < calls; ++i)
        failures += (blocks ? SpiBlockRead(device, 0x00, buffer, 64, 4, 2000)
                            : SpiWrite(device, 0x00, buffer, 2)) != 0;
    return failures;
}

// Milliseconds the job takes on each of `devices` at once.
double timed(const QList<int> &devices, bool blocks, int calls, int *failures)
{
    std::vector<int> failed(static_cast<size_t>(devices.size()));
    std::vector<std::thread> threads;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < devices.size(); ++i)
        threads.emplace_back([&, i] { failed[size_t(i)] = job(devices[i], blocks, calls); });
    for (std::thread &thread : threads)
        thread.join();
    const double ms = timer.nsecsElapsed() / 1e6;
    for (int count : failed)
        *failures += count;
    return ms;
}

} // namespace

void BenchAdapters::sameJobOnTwoAdapters_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("realTime");
    QTest::addColumn<int>("calls");
    // 4 blocks of 64 B at 1 MHz, 2 ms apart: 8.4 ms a call with the round trip.
    QTest::newRow("real time") << "block reads of 4 x 64 B at 1 MHz, 2 ms apart, timing=on" << true
                               << int(scaled(100));
    QTest::newRow("simulated clock")
        << "SpiWrite of 2 B, timing=off" << false << int(scaled(100000));
}

void BenchAdapters::sameJobOnTwoAdapters()
{
    QFETCH(QString, name);
    QFETCH(bool, realTime);
    QFETCH(int, calls);
    QCOMPARE(TelkorTestConfigure(realTime ? "adapters=2;timing=on" : "adapters=2;timing=off"), 0);
    TelkorTestSetCallRecordLimit(64 * 1024);
    SpiConfig config{1, 1, 0, 0, 0, 0, {0, 0}, 1000000};
    for (int device : {0, 1})
        QVERIFY(AdapterOpen(device) == 1 && SpiConfigure(device, 0x00, &config) == 0);
    int failures = 0;
    const double one = timed({0}, realTime, calls, &failures);
    const double two = timed({0, 1}, realTime, calls, &failures);
    QCOMPARE(failures, 0);
    const QString job = QStringLiteral("%1 x %2: ").arg(calls).arg(name);
    figures.note(job + "one adapter", QString::number(one, 'f', 1) + " ms");
    figures.note(job + "two adapters at once", QString::number(two, 'f', 1) + " ms");
    figures.note(job + "two against one", QString::number(two / one, 'f', 2) + " x");
}

QTEST_GUILESS_MAIN(BenchAdapters)
#include "bench_adapters.moc"
