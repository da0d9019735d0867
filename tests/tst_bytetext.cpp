// Hex byte text: the bytes sent and what is said about tokens not sent as written; plain-text
// bytes and hex as the log shows it.

#include "transfer/bytetext.h"
#include "transfer/hextokennotes.h"

#include <QtTest>

static QByteArray h(const char *hex)
{
    return QByteArray::fromHex(hex);
}

class TestByteText : public QObject
{
    Q_OBJECT

private slots:
    void tokenIssues_data();
    void tokenIssues();
    void tokenNotes();
    void hexToPlain_data();
    void hexToPlain();
    void plainText();
};

void TestByteText::tokenIssues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("unsignedBytes");
    QTest::addColumn<QByteArray>("signedBytes");
    // "index:token@position=byte" and "?" for no number, "^" for wider than a byte.
    QTest::addColumn<QString>("unsignedIssues");
    QTest::addColumn<QString>("signedIssues");
    // clang-format off
    QTest::newRow("default box") << "11 22 33 44 55 66 77 88 99 AA" << h("112233445566778899AA") << h("112233445566778899AA") << "" << "";
    QTest::newRow("none") << "0x9F 9F +9F 009F 0000000FF FF 00 \n9F\r\n" << h("9F9F9F9FFFFF009F") << h("9F9F9F9FFFFF009F") << "" << "";
    QTest::newRow("blanks around, lower case") << " 0a  0B " << h("0A0B") << h("0A0B") << "" << "";
    // A line end after a blank is a token of its own and sends a zero.
    QTest::newRow("line end alone") << "AA \r\n" << h("AA00") << h("AA00") << "1:\r\n@3=00?" << "1:\r\n@3=00?";
    QTest::newRow("blanks only, empty") << "   " << QByteArray() << QByteArray() << "" << "";
    QTest::newRow("the box's example") << "ZZ 1G 300" << h("000000") << h("000000") << "0:ZZ@0=00? 1:1G@3=00? 2:300@6=00^" << "0:ZZ@0=00? 1:1G@3=00? 2:300@6=00^";
    QTest::newRow("one past a byte, high bits dropped") << " 1FF FF 100" << h("FFFF00") << h("FFFF00") << "0:1FF@1=FF^ 2:100@8=00^" << "0:1FF@1=FF^ 2:100@8=00^";
    QTest::newRow("line feed inside a token joins tokens") << "AA BB\nCC DD" << h("AA00DD") << h("AA00DD") << "1:BB\nCC@3=00?" << "1:BB\nCC@3=00?";
    QTest::newRow("line feed beside a blank") << "AA BB \nCC DD" << h("AABBCCDD") << h("AABBCCDD") << "" << "";
    // The two conversions differ at the edges of their ranges.
    QTest::newRow("conversions differ: all ones, minus one") << "FFFFFFFF -1" << h("FF00") << h("00FF") << "0:FFFFFFFF@0=FF^ 1:-1@9=00?" << "0:FFFFFFFF@0=00? 1:-1@9=FF^";
    QTest::newRow("conversions differ: minus zero, minus 80") << "-0 -80" << h("0000") << h("0080") << "0:-0@0=00? 1:-80@3=00?" << "1:-80@3=80^";
    QTest::newRow("longest fast tokens") << "7FFFFFF 80000000" << h("FF00") << h("FF00") << "0:7FFFFFF@0=FF^ 1:80000000@8=00^" << "0:7FFFFFF@0=FF^ 1:80000000@8=00?";
    QTest::newRow("beyond 32 bits, not hex, tab") << QString::fromUtf8("1FFFFFFFF 中 A\tB") << h("000000") << h("000000") << QString::fromUtf8("0:1FFFFFFFF@0=00? 1:中@10=00? 2:A\tB@12=00?") << QString::fromUtf8("0:1FFFFFFFF@0=00? 1:中@10=00? 2:A\tB@12=00?");
    // clang-format on
}

void TestByteText::tokenIssues()
{
    QFETCH(QString, text);
    for (const HexConversion conversion : {HexConversion::Unsigned, HexConversion::Signed}) {
        const bool isUnsigned = conversion == HexConversion::Unsigned;
        QStringList shown;
        const QByteArray sent = ::parseHexBytes(text, conversion);
        QTEST(sent, isUnsigned ? "unsignedBytes" : "signedBytes");
        for (const HexTokenIssue &issue : findHexTokenIssues(text, conversion)) {
            QCOMPARE(sent.at(issue.index), issue.byte); // the byte named is the byte sent
            shown.append(QStringLiteral("%1:%2@%3=%4%5")
                             .arg(issue.index)
                             .arg(text.mid(issue.position, issue.length))
                             .arg(issue.position)
                             .arg(formatHexBytes(&issue.byte, 1).trimmed())
                             .arg(issue.kind == HexTokenIssue::Kind::NotANumber ? '?' : '^'));
        }
        QTEST(shown.join(' '), isUnsigned ? "unsignedIssues" : "signedIssues");
    }
}

void TestByteText::tokenNotes()
{
    const auto sentNote = [](const QString &text) {
        return hexTokensSentMessage(text, findHexTokenIssues(text, HexConversion::Signed));
    };
    QCOMPARE(sentNote("01 02"), QString());
    // Ten named, the rest counted; long tokens cut, line ends shown.
    QCOMPARE(sentNote("1FF 2FF 3FF 4FF 5FF 6FF 7FF 8FF 9FF AFF BFF"),
             QString::fromUtf8("11个无效十六进制数已按 FF FF FF FF FF FF FF FF FF FF … 发送："
                               "1FF、2FF、3FF、4FF、5FF、6FF、7FF、8FF、9FF、AFF等"));
    QCOMPARE(sentNote(QString(21, 'A') + "\r\nB C\tD"),
             QString::fromUtf8("2个无效十六进制数已按 00 00 发送：AAAAAAAAAAAAAAAAAAAA…、C\\tD"));
}

void TestByteText::hexToPlain_data()
{
    QTest::addColumn<QString>("hex");
    QTest::addColumn<bool>("legal");
    QTest::addColumn<QString>("plain"); // "untouched": left as it was
    QTest::newRow("empty") << "" << true << "";
    QTest::newRow("UTF-8") << "48 69 E4 B8 AD" << true << QString::fromUtf8("Hi中");
    QTest::newRow("zero ends the text") << "41 00 42" << true << "A";
    QTest::newRow("asterisk is legal but ends the text") << "41 * 42" << true << "A";
    QTest::newRow("two lines") << "41 42\r\n43" << true << "A";
    QTest::newRow("malformed UTF-8") << "41 FF 42" << true << QString::fromUtf8("A\uFFFDB");
    QTest::newRow("letter G") << "41 G2" << false << "untouched";
    QTest::newRow("comma") << "41,42" << false << "untouched";
    QTest::newRow("tab") << "41\t42" << false << "untouched";
}

void TestByteText::hexToPlain()
{
    QFETCH(QString, hex);
    QString result = QStringLiteral("untouched");
    QTEST(hexToPlainText(hex, &result), "legal");
    QTEST(result, "plain");
}

void TestByteText::plainText()
{
    // Only the low 8 bits of each UTF-16 code unit survive: U+00E9 gives E9, U+4E2D gives 2D.
    const QString plain = QString::fromUtf8("Hi\nAé中");
    QCOMPARE(plainToHexText(plain), QStringLiteral("48 69 0A 41 E9 2D "));
    QCOMPARE(collectWriteBytes(plain, false, HexConversion::Signed), h("48690A41E92D"));
    QCOMPARE(collectWriteBytes(QStringLiteral("01 FF"), true, HexConversion::Signed), h("01FF"));
    // Hex as the log shows it: every byte, zero too (the log's tests hold the rest of the
    // rendering).
    QCOMPARE(renderTrafficData("\0\x11\xAB", 3, true), QStringLiteral("00 11 AB "));
}

QTEST_GUILESS_MAIN(TestByteText)
#include "tst_bytetext.moc"
