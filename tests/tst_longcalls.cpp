// The window during a long library call (the simulated adapter on real time, block trains of
// 100 ms pauses): it keeps handling events and shows that it is busy, nothing starts a second
// transfer, auto-start ticks that come due are skipped, a list pass waits, and closing the
// window abandons the call and ends the event loop at once.

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
    void windowStaysResponsive();
    void dueTicksAreSkipped();
    void listPassWaits();
    void closingAbandonsTheCall();

private:
    // Block reads of `blocks` blocks 100 ms apart.
    void longBlockRead(int blocks);
    QString statusText();
};

void TestLongCalls::init()
{
    fixture.start();
    TelkorTestConfigure("timing=on");
    fixture.click("readPushButton"); // prepared
    clearAdapterCalls();
    fixture.find<QAction>("actionClear")->trigger();
}

void TestLongCalls::cleanup()
{
    // A call abandoned by a test ends on its own before the next test resets the adapter.
    QTRY_VERIFY_WITH_TIMEOUT(!CallWorker::abandonedCallRunning(), 20000);
    fixture.stop();
}

void TestLongCalls::longBlockRead(int blocks)
{
    fixture.find<QSpinBox>("readBlockSizeSpinBox")->setValue(1);
    fixture.find<QSpinBox>("blockReadCountSpinBox")->setValue(blocks);
    fixture.find<QSpinBox>("intervalTimeSpinBox")->setValue(100000);
}

QString TestLongCalls::statusText()
{
    QStringList texts;
    for (QLabel *label : fixture.window().statusBar()->findChildren<QLabel *>())
        if (label->isVisible())
            texts.append(label->text());
    return texts.join(QLatin1Char('|'));
}

void TestLongCalls::windowStaysResponsive()
{
    longBlockRead(5);
    QString during;
    QTimer::singleShot(250, &fixture.window(), [&] {
        during = statusText();
        fixture.click("blockReadPushButton"); // both start nothing
        fixture.click("writePushButton");
        fixture.click("toolButtonExecuteOnce");
    });
    fixture.click("blockReadPushButton");
    QVERIFY2(during.startsWith(QString::fromUtf8("正在块读数据，已用0秒，预计约1秒")),
             qPrintable(during));
    QCOMPARE(transferCalls(), QStringList({"SpiBlockRead(0,0x00,1,5,100000) => 0"}));
    QCOMPARE(fixture.logLines().size(), 5);
    QCOMPARE(statusText(), QString());
    QVERIFY(fixture.dialogs().seen.isEmpty());
}

void TestLongCalls::dueTicksAreSkipped()
{
    // Each call takes 0.4 s while the auto-start comes due every 5 ms: ticks that fall during a
    // call are dropped, not run after it.
    longBlockRead(5);
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

void TestLongCalls::listPassWaits()
{
    // The pass's second row comes due while the block tab's long call runs: it waits for the
    // call to end. A pass asked for meanwhile does not start at all.
    auto &rows = MainWindowTestAccess::operations(fixture.window());
    fixture.click("toolButtonAddNew");
    fixture.click("toolButtonAddNew");
    rows.setData(rows.index(0, 2), QStringLiteral("0A"));
    rows.setData(rows.index(0, 4), QStringLiteral("50"));
    rows.setData(rows.index(1, 2), QStringLiteral("0B"));
    longBlockRead(3);
    QTimer::singleShot(10, &fixture.window(), [this] { fixture.click("blockReadPushButton"); });
    fixture.click("toolButtonExecuteOnce");
    QTRY_VERIFY(!MainWindowTestAccess::runner(fixture.window()).isRunning());
    QCOMPARE(transferCalls(),
             QStringList({"SpiWrite(0,0x00,[0A],1) => 0", "SpiBlockRead(0,0x00,1,3,100000) => 0",
                          "SpiWrite(0,0x00,[0B],1) => 0"}));
}

void TestLongCalls::closingAbandonsTheCall()
{
    longBlockRead(20); // about two seconds
    QTimer::singleShot(0, &fixture.window(), [this] { fixture.click("blockReadPushButton"); });
    QTimer::singleShot(300, &fixture.window(), [this] { fixture.window().close(); });
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY2(clock.elapsed() < 1300, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(CallWorker::abandonedCallRunning());
    QCOMPARE(fixture.logLines(), QStringList()); // nothing logged after the close
    QVERIFY(fixture.dialogs().seen.isEmpty());
}

QTEST_MAIN(TestLongCalls)
#include "tst_longcalls.moc"
