// Write, read and write-read of the basic tab in every mode: the entry and arguments the
// adapter receives, the log lines, and the warning of each failure.

#include "kavristest.h"

#include "telkor/telkortest.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

class TestBasicTransfers : public WindowTest
{
    Q_OBJECT

private slots:
    void init();
    void paths_data();
    void paths();
    void emptyBoxSendsNothingButStillCalls();
    void hexConversionsDiffer();
    void writeReadUsesSpinCount();
    void plainTextBox();
    void asciiRendering();
    void writeDataLimit_data();
    void writeDataLimit();
    void failureStopsAutoStart();
};

void TestBasicTransfers::init()
{
    fixture.start();
    fixture.setWriteText("writeTextEdit", QStringLiteral("11 22 33"));
    fixture.find<QSpinBox>("readByteCountSpinBox")->setValue(3);
}

void TestBasicTransfers::paths_data()
{
    QTest::addColumn<int>("controlMode"); // -1: slave (hardware half duplex)
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("force"); // "entry=result" forced on the transfer entry
    QTest::addColumn<QString>("call");  // the last call the adapter received
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QString>("warning");

    const QStringList tx = {"TX : 11 22 33 "};
    const QStringList none;
    QTest::newRow("write, half duplex") << 1 << "writePushButton"
                                        << ""
                                        << "SpiWrite(0,0x00,[11 22 33],3) => 0" << tx << "";
    QTest::newRow("write, software half duplex")
        << 2 << "writePushButton"
        << ""
        << "SpiWrite(0,0x00,[11 22 33],3) => 0" << tx << "";
    QTest::newRow("write, single bus") << 3 << "writePushButton"
                                       << ""
                                       << "SpiWrite(0,0x00,[11 22 33],3) => 0" << tx << "";
    QTest::newRow("write, full duplex") << 0 << "writePushButton"
                                        << ""
                                        << "SpiWriteRead(0,0x00,[11 22 33],3,3,0) => 0"
                                        << QStringList({"TX : 11 22 33 ", "RX : 11 22 33 "}) << "";
    QTest::newRow("write, slave") << -1 << "writePushButton"
                                  << ""
                                  << "SpiSlaveWrite(0,0x00,[11 22 33],3,0) => 0" << tx << "";
    QTest::newRow("read, half duplex")
        << 1 << "readPushButton"
        << ""
        << "SpiRead(0,0x00,3) => 0" << QStringList({"RX : A1 B2 C3 "}) << "";
    QTest::newRow("read, full duplex")
        << 0 << "readPushButton"
        << ""
        << "SpiRead(0,0x00,3) => 0" << QStringList({"RX : A1 B2 C3 "}) << "";
    QTest::newRow("read, slave") << -1 << "readPushButton"
                                 << ""
                                 << "SpiSlaveRead(0,0x00,0) => 2" << QStringList({"RX : 4F 4B "})
                                 << "";
    QTest::newRow("write-read, half duplex")
        << 1 << "writeReadPushButton"
        << ""
        << "SpiWriteRead(0,0x00,[11 22 33],3,3,0) => 0"
        << QStringList({"TX : 11 22 33 ", "RX : A1 B2 C3 "}) << "";
    QTest::newRow("write-read, full duplex")
        << 0 << "writeReadPushButton"
        << ""
        << "SpiWriteRead(0,0x00,[11 22 33],3,3,0) => 0"
        << QStringList({"TX : 11 22 33 ", "RX : A1 B2 C3 "}) << "";

    QTest::newRow("write fails") << 1 << "writePushButton"
                                 << "SpiWrite=-1"
                                 << "SpiWrite(0,0x00,[11 22 33],3) => -1" << none
                                 << QString::fromUtf8("写数据失败！");
    QTest::newRow("full-duplex write fails") << 0 << "writePushButton"
                                             << "SpiWriteRead=1"
                                             << "SpiWriteRead(0,0x00,[11 22 33],3,3,0) => 1" << none
                                             << QString::fromUtf8("写读数据失败！");
    QTest::newRow("slave write fails") << -1 << "writePushButton"
                                       << "SpiSlaveWrite=-7"
                                       << "SpiSlaveWrite(0,0x00,[11 22 33],3,0) => -7" << none
                                       << QString::fromUtf8("从机模式写数据失败！");
    QTest::newRow("read fails") << 1 << "readPushButton"
                                << "SpiRead=2"
                                << "SpiRead(0,0x00,3) => 2" << none
                                << QString::fromUtf8("读数据失败！");
    QTest::newRow("slave read fails")
        << -1 << "readPushButton"
        << "SpiSlaveRead=-1"
        << "SpiSlaveRead(0,0x00,0) => -1" << none << QString::fromUtf8("从机读数据失败！");
    QTest::newRow("slave read beyond the buffer")
        << -1 << "readPushButton"
        << "SpiSlaveRead=20481"
        << "SpiSlaveRead(0,0x00,0) => 20481" << none << QString::fromUtf8("从机读数据失败！");
    QTest::newRow("write-read fails") << 1 << "writeReadPushButton"
                                      << "SpiWriteRead=-2"
                                      << "SpiWriteRead(0,0x00,[11 22 33],3,3,0) => -2" << none
                                      << QString::fromUtf8("写读数据失败！");
}

void TestBasicTransfers::paths()
{
    QFETCH(int, controlMode);
    QFETCH(QString, button);
    QFETCH(QString, force);
    QFETCH(QString, call);
    QFETCH(QStringList, log);
    QFETCH(QString, warning);
    if (controlMode < 0)
        fixture.select("workingModeComboBox", 0);
    else
        fixture.select("controlModeComboBox", controlMode);
    if (controlMode != 0 || button != QLatin1String("writePushButton"))
        queueMiso(QByteArray::fromHex("A1B2C3")); // a full-duplex write gets the loopback's
    queueSlaveFrame("OK");
    if (!force.isEmpty())
        forceNext(force);
    clearAdapterCalls();
    fixture.click(qPrintable(button));
    QCOMPARE(adapterCalls().last(), call);
    QCOMPARE(fixture.logLines(), log);
    QCOMPARE(fixture.dialogs().summary(), warningSummary(warning));
    QCOMPARE(MainWindowTestAccess::needsInit(fixture.window()), !warning.isEmpty());
}

void TestBasicTransfers::emptyBoxSendsNothingButStillCalls()
{
    fixture.setWriteText("writeTextEdit", QString());
    fixture.click("writePushButton");
    QCOMPARE(adapterCalls().last(), QStringLiteral("SpiWrite(0,0x00,[],0) => 0"));
    QCOMPARE(fixture.logLines(), QStringList({"TX : "}));
    // A slave read with nothing received leaves log and screen alone.
    fixture.find<QAction>("actionClear")->trigger();
    fixture.select("workingModeComboBox", 0);
    fixture.click("readPushButton");
    QCOMPARE(adapterCalls().last(), QStringLiteral("SpiSlaveRead(0,0x00,0) => 0"));
    QCOMPARE(fixture.log(), QString());
    QVERIFY(fixture.dialogs().seen.isEmpty());
}

void TestBasicTransfers::hexConversionsDiffer()
{
    // The write reads tokens as unsigned numbers, the write-read as signed ones.
    fixture.setWriteText("writeTextEdit", QStringLiteral("FFFFFFFF -1 1FF"));
    fixture.click("writePushButton");
    QCOMPARE(adapterCalls().last(), QStringLiteral("SpiWrite(0,0x00,[FF 00 FF],3) => 0"));
    fixture.click("writeReadPushButton");
    QCOMPARE(adapterCalls().last(), QStringLiteral("SpiWriteRead(0,0x00,[00 FF FF],3,3,0) => 0"));
}

void TestBasicTransfers::writeReadUsesSpinCount()
{
    fixture.setWriteText("writeTextEdit", QStringLiteral("01 02"));
    fixture.find<QSpinBox>("readByteCountSpinBox")->setValue(5);
    queueMiso(QByteArray::fromHex("0102030405"));
    fixture.click("writeReadPushButton");
    QCOMPARE(adapterCalls().last(), QStringLiteral("SpiWriteRead(0,0x00,[01 02],2,5,0) => 0"));
    QCOMPARE(fixture.logLines(), QStringList({"TX : 01 02 ", "RX : 01 02 03 04 05 "}));
}

void TestBasicTransfers::plainTextBox()
{
    fixture.find<QCheckBox>("hexSendCheckBox")->setChecked(false); // no conversion
    fixture.setWriteText("writeTextEdit", QStringLiteral("Hi 1\nA"));
    fixture.click("writePushButton");
    QCOMPARE(adapterCalls().last(), QStringLiteral("SpiWrite(0,0x00,[48 69 20 31 0A 41],6) => 0"));
}

void TestBasicTransfers::asciiRendering()
{
    fixture.find<QAction>("actionTxt")->trigger();
    QVERIFY(!MainWindowTestAccess::hexDisplay(fixture.window()));
    queueMiso(QByteArray("OK\0Z", 4));
    fixture.find<QSpinBox>("readByteCountSpinBox")->setValue(4);
    fixture.click("readPushButton");
    queueMiso(QByteArray("\0AB", 3));
    fixture.find<QSpinBox>("readByteCountSpinBox")->setValue(3);
    fixture.click("readPushButton");
    fixture.find<QAction>("actionTxt")->trigger();
    fixture.click("writePushButton");
    QCOMPARE(fixture.logLines(), QStringList({"RX : OK", "RX : ", "TX : 11 22 33 "}));
}

void TestBasicTransfers::writeDataLimit_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("bytes");
    QTest::addColumn<bool>("sent");
    QTest::newRow("write 20480") << "writePushButton" << 20480 << true;
    QTest::newRow("write 20481") << "writePushButton" << 20481 << false;
    QTest::newRow("write-read 20481") << "writeReadPushButton" << 20481 << false;
    // 65537 would wrap to 1 byte in a 16-bit count: it must be refused, not cut.
    QTest::newRow("write 65537") << "writePushButton" << 65537 << false;
}

void TestBasicTransfers::writeDataLimit()
{
    QFETCH(QString, button);
    QFETCH(int, bytes);
    QFETCH(bool, sent);
    fixture.click("readPushButton"); // prepared
    fixture.find<QCheckBox>("hexSendCheckBox")->setChecked(false);
    fixture.setWriteText("writeTextEdit", QString(bytes, QLatin1Char('a')));
    clearAdapterCalls();
    fixture.click(qPrintable(button));
    if (sent) {
        QCOMPARE(adapterCalls().size(), 1);
        QVERIFY(adapterCalls().first().endsWith(QStringLiteral("],20480) => 0")));
        QVERIFY(fixture.dialogs().seen.isEmpty());
    } else {
        QCOMPARE(adapterCalls(), QStringList());
        QCOMPARE(fixture.dialogs().summary(),
                 warningSummary(QString::fromUtf8("写数据超过20480字节的缓冲区上限，未发送！")));
    }
}

void TestBasicTransfers::failureStopsAutoStart()
{
    auto *autoStart = fixture.find<QPushButton>("autoStartPushButton");
    fixture.find<QComboBox>("operationComboBox")->setCurrentIndex(1); // read
    fixture.click("readPushButton");
    TelkorTestForceResult("SpiRead", -1, 1);
    QString textWhileWarning;
    fixture.dialogs().then([&](QWidget *box) {
        textWhileWarning = autoStart->text();
        ModalAnswerer::pressDefault()(box);
    });
    fixture.click("autoStartPushButton");
    QTRY_COMPARE(fixture.dialogs().seen.size(), 1);
    QTRY_COMPARE(textWhileWarning, QString::fromUtf8("开始"));
    QCOMPARE(fixture.dialogs().summary(), warningSummary(QString::fromUtf8("读数据失败！")));
    // The next transfer prepares the adapter afresh.
    clearAdapterCalls();
    fixture.click("readPushButton");
    QCOMPARE(adapterCalls().first(), QStringLiteral("AdapterScan(0) => 1"));
}

QTEST_MAIN(TestBasicTransfers)
#include "tst_basictransfers.moc"
