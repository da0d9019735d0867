// The save dialogs' suffix: when a typed name gets the filter's suffix and when it stays as typed.

#include "transfer/savefilename.h"

#include <QtTest>

class TestSaveFileName : public QObject
{
    Q_OBJECT

private slots:
    void suffix_data();
    void suffix();
};

void TestSaveFileName::suffix_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("saved");
    const QString text = QStringLiteral("Text files (*.txt)");
    const QString html = QStringLiteral("Hyper Text Markup language File(*.html)");
    const QString list = QStringLiteral("KAVRIS List File (*.list)");
    QTest::newRow("text") << "/tmp/log" << text << "/tmp/log.txt";
    QTest::newRow("HTML, no blank before the bracket") << "/tmp/log" << html << "/tmp/log.html";
    QTest::newRow("list") << "/tmp/a b/x" << list << "/tmp/a b/x.list";
    QTest::newRow("dot in a folder only") << "/tmp/v1.2/log" << text << "/tmp/v1.2/log.txt";
    QTest::newRow("has a suffix") << "/tmp/log.txt" << list << "/tmp/log.txt";
    QTest::newRow("another suffix") << "/tmp/log.v2" << text << "/tmp/log.v2";
    QTest::newRow("ends in a dot") << "/tmp/log." << text << "/tmp/log.";
    QTest::newRow("hidden file") << "/tmp/.log" << text << "/tmp/.log";
    QTest::newRow("any files") << "/tmp/log" << QString("Any files (*)") << "/tmp/log";
    QTest::newRow("no filter chosen") << "/tmp/log" << QString("") << "/tmp/log";
    QTest::newRow("two patterns: the first")
        << "/tmp/log" << QString("Logs (*.log *.txt)") << "/tmp/log.log";
    QTest::newRow("cancelled") << QString() << text << QString();
}

void TestSaveFileName::suffix()
{
    QFETCH(QString, name);
    QFETCH(QString, filter);
    QTEST(addFilterSuffix(name, filter), "saved");
}

QTEST_MAIN(TestSaveFileName)
#include "tst_savefilename.moc"
