// The count cells' pattern, character for character, and what it lets the user type.

#include "oplist/rangepattern.h"

#include <QRegExpValidator>
#include <QtTest>

class TestRangePattern : public QObject
{
    Q_OBJECT

private slots:
    void pattern_data();
    void pattern();
    void countValidator_data();
    void countValidator();
    void exactRanges_data();
    void exactRanges();
};

void TestRangePattern::pattern_data()
{
    QTest::addColumn<int>("bound");
    QTest::addColumn<QString>("expected");
    QTest::newRow("10230") << 10230
                           << "^([1-1][0-0][0-2][0-3][0-0]|[1-1][0-0][0-9]{0,2}|[1-1][0-0][0-1]"
                              "[0-9]{0,1}|[1-1][0-0][0-2][0-2][0-9]{0,0}|[1-1][0-0][0-2][0-3]"
                              "[0-0]|[1-9][0-9]{0,3})$|(^\\t?$)";
    QTest::newRow("300") << 300
                         << "^([1-3][0-0][0-0]|[1-2][0-9]{0,2}|[1-3][0-0][0-9]{0,0}|[1-3][0-0]"
                            "[0-0]|[1-9][0-9]{0,1})$|(^\\t?$)";
    QTest::newRow("25") << 25 << "^([1-2][0-5]|[1-1][0-9]{0,1}|[1-9])$|(^\\t?$)";
    QTest::newRow("7") << 7 << "^([1-7])$|(^\\t?$)";
    QTest::newRow("0") << 0 << "(^\\t?$)";
}

void TestRangePattern::pattern()
{
    QFETCH(int, bound);
    QFETCH(QString, expected);
    QCOMPARE(buildRangePattern(bound), expected);
}

void TestRangePattern::countValidator_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("state");
    const int acceptable = QValidator::Acceptable;
    QTest::newRow("empty") << "" << acceptable;
    QTest::newRow("tab") << "\t" << acceptable;
    QTest::newRow("1") << "1" << acceptable;
    QTest::newRow("10000") << "10000" << acceptable;
    QTest::newRow("10010") << "10010" << acceptable;
    QTest::newRow("10230") << "10230" << acceptable;
    QTest::newRow("0") << "0" << int(QValidator::Invalid);
    QTest::newRow("leading zero") << "07" << int(QValidator::Invalid);
    QTest::newRow("10229") << "10229" << int(QValidator::Invalid);
    QTest::newRow("10001") << "10001" << int(QValidator::Invalid);
    QTest::newRow("10231") << "10231" << int(QValidator::Invalid);
    QTest::newRow("letter") << "1a" << int(QValidator::Invalid);
}

void TestRangePattern::countValidator()
{
    QFETCH(QString, text);
    QFETCH(int, state);
    QRegExpValidator validator(QRegExp(buildRangePattern(10230)));
    int position = text.size();
    QCOMPARE(int(validator.validate(text, position)), state);
}

void TestRangePattern::exactRanges_data()
{
    QTest::addColumn<int>("bound");
    QTest::newRow("300") << 300;
    QTest::newRow("25") << 25;
    QTest::newRow("7") << 7;
}

void TestRangePattern::exactRanges()
{
    // For these bounds the pattern holds exactly 1 to N.
    QFETCH(int, bound);
    const QRegExp pattern(buildRangePattern(bound));
    QList<int> matched;
    for (int value = 0; value <= 1000; ++value)
        if (pattern.exactMatch(QString::number(value)))
            matched.append(value);
    QCOMPARE(matched.size(), bound);
    QCOMPARE(matched.first(), 1);
    QCOMPARE(matched.last(), bound);
}

QTEST_GUILESS_MAIN(TestRangePattern)
#include "tst_rangepattern.moc"
