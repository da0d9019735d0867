// The write boxes' marks: which characters carry the mark, before and after edits, for each
// conversion. (Hex mode off and on: the window test.)

#include "transfer/hextokenhighlighter.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QtTest>

class TestHexTokenHighlighter : public QObject
{
    Q_OBJECT

private slots:
    void marks_data();
    void marks();

private:
    // "line:from-to" for every run of marked characters, as the document shows them.
    static QString marks(QTextDocument &document);
};

QString TestHexTokenHighlighter::marks(QTextDocument &document)
{
    const QTextCharFormat mark = HexTokenHighlighter::markFormat();
    QStringList runs;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QVector<QTextLayout::FormatRange> formats = block.layout()->formats();
        for (const QTextLayout::FormatRange &range : formats) {
            if (range.format.underlineStyle() != mark.underlineStyle() ||
                range.format.underlineColor() != mark.underlineColor())
                return QStringLiteral("unexpected format");
            runs.append(QStringLiteral("%1:%2-%3")
                            .arg(block.blockNumber())
                            .arg(range.start)
                            .arg(range.start + range.length));
        }
    }
    return runs.join(QLatin1Char(' '));
}

void TestHexTokenHighlighter::marks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("conversions"); // "u", "s" or "us"
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("edit"); // "position|removed|inserted"
    QTest::addColumn<QString>("after");
    // clang-format off
    QTest::newRow("not hex, wider than a byte; fixed by typing") << "ZZ 1G 300 0x9F" << "s" << "0:0-2 0:3-5 0:6-9" << "0|2|AA" << "0:3-5 0:6-9";
    QTest::newRow("a digit too many") << "AB CD" << "u" << "" << "2|0|C" << "0:0-3";
    QTest::newRow("either conversion's tokens, a box read both ways") << "FFFFFFFF -1 -0 7F" << "us" << "0:0-8 0:9-11 0:12-14" << "15|2|7FF" << "0:0-8 0:9-11 0:12-14 0:15-18";
    QTest::newRow("signed only: minus zero is zero") << "FFFFFFFF -1 -0 7F" << "s" << "0:0-8 0:9-11" << "0|9|" << "0:0-2";
    // A token runs over a line end: typing on the second line changes the first line's mark.
    QTest::newRow("a token over a line end, split on the next line") << "AA BB\nCC DD" << "s" << "0:3-5 1:0-2" << "6|0| " << "";
    QTest::newRow("a token over a line end, joined on the next line") << "AA BB\n CC DD" << "s" << "" << "6|1|" << "0:3-5 1:0-2";
    QTest::newRow("a token over three lines, emptied on the first") << "AA\n\nCC" << "s" << "0:0-2 2:0-2" << "0|2|" << "";
    // clang-format on
}

void TestHexTokenHighlighter::marks()
{
    QFETCH(QString, text);
    QFETCH(QString, conversions);
    QFETCH(QString, edit);
    QVector<HexConversion> kinds;
    if (conversions.contains('u'))
        kinds.append(HexConversion::Unsigned);
    if (conversions.contains('s'))
        kinds.append(HexConversion::Signed);
    QTextDocument document;
    document.documentLayout(); // as in a box: without a layout no change is announced
    document.setPlainText(text);
    HexTokenHighlighter highlighter(&document, kinds);
    QCoreApplication::processEvents(); // the highlighter's first pass is a posted one
    QTEST(marks(document), "before");
    QTextCursor cursor(&document);
    const QStringList parts = edit.split('|');
    cursor.setPosition(parts[0].toInt());
    cursor.setPosition(parts[0].toInt() + parts[1].toInt(), QTextCursor::KeepAnchor);
    cursor.insertText(parts[2]);
    QTEST(marks(document), "after");
}

QTEST_MAIN(TestHexTokenHighlighter)
#include "tst_hextokenhighlighter.moc"
