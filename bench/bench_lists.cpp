// What the operation list, the auto-start and the library calls cost the program: loading a
// list into the window, memory per row, a pass with zero delays per checked and per unchecked
// row, scrolling the table and opening a cell's editor; the auto-start's tick rate and how long
// a posted event waits meanwhile; and the call worker's hand-off. Every figure is printed as a
// RESULT line and again in a table at the end.
//
// The program's own cost is measured apart from the library's: the list runner drives a session
// whose entries are trivial functions returning at once, and a pass through the window (against
// our simulated library) has the library's own time, measured by calling the entry directly,
// taken off.
//
// KAVRIS_BENCH_SCALE (default 1) scales every count; 0.0001 runs it all in a moment, as the test
// run does to keep it working.

#include "benchsupport.h"
#include "kavristest.h"

#include "adapter/adapterlibrary.h"
#include "adapter/adapterrequest.h"
#include "adapter/adaptersession.h"
#include "adapter/sessioncore.h"
#include "oplist/listfile.h"
#include "telkor/telkortest.h"
#include "transfer/trafficlog.h"
#include "transfer/trafficlogview.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QMap>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <malloc.h>
#include <thread>
#include <unistd.h>

namespace
{

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

// Nanoseconds the calling thread has so far spent ready to run while others had the cores.
qint64 runQueueWaitNs()
{
    QFile stat(QStringLiteral("/proc/thread-self/schedstat"));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    return stat.readAll().split(' ').value(1).toLongLong();
}

// Entries that cost nothing: an adapter is always there, opens, configures and transfers.
int32_t instantScan(int32_t)
{
    return 1;
}
int32_t instantOpen(int32_t)
{
    return 1;
}
int32_t instantInfo(int32_t, DeviceInfo *, char *)
{
    return 1;
}
int32_t instantConfigure(int32_t, int32_t, SpiConfig *)
{
    return 0;
}
int32_t instantWrite(int32_t, int32_t, uint8_t *, int32_t)
{
    return 0;
}
int32_t instantWriteRead(int32_t, int32_t, uint8_t *, int32_t, uint8_t *, int32_t, int32_t)
{
    return 0;
}
int32_t instantSlaveWrite(int32_t, int32_t, uint8_t *, int32_t, int32_t)
{
    return 0;
}
int32_t instantSlaveRead(int32_t, int32_t, uint8_t *, int32_t)
{
    return 0;
}
int32_t instantBlock(int32_t, int32_t, uint8_t *, int32_t, int32_t, int32_t)
{
    return 0;
}
int32_t instantBlockWriteRead(int32_t, int32_t, uint8_t *, int32_t, uint8_t *, int32_t, int32_t,
                              int32_t)
{
    return 0;
}

AdapterEntries instantEntries()
{
    AdapterEntries entries;
    entries.scan = instantScan;
    entries.open = instantOpen;
    entries.getInfo = instantInfo;
    entries.configure = instantConfigure;
    entries.write = instantWrite;
    entries.read = instantWrite;
    entries.writeRead = instantWriteRead;
    entries.slaveWrite = instantSlaveWrite;
    entries.slaveRead = instantSlaveRead;
    entries.blockWrite = instantBlock;
    entries.blockRead = instantBlock;
    entries.blockWriteRead = instantBlockWriteRead;
    return entries;
}

// A list file of `count` write rows of two bytes, no delay.
QByteArray listFile(int count, bool checked)
{
    ListRow row;
    row.checked = checked;
    row.operation = operationKeyword(Operation::Write);
    row.writeData = QStringLiteral("11 22");
    row.count = QStringLiteral("0");
    row.delay = QStringLiteral("0");
    return writeListFile(QVector<ListRow>(count, row));
}

QTableView *table(KavrisFixture &fixture)
{
    return fixture.find<QTableView>("operationTableWidget");
}

// A fresh window showing the list's tab, as a user loading a list sees it.
void startOnListTab(KavrisFixture &fixture)
{
    fixture.start();
    for (QWidget *page = table(fixture); page->parentWidget(); page = page->parentWidget()) {
        QWidget *stack = page->parentWidget();
        if (auto *tabs = qobject_cast<QTabWidget *>(stack->parentWidget())) {
            tabs->setCurrentWidget(page);
            break;
        }
    }
    QCoreApplication::processEvents();
}

// As the window's open button does it, then laid out and painted once.
void loadIntoWindow(KavrisFixture &fixture, const QByteArray &contents)
{
    ListFileError refusal = ListFileError::None;
    const QVector<ListRow> loaded = readListFile(contents, &refusal);
    QVector<RowProblem> problems;
    MainWindowTestAccess::operations(fixture.window())
        .appendRows(toOperationRows(loaded, true, &problems));
    QCoreApplication::processEvents();
    table(fixture)->viewport()->repaint();
}

// Seconds of one pass, from the click to the runner's idle signal.
double passSeconds(ListRunner &runner)
{
    bool done = false;
    QMetaObject::Connection idle =
        QObject::connect(&runner, &ListRunner::idle, [&done] { done = true; });
    QElapsedTimer timer;
    timer.start();
    runner.runOnce();
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double seconds = timer.nsecsElapsed() / 1e9;
    QObject::disconnect(idle);
    return seconds;
}

FigureTable figureTable;

void report(const QString &figure, double value, const char *unit)
{
    figureTable.note(figure,
                     QStringLiteral("%1 %2").arg(value, 10, 'f', 3).arg(QLatin1String(unit)));
    std::printf("RESULT %s: %.3f %s\n", qPrintable(figure), value, unit);
}

} // namespace

class BenchLists : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    // First, while the heap holds nothing of the other figures.
    void residentPerRow();
    void loadList_data();
    void loadList();
    void passCost_data();
    void passCost();
    void scrollAndEdit();
    void autoStart_data();
    void autoStart();
    void callWorkerHandOff();
    void shortWriteThroughSession();
};

void BenchLists::initTestCase()
{
    QVERIFY(loadSimulatedAdapter());
    std::printf("KAVRIS_BENCH_SCALE=%g\n", benchScale());
}

void BenchLists::cleanupTestCase()
{
    figureTable.print(70);
}

void BenchLists::residentPerRow()
{
    const int count = scaled(100000);
    KavrisFixture fixture;
    startOnListTab(fixture);
    const qint64 before = residentBytes();
    loadIntoWindow(fixture, listFile(count, true));
    const qint64 after = residentBytes();
    QCOMPARE(MainWindowTestAccess::operations(fixture.window()).rowCount(), count);
    report(QStringLiteral("list: resident bytes per row (%1 rows in the window)").arg(count),
           double(after - before) / count, "B");
    fixture.stop();
}

void BenchLists::loadList_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("10^3 rows") << int(scaled(1000));
    QTest::newRow("10^4 rows") << int(scaled(10000));
    QTest::newRow("10^5 rows") << int(scaled(100000));
}

void BenchLists::loadList()
{
    QFETCH(int, count);
    const QByteArray contents = listFile(count, true);
    KavrisFixture fixture;
    startOnListTab(fixture);
    QElapsedTimer timer;
    timer.start();
    loadIntoWindow(fixture, contents);
    const double seconds = timer.nsecsElapsed() / 1e9;
    QCOMPARE(MainWindowTestAccess::operations(fixture.window()).rowCount(), count);
    fixture.stop();
    report(QStringLiteral("list: load %1 rows into the window").arg(count), seconds, "s");
}

void BenchLists::passCost_data()
{
    QTest::addColumn<bool>("throughWindow");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<int>("count");
    for (const bool window : {false, true})
        for (const bool checked : {true, false})
            for (const int count : {1000, 10000, 100000})
                QTest::newRow(qPrintable(QStringLiteral("%1, %2, %3 rows")
                                             .arg(window ? "window" : "runner")
                                             .arg(checked ? "checked" : "unchecked")
                                             .arg(count)))
                    << window << checked << int(scaled(count));
}

void BenchLists::passCost()
{
    // Per row: the pass over `count` rows less an empty pass, over `count`. Through the window
    // the simulated library's own time for the same calls is taken off as well.
    QFETCH(bool, throughWindow);
    QFETCH(bool, checked);
    QFETCH(int, count);
    const QByteArray contents = listFile(count, checked);
    double microseconds = 0;
    if (throughWindow) {
        KavrisFixture fixture;
        startOnListTab(fixture);
        TelkorTestSetCallRecordLimit(64 * 1024);
        ListRunner &runner = MainWindowTestAccess::runner(fixture.window());
        passSeconds(runner); // prepares the adapter
        const double empty = passSeconds(runner);
        loadIntoWindow(fixture, contents);
        const double pass = passSeconds(runner);
        double library = 0;
        if (checked) {
            const AdapterEntries &entries = AdapterLibrary::entries();
            const SpiConfig applied =
                MainWindowTestAccess::session(fixture.window()).appliedConfig();
            QCOMPARE(int(applied.controlMode), 1); // half duplex: a write row is one SpiWrite
            uint8_t bytes[TELKOR_BUFFER_SIZE] = {0x11, 0x22};
            QElapsedTimer timer;
            timer.start();
            for (int i = 0; i < count; ++i)
                entries.write(0, 0, bytes, 2);
            library = timer.nsecsElapsed() / 1e9;
        }
        QCOMPARE(fixture.find<TrafficLogView>("dataTextBrowser")->log()->count(),
                 checked ? qint64(count) : 0);
        microseconds = (pass - empty - library) * 1e6 / count;
        fixture.stop();
    } else {
        OperationListModel model;
        AdapterSession session(instantEntries());
        ListRunner runner(session, model);
        qint64 echoes = 0;
        QObject::connect(&runner, &ListRunner::echo, [&echoes] { ++echoes; });
        passSeconds(runner); // prepares the adapter
        const double empty = passSeconds(runner);
        QVector<RowProblem> problems;
        model.appendRows(toOperationRows(readListFile(contents), true, &problems));
        const double pass = passSeconds(runner);
        QCOMPARE(echoes, checked ? qint64(count) : 0);
        microseconds = (pass - empty) * 1e6 / count;
    }
    report(QStringLiteral("pass, zero delays, %1: us per row")
               .arg(QLatin1String(QTest::currentDataTag())),
           microseconds, "us");
}

void BenchLists::scrollAndEdit()
{
    const int count = scaled(100000);
    KavrisFixture fixture;
    startOnListTab(fixture);
    loadIntoWindow(fixture, listFile(count, true));
    QTableView *view = table(fixture);
    QElapsedTimer timer;
    timer.start();
    view->scrollToBottom();
    QCoreApplication::processEvents();
    view->viewport()->repaint();
    const double scrollMs = timer.nsecsElapsed() / 1e6;
    QCOMPARE(view->indexAt(QPoint(1, view->rowViewportPosition(count - 1) + 1)).row(), count - 1);

    const QModelIndex last = MainWindowTestAccess::operations(fixture.window())
                                 .index(count - 1, OperationListModel::DataColumn);
    view->scrollToTop();
    QCoreApplication::processEvents();
    timer.start();
    view->scrollTo(last);
    view->edit(last);
    QCoreApplication::processEvents();
    const double editMs = timer.nsecsElapsed() / 1e6;
    const QLineEdit *editor = view->viewport()->findChild<QLineEdit *>();
    QVERIFY(editor && editor->isVisible());
    QCOMPARE(editor->text(), QStringLiteral("11 22"));
    fixture.stop();
    report(QStringLiteral("list: scroll to the last of %1 rows and paint").arg(count), scrollMs,
           "ms");
    report(QStringLiteral("list: open an editor on row %1").arg(count - 1), editMs, "ms");
}

void BenchLists::autoStart_data()
{
    QTest::addColumn<qint64>("logEntries");
    QTest::newRow("empty log") << qint64(0);
    QTest::newRow("10^6 log entries") << qint64(scaled(1000000));
}

void BenchLists::autoStart()
{
    // A block read of 5 blocks of 2 bytes every 5 ms, while a probe posts an event every
    // millisecond and notes how long it waited to be handled.
    QFETCH(qint64, logEntries);
    const int seconds = benchScale() >= 0.1 ? 3 : 1;
    KavrisFixture fixture;
    fixture.start();
    TelkorTestSetCallRecordLimit(64 * 1024);
    TrafficLog *log = fixture.find<TrafficLogView>("dataTextBrowser")->log();
    const char bytes[2] = {0x12, 0x34};
    for (qint64 i = 0; i < logEntries; ++i)
        log->append(false, bytes, 2, true);
    QCoreApplication::processEvents();
    fixture.select("operationComboBox", 4);
    fixture.find<QSpinBox>("readBlockSizeSpinBox")->setValue(2);
    fixture.find<QSpinBox>("blockReadCountSpinBox")->setValue(5);
    fixture.find<QSpinBox>("intervalTimeSpinBox")->setValue(0); // the box's least: 1 us
    fixture.find<QSpinBox>("timerSpinBox")->setValue(5);

    qint64 ticks = 0;
    AutoStart *autoStart = fixture.window().findChild<AutoStart *>();
    QVERIFY(autoStart);
    QElapsedTimer clock;
    clock.start();
    qint64 lastTickNs = -1;
    qint64 longestGapNs = 0;
    QObject::connect(autoStart, &AutoStart::tick, [&] {
        ++ticks;
        const qint64 now = clock.nsecsElapsed();
        if (lastTickNs >= 0)
            longestGapNs = std::max(longestGapNs, now - lastTickNs);
        lastTickNs = now;
    });
    QObject target;
    // Posted from a thread of its own, so that a stall of the window's thread delays the probe
    // however the stall came about.
    std::atomic<bool> probing{true};
    std::atomic<qint64> longestWait{0};
    std::atomic<qint64> handled{0};
    std::thread probe([&] {
        while (probing.load()) {
            const qint64 posted = clock.nsecsElapsed();
            QMetaObject::invokeMethod(
                &target,
                [&, posted] {
                    const qint64 wait = clock.nsecsElapsed() - posted;
                    if (wait > longestWait.load())
                        longestWait.store(wait);
                    ++handled;
                },
                Qt::QueuedConnection);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    // A tick that comes due while the one before is still under way is refused by the session;
    // what counts is the transfers done.
    int done = 0;
    QObject::connect(&MainWindowTestAccess::session(fixture.window()), &AdapterSession::ready,
                     [&done] { ++done; });
    fixture.click("autoStartPushButton");
    QVERIFY(MainWindowTestAccess::autoStartRunning(fixture.window()));
    const qint64 start = clock.nsecsElapsed();
    const double cpuStart = threadCpuSeconds();
    const qint64 queuedBefore = runQueueWaitNs();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double elapsed = (clock.nsecsElapsed() - start) / 1e9;
    const double cpu = threadCpuSeconds() - cpuStart;
    const qint64 queuedNs = runQueueWaitNs() - queuedBefore;
    fixture.click("autoStartPushButton");
    probing.store(false);
    probe.join();
    QCoreApplication::processEvents();
    QVERIFY(!MainWindowTestAccess::autoStartRunning(fixture.window()));
    QCOMPARE(log->count(), logEntries + 5 * done);
    fixture.stop();
    const QString tag = QLatin1String(QTest::currentDataTag());
    report(QStringLiteral("auto-start 5 ms, block read 5 x 2 B, %1: ticks per second").arg(tag),
           done / elapsed, "/s");
    report(QStringLiteral("auto-start 5 ms, block read 5 x 2 B, %1: longest wait of %2 probes")
               .arg(tag)
               .arg(handled.load()),
           longestWait.load() / 1e6, "ms");
    report(QStringLiteral("auto-start 5 ms, block read 5 x 2 B, %1: longest time between ticks")
               .arg(tag),
           longestGapNs / 1e6, "ms");
    // How long the window's thread was ready but had no core: on a shared machine the longer
    // waits come from there, not from the program.
    report(QStringLiteral("auto-start 5 ms, block read 5 x 2 B, %1: thread waiting for a core")
               .arg(tag),
           queuedNs / 1e7 / elapsed, "%");
    // What the window's own thread spent, ticks and probes together: the share of each 5 ms
    // that the program itself takes.
    report(QStringLiteral("auto-start 5 ms, block read 5 x 2 B, %1: window thread's CPU per tick")
               .arg(tag),
           cpu * 1e6 / std::max<qint64>(1, ticks), "us");
}

namespace
{

// Seconds per request of `count` requests made one after the other, each as soon as the one
// before was answered, on the event loop as the window and the list runner make them.
double chainedSeconds(AdapterSession &session, const AdapterRequest &request, int count,
                      int *failures)
{
    QEventLoop loop;
    int left = count;
    std::function<void()> next = [&] {
        if (left-- == 0)
            return loop.quit();
        session.submit(request, [&](const TransferOutcome &outcome) {
            *failures += !outcome.ok();
            next();
        });
    };
    QElapsedTimer timer;
    timer.start();
    next();
    loop.exec();
    return timer.nsecsElapsed() / 1e9 / count;
}

} // namespace

void BenchLists::callWorkerHandOff()
{
    // A read on instant entries: the session's work on the calling thread against the same
    // work as requests, handed to the worker and answered through the event loop.
    const int count = scaled(200000);
    const AdapterEntries entries = instantEntries();
    const AdapterRequest read = AdapterRequest::read(PanelSettings(), 2);
    SessionCore core(entries);
    int failures = !core.run(read).ok(); // prepares
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i)
        failures += !core.run(read).ok();
    const double direct = timer.nsecsElapsed() / 1e3 / count;
    AdapterSession session(entries);
    chainedSeconds(session, read, 1, &failures); // prepares
    const double requested = chainedSeconds(session, read, count, &failures) * 1e6;
    QCOMPARE(failures, 0);
    report(QStringLiteral("trivial read, session's work on the calling thread: us per call"),
           direct, "us");
    report(QStringLiteral("trivial read, as a request answered on the event loop: us per call"),
           requested, "us");
    report(QStringLiteral("trivial read, added by the worker and the answer: us per call"),
           requested - direct, "us");
}

void BenchLists::shortWriteThroughSession()
{
    // SpiWrite of 2 bytes on the simulated adapter, through the session and directly.
    const int count = scaled(100000);
    TelkorTestReset();
    TelkorTestConfigure("timing=off");
    TelkorTestSetCallRecordLimit(64 * 1024);
    const AdapterEntries &entries = AdapterLibrary::entries();
    AdapterSession session(entries);
    const PanelSettings settings; // master, hardware half-duplex: a write is one SpiWrite
    const AdapterRequest write = AdapterRequest::write(settings, QByteArray("\x11\x22", 2));
    int failures = 0;
    chainedSeconds(session, write, 1, &failures); // prepares the adapter
    uint8_t bytes[TELKOR_BUFFER_SIZE] = {0x11, 0x22};
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i)
        failures += entries.write(0, 0, bytes, 2) != 0;
    const double direct = timer.nsecsElapsed() / 1e3 / count;
    const double throughSession = chainedSeconds(session, write, count, &failures) * 1e6;
    QCOMPARE(failures, 0);
    report(QStringLiteral("SpiWrite of 2 B, simulated library, direct: us per call"), direct, "us");
    report(QStringLiteral("SpiWrite of 2 B, simulated library, as a session request: us per call"),
           throughSession, "us");
}

QTEST_MAIN(BenchLists)
#include "bench_lists.moc"
