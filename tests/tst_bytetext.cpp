// Hex byte text, plain-text bytes and hex as the log shows it.

#include "transfer/bytetext.h"

#include <QtTest>

static QByteArray h(const char *hex)
{
    return QByteArray::fromHex(hex);
}

class TestByteText : public QObject
{
    Q_OBJECT

private slots:
    void parseHexBytes_data();
    void parseHexBytes();
    void hexToPlain_data();
    void hexToPlain();
    void plainText();
    void hexRendering();
};

void TestByteText::parseHexBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("unsignedBytes");
    QTest::addColumn<QByteArray>("signedBytes");
    QTest::newRow("default box") << "11 22 33 44 55 66 77 88 99 AA" << h("112233445566778899AA")
                                 << h("112233445566778899AA");
    QTest::newRow("blanks only") << "   " << QByteArray() << QByteArray();
    QTest::newRow("blanks around, lower case") << " 0a  0B " << h("0A0B") << h("0A0B");
    QTest::newRow("line feed joins tokens") << "AA BB\nCC DD" << h("AA00DD") << h("AA00DD");
    QTest::newRow("line feed beside a blank") << "AA BB \nCC DD" << h("AABBCCDD") << h("AABBCCDD");
    QTest::newRow("low byte, 0x prefix") << "1FF 100 0x1F" << h("FF001F") << h("FF001F");
    QTest::newRow("not hex, tab inside") << "G1 * , A\tB" << h("00000000") << h("00000000");
    // The two conversions differ at the edges of their ranges.
    QTest::newRow("FFFFFFFF fits only unsigned") << "FFFFFFFF" << h("FF") << h("00");
    QTest::newRow("-1 converts only signed") << "-1" << h("00") << h("FF");
    QTest::newRow("too large for both") << "1FFFFFFFF" << h("00") << h("00");
}

void TestByteText::parseHexBytes()
{
    QFETCH(QString, text);
    QTEST(::parseHexBytes(text, HexConversion::Unsigned), "unsignedBytes");
    QTEST(::parseHexBytes(text, HexConversion::Signed), "signedBytes");
}

void TestByteText::hexToPlain_data()
{
    QTest::addColumn<QString>("hex");
    QTest::addColumn<bool>("legal");
    QTest::addColumn<QString>("plain");
    QTest::newRow("empty") << "" << true << "";
    QTest::newRow("UTF-8") << "48 69 E4 B8 AD" << true << QString::fromUtf8("Hi中");
    QTest::newRow("zero ends the text") << "41 00 42" << true << "A";
    QTest::newRow("asterisk is legal but ends the text") << "41 * 42" << true << "A";
    QTest::newRow("two lines") << "41 42\r\n43" << true << "A";
    QTest::newRow("malformed UTF-8") << "41 FF 42" << true << QString::fromUtf8("A\uFFFDB");
    QTest::newRow("letter G") << "41 G2" << false << "";
    QTest::newRow("comma") << "41,42" << false << "";
    QTest::newRow("tab") << "41\t42" << false << "";
}

void TestByteText::hexToPlain()
{
    QFETCH(QString, hex);
    QFETCH(bool, legal);
    QFETCH(QString, plain);
    QString result = QStringLiteral("untouched");
    QCOMPARE(hexToPlainText(hex, &result), legal);
    QCOMPARE(result, legal ? plain : QStringLiteral("untouched"));
}

void TestByteText::plainText()
{
    // Only the low 8 bits of each UTF-16 code unit survive: U+00E9 gives E9, U+4E2D gives 2D.
    const QString plain = QString::fromUtf8("Hi\nAé中");
    QCOMPARE(plainToHexText(plain), QStringLiteral("48 69 0A 41 E9 2D "));
    QCOMPARE(collectWriteBytes(plain, false, HexConversion::Signed), h("48690A41E92D"));
    QCOMPARE(collectWriteBytes(QStringLiteral("01 FF"), true, HexConversion::Signed), h("01FF"));
}

void TestByteText::hexRendering()
{
    // Every byte, zero too (the log's tests hold the rest of the rendering).
    QCOMPARE(renderTrafficData("\0\x11\xAB", 3, true), QStringLiteral("00 11 AB "));
}

QTEST_GUILESS_MAIN(TestByteText)
#include "tst_bytetext.moc"
