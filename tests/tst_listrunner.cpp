// The list runner without a window: the rows a pass runs, its delays, failures ending the cycle,
// stopping, rows changed and passes started during a pass, abandoning everything, and the report
// each run ends with.

#include "adapter/adaptermessages.h"
#include "adapter/adaptersession.h"
#include "oplist/listrunner.h"
#include "oplist/listrunreport.h"
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
    void cycles_data();
    void cycles();
    void idleCycleWaitsForRows();
    void rowsChangedDuringPass_data();
    void rowsChangedDuringPass();

private:
    // "check|operation|data|count|delay", or "data|delay" for a checked write.
    void addRows(const QStringList &rows);
    // "N:action,…": at the Nth delay the runner stops, runs once, starts a cycle, abandons, the
    // configuration goes stale, the adapter is unplugged, or the next write fails ("fail").
    void followScript(const QString &script);
    void waitUntilIdle() { QTRY_VERIFY_WITH_TIMEOUT(!runner->isRunning(), 5000); }

    std::unique_ptr<AdapterSession> session;
    std::unique_ptr<OperationListModel> model;
    std::unique_ptr<ListRunner> runner;
    QStringList events; // "TX : 0A ", "delay 5", "failed ...", "not ready ...", "cycle on", "pass"
    std::function<void(int)> onDelay; // with the number of delays so far
};

void TestListRunner::init()
{
    TelkorTestReset();
    session = std::make_unique<AdapterSession>(AdapterLibrary::entries());
    model = std::make_unique<OperationListModel>();
    runner = std::make_unique<ListRunner>(*session, *model);
    events.clear();
    onDelay = nullptr;
    const ListRunner *r = runner.get();
    connect(r, &ListRunner::echo, this,
            [this](const TransferOutcome &o) { events += echoLines(o); });
    connect(r, &ListRunner::delayStarted, this, [this](int ms) {
        events += QStringLiteral("delay %1").arg(ms);
        if (onDelay)
            onDelay(events.filter(QStringLiteral("delay")).size());
    });
    connect(r, &ListRunner::rowFailed, this,
            [this](const TransferOutcome &o) { events += "failed " + adapterErrorText(o); });
    connect(r, &ListRunner::notReady, this,
            [this](const TransferOutcome &o) { events += "not ready " + adapterErrorText(o); });
    connect(r, &ListRunner::cycleChanged, this, [this](bool on) {
        const QString event = on ? "cycle on" : "cycle off"; // a stop mid-pass tells it twice
        const QStringList told = events.filter(QStringLiteral("cycle "));
        if (told.value(told.size() - 1) != event)
            events += event;
    });
    connect(r, &ListRunner::passFinished, this,
            [this](bool ran) { events += ran ? "pass" : "empty pass"; });
}

void TestListRunner::followScript(const QString &script)
{
    const QHash<QString, std::function<void()>> actions{
        {"stop", [this] { runner->stopCycle(); }},
        {"once", [this] { runner->runOnce(); }},
        {"cycle", [this] { runner->startCycle(); }},
        {"abandon", [this] { runner->abandon(); }},
        {"stale", [this] { session->markStale(); }},
        {"unplug", [] { TelkorTestSetAdapterCount(0); }},
        {"fail", [] { forceNext(QStringLiteral("SpiWrite=-3")); }}};
    onDelay = [script, actions](int count) {
        for (const QString &step : script.split(QLatin1Char(','), Qt::SkipEmptyParts))
            if (step.section(QLatin1Char(':'), 0, 0).toInt() == count)
                actions.value(step.section(QLatin1Char(':'), 1))();
    };
}

void TestListRunner::addRows(const QStringList &rows)
{
    for (const QString &text : rows) {
        QStringList f = text.split(QLatin1Char('|'));
        if (f.size() == 2)
            f = QStringList({"1", QString::fromUtf8("写数据"), f.at(0), "0", f.at(1)});
        OperationRow row;
        row.checked = f.at(0) == QLatin1String("1");
        parseOperation(f.at(1), &row.operation);
        row.writeData = f.at(2);
        row.count = f.at(3);
        row.delay = f.at(4);
        model->appendRows({row});
    }
}

void TestListRunner::cycles_data()
{
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QString>("start");  // "cycle", "once", "skip" (once without delays)
    QTest::addColumn<QString>("script"); // "N:action" done at the Nth delay
    QTest::addColumn<QString>("calls");  // "prepare" and "0A" (its SpiWrite) stand for their calls
    QTest::addColumn<QString>("events");
    QTest::addColumn<QString>("report"); // the report's text without the time; "": not looked at
    // clang-format off
    QTest::newRow("mixed rows, the unchecked one costing nothing") << "01 02|25;0|写数据|03|0|100;1|读数据||2|0;1|写读数据|04|1|5" << "once" << "" << "prepare;SpiWrite(0,0x00,[01 02],2) => 0;SpiRead(0,0x00,2) => 0;SpiWriteRead(0,0x00,[04],1,1,0) => 0" << "TX : 01 02 ;delay 25;RX : A1 A2 ;TX : 04 ;RX : B1 ;delay 5;pass" << "单次执行列表完成：执行3行";
    QTest::newRow("a failing row ends pass and cycle") << "0A|1;0B|2;0C|3" << "cycle" << "1:fail" << "prepare;0A;SpiWrite(0,0x00,[0B],1) => -3" << "cycle on;TX : 0A ;delay 1;failed 写数据失败！;cycle off" << "列表执行因错误停止：执行1行";
    QTest::newRow("a cycle until stopped, prepared once") << "0A|1;0B|2" << "cycle" << "4:stop" << "prepare;0A;0B;0A;0B" << "cycle on;TX : 0A ;delay 1;TX : 0B ;delay 2;pass;TX : 0A ;delay 1;TX : 0B ;delay 2;cycle off;pass" << "循环执行列表已停止：共2遍，执行4行";
    QTest::newRow("once during a cycle does nothing") << "0A|30;0B|1" << "cycle" << "1:once,3:stop" << "prepare;0A;0B;0A;0B" << "cycle on;TX : 0A ;delay 30;TX : 0B ;delay 1;pass;TX : 0A ;delay 30;cycle off;TX : 0B ;delay 1;pass" << "循环执行列表已停止：共2遍，执行4行";
    QTest::newRow("a cycle started during a single pass goes on from it") << "0A|5;0B|1" << "once" << "1:cycle,3:stop" << "prepare;0A;0B;0A;0B" << "TX : 0A ;delay 5;cycle on;TX : 0B ;delay 1;pass;TX : 0A ;delay 5;cycle off;TX : 0B ;delay 1;pass" << "循环执行列表已停止：共2遍，执行4行";
    // A failed auto-start tick or a change of the panel made the configuration stale between
    // rows: the next row prepares first, and if that fails the cycle ends with its warning.
    QTest::newRow("stale configuration prepared before the next row") << "0A|5;0B|5;0C|0" << "cycle" << "1:stale,2:stale,2:unplug" << "prepare;0A;prepare;0B;AdapterScan(0) => 0" << "cycle on;TX : 0A ;delay 5;TX : 0B ;delay 5;not ready 无设备连接！;cycle off" << "列表执行因错误停止：执行2行";
    QTest::newRow("abandon") << "0A|1000;0B|0" << "cycle" << "1:abandon" << "prepare;0A" << "cycle on;TX : 0A ;delay 1000" << "";
    QTest::newRow("skipped delays") << "0A|100000;0B|100000" << "skip" << "" << "prepare;0A;0B" << "TX : 0A ;TX : 0B ;pass" << "单次执行列表完成：执行2行";
    // clang-format on
}

void TestListRunner::cycles()
{
    QFETCH(QString, rows);
    QFETCH(QString, start);
    QFETCH(QString, script);
    QFETCH(QString, calls);
    QFETCH(QString, events);
    addRows(rows.split(QLatin1Char(';')));
    queueMiso(QByteArray::fromHex("A1A2B1"));
    followScript(script);
    ListRunReport reporter(*runner);
    QStringList reports;
    connect(&reporter, &ListRunReport::ended, this, [&](const QString &text) { reports << text; });
    runner->setSkipDelays(start == QLatin1String("skip"));
    start == QLatin1String("cycle") ? runner->startCycle() : runner->runOnce();
    waitUntilIdle();
    QTest::qWait(20); // nothing more comes
    QStringList expected;
    for (const QString &call : calls.split(QLatin1Char(';')))
        expected += call == QLatin1String("prepare")
                        ? QStringList({"AdapterScan(0) => 1", "AdapterOpen(0) => 1",
                                       "SpiConfigure(0,0x00,[01 01 00 00 00 00],50000000) => 0"})
                    : call.size() == 2 ? QStringList({"SpiWrite(0,0x00,[" + call + "],1) => 0"})
                                       : QStringList({call});
    QCOMPARE(adapterCalls(), expected);
    QCOMPARE(this->events.join(QLatin1Char(';')), events);
    QVERIFY(!runner->isCycling());
    QFETCH(QString, report);
    if (!report.isEmpty()) {
        QCOMPARE(reports.size(), 1);
        QVERIFY2(QRegularExpression("^" + report + QString::fromUtf8("，用时\\d+\\.\\d{3}秒$"))
                     .match(reports.first())
                     .hasMatch(),
                 qPrintable(reports.first()));
    }
}

void TestListRunner::idleCycleWaitsForRows()
{
    // The only checked row is unchecked while the cycle runs: the cycle idles without calling
    // the adapter, wakes when a row is checked again, and a stop ends it.
    addRows({"0A|1"});
    onDelay = [this](int count) {
        if (count == 1)
            model->setData(model->index(0, 0), Qt::Unchecked, Qt::CheckStateRole);
    };
    runner->startCycle();
    QTRY_COMPARE(events.count(QStringLiteral("empty pass")), 1);
    QTest::qWait(30);
    QCOMPARE(events.count(QStringLiteral("empty pass")), 1); // not spinning
    QCOMPARE(transferCalls(), QStringList({"SpiWrite(0,0x00,[0A],1) => 0"}));
    model->setData(model->index(0, 4), QStringLiteral("0"), Qt::EditRole);
    model->setData(model->index(0, 0), Qt::Checked, Qt::CheckStateRole);
    QTRY_VERIFY(transferCalls().size() >= 3);
    runner->stopCycle();
    waitUntilIdle();
}

void TestListRunner::rowsChangedDuringPass_data()
{
    QTest::addColumn<QString>("change"); // made right after row 0 ran
    QTest::addColumn<QString>("events");
    // clang-format off
    QTest::newRow("the running row deleted") << "delete 0" << "TX : 0A ;TX : 0B ;delay 20;TX : 0C ;delay 30;pass";
    QTest::newRow("the next row deleted") << "delete 1" << "TX : 0A ;delay 10;TX : 0C ;delay 30;pass";
    QTest::newRow("a row appended") << "insert" << "TX : 0A ;delay 10;TX : 0B ;delay 20;TX : 0C ;delay 30;TX : 0D ;delay 40;pass";
    QTest::newRow("the running row's delay edited") << "edit" << "TX : 0A ;delay 15;TX : 0B ;delay 20;TX : 0C ;delay 30;pass";
    // clang-format on
}

void TestListRunner::rowsChangedDuringPass()
{
    QFETCH(QString, change);
    QFETCH(QString, events);
    addRows({"0A|10", "0B|20", "0C|30"});
    // Made as soon as row 0 ran, before its delay is read.
    connect(runner.get(), &ListRunner::echo, this, [this, change] {
        if (this->events.size() != 1)
            return;
        const auto checkOnly = [this](int only) {
            for (int r = 0; r < model->rowCount(); ++r)
                model->setData(model->index(r, 0),
                               only < 0 || r == only ? Qt::Checked : Qt::Unchecked,
                               Qt::CheckStateRole);
        };
        if (change.startsWith(QLatin1String("delete"))) {
            checkOnly(change.right(1).toInt());
            model->removeCheckedRows();
            checkOnly(-1);
        } else if (change == QLatin1String("insert")) {
            addRows({"0D|40"});
        } else {
            model->setData(model->index(0, 4), QStringLiteral("15"));
        }
    });
    runner->runOnce();
    waitUntilIdle();
    QCOMPARE(this->events.join(QLatin1Char(';')), events);
}

QTEST_GUILESS_MAIN(TestListRunner)
#include "tst_listrunner.moc"
