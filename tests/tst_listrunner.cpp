// The list runner without a window: the rows a pass runs and skips, the delays, a failing row
// or preparation ending the pass and the cycle, stopping, rows added and deleted during a
// pass, a pass started during another, and abandoning everything.

#include "adapter/adaptersession.h"
#include "oplist/listrunner.h"
#include "oplist/operationlistmodel.h"
#include "simlibrary.h"
#include "telkor/telkortest.h"

#include <QtTest>

#include <memory>

class TestListRunner : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(loadSimulatedAdapter()); }
    void init();
    void passWithMixedRows();
    void passWithoutCheckedRowsStillPrepares();
    void failingRowEndsPassAndCycle();
    void cycleRepeatsUntilStopped();
    void idleCycleWaitsForRows();
    void rowsChangedDuringPass_data();
    void rowsChangedDuringPass();
    void passStartedDuringAnother();
    void staleConfigurationPreparedBeforeNextRow();
    void abandonEndsEverything();
    void skippedDelays();

private:
    void addRow(bool checked, const char *operation, const QString &data, const QString &count,
                const QString &delay);
    void waitUntilIdle() { QTRY_VERIFY_WITH_TIMEOUT(!runner->isRunning(), 5000); }
    QStringList written() const; // the data byte of each SpiWrite

    std::unique_ptr<AdapterSession> session;
    std::unique_ptr<OperationListModel> model;
    std::unique_ptr<ListRunner> runner;
    QStringList log;
    QStringList events; // "delay 5", "failed ...", "not ready ...", "cycle on", "pass"
    std::function<void(int)> onDelay; // with the number of delays so far
};

void TestListRunner::init()
{
    TelkorTestReset();
    session = std::make_unique<AdapterSession>(AdapterLibrary::entries());
    model = std::make_unique<OperationListModel>();
    runner = std::make_unique<ListRunner>(*session, *model);
    log.clear();
    events.clear();
    onDelay = nullptr;
    connect(runner.get(), &ListRunner::echo, this,
            [this](const TransferOutcome &outcome) { log += echoLines(outcome); });
    connect(runner.get(), &ListRunner::delayStarted, this, [this](int ms) {
        events.append(QStringLiteral("delay %1").arg(ms));
        if (onDelay)
            onDelay(events.filter(QStringLiteral("delay")).size());
    });
    connect(runner.get(), &ListRunner::rowFailed, this,
            [this](const QString &message) { events.append(QStringLiteral("failed ") + message); });
    connect(runner.get(), &ListRunner::notReady, this, [this](const QString &message) {
        events.append(QStringLiteral("not ready ") + message);
    });
    connect(runner.get(), &ListRunner::cycleChanged, this, [this](bool on) {
        events.append(on ? QStringLiteral("cycle on") : QStringLiteral("cycle off"));
    });
    connect(runner.get(), &ListRunner::passFinished, this, [this](bool ran) {
        events.append(ran ? QStringLiteral("pass") : QStringLiteral("empty pass"));
    });
}

void TestListRunner::addRow(bool checked, const char *operation, const QString &data,
                            const QString &count, const QString &delay)
{
    OperationRow row;
    row.checked = checked;
    parseOperation(QString::fromUtf8(operation), &row.operation);
    row.writeData = data;
    row.count = count;
    row.delay = delay;
    model->appendRows({row});
}

QStringList TestListRunner::written() const
{
    QStringList bytes;
    for (const QString &call : transferCalls())
        bytes.append(call.mid(17, 2));
    return bytes;
}

void TestListRunner::passWithMixedRows()
{
    addRow(true, "写数据", "01 02", "0", "25");
    addRow(false, "写数据", "03", "0", "100");
    addRow(true, "读数据", "", "2", "0");
    addRow(true, "写读数据", "04", "1", "5");
    queueMiso(QByteArray::fromHex("A1A2B1"));
    runner->runOnce();
    waitUntilIdle();
    QCOMPARE(adapterCalls(),
             QStringList({"AdapterScan(0) => 1", "AdapterOpen(0) => 1",
                          "SpiConfigure(0,0x00,[01 01 00 00 00 00],50000000) => 0",
                          "SpiWrite(0,0x00,[01 02],2) => 0", "SpiRead(0,0x00,2) => 0",
                          "SpiWriteRead(0,0x00,[04],1,1,0) => 0"}));
    QCOMPARE(log, QStringList({"TX : 01 02 ", "RX : A1 A2 ", "TX : 04 ", "RX : B1 "}));
    // The unchecked row costs nothing: no call, no delay.
    QCOMPARE(events, QStringList({"delay 25", "delay 5", "pass"}));
}

void TestListRunner::passWithoutCheckedRowsStillPrepares()
{
    addRow(false, "写数据", "11", "0", "100");
    runner->runOnce();
    waitUntilIdle();
    QCOMPARE(adapterCalls().size(), 3);
    QCOMPARE(transferCalls(), QStringList());
    QCOMPARE(events, QStringList({"empty pass"}));
}

void TestListRunner::failingRowEndsPassAndCycle()
{
    addRow(true, "写数据", "0A", "0", "1");
    addRow(true, "写数据", "0B", "0", "2");
    addRow(true, "写数据", "0C", "0", "3");
    TelkorTestForceResult("SpiWrite", 0, 1);
    TelkorTestForceResult("SpiWrite", -3, 1);
    runner->startCycle();
    waitUntilIdle();
    QCOMPARE(transferCalls(),
             QStringList({"SpiWrite(0,0x00,[0A],1) => 0", "SpiWrite(0,0x00,[0B],1) => -3"}));
    QCOMPARE(log, QStringList({"TX : 0A "}));
    QCOMPARE(events, QStringList({"cycle on", "delay 1", QString::fromUtf8("failed 写数据失败！"),
                                  "cycle off"}));
    QVERIFY(!runner->isCycling());
    QVERIFY(session->isStale());
}

void TestListRunner::cycleRepeatsUntilStopped()
{
    addRow(true, "写数据", "0A", "0", "1");
    addRow(true, "读数据", "", "1", "2");
    onDelay = [this](int count) {
        if (count == 6) // during the third pass's second row
            runner->stopCycle();
    };
    runner->startCycle();
    QVERIFY(runner->isCycling());
    waitUntilIdle();
    QCOMPARE(events.filter(QStringLiteral("delay")),
             QStringList({"delay 1", "delay 2", "delay 1", "delay 2", "delay 1", "delay 2"}));
    QCOMPARE(events.last(), QStringLiteral("cycle off"));
    QCOMPARE(transferCalls().size(), 6);
    // One preparation only: nothing went stale between passes.
    QCOMPARE(adapterCalls().count(QStringLiteral("AdapterScan(0) => 1")), 1);
}

void TestListRunner::idleCycleWaitsForRows()
{
    // The only checked row is unchecked while the cycle runs: the cycle idles without calling
    // the adapter, wakes when a row is checked again, and a stop ends it.
    addRow(true, "写数据", "0A", "0", "1");
    onDelay = [this](int count) {
        if (count == 1)
            model->setData(model->index(0, 0), Qt::Unchecked, Qt::CheckStateRole);
    };
    runner->startCycle();
    QTRY_COMPARE(events.filter(QStringLiteral("empty pass")).size(), 1);
    QTest::qWait(30);
    QCOMPARE(events.filter(QStringLiteral("empty pass")).size(), 1); // not spinning
    QCOMPARE(written(), QStringList({"0A"}));
    model->setData(model->index(0, 4), QStringLiteral("0"), Qt::EditRole);
    model->setData(model->index(0, 0), Qt::Checked, Qt::CheckStateRole);
    QTRY_VERIFY(written().size() >= 3);
    runner->stopCycle();
    waitUntilIdle();
    QVERIFY(!runner->isCycling());
}

void TestListRunner::rowsChangedDuringPass_data()
{
    QTest::addColumn<QString>("change"); // made right after row 0 ran
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<QStringList>("delays");
    QTest::newRow("the running row deleted")
        << "delete 0" << QStringList({"0A", "0B", "0C"}) << QStringList({"delay 20", "delay 30"});
    QTest::newRow("the next row deleted")
        << "delete 1" << QStringList({"0A", "0C"}) << QStringList({"delay 10", "delay 30"});
    QTest::newRow("a row inserted in front")
        << "insert" << QStringList({"0A", "0B", "0C", "0D"})
        << QStringList({"delay 10", "delay 20", "delay 30", "delay 40"});
    QTest::newRow("the running row's delay edited")
        << "edit" << QStringList({"0A", "0B", "0C"})
        << QStringList({"delay 15", "delay 20", "delay 30"});
}

void TestListRunner::rowsChangedDuringPass()
{
    QFETCH(QString, change);
    QFETCH(QStringList, written);
    QFETCH(QStringList, delays);
    addRow(true, "写数据", "0A", "0", "10");
    addRow(true, "写数据", "0B", "0", "20");
    addRow(true, "写数据", "0C", "0", "30");
    // Delivered at the first return to the event loop, right after row 0 ran.
    QTimer::singleShot(0, this, [this, change] {
        if (change.startsWith(QLatin1String("delete"))) {
            const int row = change.right(1).toInt();
            for (int r = 0; r < model->rowCount(); ++r)
                model->setData(model->index(r, 0), r == row ? Qt::Checked : Qt::Unchecked,
                               Qt::CheckStateRole);
            model->removeCheckedRows();
            for (int r = 0; r < model->rowCount(); ++r)
                model->setData(model->index(r, 0), Qt::Checked, Qt::CheckStateRole);
        } else if (change == QLatin1String("insert")) {
            addRow(true, "写数据", "0D", "0", "40"); // appended after the pass's rows
        } else {
            model->setData(model->index(0, 4), QStringLiteral("15"));
        }
    });
    runner->runOnce();
    waitUntilIdle();
    QCOMPARE(this->written(), written);
    QCOMPARE(events.filter(QStringLiteral("delay")), delays);
}

void TestListRunner::passStartedDuringAnother()
{
    // "Run once" clicked during a cycle's delay: that pass runs whole, then the cycle goes on.
    addRow(true, "写数据", "0A", "0", "30");
    addRow(true, "写数据", "0B", "0", "1");
    onDelay = [this](int count) {
        if (count == 1)
            runner->runOnce();
        if (count == 4)
            runner->stopCycle();
    };
    runner->startCycle();
    waitUntilIdle();
    QCOMPARE(written(), QStringList({"0A", "0A", "0B", "0B"}));
}

void TestListRunner::staleConfigurationPreparedBeforeNextRow()
{
    // Something between the rows (a failed auto-start tick, a change of the panel) made the
    // configuration stale: the next row configures the adapter first; if that fails, the pass
    // and the cycle end with the preparation's warning.
    addRow(true, "写数据", "0A", "0", "5");
    addRow(true, "写数据", "0B", "0", "5");
    addRow(true, "写数据", "0C", "0", "0");
    onDelay = [this](int count) {
        session->markStale();
        if (count == 2)
            TelkorTestSetAdapterCount(0);
    };
    runner->startCycle();
    waitUntilIdle();
    QCOMPARE(
        adapterCalls().mid(3),
        QStringList({"SpiWrite(0,0x00,[0A],1) => 0", "AdapterScan(0) => 1", "AdapterOpen(0) => 1",
                     "SpiConfigure(0,0x00,[01 01 00 00 00 00],50000000) => 0",
                     "SpiWrite(0,0x00,[0B],1) => 0", "AdapterScan(0) => 0"}));
    QCOMPARE(events.mid(events.size() - 2),
             QStringList({QString::fromUtf8("not ready 无设备连接！"), "cycle off"}));
    QVERIFY(!runner->isCycling());
}

void TestListRunner::abandonEndsEverything()
{
    addRow(true, "写数据", "0A", "0", "1000");
    addRow(true, "写数据", "0B", "0", "0");
    onDelay = [this](int) { runner->abandon(); };
    runner->startCycle();
    waitUntilIdle();
    QVERIFY(!runner->isCycling());
    QTest::qWait(20);
    QCOMPARE(written(), QStringList({"0A"}));
    QCOMPARE(events, QStringList({"cycle on", "delay 1000"}));
}

void TestListRunner::skippedDelays()
{
    addRow(true, "写数据", "0A", "0", "100000");
    addRow(true, "写数据", "0B", "0", "100000");
    runner->setSkipDelays(true);
    runner->runOnce();
    waitUntilIdle();
    QCOMPARE(written(), QStringList({"0A", "0B"}));
    QCOMPARE(events, QStringList({"pass"}));
}

QTEST_GUILESS_MAIN(TestListRunner)
#include "tst_listrunner.moc"
