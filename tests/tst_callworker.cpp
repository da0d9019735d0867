// The worker that runs library calls: short calls handle no event and run in order on another
// thread, a long one lets the event loop turn, and a wait can be abandoned.

#include "adapter/callworker.h"

#include <QSignalSpy>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <thread>

// A call that returns `value` once `release` is set.
static std::function<int32_t()> heldCall(std::shared_ptr<std::atomic<bool>> release, int32_t value)
{
    return [release, value] {
        while (!*release)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return value;
    };
}

class TestCallWorker : public QObject
{
    Q_OBJECT

private slots:
    void shortCalls_data();
    void shortCalls();
    void longCalls();
};

void TestCallWorker::shortCalls_data()
{
    // Each side polls for a moment before it sleeps: calls and pauses shorter and longer than
    // that moment must all hand over the right result and let no event in.
    QTest::addColumn<int>("callUs");
    QTest::addColumn<int>("pauseUs");
    QTest::newRow("instant, back to back") << 0 << 0;
    QTest::newRow("call beyond the polling") << 500 << 0;
    QTest::newRow("pause beyond the polling") << 0 << 500;
    QTest::newRow("both beyond") << 2000 << 2000;
}

void TestCallWorker::shortCalls()
{
    QFETCH(int, callUs);
    QFETCH(int, pauseUs);
    CallWorker worker;
    bool fired = false;
    QObject scope; // the timers below die with the function, whatever it returns by
    QTimer::singleShot(0, &scope, [&] { fired = true; });
    const std::thread::id here = std::this_thread::get_id();
    int next = 0; // the index of the call expected next on the worker thread
    for (int i = 0; i < 20; ++i) {
        int32_t result = -1;
        const auto call = [&next, i, here, callUs] {
            std::this_thread::sleep_for(std::chrono::microseconds(callUs));
            next += std::this_thread::get_id() != here && next == i;
            return 100 + i;
        };
        QVERIFY(worker.run(call, &result));
        QCOMPARE(result, 100 + i);
        std::this_thread::sleep_for(std::chrono::microseconds(pauseUs));
    }
    QCOMPARE(next, 20);
    QVERIFY(!fired);
    QTRY_VERIFY(fired);
}

void TestCallWorker::longCalls()
{
    auto worker = std::make_unique<CallWorker>();
    QSignalSpy started(worker.get(), &CallWorker::longCallStarted);
    QSignalSpy finished(worker.get(), &CallWorker::longCallFinished);
    bool busyInTimer = false;
    auto release = std::make_shared<std::atomic<bool>>(false);
    QObject scope;
    // The call ends only once the timer has fired: proof that events were handled.
    QTimer::singleShot(150, &scope, [&] {
        busyInTimer = worker->isBusy();
        *release = true;
    });
    int32_t result = 0;
    QVERIFY(worker->run(heldCall(release, 7), &result));
    QCOMPARE(result, 7);
    QVERIFY(busyInTimer);
    QVERIFY(!worker->isBusy());
    QCOMPARE(QList<int>({int(started.size()), int(finished.size())}), QList<int>({1, 1}));

    // Abandoned: run() returns while the call runs on, which then ends on its own.
    *release = false;
    QTimer::singleShot(30, &scope, [&] { worker->abandon(); });
    QVERIFY(!worker->run(heldCall(release, 1), &result));
    QCOMPARE(result, 7);
    QVERIFY(CallWorker::abandonedCallRunning());
    worker.reset();
    *release = true;
    QTRY_VERIFY(!CallWorker::abandonedCallRunning());
}

QTEST_GUILESS_MAIN(TestCallWorker)
#include "tst_callworker.moc"
