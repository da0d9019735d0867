// The worker that runs library calls: jobs run one at a time, in order, on one thread of their
// own, whether they follow each other at once or after the thread fell asleep; a job outlives
// its worker, and abandoned jobs are counted until they end.

#include "adapter/callworker.h"

#include <QtTest>

#include <atomic>
#include <chrono>
#include <mutex>
#include <numeric>
#include <thread>

class TestCallWorker : public QObject
{
    Q_OBJECT

private slots:
    void jobsRunInOrder_data();
    void jobsRunInOrder();
    void abandonedJobsOutliveTheWorker();
};

void TestCallWorker::jobsRunInOrder_data()
{
    // The thread polls for a moment before it sleeps: jobs posted back to back, and after
    // pauses longer than that moment, must all run in order.
    QTest::addColumn<int>("jobUs");
    QTest::addColumn<int>("pauseUs");
    QTest::newRow("instant, back to back") << 0 << 0;
    QTest::newRow("job beyond the polling") << 500 << 0;
    QTest::newRow("pause beyond the polling") << 0 << 500;
}

void TestCallWorker::jobsRunInOrder()
{
    QFETCH(int, jobUs);
    QFETCH(int, pauseUs);
    CallWorker worker;
    std::mutex lock;
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    std::atomic<int> ran{0};
    for (int i = 0; i < 20; ++i) {
        worker.post([&, i] {
            std::this_thread::sleep_for(std::chrono::microseconds(jobUs));
            std::lock_guard<std::mutex> guard(lock);
            order.push_back(i);
            threads.push_back(std::this_thread::get_id());
            ++ran;
        });
        std::this_thread::sleep_for(std::chrono::microseconds(pauseUs));
    }
    QTRY_COMPARE(ran.load(), 20);
    std::lock_guard<std::mutex> guard(lock);
    std::vector<int> expected(20);
    std::iota(expected.begin(), expected.end(), 0);
    QVERIFY(order == expected);
    QVERIFY(threads.front() != std::this_thread::get_id());
    QCOMPARE(std::count(threads.begin(), threads.end(), threads.front()), 20L);
}

void TestCallWorker::abandonedJobsOutliveTheWorker()
{
    auto release = std::make_shared<std::atomic<bool>>(false);
    auto ran = std::make_shared<std::atomic<int>>(0);
    auto started = std::make_shared<std::atomic<int>>(0);
    const auto job = [release, ran, started] {
        ++*started;
        while (!*release)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ++*ran;
    };
    auto worker = std::make_unique<CallWorker>();
    worker->post(job);
    QTRY_COMPARE(started->load(), 1);
    worker->post(job); // queued behind the first
    QVERIFY(!CallWorker::abandonedCallRunning());
    worker->abandon();
    QVERIFY(CallWorker::abandonedCallRunning());
    worker.reset(); // the queued job never starts; the running one goes on
    QVERIFY(CallWorker::abandonedCallRunning());
    *release = true;
    QTRY_VERIFY(!CallWorker::abandonedCallRunning());
    QTest::qWait(20);
    QCOMPARE(ran->load(), 1);
}

QTEST_GUILESS_MAIN(TestCallWorker)
#include "tst_callworker.moc"
