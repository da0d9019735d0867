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
    void exactRanges_data();
    void exactRanges();
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
}

void TestCellValidators::validators_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("state");
    const int ok = QValidator::Acceptable;
    const int partial = QValidator::Intermediate;
    const int invalid = QValidator::Invalid;
    const struct {
        const char *cell, *text;
        int state;
    } cases[] = {
        {"count", "", ok},           {"count", "\t", ok},         {"count", "1", ok},
        {"count", "10000", ok},      {"count", "10010", ok},      {"count", "10230", ok},
        {"count", "999", ok},        {"count", "0", invalid},     {"count", "07", invalid},
        {"count", "10229", invalid}, {"count", "10001", invalid}, {"count", "10231", invalid},
        {"count", "1a", invalid},    {"count", "1\n", invalid},   {"count", " 5", invalid},
        {"delay", "", partial},      {"delay", "0", partial},     {"delay", "007", ok},
        {"delay", "250", ok},        {"delay", "-5", invalid},    {"delay", "5 ", invalid},
        {"delay", "1\n", invalid},   {"hex", "", partial},        {"hex", "0A ", partial},
        {"hex", "0A ff 1", partial}, {"hex", "0A", partial},      {"hex", "123", invalid},
        {"hex", "12  34", invalid},  {"hex", "1g", invalid},      {"hex", "0A\n", invalid},
    };
    for (const auto &c : cases)
        QTest::addRow("%s %s", c.cell, c.text) << c.cell << c.text << c.state;
    QString thousand;
    for (int i = 0; i < 1000; ++i)
        thousand += QStringLiteral("AB ");
    QTest::newRow("hex 1000 tokens") << "hex" << thousand << ok;
    QTest::newRow("hex 1001 tokens") << "hex" << thousand + QStringLiteral("AB ") << invalid;
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

void TestCellValidators::exactRanges_data()
{
    QTest::addColumn<int>("bound");
    QTest::newRow("300") << 300;
    QTest::newRow("25") << 25;
    QTest::newRow("7") << 7;
}

void TestCellValidators::exactRanges()
{
    // For these bounds the pattern holds exactly 1 to N.
    QFETCH(int, bound);
    const QRegularExpression pattern(QRegularExpression::anchoredPattern(buildRangePattern(bound)));
    QList<int> matched;
    for (int value = 0; value <= 1000; ++value)
        if (pattern.match(QString::number(value)).hasMatch())
            matched.append(value);
    QCOMPARE(matched.size(), bound);
    QCOMPARE(matched.first(), 1);
    QCOMPARE(matched.last(), bound);
}

QTEST_GUILESS_MAIN(TestCellValidators)
#include "tst_cellvalidators.moc"
