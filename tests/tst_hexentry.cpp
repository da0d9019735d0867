// The hex check boxes convert their write boxes between hex and plain text.

#include "kavristest.h"

#include <QCheckBox>
#include <QTextEdit>
#include <QtTest>

class TestHexEntry : public WindowTest
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void illegalCharactersKeepHex_data();
    void illegalCharactersKeepHex();
    void decodedMarkupStaysText();
};

void TestHexEntry::roundTrip_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("checkBox");
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("hexAgain");
    QTest::newRow("Hello") << "writeTextEdit"
                           << "hexSendCheckBox"
                           << "48 65 6C 6C 6F"
                           << "Hello"
                           << "48 65 6C 6C 6F ";
    QTest::newRow("Hello, block tab") << "blockWriteTextEdit"
                                      << "blockHexSendCheckBox"
                                      << "48 65 6C 6C 6F"
                                      << "Hello"
                                      << "48 65 6C 6C 6F ";
    QTest::newRow("empty") << "writeTextEdit"
                           << "hexSendCheckBox"
                           << ""
                           << ""
                           << "";
    QTest::newRow("Chinese character") << "writeTextEdit"
                                       << "hexSendCheckBox"
                                       << "E4 B8 AD" << QString::fromUtf8("中") << "2D ";
    QTest::newRow("line feed joins tokens") << "writeTextEdit"
                                            << "hexSendCheckBox"
                                            << "41 42\n43 44"
                                            << "A"
                                            << "41 ";
    QTest::newRow("zero ends the text") << "blockWriteTextEdit"
                                        << "blockHexSendCheckBox"
                                        << "4F 4B 00 21"
                                        << "OK"
                                        << "4F 4B ";
}

void TestHexEntry::roundTrip()
{
    QFETCH(QString, box);
    QFETCH(QString, checkBox);
    QFETCH(QString, hex);
    QFETCH(QString, plain);
    QFETCH(QString, hexAgain);
    auto *edit = fixture.find<QTextEdit>(qPrintable(box));
    auto *check = fixture.find<QCheckBox>(qPrintable(checkBox));
    edit->setPlainText(hex);
    check->click();
    QVERIFY(!check->isChecked());
    QCOMPARE(edit->toPlainText(), plain);
    check->click();
    QVERIFY(check->isChecked());
    QCOMPARE(edit->toPlainText(), hexAgain);
    QVERIFY(fixture.dialogs().seen.isEmpty());
}

void TestHexEntry::illegalCharactersKeepHex_data()
{
    QTest::addColumn<QString>("hex");
    QTest::newRow("letter G") << "41 G2";
    QTest::newRow("comma") << "41,42";
}

void TestHexEntry::illegalCharactersKeepHex()
{
    QFETCH(QString, hex);
    auto *edit = fixture.find<QTextEdit>("writeTextEdit");
    auto *check = fixture.find<QCheckBox>("hexSendCheckBox");
    edit->setPlainText(hex);
    check->click();
    QCOMPARE(fixture.dialogs().summary(),
             QStringList({"QMessageBox|Warning|Contains illegal characters!"}));
    QCOMPARE(fixture.dialogs().seen.first().buttons, QStringList({"Ok"}));
    QVERIFY(check->isChecked());
    QCOMPARE(edit->toPlainText(), hex);
}

void TestHexEntry::decodedMarkupStaysText()
{
    // "<b>hi" decoded from hex must stay those five characters, the bytes that will be sent.
    auto *edit = fixture.find<QTextEdit>("writeTextEdit");
    edit->setPlainText(QStringLiteral("3C 62 3E 68 69"));
    fixture.click("hexSendCheckBox");
    QCOMPARE(edit->toPlainText(), QStringLiteral("<b>hi"));
    fixture.click("writePushButton");
    QCOMPARE(adapterCalls().last(), QStringLiteral("SpiWrite(0,0x00,[3C 62 3E 68 69],5) => 0"));
}

QTEST_MAIN(TestHexEntry)
#include "tst_hexentry.moc"
