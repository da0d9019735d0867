// The manual pages against the programs: every option kavris-run --help prints has its item in
// the page's OPTIONS and every item there is an option --help prints, the exit codes agree, and
// the built pages have every shared part and path put in.

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

class TestManPages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void optionsAgree();
    void exitCodes();
    void builtPage_data();
    void builtPage();

private:
    static QString read(const QString &path);
    // The lines of a page's section, from its .SH line to the next.
    static QStringList section(const QString &page, const QString &name);
    QString help, page; // kavris-run --help and the page's source
};

QString TestManPages::read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QStringList TestManPages::section(const QString &page, const QString &name)
{
    const QStringList lines = page.split('\n');
    const int start = lines.indexOf(".SH " + name);
    int end = start + 1;
    while (start >= 0 && end < lines.size() && !lines.at(end).startsWith(".SH "))
        ++end;
    return start < 0 ? QStringList() : lines.mid(start, end - start);
}

void TestManPages::initTestCase()
{
    QProcess process;
    process.start(QStringLiteral(KAVRIS_BIN_DIR "/kavris-run"), {"--help"});
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 0);
    help = QString::fromUtf8(process.readAllStandardOutput());
    page = read(QStringLiteral(KAVRIS_SOURCE_DIR "/packaging/man/kavris-run.1.in"));
}

void TestManPages::optionsAgree()
{
    // Every option of --help has an item, and each item is one option of --help, once.
    QStringList helpOptions, itemOptions;
    const QRegularExpression option("(?<![\\w-])--[a-z0-9]+(-[a-z0-9]+)*");
    for (auto it = option.globalMatch(help); it.hasNext();) {
        const QString name = it.next().captured();
        if (!helpOptions.contains(name))
            helpOptions.append(name);
    }

    // An item is ".TP" and then a line such as ".BI \-\-channel " name"".
    const QStringList options = section(page, "OPTIONS");
    const QRegularExpression item("^\\.(B|BI|BR|IR|I)\\s+(\\\\-\\\\-[a-z0-9]+(\\\\-[a-z0-9]+)*)");
    for (int i = 0; i + 1 < options.size(); ++i) {
        if (options.at(i) != ".TP")
            continue;
        const QRegularExpressionMatch match = item.match(options.at(i + 1));
        QVERIFY2(match.hasMatch(),
                 qPrintable("an item that names no option: " + options.at(i + 1)));
        itemOptions.append(match.captured(2).remove('\\'));
    }
    // Both lists must be read, or two empty lists agree.
    for (const char *known : {"--channel", "--expect", "--help"}) {
        QVERIFY2(helpOptions.contains(known), qPrintable(help));
        QVERIFY2(itemOptions.contains(known), qPrintable(itemOptions.join(' ')));
    }
    itemOptions.sort();
    helpOptions.sort();
    QCOMPARE(itemOptions, helpOptions);
}

void TestManPages::exitCodes()
{
    // --help: "Exit codes: 0 success; 1 a transfer ...; 2 ...; 3 ...".
    const int start = help.indexOf("Exit codes:");
    QVERIFY(start >= 0);
    const QString codesText = help.mid(start, help.indexOf("\n\n", start) - start);
    QStringList helpCodes;
    const QRegularExpression code("(?:Exit codes:|;)\\s+(\\d+) ");
    for (auto it = code.globalMatch(codesText); it.hasNext();)
        helpCodes.append(it.next().captured(1));
    QStringList pageCodes;
    const QStringList status = section(page, "EXIT STATUS");
    for (int i = 0; i + 1 < status.size(); ++i)
        if (status.at(i) == ".TP" && status.at(i + 1).startsWith(".B "))
            pageCodes.append(status.at(i + 1).mid(3));
    QVERIFY2(pageCodes.contains("0") && pageCodes.contains("1"), qPrintable(pageCodes.join(' ')));
    QCOMPARE(helpCodes, pageCodes);
}

void TestManPages::builtPage_data()
{
    QTest::addColumn<QString>("page");
    QTest::newRow("kavris") << "kavris.1";
    QTest::newRow("kavris-run") << "kavris-run.1";
}

void TestManPages::builtPage()
{
    QFETCH(QString, page);
    const QString text = read(QStringLiteral(KAVRIS_MAN_DIR "/") + page);
    QVERIFY(!text.isEmpty());
    const QRegularExpression placeholder("@[A-Za-z_]+@");
    QVERIFY2(!placeholder.match(text).hasMatch(), qPrintable(placeholder.match(text).captured()));
    QVERIFY(text.contains("\n.TH KAVRIS"));
    QVERIFY(text.contains(QStringLiteral("\"kavris " KAVRIS_VERSION "\" \"User Commands\"")));
    for (const char *shared : {"THE ADAPTER LIBRARY", "CONFIGURATION OF THE ADAPTER LIBRARY",
                               "ENVIRONMENT", "FILES", "EXIT STATUS", "SEE ALSO"})
        QCOMPARE(text.count(QStringLiteral("\n.SH %1\n").arg(shared)), 1);
    QVERIFY(text.contains(QStringLiteral("\n.I " KAVRIS_INSTALLED_LIBRARY "\n")));
}

QTEST_GUILESS_MAIN(TestManPages)
#include "tst_manpages.moc"
