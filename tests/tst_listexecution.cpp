// Running the operation list once and cyclically, and the auto-start timer: the calls the
// adapter receives, the log, the delays, the failure step, and what happens to rows, cycles
// and timers while the user acts in between.

#include "kavristest.h"

#include "telkor/telkortest.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

#include <functional>

namespace
{

// Records the row delays instead of waiting them, and lets a test act during a delay as a
// user would.
class RecordingWindow : public MainWindow
{
public:
    QList<int> delays;
    std::function<void(int)> duringDelay;

protected:
    void waitRowDelay(int milliseconds) override
    {
        delays.append(milliseconds);
        if (duringDelay)
            duringDelay(delays.size());
    }
};

const QString prepared[] = {QStringLiteral("AdapterScan(0) => 1"),
                            QStringLiteral("AdapterOpen(0) => 1")};

} // namespace

class TestListExecution : public WindowTest
{
    Q_OBJECT

private slots:
    void init();
    void passWithMixedRows();
    void rowPaths_data();
    void rowPaths();
    void passWithoutCheckedRows();
    void failingRowEndsPassAndCycle();
    void cycleRepeatsUntilStopped();
    void stoppingFinishesThePass();
    void stopWorksWithNoRowChecked();
    void failedPreparationEndsCycle();
    void rowsDeletedDuringPass_data();
    void rowsDeletedDuringPass();
    void autoStartRepeatsChosenTransfer();
    void autoStartSurvivesListFailure();
    void autoStartFailureLeavesCycleRunning();
    void realDelayKeepsWindowAnswering();
    void closingDuringCycleEndsProgram();

private:
    RecordingWindow &window() { return static_cast<RecordingWindow &>(fixture.window()); }
    QTableWidget *table() { return fixture.find<QTableWidget>("operationTableWidget"); }
    void addRow(bool checked, const char *type, const QString &data, const QString &count,
                const QString &delay);
    QStringList transferCalls(); // the calls after the preparation
};

void TestListExecution::init()
{
    fixture.start(std::make_unique<RecordingWindow>());
    fixture.find<QTabWidget>("tabWidget")->setCurrentIndex(2);
}

void TestListExecution::addRow(bool checked, const char *type, const QString &data,
                               const QString &count, const QString &delay)
{
    fixture.click("toolButtonAddNew");
    const int row = table()->rowCount() - 1;
    table()->item(row, 0)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    qobject_cast<QComboBox *>(table()->cellWidget(row, 1))->setCurrentText(QString::fromUtf8(type));
    qobject_cast<QLineEdit *>(table()->cellWidget(row, 2))->setText(data);
    qobject_cast<QLineEdit *>(table()->cellWidget(row, 3))->setText(count);
    qobject_cast<QLineEdit *>(table()->cellWidget(row, 4))->setText(delay);
}

QStringList TestListExecution::transferCalls()
{
    QStringList calls = adapterCalls();
    calls.erase(std::remove_if(calls.begin(), calls.end(),
                               [](const QString &call) {
                                   return call.startsWith(QLatin1String("Adapter")) ||
                                          call.startsWith(QLatin1String("SpiConfigure"));
                               }),
                calls.end());
    return calls;
}

void TestListExecution::passWithMixedRows()
{
    addRow(true, "写数据", "01 02", "0", "250");
    addRow(false, "写数据", "03", "0", "100");
    addRow(true, "读数据", "", "2", "0");
    addRow(true, "写读数据", "04", "1", "5");
    queueMiso(QByteArray::fromHex("A1A2B1"));
    fixture.click("toolButtonExecuteOnce");
    QCOMPARE(adapterCalls(),
             QStringList({prepared[0], prepared[1],
                          "SpiConfigure(0,0x00,[01 01 00 00 00 00],50000000) => 0",
                          "SpiWrite(0,0x00,[01 02],2) => 0", "SpiRead(0,0x00,2) => 0",
                          "SpiWriteRead(0,0x00,[04],1,1,0) => 0"}));
    QCOMPARE(fixture.logLines(),
             QStringList({"TX : 01 02 ", "RX : A1 A2 ", "TX : 04 ", "RX : B1 "}));
    // The unchecked row costs nothing: no call, no delay.
    QCOMPARE(window().delays, QList<int>({250, 5}));
    QVERIFY(fixture.dialogs().seen.isEmpty());
}

void TestListExecution::rowPaths_data()
{
    QTest::addColumn<int>("controlMode"); // -1: slave
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("force");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QString>("warning");

    const QStringList none;
    QTest::newRow("write, nothing to write") << 1 << "写数据"
                                             << ""
                                             << "0"
                                             << "" << none << none << "";
    QTest::newRow("write, half duplex") << 1 << "写数据"
                                        << "11 22"
                                        << "0"
                                        << "" << QStringList({"SpiWrite(0,0x00,[11 22],2) => 0"})
                                        << QStringList({"TX : 11 22 "}) << "";
    QTest::newRow("write, full duplex")
        << 0 << "写数据"
        << "11 22"
        << "0"
        << "" << QStringList({"SpiWriteRead(0,0x00,[11 22],2,2,0) => 0"})
        << QStringList({"TX : 11 22 ", "RX : 11 22 "}) << "";
    QTest::newRow("write, slave") << -1 << "写数据"
                                  << "11 22"
                                  << "0"
                                  << "" << QStringList({"SpiSlaveWrite(0,0x00,[11 22],2,0) => 0"})
                                  << QStringList({"TX : 11 22 "}) << "";
    QTest::newRow("write parts 1FF and G1")
        << 1 << "写数据"
        << "1FF G1"
        << "0"
        << "" << QStringList({"SpiWrite(0,0x00,[FF 00],2) => 0"}) << QStringList({"TX : FF 00 "})
        << "";
    QTest::newRow("read, slave ignores count")
        << -1 << "读数据"
        << ""
        << "0"
        << "" << QStringList({"SpiSlaveRead(0,0x00,0) => 2"}) << QStringList({"RX : 4F 4B "}) << "";
    QTest::newRow("read, count 0") << 1 << "读数据"
                                   << ""
                                   << "0"
                                   << "" << none << none << "";
    QTest::newRow("read, half duplex")
        << 1 << "读数据"
        << ""
        << " 2 "
        << "" << QStringList({"SpiRead(0,0x00,2) => 0"}) << QStringList({"RX : A1 A2 "}) << "";
    QTest::newRow("read, full duplex reads too")
        << 0 << "读数据"
        << ""
        << "2"
        << "" << QStringList({"SpiRead(0,0x00,2) => 0"}) << QStringList({"RX : A1 A2 "}) << "";
    QTest::newRow("read, count beyond the buffer")
        << 1 << "读数据"
        << ""
        << "20481"
        << "" << none << none << QString::fromUtf8("读数据超过20480字节的缓冲区上限，未读取！");
    QTest::newRow("read, negative count")
        << 1 << "读数据"
        << ""
        << "-5"
        << "" << none << none << QString::fromUtf8("读数据超过20480字节的缓冲区上限，未读取！");
    QTest::newRow("write-read, nothing to write") << 1 << "写读数据"
                                                  << ""
                                                  << "3"
                                                  << "" << none << none << "";
    QTest::newRow("write-read, slave") << -1 << "写读数据"
                                       << "11"
                                       << "3"
                                       << "" << none << none << "";
    QTest::newRow("write-read") << 1 << "写读数据"
                                << "11"
                                << "2"
                                << "" << QStringList({"SpiWriteRead(0,0x00,[11],1,2,0) => 0"})
                                << QStringList({"TX : 11 ", "RX : A1 A2 "}) << "";
    QTest::newRow("unknown type from a file") << 1 << "擦除"
                                              << "11"
                                              << "2"
                                              << "" << none << none << "";

    QTest::newRow("write fails") << 1 << "写数据"
                                 << "11"
                                 << "0"
                                 << "SpiWrite" << QStringList({"SpiWrite(0,0x00,[11],1) => -1"})
                                 << none << QString::fromUtf8("写数据失败！");
    QTest::newRow("full-duplex write fails")
        << 0 << "写数据"
        << "11"
        << "0"
        << "SpiWriteRead" << QStringList({"SpiWriteRead(0,0x00,[11],1,1,0) => -1"}) << none
        << QString::fromUtf8("写读数据失败！");
    QTest::newRow("slave write fails")
        << -1 << "写数据"
        << "11"
        << "0"
        << "SpiSlaveWrite" << QStringList({"SpiSlaveWrite(0,0x00,[11],1,0) => -1"}) << none
        << QString::fromUtf8("从机写数据失败！");
    QTest::newRow("slave read fails")
        << -1 << "读数据"
        << ""
        << "0"
        << "SpiSlaveRead" << QStringList({"SpiSlaveRead(0,0x00,0) => -1"}) << none
        << QString::fromUtf8("从机读数据失败！");
    QTest::newRow("read fails") << 1 << "读数据"
                                << ""
                                << "2"
                                << "SpiRead" << QStringList({"SpiRead(0,0x00,2) => -1"}) << none
                                << QString::fromUtf8("读数据失败！");
    QTest::newRow("write-read fails")
        << 1 << "写读数据"
        << "11"
        << "2"
        << "SpiWriteRead" << QStringList({"SpiWriteRead(0,0x00,[11],1,2,0) => -1"}) << none
        << QString::fromUtf8("写读数据失败！");
}

void TestListExecution::rowPaths()
{
    QFETCH(int, controlMode);
    QFETCH(QString, type);
    QFETCH(QString, data);
    QFETCH(QString, count);
    QFETCH(QString, force);
    QFETCH(QStringList, calls);
    QFETCH(QStringList, log);
    QFETCH(QString, warning);
    addRow(true, "写读数据", data, count, "7"); // made as master, so it offers every type
    qobject_cast<QComboBox *>(table()->cellWidget(0, 1))->setEditable(true);
    qobject_cast<QComboBox *>(table()->cellWidget(0, 1))->setEditText(type);
    if (controlMode < 0)
        fixture.select("workingModeComboBox", 0);
    else
        fixture.select("controlModeComboBox", controlMode);
    if (controlMode != 0 || type != QString::fromUtf8("写数据"))
        queueMiso(QByteArray::fromHex("A1A2")); // a full-duplex write gets the loopback's
    queueSlaveFrame("OK");
    if (!force.isEmpty())
        TelkorTestForceResult(qPrintable(force), -1, 1);
    clearAdapterCalls();
    fixture.click("toolButtonExecuteOnce");
    QCOMPARE(transferCalls(), calls);
    QCOMPARE(fixture.logLines(), log);
    if (warning.isEmpty()) {
        QVERIFY(fixture.dialogs().seen.isEmpty());
        QCOMPARE(window().delays, QList<int>({7})); // a row without a transfer still waits
    } else {
        QCOMPARE(fixture.dialogs().summary(), warningSummary(warning));
        QCOMPARE(window().delays, QList<int>());
        QVERIFY(MainWindowTestAccess::needsInit(fixture.window()));
    }
}

void TestListExecution::passWithoutCheckedRows()
{
    addRow(false, "写数据", "11", "0", "100");
    fixture.click("toolButtonExecuteOnce");
    QCOMPARE(transferCalls(), QStringList());
    QCOMPARE(window().delays, QList<int>());
}

void TestListExecution::failingRowEndsPassAndCycle()
{
    addRow(true, "写数据", "0A", "0", "1");
    addRow(true, "写数据", "0B", "0", "2");
    addRow(true, "写数据", "0C", "0", "3");
    TelkorTestForceResult("SpiWrite", 0, 1);
    TelkorTestForceResult("SpiWrite", -3, 1);
    auto *cycle = fixture.find<QToolButton>("toolButtonExecuteCycle");
    QString tipWhileRunning;
    window().duringDelay = [&](int) { tipWhileRunning = cycle->toolTip(); };
    fixture.click("toolButtonExecuteCycle");
    QCOMPARE(tipWhileRunning, QString::fromUtf8("停止循环执行列表"));
    QCOMPARE(transferCalls(),
             QStringList({"SpiWrite(0,0x00,[0A],1) => 0", "SpiWrite(0,0x00,[0B],1) => -3"}));
    QCOMPARE(fixture.logLines(), QStringList({"TX : 0A "}));
    QCOMPARE(window().delays, QList<int>({1}));
    QCOMPARE(fixture.dialogs().summary(), warningSummary(QString::fromUtf8("写数据失败！")));
    QVERIFY(!MainWindowTestAccess::cycleRunning(fixture.window()));
    QCOMPARE(cycle->toolTip(), QString::fromUtf8("循环执行列表"));
    QVERIFY(MainWindowTestAccess::needsInit(fixture.window()));
}

void TestListExecution::cycleRepeatsUntilStopped()
{
    addRow(true, "写数据", "0A", "0", "1");
    addRow(true, "读数据", "", "1", "2");
    window().duringDelay = [this](int count) {
        if (count == 6) // the user clicks during the third pass's second row
            fixture.click("toolButtonExecuteCycle");
    };
    fixture.click("toolButtonExecuteCycle");
    QCOMPARE(window().delays, QList<int>({1, 2, 1, 2, 1, 2}));
    QCOMPARE(transferCalls().size(), 6);
    QVERIFY(!MainWindowTestAccess::cycleRunning(fixture.window()));
    // One preparation only: nothing went stale between passes.
    QCOMPARE(adapterCalls().count(QStringLiteral("AdapterScan(0) => 1")), 1);
}

void TestListExecution::stoppingFinishesThePass()
{
    addRow(true, "写数据", "0A", "0", "1");
    addRow(true, "写数据", "0B", "0", "2");
    addRow(true, "写数据", "0C", "0", "3");
    auto *cycle = fixture.find<QToolButton>("toolButtonExecuteCycle");
    QString tipAfterStop;
    window().duringDelay = [&](int count) {
        if (count == 1) {
            fixture.click("toolButtonExecuteCycle");
            tipAfterStop = cycle->toolTip();
        }
    };
    fixture.click("toolButtonExecuteCycle");
    QCOMPARE(tipAfterStop, QString::fromUtf8("循环执行列表"));
    QCOMPARE(transferCalls(),
             QStringList({"SpiWrite(0,0x00,[0A],1) => 0", "SpiWrite(0,0x00,[0B],1) => 0",
                          "SpiWrite(0,0x00,[0C],1) => 0"}));
}

void TestListExecution::stopWorksWithNoRowChecked()
{
    // The only checked row is unchecked while the cycle runs: the cycle idles without
    // spinning, still handles events (the timer below fires), and the click stops it.
    addRow(true, "写数据", "0A", "0", "1");
    window().duringDelay = [this](int) { table()->item(0, 0)->setCheckState(Qt::Unchecked); };
    bool fired = false;
    QTimer::singleShot(50, &fixture.window(), [&] {
        fired = true;
        fixture.click("toolButtonExecuteCycle");
    });
    fixture.click("toolButtonExecuteCycle");
    QVERIFY(fired);
    QVERIFY(!MainWindowTestAccess::cycleRunning(fixture.window()));
    QCOMPARE(transferCalls(), QStringList({"SpiWrite(0,0x00,[0A],1) => 0"}));
    // With nothing checked and no cycle running, the button does nothing.
    fixture.click("toolButtonExecuteCycle");
    QVERIFY(!MainWindowTestAccess::cycleRunning(fixture.window()));
}

void TestListExecution::failedPreparationEndsCycle()
{
    addRow(true, "写数据", "0A", "0", "1");
    TelkorTestSetAdapterCount(0);
    fixture.click("toolButtonExecuteCycle"); // returns: the cycle does not retry for ever
    QCOMPARE(fixture.dialogs().summary(), warningSummary(QString::fromUtf8("无设备连接！")));
    QVERIFY(!MainWindowTestAccess::cycleRunning(fixture.window()));
    QCOMPARE(fixture.find<QToolButton>("toolButtonExecuteCycle")->toolTip(),
             QString::fromUtf8("循环执行列表"));
}

void TestListExecution::rowsDeletedDuringPass_data()
{
    QTest::addColumn<int>("deleted"); // the row removed while row 0's events are processed
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<QList<int>>("delays");
    QTest::newRow("the running row")
        << 0 << QStringList({"0A", "0B", "0C"}) << QList<int>({20, 30});
    QTest::newRow("the next row") << 1 << QStringList({"0A", "0C"}) << QList<int>({10, 30});
}

void TestListExecution::rowsDeletedDuringPass()
{
    QFETCH(int, deleted);
    QFETCH(QStringList, written);
    QFETCH(QList<int>, delays);
    addRow(true, "写数据", "0A", "0", "10");
    addRow(true, "写数据", "0B", "0", "20");
    addRow(true, "写数据", "0C", "0", "30");
    // Delivered at the first event processing of the pass, right after row 0 ran.
    QTimer::singleShot(0, &fixture.window(), [this, deleted] { table()->removeRow(deleted); });
    fixture.click("toolButtonExecuteOnce");
    QStringList actual;
    for (const QString &call : transferCalls())
        actual.append(call.mid(17, 2));
    QCOMPARE(actual, written);
    QCOMPARE(window().delays, delays);
}

void TestListExecution::autoStartRepeatsChosenTransfer()
{
    auto *autoStart = fixture.find<QPushButton>("autoStartPushButton");
    auto *period = fixture.find<QSpinBox>("timerSpinBox");
    period->setValue(5);
    fixture.click("autoStartPushButton");
    QCOMPARE(autoStart->text(), QString::fromUtf8("停止"));
    QVERIFY(MainWindowTestAccess::timerId(fixture.window()) != 0);
    // The period was read at the start: a longer one set now does not slow the ticks.
    period->setValue(3000);
    QTRY_VERIFY_WITH_TIMEOUT(transferCalls().size() >= 3, 2000);
    QVERIFY(transferCalls().first().startsWith(QStringLiteral("SpiWrite(")));
    // The operation is read at every tick.
    fixture.find<QComboBox>("operationComboBox")->setCurrentIndex(4);
    clearAdapterCalls();
    QTRY_VERIFY_WITH_TIMEOUT(transferCalls().size() >= 2, 2000);
    QCOMPARE(transferCalls().first(), QStringLiteral("SpiBlockRead(0,0x00,2,5,100) => 0"));
    fixture.click("autoStartPushButton");
    QCOMPARE(autoStart->text(), QString::fromUtf8("开始"));
    clearAdapterCalls();
    QTest::qWait(50);
    QCOMPARE(adapterCalls(), QStringList());
}

void TestListExecution::autoStartSurvivesListFailure()
{
    addRow(true, "写数据", "0A", "0", "0");
    fixture.find<QSpinBox>("timerSpinBox")->setValue(3000);
    fixture.click("autoStartPushButton");
    TelkorTestForceResult("SpiWrite", -1, 1);
    fixture.click("toolButtonExecuteOnce");
    QCOMPARE(fixture.dialogs().summary(), warningSummary(QString::fromUtf8("写数据失败！")));
    QCOMPARE(fixture.find<QPushButton>("autoStartPushButton")->text(), QString::fromUtf8("停止"));
    fixture.click("autoStartPushButton");
}

void TestListExecution::autoStartFailureLeavesCycleRunning()
{
    // A tick between list rows fails: it stops its own timer, the cycle goes on.
    fixture.stop();
    fixture.start();
    fixture.find<QTabWidget>("tabWidget")->setCurrentIndex(2);
    addRow(true, "写数据", "0A", "0", "20");
    fixture.find<QSpinBox>("timerSpinBox")->setValue(5);
    fixture.find<QComboBox>("operationComboBox")->setCurrentIndex(1);
    fixture.click("readPushButton"); // prepared, so the tick's read reaches the adapter
    TelkorTestForceResult("SpiRead", -1, 1);
    bool cycleAlive = false;
    fixture.dialogs().then([&](QWidget *box) {
        cycleAlive = MainWindowTestAccess::cycleRunning(fixture.window());
        ModalAnswerer::pressDefault()(box);
        QTimer::singleShot(50, &fixture.window(),
                           [this] { fixture.click("toolButtonExecuteCycle"); });
    });
    fixture.click("autoStartPushButton");
    fixture.click("toolButtonExecuteCycle"); // returns once the timer above stops the cycle
    QCOMPARE(fixture.dialogs().summary(), warningSummary(QString::fromUtf8("读数据失败！")));
    QVERIFY(cycleAlive);
    QCOMPARE(fixture.find<QPushButton>("autoStartPushButton")->text(), QString::fromUtf8("开始"));
    QVERIFY(!MainWindowTestAccess::cycleRunning(fixture.window()));
}

void TestListExecution::realDelayKeepsWindowAnswering()
{
    // The real wait (not the recording one): events are handled while a row's delay runs.
    fixture.stop();
    fixture.start();
    fixture.find<QTabWidget>("tabWidget")->setCurrentIndex(2);
    addRow(true, "写数据", "0A", "0", "200");
    bool handled = false;
    QTimer::singleShot(20, &fixture.window(), [&] { handled = true; });
    QElapsedTimer clock;
    clock.start();
    fixture.click("toolButtonExecuteOnce");
    QVERIFY(handled);
    QVERIFY(clock.elapsed() >= 190);
}

void TestListExecution::closingDuringCycleEndsProgram()
{
    fixture.stop();
    fixture.start();
    fixture.find<QTabWidget>("tabWidget")->setCurrentIndex(2);
    addRow(true, "写数据", "0A", "0", "1000");
    fixture.find<QSpinBox>("timerSpinBox")->setValue(3000);
    fixture.click("autoStartPushButton");
    QTimer::singleShot(0, &fixture.window(), [this] { fixture.click("toolButtonExecuteCycle"); });
    QTimer::singleShot(100, &fixture.window(), [this] { fixture.window().close(); });
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(clock.elapsed() < 900); // the row's delay was cut short
    QVERIFY(!MainWindowTestAccess::cycleRunning(fixture.window()));
    QCOMPARE(fixture.find<QPushButton>("autoStartPushButton")->text(), QString::fromUtf8("开始"));
    QCOMPARE(transferCalls(), QStringList({"SpiWrite(0,0x00,[0A],1) => 0"}));
}

QTEST_MAIN(TestListExecution)
#include "tst_listexecution.moc"
