// Hex byte text, plain-text bytes and the log's renderings.

#include "transfer/bytetext.h"

#include <QtTest>

class TestByteText : public QObject
{
    Q_OBJECT

private slots:
    void parseHexBytes_data();
    void parseHexBytes();
    void formatHexBytes_data();
    void formatHexBytes();
    void plainToHex_data();
    void plainToHex();
    void hexToPlain_data();
    void hexToPlain();
    void collectWriteBytes_data();
    void collectWriteBytes();
    void renderTrafficData_data();
    void renderTrafficData();
};

void TestByteText::parseHexBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("unsignedBytes");
    QTest::addColumn<QByteArray>("signedBytes");

    QTest::newRow("default box") << "11 22 33 44 55 66 77 88 99 AA"
                                 << QByteArray::fromHex("112233445566778899AA")
                                 << QByteArray::fromHex("112233445566778899AA");
    QTest::newRow("empty") << "" << QByteArray() << QByteArray();
    QTest::newRow("blanks only") << "   " << QByteArray() << QByteArray();
    QTest::newRow("two blanks between")
        << "0A  0B" << QByteArray::fromHex("0A0B") << QByteArray::fromHex("0A0B");
    QTest::newRow("surrounded by blanks")
        << " 0A 0B " << QByteArray::fromHex("0A0B") << QByteArray::fromHex("0A0B");
    QTest::newRow("lower case") << "ab cd" << QByteArray::fromHex("ABCD")
                                << QByteArray::fromHex("ABCD");
    QTest::newRow("line feed joins tokens")
        << "AA BB\nCC DD" << QByteArray::fromHex("AA00DD") << QByteArray::fromHex("AA00DD");
    QTest::newRow("line feed beside a blank")
        << "AA BB \nCC DD" << QByteArray::fromHex("AABBCCDD") << QByteArray::fromHex("AABBCCDD");
    QTest::newRow("low byte of 1FF")
        << "1FF" << QByteArray::fromHex("FF") << QByteArray::fromHex("FF");
    QTest::newRow("low byte of 100")
        << "100" << QByteArray::fromHex("00") << QByteArray::fromHex("00");
    QTest::newRow("low byte of 123")
        << "123" << QByteArray::fromHex("23") << QByteArray::fromHex("23");
    QTest::newRow("0x prefix") << "0x1F" << QByteArray::fromHex("1F") << QByteArray::fromHex("1F");
    QTest::newRow("not hex") << "G1 * ," << QByteArray::fromHex("000000")
                             << QByteArray::fromHex("000000");
    QTest::newRow("tab inside") << "A\tB" << QByteArray::fromHex("00") << QByteArray::fromHex("00");
    // The two conversions differ at the edges of their ranges.
    QTest::newRow("FFFFFFFF fits only unsigned")
        << "FFFFFFFF" << QByteArray::fromHex("FF") << QByteArray::fromHex("00");
    QTest::newRow("-1 converts only signed")
        << "-1" << QByteArray::fromHex("00") << QByteArray::fromHex("FF");
    QTest::newRow("too large for both")
        << "1FFFFFFFF" << QByteArray::fromHex("00") << QByteArray::fromHex("00");
}

void TestByteText::parseHexBytes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, unsignedBytes);
    QFETCH(QByteArray, signedBytes);
    QCOMPARE(::parseHexBytes(text, HexConversion::Unsigned), unsignedBytes);
    QCOMPARE(::parseHexBytes(text, HexConversion::Signed), signedBytes);
}

void TestByteText::formatHexBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << QByteArray() << "";
    QTest::newRow("three") << QByteArray::fromHex("1122AB") << "11 22 AB ";
    QTest::newRow("zero and FF") << QByteArray::fromHex("00FF") << "00 FF ";
}

void TestByteText::formatHexBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(::formatHexBytes(bytes), text);
}

void TestByteText::plainToHex_data()
{
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("hex");
    QTest::newRow("Hello") << "Hello"
                           << "48 65 6C 6C 6F ";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("line feed") << "A\nB"
                               << "41 0A 42 ";
    // Only the low 8 bits of each UTF-16 code unit survive: U+4E2D gives 2D.
    QTest::newRow("Chinese character") << QString::fromUtf8("中") << "2D ";
}

void TestByteText::plainToHex()
{
    QFETCH(QString, plain);
    QFETCH(QString, hex);
    QCOMPARE(plainToHexText(plain), hex);
}

void TestByteText::hexToPlain_data()
{
    QTest::addColumn<QString>("hex");
    QTest::addColumn<bool>("legal");
    QTest::addColumn<QString>("plain");
    QTest::newRow("Hello") << "48 65 6C 6C 6F " << true << "Hello";
    QTest::newRow("empty") << "" << true << "";
    QTest::newRow("UTF-8 Chinese") << "E4 B8 AD" << true << QString::fromUtf8("中");
    QTest::newRow("zero ends the text") << "41 00 42" << true << "A";
    QTest::newRow("asterisk is legal but ends the text") << "41 * 42" << true << "A";
    QTest::newRow("two lines") << "41 42\r\n43" << true << "A";
    QTest::newRow("malformed UTF-8") << "41 FF 42" << true
                                     << QString::fromUtf8("A\xEF\xBF\xBD"
                                                          "B");
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

void TestByteText::collectWriteBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("hexMode");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("hex") << "01 02" << true << QByteArray::fromHex("0102");
    QTest::newRow("plain") << "01 02" << false << QByteArray("01 02");
    QTest::newRow("plain keeps low byte")
        << QString::fromUtf8("Aé中") << false << QByteArray::fromHex("41E92D");
}

void TestByteText::collectWriteBytes()
{
    QFETCH(QString, text);
    QFETCH(bool, hexMode);
    QFETCH(QByteArray, bytes);
    QCOMPARE(::collectWriteBytes(text, hexMode, HexConversion::Signed), bytes);
}

void TestByteText::renderTrafficData_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("hex");
    QTest::addColumn<QString>("text");
    QTest::newRow("hex") << QByteArray::fromHex("1122AB") << true << "11 22 AB ";
    QTest::newRow("hex empty") << QByteArray() << true << "";
    QTest::newRow("ASCII") << QByteArray("OK") << false << "OK";
    QTest::newRow("ASCII cut at zero") << QByteArray("AB\0CD", 5) << false << "AB";
    QTest::newRow("ASCII first byte zero") << QByteArray("\0AB", 3) << false << "";
    QTest::newRow("ASCII UTF-8") << QByteArray("\xE4\xB8\xAD") << false << QString::fromUtf8("中");
    QTest::newRow("ASCII keeps line feed") << QByteArray("A\nB") << false << "A\nB";
}

void TestByteText::renderTrafficData()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, hex);
    QFETCH(QString, text);
    QCOMPARE(::renderTrafficData(bytes.constData(), bytes.size(), hex), text);
}

QTEST_GUILESS_MAIN(TestByteText)
#include "tst_bytetext.moc"
