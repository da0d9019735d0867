// The window during a long library call (block reads with 100 ms pauses on real time): it stays
// responsive, shows the call and disables what would make another request, and closing abandons
// the call. Short calls change nothing that can be seen.

#include "kavristest.h"

#include "adapter/callworker.h"
#include "telkor/telkortest.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QSpinBox>
#include <QStatusBar>
#include <QtTest>

namespace
{

// Counts how often the widgets it watches are enabled or disabled.
struct EnabledChanges : public QObject {
    int count = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::EnabledChange;
        return false;
    }
};

} // namespace

class TestLongCalls : public WindowTest
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void responsiveWhileACallRuns();
    void closingAbandonsTheCall();
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

void TestLongCalls::responsiveWhileACallRuns()
{
    // The pass's second row comes due while the block tab's long call runs: it waits for the
    // call to end. Meanwhile the controls that make requests are disabled, and enabled again
    // after the call.
    const auto statusText = [this] {
        const QLabel *busy = fixture.window().statusBar()->findChild<QLabel *>();
        return busy && busy->isVisible() ? busy->text() : QString();
    };
    auto &rows = MainWindowTestAccess::operations(fixture.window());
    fixture.click("toolButtonAddNew");
    fixture.click("toolButtonAddNew");
    rows.setData(rows.index(0, 2), QStringLiteral("0A"));
    rows.setData(rows.index(0, 4), QStringLiteral("50"));
    rows.setData(rows.index(1, 2), QStringLiteral("0B"));
    const char *requesting[] = {
        "writePushButton",       "readPushButton",         "writeReadPushButton",
        "blockWritePushButton",  "blockReadPushButton",    "blockWriteReadPushButton",
        "toolButtonExecuteOnce", "toolButtonExecuteCycle", "workingModeComboBox"};
    const auto enabled = [&] {
        QString states;
        for (const char *name : requesting)
            states += fixture.find<QWidget>(name)->isEnabled() ? '1' : '0';
        return states;
    };
    QString during, enabledDuring;
    // The block read starts in the first row's delay, when the session is free.
    QObject scope;
    connect(&MainWindowTestAccess::runner(fixture.window()), &ListRunner::delayStarted, &scope,
            [&] {
                if (!during.isNull())
                    return;
                during = QStringLiteral("?");
                fixture.find<QAbstractButton>("blockReadPushButton")->click();
                QTimer::singleShot(240, &scope, [&] {
                    during = statusText();
                    enabledDuring = enabled();
                });
            });
    fixture.click("toolButtonExecuteOnce");
    QTRY_VERIFY(!MainWindowTestAccess::runner(fixture.window()).isRunning());
    QVERIFY2(during.startsWith(QString::fromUtf8("正在块读数据，已用0秒，预计约1秒")),
             qPrintable(during));
    QCOMPARE(enabledDuring, QString("000000000"));
    QCOMPARE(enabled(), QString("111111111"));
    QCOMPARE(transferCalls(),
             QStringList({"SpiWrite(0,0x00,[0A],1) => 0", "SpiBlockRead(0,0x00,1,5,100000) => 0",
                          "SpiWrite(0,0x00,[0B],1) => 0"}));
    QCOMPARE(fixture.logLines().size(), 7);
    QCOMPARE(statusText(), QString());
    QVERIFY(fixture.dialogs().seen.isEmpty());

    // Short calls never flicker: a burst of them changes no control's state.
    EnabledChanges changes;
    for (const char *name : requesting)
        fixture.find<QWidget>(name)->installEventFilter(&changes);
    for (int i = 0; i < 20; ++i)
        fixture.click(i % 2 ? "writePushButton" : "readPushButton");
    QCOMPARE(changes.count, 0);
    QCOMPARE(transferCalls().size(), 23);
}

void TestLongCalls::closingAbandonsTheCall()
{
    fixture.find<QSpinBox>("blockReadCountSpinBox")->setValue(20); // about two seconds
    QTimer::singleShot(0, &fixture.window(),
                       [this] { fixture.find<QAbstractButton>("blockReadPushButton")->click(); });
    QTimer::singleShot(300, &fixture.window(), [this] { fixture.window().close(); });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(CallWorker::abandonedCallRunning()); // exec() did not wait for the call
    QCOMPARE(fixture.logLines(), QStringList()); // nothing logged after the close
    QVERIFY(fixture.dialogs().seen.isEmpty());
}

QTEST_MAIN(TestLongCalls)
#include "tst_longcalls.moc"
