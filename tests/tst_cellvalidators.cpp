// The list cells' patterns and what they let the user type. The validators were QRegExp ones;
// the table below holds what those accepted, and in a Qt 5 build each case is also checked
// against a QRegExpValidator over the same pattern, so the two engines provably agree.

#include "oplist/cellvalidators.h"
#include "oplist/rangepattern.h"

#include <QRegularExpression>
#include <QValidator>
#include <QtTest>

#include <memory>

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
#include <QRegExpValidator>
#endif

class TestCellValidators : public QObject
{
    Q_OBJECT

private slots:
    void pattern_data();
    void pattern();
    void validators_data();
    void validators();
};

void TestCellValidators::pattern_data()
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

void TestCellValidators::pattern()
{
    QFETCH(int, bound);
    QFETCH(QString, expected);
    QCOMPARE(buildRangePattern(bound), expected);
    if (bound > 1000)
        return; // larger ones keep gaps (see the count cell's cases); these hold exactly 1 to N
    const QRegularExpression pattern(QRegularExpression::anchoredPattern(expected));
    for (int value = 0; value <= 1000; ++value)
        QVERIFY2(pattern.match(QString::number(value)).hasMatch() == (value >= 1 && value <= bound),
                 qPrintable(QString::number(value)));
}

void TestCellValidators::validators_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("state");
    const auto add = [](const char *cell, QValidator::State state, const QStringList &texts) {
        for (const QString &text : texts)
            QTest::addRow("%s %s", cell, qPrintable(text)) << cell << text << int(state);
    };
    add("count", QValidator::Acceptable, {"", "\t", "1", "10000", "10010", "10230", "999"});
    add("count", QValidator::Invalid, {"0", "07", "10229", "10001", "10231", "1a", "1\n", " 5"});
    add("delay", QValidator::Intermediate, {"", "0"});
    add("delay", QValidator::Acceptable, {"007", "250"});
    add("delay", QValidator::Invalid, {"-5", "5 ", "1\n"});
    add("hex", QValidator::Intermediate, {"", "0A ", "0A ff 1", "0A"});
    add("hex", QValidator::Invalid, {"123", "12  34", "1g", "0A\n"});
    const QString tokens = QString("AB ").repeated(1000);
    QTest::newRow("hex 1000 tokens") << "hex" << tokens << int(QValidator::Acceptable);
    QTest::newRow("hex 1001 tokens") << "hex" << tokens + "AB " << int(QValidator::Invalid);
}

void TestCellValidators::validators()
{
    QFETCH(QString, cell);
    QFETCH(QString, text);
    QFETCH(int, state);
    const QString pattern = cell == QLatin1String("count")   ? countCellPattern()
                            : cell == QLatin1String("delay") ? delayCellPattern()
                                                             : hexCellPattern();
    std::unique_ptr<QValidator> validator(makeCellValidator(pattern, nullptr));
    QString input = text;
    int position = input.size();
    QCOMPARE(int(validator->validate(input, position)), state);
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    QRegExpValidator old{QRegExp(pattern)};
    input = text;
    QCOMPARE(int(old.validate(input, position)), state);
#endif
}

QTEST_GUILESS_MAIN(TestCellValidators)
#include "tst_cellvalidators.moc"
