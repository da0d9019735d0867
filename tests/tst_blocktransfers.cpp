// Block write, block read and block write-read: the entry and arguments, the echo block by
// block, the failures, the slave refusal and the receive limit.

#include "kavristest.h"

#include "telkor/telkortest.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

class TestBlockTransfers : public WindowTest
{
    Q_OBJECT

private slots:
    void paths_data();
    void paths();
    void slaveRefusal_data();
    void slaveRefusal();
    void receiveLimit_data();
    void receiveLimit();
    void asciiBlocksShowTheirOwnBytes();

private:
    void setSizes(int writeSize, int readSize, int count, int interval);
};

void TestBlockTransfers::setSizes(int writeSize, int readSize, int count, int interval)
{
    fixture.find<QSpinBox>("writeBlockSizesSinBox")->setValue(writeSize);
    fixture.find<QSpinBox>("readBlockSizeSpinBox")->setValue(readSize);
    fixture.find<QSpinBox>("blockReadCountSpinBox")->setValue(count);
    fixture.find<QSpinBox>("intervalTimeSpinBox")->setValue(interval);
}

void TestBlockTransfers::paths_data()
{
    QTest::addColumn<int>("controlMode");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QList<int>>("sizes"); // write size, read size, count, interval
    QTest::addColumn<QString>("force");
    QTest::addColumn<QString>("call");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QString>("warning");

    const QList<int> twos = {2, 2, 5, 100};
    const QStringList none;
    QTest::newRow("block write: seventh byte stays")
        << 1 << "blockWritePushButton"
        << "01 02 03 04 05 06 07" << twos << ""
        << "SpiBlockWrite(0,0x00,[01 02 03 04 05 06],2,3,100) => 0"
        << QStringList({"TX : 01 02 ", "TX : 03 04 ", "TX : 05 06 "}) << "";
    QTest::newRow("block write, full duplex: all TX, then all RX")
        << 0 << "blockWritePushButton"
        << "01 02 03 04" << twos << ""
        << "SpiBlockWriteRead(0,0x00,[01 02 03 04],2,2,2,100) => 0"
        << QStringList({"TX : 01 02 ", "TX : 03 04 ", "RX : 01 02 ", "RX : 03 04 "}) << "";
    QTest::newRow("block write of less than a block still calls")
        << 1 << "blockWritePushButton"
        << "01" << twos << ""
        << "SpiBlockWrite(0,0x00,[],2,0,100) => 0" << none << "";
    QTest::newRow("block write, interval as entered")
        << 1 << "blockWritePushButton"
        << "01 02" << QList<int>({2, 2, 5, 100000}) << ""
        << "SpiBlockWrite(0,0x00,[01 02],2,1,100000) => 0" << QStringList({"TX : 01 02 "}) << "";
    QTest::newRow("block read") << 1 << "blockReadPushButton"
                                << "" << twos << ""
                                << "SpiBlockRead(0,0x00,2,5,100) => 0"
                                << QStringList({"RX : A0 A1 ", "RX : A2 A3 ", "RX : A4 A5 ",
                                                "RX : A6 A7 ", "RX : A8 A9 "})
                                << "";
    QTest::newRow("block read, full duplex reads too")
        << 0 << "blockReadPushButton"
        << "" << QList<int>({2, 3, 1, 7}) << ""
        << "SpiBlockRead(0,0x00,3,1,7) => 0" << QStringList({"RX : A0 A1 A2 "}) << "";
    QTest::newRow("block write-read alternates")
        << 1 << "blockWriteReadPushButton"
        << "01 02 03 04" << QList<int>({2, 3, 5, 100}) << ""
        << "SpiBlockWriteRead(0,0x00,[01 02 03 04],2,3,2,100) => 0"
        << QStringList({"TX : 01 02 ", "RX : A0 A1 A2 ", "TX : 03 04 ", "RX : A3 A4 A5 "}) << "";

    QTest::newRow("block write fails") << 1 << "blockWritePushButton"
                                       << "01 02" << twos << "SpiBlockWrite=-1"
                                       << "SpiBlockWrite(0,0x00,[01 02],2,1,100) => -1" << none
                                       << QString::fromUtf8("块写数据失败！");
    QTest::newRow("full-duplex block write fails")
        << 0 << "blockWritePushButton"
        << "01 02" << twos << "SpiBlockWriteRead=-1"
        << "SpiBlockWriteRead(0,0x00,[01 02],2,2,1,100) => -1" << none
        << QString::fromUtf8("块写数据失败！");
    QTest::newRow("block read fails")
        << 1 << "blockReadPushButton"
        << "" << twos << "SpiBlockRead=3"
        << "SpiBlockRead(0,0x00,2,5,100) => 3" << none << QString::fromUtf8("块模式读数据失败！");
    QTest::newRow("block write-read fails") << 1 << "blockWriteReadPushButton"
                                            << "01 02" << twos << "SpiBlockWriteRead=-9"
                                            << "SpiBlockWriteRead(0,0x00,[01 02],2,2,1,100) => -9"
                                            << none << QString::fromUtf8("块模式写读数据失败！");
}

void TestBlockTransfers::paths()
{
    QFETCH(int, controlMode);
    QFETCH(QString, button);
    QFETCH(QString, data);
    QFETCH(QList<int>, sizes);
    QFETCH(QString, force);
    QFETCH(QString, call);
    QFETCH(QStringList, log);
    QFETCH(QString, warning);
    fixture.select("controlModeComboBox", controlMode);
    fixture.setWriteText("blockWriteTextEdit", data);
    setSizes(sizes[0], sizes[1], sizes[2], sizes[3]);
    if (button != QLatin1String("blockWritePushButton"))
        queueMiso(QByteArray::fromHex("A0A1A2A3A4A5A6A7A8A9"));
    if (!force.isEmpty())
        forceNext(force);
    fixture.click(qPrintable(button));
    QCOMPARE(adapterCalls().last(), call);
    QCOMPARE(fixture.logLines(), log);
    QCOMPARE(fixture.dialogs().summary(), warningSummary(warning));
    QCOMPARE(MainWindowTestAccess::needsInit(fixture.window()), !warning.isEmpty());
}

void TestBlockTransfers::slaveRefusal_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<bool>("staleAfter");
    QTest::newRow("block write") << 3 << false;
    QTest::newRow("block read") << 4 << false;
    QTest::newRow("block write-read") << 5 << true;
}

void TestBlockTransfers::slaveRefusal()
{
    // In slave mode the block buttons are locked; the auto-start timer still reaches them.
    QFETCH(int, operation);
    QFETCH(bool, staleAfter);
    fixture.select("workingModeComboBox", 0);
    QVERIFY(!fixture.find<QPushButton>("blockWritePushButton")->isEnabled());
    fixture.find<QComboBox>("operationComboBox")->setCurrentIndex(operation);
    clearAdapterCalls();
    fixture.click("autoStartPushButton");
    QTRY_COMPARE(fixture.dialogs().seen.size(), 1);
    QCOMPARE(fixture.dialogs().summary(),
             warningSummary(QString::fromUtf8("不能在从机模式下进行块读写操作！")));
    QCOMPARE(fixture.find<QPushButton>("autoStartPushButton")->text(), QString::fromUtf8("开始"));
    QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
    // Prepared as slave, then refused: no transfer entry was called.
    QCOMPARE(adapterCalls().size(), 3);
    QVERIFY(adapterCalls().last().startsWith(QStringLiteral("SpiConfigure(")));
    QCOMPARE(MainWindowTestAccess::needsInit(fixture.window()), staleAfter);
}

void TestBlockTransfers::receiveLimit_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QList<int>>("sizes");
    QTest::addColumn<bool>("refused");
    QTest::newRow("block read 100 x 204")
        << "blockReadPushButton" << QList<int>({2, 100, 204, 1}) << false;
    QTest::newRow("block read 100 x 300")
        << "blockReadPushButton" << QList<int>({2, 100, 300, 1}) << true;
    QTest::newRow("block write-read 3 x 10200")
        << "blockWriteReadPushButton" << QList<int>({2, 10200, 1, 1}) << true;
    QTest::newRow("block write-read 3 x 6000")
        << "blockWriteReadPushButton" << QList<int>({2, 6000, 1, 1}) << false;
}

void TestBlockTransfers::receiveLimit()
{
    QFETCH(QString, button);
    QFETCH(QList<int>, sizes);
    QFETCH(bool, refused);
    fixture.setWriteText("blockWriteTextEdit", QStringLiteral("01 02 03 04 05 06"));
    setSizes(sizes[0], sizes[1], sizes[2], sizes[3]);
    fixture.click("readPushButton"); // prepared
    clearAdapterCalls();
    fixture.click(qPrintable(button));
    if (refused) {
        QCOMPARE(adapterCalls(), QStringList());
        QCOMPARE(fixture.dialogs().summary(),
                 warningSummary(QString::fromUtf8("读数据超过20480字节的缓冲区上限，未读取！")));
    } else {
        QCOMPARE(adapterCalls().size(), 1);
        QVERIFY(adapterCalls().first().endsWith(QStringLiteral(" => 0")));
        QVERIFY(fixture.dialogs().seen.isEmpty());
    }
}

void TestBlockTransfers::asciiBlocksShowTheirOwnBytes()
{
    fixture.find<QAction>("actionTxt")->trigger();
    fixture.setWriteText("blockWriteTextEdit", QStringLiteral("41 42 43 44 45 00"));
    fixture.click("blockWritePushButton");
    QCOMPARE(fixture.logLines(), QStringList({"TX : AB", "TX : CD", "TX : E"}));
}

QTEST_MAIN(TestBlockTransfers)
#include "tst_blocktransfers.moc"
