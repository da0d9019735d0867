// What the list cells' patterns let the user type: the table holds what the QRegExp validators
// the cells once had accepted.

#include "oplist/cellvalidators.h"

#include <QValidator>
#include <QtTest>

class TestCellValidators : public QObject
{
    Q_OBJECT

private slots:
    void validators_data();
    void validators();
};

void TestCellValidators::validators_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("state");
    const auto add = [](const char *cell, QValidator::State state, const QStringList &texts) {
        const QString pattern = cell == QByteArray("count")   ? countCellPattern()
                                : cell == QByteArray("delay") ? delayCellPattern()
                                                              : hexCellPattern();
        for (const QString &text : texts)
            QTest::addRow("%s %s", cell, qPrintable(text)) << pattern << text << int(state);
    };
    add("count", QValidator::Acceptable, {"", "\t", "1", "10000", "10010", "10230", "999"});
    add("count", QValidator::Invalid, {"0", "07", "10229", "10001", "10231", "1a", "1\n", " 5"});
    add("delay", QValidator::Intermediate, {"", "0"});
    add("delay", QValidator::Acceptable, {"007", "250"});
    add("delay", QValidator::Invalid, {"-5", "5 ", "1\n"});
    add("hex", QValidator::Intermediate, {"", "0A ", "0A ff 1", "0A"});
    add("hex", QValidator::Invalid, {"123", "12  34", "1g", "0A\n"});
    const QString tokens = QString("AB ").repeated(1000);
    QTest::newRow("hex 1000 tokens") << hexCellPattern() << tokens << int(QValidator::Acceptable);
    QTest::newRow("hex 1001 tokens")
        << hexCellPattern() << tokens + "AB " << int(QValidator::Invalid);
}

void TestCellValidators::validators()
{
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    const QScopedPointer<QValidator> validator(makeCellValidator(pattern, nullptr));
    QString input = text;
    int position = input.size();
    QTEST(int(validator->validate(input, position)), "state");
}

QTEST_GUILESS_MAIN(TestCellValidators)
#include "tst_cellvalidators.moc"
