// The window during a long library call (block reads with 100 ms pauses on real time): it stays
// responsive and busy, starts nothing else, skips due ticks, and closing abandons the call.

#include "kavristest.h"

#include "telkor/telkortest.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QSpinBox>
#include <QStatusBar>
#include <QtTest>

class TestLongCalls : public WindowTest
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void responsiveWhileACallRuns();
    void dueTicksAreSkipped();
    void closingAbandonsTheCall();

private:
    QString statusText();
};

void TestLongCalls::init()
{
    fixture.start();
    TelkorTestConfigure("timing=on");
    fixture.click("readPushButton"); // prepared
    clearAdapterCalls();
    fixture.find<QAction>("actionClear")->trigger();
    // Five one-byte block reads 100 ms apart: a call of about half a second.
    fixture.find<QSpinBox>("readBlockSizeSpinBox")->setValue(1);
    fixture.find<QSpinBox>("blockReadCountSpinBox")->setValue(5);
    fixture.find<QSpinBox>("intervalTimeSpinBox")->setValue(100000);
}

void TestLongCalls::cleanup()
{
    // A call abandoned by a test ends on its own before the next test resets the adapter.
    QTRY_VERIFY_WITH_TIMEOUT(!CallWorker::abandonedCallRunning(), 20000);
    fixture.stop();
}

QString TestLongCalls::statusText()
{
    const QLabel *busy = fixture.window().statusBar()->findChild<QLabel *>();
    return busy && busy->isVisible() ? busy->text() : QString();
}

void TestLongCalls::dueTicksAreSkipped()
{
    // Calls of 0.4 s under a 5 ms auto-start: ticks due during a call are dropped, not queued.
    fixture.find<QComboBox>("operationComboBox")->setCurrentIndex(4);
    fixture.find<QSpinBox>("timerSpinBox")->setValue(5);
    fixture.click("autoStartPushButton");
    QTest::qWait(1000);
    fixture.click("autoStartPushButton");
    QTRY_VERIFY(!MainWindowTestAccess::session(fixture.window()).isBusy());
    const int calls = transferCalls().size();
    QVERIFY2(calls >= 1 && calls <= 3, qPrintable(QString::number(calls)));
    QCOMPARE(fixture.logLines().size(), 5 * calls);
}

void TestLongCalls::responsiveWhileACallRuns()
{
    // The pass's second row comes due while the block tab's long call runs: it waits for the
    // call to end. Transfers and a pass asked for meanwhile start nothing.
    auto &rows = MainWindowTestAccess::operations(fixture.window());
    fixture.click("toolButtonAddNew");
    fixture.click("toolButtonAddNew");
    rows.setData(rows.index(0, 2), QStringLiteral("0A"));
    rows.setData(rows.index(0, 4), QStringLiteral("50"));
    rows.setData(rows.index(1, 2), QStringLiteral("0B"));
    QString during;
    QTimer::singleShot(10, &fixture.window(), [this] { fixture.click("blockReadPushButton"); });
    QTimer::singleShot(250, &fixture.window(), [&] {
        during = statusText();
        fixture.click("blockReadPushButton");
        fixture.click("writePushButton");
        fixture.click("toolButtonExecuteOnce");
    });
    fixture.click("toolButtonExecuteOnce");
    QTRY_VERIFY(!MainWindowTestAccess::runner(fixture.window()).isRunning());
    QVERIFY2(during.startsWith(QString::fromUtf8("正在块读数据，已用0秒，预计约1秒")),
             qPrintable(during));
    QCOMPARE(transferCalls(),
             QStringList({"SpiWrite(0,0x00,[0A],1) => 0", "SpiBlockRead(0,0x00,1,5,100000) => 0",
                          "SpiWrite(0,0x00,[0B],1) => 0"}));
    QCOMPARE(fixture.logLines().size(), 7);
    QCOMPARE(statusText(), QString());
    QVERIFY(fixture.dialogs().seen.isEmpty());
}

void TestLongCalls::closingAbandonsTheCall()
{
    fixture.find<QSpinBox>("blockReadCountSpinBox")->setValue(20); // about two seconds
    QTimer::singleShot(0, &fixture.window(), [this] { fixture.click("blockReadPushButton"); });
    QTimer::singleShot(300, &fixture.window(), [this] { fixture.window().close(); });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(CallWorker::abandonedCallRunning()); // exec() did not wait for the call
    QCOMPARE(fixture.logLines(), QStringList()); // nothing logged after the close
    QVERIFY(fixture.dialogs().seen.isEmpty());
}

QTEST_MAIN(TestLongCalls)
#include "tst_longcalls.moc"
