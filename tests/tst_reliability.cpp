// The program against an unreliable adapter: injected faults and an adapter unplugged and
// plugged back. Every failure is reported once, and the next transfer starts afresh.

#include "kavristest.h"

#include "telkor/telkortest.h"

#include <QtTest>

class TestReliability : public WindowTest
{
    Q_OBJECT

private slots:
    void everyThirdWriteFails();
    void unplugAndPlugBack();
    void randomFaultsOnEveryEntry();
};

void TestReliability::everyThirdWriteFails()
{
    QCOMPARE(TelkorTestConfigure("timing=off;fault.SpiWrite=every:3"), 0);
    for (int i = 0; i < 9; ++i)
        fixture.click("writePushButton");
    const QString failure = QString::fromUtf8("QMessageBox|警告|写数据失败！");
    QCOMPARE(fixture.dialogs().summary(), QStringList({failure, failure, failure}));
    QCOMPARE(fixture.logLines().size(), 6);
    // The first write prepares the adapter, and so do the writes after the 3rd and 6th.
    QCOMPARE(adapterCalls().count(QStringLiteral("AdapterScan(0) => 1")), 3);
}

void TestReliability::unplugAndPlugBack()
{
    fixture.click("writePushButton");
    TelkorTestSetAdapterCount(0); // pulled out
    fixture.click("writePushButton");
    fixture.click("writePushButton");
    TelkorTestSetAdapterCount(1); // plugged back
    fixture.click("writePushButton");
    QCOMPARE(fixture.dialogs().summary(),
             QStringList({QString::fromUtf8("QMessageBox|警告|写数据失败！"),
                          QString::fromUtf8("QMessageBox|警告|无设备连接！")}));
    QCOMPARE(fixture.logLines().size(), 2);
    QCOMPARE(adapterCalls().mid(adapterCalls().size() - 4),
             QStringList({"AdapterScan(0) => 1", "AdapterOpen(0) => 1",
                          "SpiConfigure(0,0x00,[01 01 00 00 00 00],50000000) => 0",
                          "SpiWrite(0,0x00,[11 22 33 44 55 66 77 88 99 AA],10) => 0"}));
}

void TestReliability::randomFaultsOnEveryEntry()
{
    // Every entry fails now and then; whatever happens, each click ends in either an echo or
    // exactly one warning, and the window stays usable.
    QString rules = QStringLiteral("timing=off;fault.seed=7");
    for (const char *entry : {"AdapterScan", "AdapterOpen", "SpiConfigure", "SpiWrite", "SpiRead",
                              "SpiWriteRead", "SpiBlockWrite", "SpiBlockRead", "SpiBlockWriteRead"})
        rules += QStringLiteral(";fault.%1=random:0.2").arg(QLatin1String(entry));
    QCOMPARE(TelkorTestConfigure(qPrintable(rules)), 0);
    const char *buttons[] = {"writePushButton",     "readPushButton",
                             "writeReadPushButton", "blockWritePushButton",
                             "blockReadPushButton", "blockWriteReadPushButton"};
    int clicks = 0;
    for (int round = 0; round < 20; ++round) {
        for (const char *button : buttons) {
            const int warningsBefore = fixture.dialogs().seen.size();
            const int linesBefore = fixture.logLines().size();
            fixture.click(button);
            ++clicks;
            const int warnings = fixture.dialogs().seen.size() - warningsBefore;
            const int lines = fixture.logLines().size() - linesBefore;
            QVERIFY2((warnings == 1 && lines == 0) || (warnings == 0 && lines > 0),
                     qPrintable(QStringLiteral("%1: %2 warnings, %3 lines")
                                    .arg(QLatin1String(button))
                                    .arg(warnings)
                                    .arg(lines)));
        }
    }
    QVERIFY(fixture.dialogs().seen.size() > 10);
    QVERIFY(fixture.dialogs().seen.size() < clicks);
}

QTEST_MAIN(TestReliability)
#include "tst_reliability.moc"
