// The worker that runs library calls: a short call handles no event while it is awaited, a
// long one lets the event loop turn, calls run one at a time on another thread, and a wait can
// be abandoned without waiting for the call.

#include "adapter/callworker.h"

#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <thread>

class TestCallWorker : public QObject
{
    Q_OBJECT

private slots:
    void shortCallHandlesNoEvent();
    void longCallLetsEventsIn();
    void callsRunInOrderOnTheirThread();
    void handOffWhateverTheTiming_data();
    void handOffWhateverTheTiming();
    void abandonedWaitReturnsAtOnce();
};

void TestCallWorker::shortCallHandlesNoEvent()
{
    CallWorker worker;
    QSignalSpy started(&worker, &CallWorker::longCallStarted);
    bool fired = false;
    QTimer::singleShot(0, this, [&] { fired = true; });
    int32_t result = 0;
    QVERIFY(worker.run(
        [] {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            return 42;
        },
        &result));
    QCOMPARE(result, 42);
    QVERIFY(!fired);
    QCOMPARE(started.size(), 0);
    QTRY_VERIFY(fired);
}

void TestCallWorker::longCallLetsEventsIn()
{
    CallWorker worker;
    worker.setGraceMicroseconds(20000);
    QSignalSpy started(&worker, &CallWorker::longCallStarted);
    QSignalSpy finished(&worker, &CallWorker::longCallFinished);
    bool busyInTimer = false;
    QTimer::singleShot(60, this, [&] { busyInTimer = worker.isBusy(); });
    std::atomic<bool> release{false};
    int32_t result = 0;
    // The call ends only once the timer above has fired: proof that events were handled.
    QTimer::singleShot(80, this, [&] { release = true; });
    QVERIFY(worker.run(
        [&release] {
            while (!release)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return 7;
        },
        &result));
    QCOMPARE(result, 7);
    QVERIFY(busyInTimer);
    QVERIFY(!worker.isBusy());
    QCOMPARE(started.size(), 1);
    QCOMPARE(finished.size(), 1);
}

void TestCallWorker::callsRunInOrderOnTheirThread()
{
    CallWorker worker;
    const std::thread::id here = std::this_thread::get_id();
    std::vector<int> order;
    for (int i = 0; i < 50; ++i) {
        int32_t result = -1;
        QVERIFY(worker.run(
            [&order, i, here] {
                order.push_back(std::this_thread::get_id() == here ? -1 : i);
                return i;
            },
            &result));
        QCOMPARE(result, i);
    }
    std::vector<int> expected(50);
    for (int i = 0; i < 50; ++i)
        expected[i] = i;
    QVERIFY(order == expected);
}

void TestCallWorker::handOffWhateverTheTiming_data()
{
    // Each side polls for a moment before it sleeps: calls and pauses shorter and longer than
    // that moment must all hand over the right result and let no event in.
    QTest::addColumn<int>("callUs");
    QTest::addColumn<int>("pauseUs");
    QTest::newRow("instant, back to back") << 0 << 0;
    QTest::newRow("short call") << 20 << 0;
    QTest::newRow("call beyond the polling") << 500 << 0;
    QTest::newRow("pause beyond the polling") << 0 << 500;
    QTest::newRow("both beyond") << 2000 << 2000;
}

void TestCallWorker::handOffWhateverTheTiming()
{
    QFETCH(int, callUs);
    QFETCH(int, pauseUs);
    CallWorker worker;
    QSignalSpy started(&worker, &CallWorker::longCallStarted);
    bool fired = false;
    QTimer::singleShot(0, this, [&] { fired = true; });
    for (int i = 0; i < 20; ++i) {
        int32_t result = -1;
        QVERIFY(worker.run(
            [i, callUs] {
                std::this_thread::sleep_for(std::chrono::microseconds(callUs));
                return 100 + i;
            },
            &result));
        QCOMPARE(result, 100 + i);
        std::this_thread::sleep_for(std::chrono::microseconds(pauseUs));
    }
    QVERIFY(!fired);
    QCOMPARE(started.size(), 0);
}

void TestCallWorker::abandonedWaitReturnsAtOnce()
{
    auto worker = std::make_unique<CallWorker>();
    worker->setGraceMicroseconds(10000);
    auto release = std::make_shared<std::atomic<bool>>(false);
    auto ended = std::make_shared<std::atomic<bool>>(false);
    QTimer::singleShot(30, this, [&] { worker->abandon(); });
    int32_t result = 99;
    QVERIFY(!worker->run(
        [release, ended] {
            while (!*release)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            *ended = true;
            return 1;
        },
        &result));
    QCOMPARE(result, 99);
    QVERIFY(!*ended);
    QVERIFY(CallWorker::abandonedCallRunning());
    // The worker goes away with the call still running; the call ends on its own.
    worker.reset();
    *release = true;
    QTRY_VERIFY(!CallWorker::abandonedCallRunning());
    QVERIFY(*ended);
}

QTEST_GUILESS_MAIN(TestCallWorker)
#include "tst_callworker.moc"
