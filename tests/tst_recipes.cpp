// The README's recipes for the simulated adapter, done through the program as a user would.

#include "kavristest.h"

#include "telkor/telkortest.h"

#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

class TestRecipes : public WindowTest
{
    Q_OBJECT

private slots:
    void jedecIdentification();
    void flashPageWithOperationList();
    void registerBank();
    void wrongSettingsGarble_data();
    void wrongSettingsGarble();
    void beASlave();

private:
    void writeRead(const char *hex, int count);
};

void TestRecipes::writeRead(const char *hex, int count)
{
    fixture.setWriteText("writeTextEdit", QString::fromLatin1(hex));
    fixture.find<QSpinBox>("readByteCountSpinBox")->setValue(count);
    fixture.click("writeReadPushButton");
}

void TestRecipes::jedecIdentification()
{
    fixture.select("channelIndexComboBox", 1);
    writeRead("9F", 3);
    QCOMPARE(fixture.logLines(), QStringList({"TX : 9F ", "RX : EF 40 15 "}));
}

void TestRecipes::flashPageWithOperationList()
{
    // As a user runs it: the bus and the flash take their real time, and the list's pauses
    // let the erase and the program finish.
    TelkorTestConfigure("timing=on");
    fixture.select("channelIndexComboBox", 1);
    fixture.find<QTabWidget>("tabWidget")->setCurrentIndex(2);
    fixture.dialogs().then(
        ModalAnswerer::chooseFile(QStringLiteral(KAVRIS_SOURCE_DIR "/examples/flash-page.list")));
    fixture.click("toolButtonOpenListFromFile");
    QCOMPARE(MainWindowTestAccess::operations(fixture.window()).rowCount(), 7);
    fixture.click("toolButtonExecuteOnce");
    QTRY_VERIFY_WITH_TIMEOUT(!MainWindowTestAccess::runner(fixture.window()).isRunning(), 5000);
    QCOMPARE(fixture.logLines(),
             QStringList({"TX : 06 ", "TX : 20 00 00 00 ", "TX : 05 ", "RX : 00 ", "TX : 06 ",
                          "TX : 02 00 01 00 DE AD BE EF ", "TX : 05 ", "RX : 00 ",
                          "TX : 03 00 01 00 ", "RX : DE AD BE EF "}));
    QCOMPARE(fixture.dialogs().seen.size(), 1);
}

void TestRecipes::registerBank()
{
    fixture.select("channelIndexComboBox", 2);
    writeRead("8F", 1);
    fixture.setWriteText("writeTextEdit", QStringLiteral("20 47"));
    fixture.click("writePushButton");
    writeRead("A0", 1);
    QCOMPARE(fixture.logLines(),
             QStringList({"TX : 8F ", "RX : 5A ", "TX : 20 47 ", "TX : A0 ", "RX : 47 "}));
}

void TestRecipes::wrongSettingsGarble_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("index");
    QTest::newRow("least significant bit first") << "shiftDirComboBox" << 1;
    QTest::newRow("clock phase 1") << "clockPhaseComboBox" << 1;
    QTest::newRow("chip select active high") << "csPolarityComboBox" << 1;
}

void TestRecipes::wrongSettingsGarble()
{
    QFETCH(QString, box);
    QFETCH(int, index);
    fixture.select("channelIndexComboBox", 1);
    fixture.select(qPrintable(box), index);
    writeRead("9F", 3);
    QCOMPARE(fixture.logLines(), QStringList({"TX : 9F ", "RX : FF FF FF "}));
}

void TestRecipes::beASlave()
{
    fixture.select("workingModeComboBox", 0);
    TelkorTestAdvanceClock(1000000); // a second passes
    fixture.click("readPushButton");
    fixture.setWriteText("writeTextEdit", QStringLiteral("01 02 03"));
    fixture.click("writePushButton");
    TelkorTestAdvanceClock(1000000);
    fixture.click("readPushButton");
    QCOMPARE(fixture.logLines(), QStringList({"RX : 4D 53 00 00 4D 53 01 00 ", "TX : 01 02 03 ",
                                              "RX : 4D 53 02 00 4D 53 03 03 01 02 03 "}));
    QVERIFY(fixture.dialogs().seen.isEmpty());
}

QTEST_MAIN(TestRecipes)
#include "tst_recipes.moc"
