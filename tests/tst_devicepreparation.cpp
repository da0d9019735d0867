// Lazy preparation of the adapter, the configuration record it hands over, its failures, and
// the two mode boxes that keep the panel consistent.

#include "kavristest.h"

#include "telkor/telkortest.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace
{

const QString scanOpen[] = {QStringLiteral("AdapterScan(0) => 1"),
                            QStringLiteral("AdapterOpen(0) => 1")};

QString configure(const char *bytes, int hz = 50000000, int channel = 0, int result = 0)
{
    return QString::asprintf("SpiConfigure(0,0x%02X,[%s],%d) => %d", channel, bytes, hz, result);
}

const QString defaultWrite =
    QStringLiteral("SpiWrite(0,0x00,[11 22 33 44 55 66 77 88 99 AA],10) => 0");

} // namespace

class TestDevicePreparation : public WindowTest
{
    Q_OBJECT

private slots:
    void configuresOnlyWhenStale();
    void channelChangeKeepsConfiguration();
    void configurationRecord_data();
    void configurationRecord();
    void preparationFailures_data();
    void preparationFailures();
    void failureStopsAutoStartFirst();
    void transferFailureReconfigures();
    void staleFlagIgnoresUnplugging();
    void softwareModes();
    void typedClockIsConfiguredExactly_data();
    void typedClockIsConfiguredExactly();
    void slaveLocksAndConfigures();
    void slaveWithoutAdapter();
};

void TestDevicePreparation::configuresOnlyWhenStale()
{
    fixture.click("writePushButton");
    QCOMPARE(adapterCalls(),
             QStringList({scanOpen[0], scanOpen[1], configure("01 01 00 00 00 00"), defaultWrite}));
    QVERIFY(!MainWindowTestAccess::needsInit(fixture.window()));
    clearAdapterCalls();
    fixture.click("writePushButton");
    QCOMPARE(adapterCalls(), QStringList({defaultWrite}));

    clearAdapterCalls();
    fixture.select("clockPhaseComboBox", 1);
    fixture.click("writePushButton");
    QCOMPARE(adapterCalls(),
             QStringList({scanOpen[0], scanOpen[1], configure("01 01 00 01 00 00"), defaultWrite}));
    QVERIFY(fixture.dialogs().seen.isEmpty());
}

void TestDevicePreparation::channelChangeKeepsConfiguration()
{
    fixture.click("writePushButton");
    clearAdapterCalls();
    fixture.select("channelIndexComboBox", 5); // SPI2_CS0
    fixture.click("writePushButton");
    fixture.select("channelIndexComboBox", 3); // SPI1_CS3
    fixture.click("readPushButton");
    QCOMPARE(adapterCalls(),
             QStringList({"SpiWrite(0,0x01,[11 22 33 44 55 66 77 88 99 AA],10) => 0",
                          "SpiRead(0,0x30,10) => 0"}));
}

void TestDevicePreparation::configurationRecord_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("line");
    QTest::newRow("full duplex") << "controlModeComboBox" << 0 << configure("00 01 00 00 00 00");
    QTest::newRow("clock polarity at offset 2")
        << "clockPolarityComboBox" << 1 << configure("01 01 01 00 00 00");
    QTest::newRow("clock phase at offset 3")
        << "clockPhaseComboBox" << 1 << configure("01 01 00 01 00 00");
    QTest::newRow("LSB first") << "shiftDirComboBox" << 1 << configure("01 01 00 00 01 00");
    QTest::newRow("CS active high") << "csPolarityComboBox" << 1 << configure("01 01 00 00 00 01");
    QTest::newRow("last clock item")
        << "clockSpeedComboBox" << 7 << configure("01 01 00 00 00 00", 390450);
    QTest::newRow("SPI2_CS4") << "channelIndexComboBox" << 9
                              << configure("01 01 00 00 00 00", 50000000, 0x41);
}

void TestDevicePreparation::configurationRecord()
{
    QFETCH(QString, box);
    QFETCH(int, index);
    QFETCH(QString, line);
    fixture.select(qPrintable(box), index);
    fixture.click("readPushButton");
    QCOMPARE(adapterCalls().value(2), line);
}

void TestDevicePreparation::preparationFailures_data()
{
    QTest::addColumn<int>("adapters");
    QTest::addColumn<int>("device");
    QTest::addColumn<bool>("configureFails");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("no adapter") << 0 << 0 << false << QString::fromUtf8("无设备连接！")
                                << QStringList({"AdapterScan(0) => 0"});
    // The index is not compared with the count: the open is tried and fails.
    QTest::newRow("device 3 of 1") << 1 << 3 << false << QString::fromUtf8("打开设备失败！")
                                   << QStringList({"AdapterScan(0) => 1", "AdapterOpen(3) => 0"});
    QTest::newRow("configuration refused")
        << 1 << 0 << true << QString::fromUtf8("配置设备失败！")
        << QStringList({scanOpen[0], scanOpen[1], configure("01 01 00 00 00 00", 50000000, 0, -4)});
}

void TestDevicePreparation::preparationFailures()
{
    QFETCH(int, adapters);
    QFETCH(int, device);
    QFETCH(bool, configureFails);
    QFETCH(QString, message);
    QFETCH(QStringList, calls);
    TelkorTestSetAdapterCount(adapters);
    if (configureFails)
        TelkorTestForceResult("SpiConfigure", -4, 1);
    fixture.select("deviceIndexComboBox", device);
    fixture.click("writePushButton");
    QCOMPARE(adapterCalls(), calls);
    QCOMPARE(fixture.dialogs().summary(), warningSummary(message));
    QCOMPARE(fixture.dialogs().seen.first().buttons, QStringList({"Ok"}));
    QVERIFY(fixture.logLines().isEmpty());
    // Still stale: the next transfer starts again with the scan.
    clearAdapterCalls();
    fixture.click("readPushButton");
    QCOMPARE(adapterCalls().value(0).left(12), QStringLiteral("AdapterScan("));
}

void TestDevicePreparation::failureStopsAutoStartFirst()
{
    auto *autoStart = fixture.find<QPushButton>("autoStartPushButton");
    fixture.find<QComboBox>("operationComboBox")->setCurrentIndex(1);
    TelkorTestSetAdapterCount(0);
    QString textWhileWarning;
    fixture.dialogs().then([&](QWidget *box) {
        textWhileWarning = autoStart->text();
        ModalAnswerer::pressDefault()(box);
    });
    fixture.click("autoStartPushButton");
    QCOMPARE(autoStart->text(), QString::fromUtf8("停止"));
    QTRY_COMPARE(fixture.dialogs().seen.size(), 1);
    QTRY_COMPARE(textWhileWarning, QString::fromUtf8("开始"));
    QCOMPARE(fixture.dialogs().summary(), warningSummary(QString::fromUtf8("无设备连接！")));
    // The timer is gone: no further tick reaches the adapter.
    clearAdapterCalls();
    QTest::qWait(60);
    QCOMPARE(adapterCalls(), QStringList());
}

void TestDevicePreparation::transferFailureReconfigures()
{
    fixture.click("writePushButton");
    TelkorTestForceResult("SpiWrite", -1, 1);
    fixture.click("writePushButton");
    QCOMPARE(fixture.dialogs().summary(), warningSummary(QString::fromUtf8("写数据失败！")));
    QVERIFY(MainWindowTestAccess::needsInit(fixture.window()));
    clearAdapterCalls();
    fixture.click("writePushButton");
    QCOMPARE(adapterCalls(),
             QStringList({scanOpen[0], scanOpen[1], configure("01 01 00 00 00 00"), defaultWrite}));
}

void TestDevicePreparation::staleFlagIgnoresUnplugging()
{
    fixture.click("writePushButton");
    TelkorTestSetAdapterCount(0);
    clearAdapterCalls();
    fixture.click("writePushButton");
    // Nothing was stale, so no scan: the transfer itself fails and re-arms the preparation.
    QCOMPARE(adapterCalls(),
             QStringList({"SpiWrite(0,0x00,[11 22 33 44 55 66 77 88 99 AA],10) => -1"}));
    QCOMPARE(fixture.dialogs().summary(), warningSummary(QString::fromUtf8("写数据失败！")));
    QVERIFY(MainWindowTestAccess::needsInit(fixture.window()));
}

void TestDevicePreparation::softwareModes()
{
    auto *clock = fixture.find<QComboBox>("clockSpeedComboBox");
    auto *working = fixture.find<QComboBox>("workingModeComboBox");
    for (int mode : {2, 3}) {
        fixture.select("controlModeComboBox", mode);
        QVERIFY(clock->isEditable());
        QCOMPARE(clock->currentText(), QStringLiteral("100000"));
        QCOMPARE(working->currentIndex(), 1);
        QVERIFY(!working->isEnabled());
        QVERIFY(MainWindowTestAccess::needsInit(fixture.window()));
        clearAdapterCalls();
        fixture.click("readPushButton");
        QCOMPARE(adapterCalls().value(2),
                 configure(mode == 2 ? "02 01 00 00 00 00" : "03 01 00 00 00 00", 100000));
    }
    fixture.select("controlModeComboBox", 0);
    QVERIFY(!clock->isEditable());
    QCOMPARE(clock->currentText(), QStringLiteral("50000000"));
    QVERIFY(working->isEnabled());
    QCOMPARE(clock->count(), 8);
}

void TestDevicePreparation::typedClockIsConfiguredExactly_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("message");
    // 250000 is the start of the item 25000000: completion must not turn one into the other.
    QTest::newRow("250000") << "250000" << configure("02 01 00 00 00 00", 250000) << QString();
    QTest::newRow("1M") << "1M" << configure("02 01 00 00 00 00", 0, 0, -4)
                        << QString::fromUtf8("配置设备失败！");
}

void TestDevicePreparation::typedClockIsConfiguredExactly()
{
    QFETCH(QString, typed);
    QFETCH(QString, line);
    QFETCH(QString, message);
    fixture.click("readPushButton");
    fixture.select("controlModeComboBox", 2);
    MainWindowTestAccess::setNeedsInit(fixture.window(), false);
    QLineEdit *edit = fixture.find<QComboBox>("clockSpeedComboBox")->lineEdit();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text(), typed);
    QVERIFY(MainWindowTestAccess::needsInit(fixture.window())); // every keystroke re-arms
    QTest::keyClick(edit, Qt::Key_Return);
    clearAdapterCalls();
    fixture.click("readPushButton");
    QCOMPARE(adapterCalls().value(2), line);
    QCOMPARE(fixture.dialogs().summary(), warningSummary(message));
    QCOMPARE(fixture.find<QComboBox>("clockSpeedComboBox")->count(), 8);
}

void TestDevicePreparation::slaveLocksAndConfigures()
{
    fixture.select("controlModeComboBox", 0);
    fixture.select("clockSpeedComboBox", 4);
    fixture.select("csPolarityComboBox", 1);
    clearAdapterCalls();
    fixture.select("workingModeComboBox", 0);
    QCOMPARE(adapterCalls(),
             QStringList({scanOpen[0], scanOpen[1], configure("01 00 00 00 00 00")}));
    QVERIFY(MainWindowTestAccess::needsInit(fixture.window()));
    QCOMPARE(fixture.find<QComboBox>("controlModeComboBox")->currentIndex(), 1);
    QCOMPARE(fixture.find<QComboBox>("clockSpeedComboBox")->currentIndex(), 0);
    QCOMPARE(fixture.find<QComboBox>("csPolarityComboBox")->currentIndex(), 0);
    const char *locked[] = {"clockSpeedComboBox",      "csPolarityComboBox",
                            "controlModeComboBox",     "writeReadPushButton",
                            "blockReadPushButton",     "blockWritePushButton",
                            "blockWriteReadPushButton"};
    for (const char *name : locked)
        QVERIFY2(!fixture.find<QWidget>(name)->isEnabled(), name);
    QVERIFY(fixture.find<QWidget>("writePushButton")->isEnabled());
    QVERIFY(fixture.find<QWidget>("readPushButton")->isEnabled());

    // Configured again before the next transfer.
    clearAdapterCalls();
    fixture.click("writePushButton");
    QCOMPARE(adapterCalls(),
             QStringList({scanOpen[0], scanOpen[1], configure("01 00 00 00 00 00"),
                          "SpiSlaveWrite(0,0x00,[11 22 33 44 55 66 77 88 99 AA],10,0) => 0"}));

    fixture.select("workingModeComboBox", 1);
    for (const char *name : locked)
        QVERIFY2(fixture.find<QWidget>(name)->isEnabled(), name);
    QVERIFY(MainWindowTestAccess::needsInit(fixture.window()));
}

void TestDevicePreparation::slaveWithoutAdapter()
{
    TelkorTestSetAdapterCount(0);
    fixture.dialogs().then([this](QWidget *box) {
        QCOMPARE(fixture.find<QPushButton>("autoStartPushButton")->text(),
                 QString::fromUtf8("开始"));
        ModalAnswerer::pressDefault()(box);
    });
    fixture.click("autoStartPushButton");
    fixture.select("workingModeComboBox", 0);
    QCOMPARE(fixture.dialogs().summary(), warningSummary(QString::fromUtf8("无设备连接！")));
}

QTEST_MAIN(TestDevicePreparation)
#include "tst_devicepreparation.moc"
