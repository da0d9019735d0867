// Which language the programs speak: KAVRIS_LANG and the order of the desktop's languages,
// kavris-run as a process in each, its usage text the same in both, and the English catalogue
// against the texts of the program as lupdate finds them.

#include "adapter/uilanguage.h"
#include "cli/runoptions.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

namespace
{

// What a catalogue says for each text: context, source and disambiguation as the key.
struct Entry {
    QString translation;
    bool finished = false;
};
using Catalogue = QMap<QString, Entry>;

Catalogue readCatalogue(const QString &path)
{
    Catalogue entries;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return entries;
    QXmlStreamReader xml(&file);
    QString context, source, comment;
    const QMap<QString, QString *> fields{
        {"name", &context}, {"source", &source}, {"comment", &comment}};
    Entry entry;
    while (!xml.atEnd()) {
        xml.readNext();
        const QString name = xml.name().toString();
        if (xml.isEndElement() && name == QLatin1String("message")) {
            entries.insert(context + QLatin1Char('|') + source + QLatin1Char('|') + comment, entry);
            source.clear();
            comment.clear();
        } else if (xml.isStartElement() && fields.contains(name)) {
            *fields.value(name) = xml.readElementText();
        } else if (xml.isStartElement() && name == QLatin1String("translation")) {
            entry.finished = xml.attributes().value(QLatin1String("type")).isEmpty();
            entry.translation = xml.readElementText();
        }
    }
    return entries;
}

QStringList placeholders(const QString &text)
{
    QStringList found;
    for (auto it = QRegularExpression(QStringLiteral("%\\d+")).globalMatch(text); it.hasNext();)
        found.append(it.next().captured());
    found.sort();
    found.removeDuplicates();
    return found;
}

bool hasCjk(const QString &text)
{
    return text.contains(QRegularExpression(QStringLiteral("[\\x{2E80}-\\x{9FFF}\\x{F900}-"
                                                           "\\x{FAFF}\\x{FF00}-\\x{FFEF}]")));
}

} // namespace

class TestLanguage : public QObject
{
    Q_OBJECT

private slots:
    void choice_data();
    void choice();
    void kavrisRunSpeaks_data();
    void kavrisRunSpeaks();
    void usageTheSameInBoth();
    void catalogueCoversEveryText();

private:
    struct Run {
        QString out;
        QStringList err; // kavris-run's own lines
    };
    // kavris-run with the locale variables and KAVRIS_LANG given ("-": unset), nothing else.
    static Run run(const QStringList &arguments, const QString &lang, const QString &language,
                   const QString &kavrisLang);
    QTemporaryDir folder;
};

void TestLanguage::choice_data()
{
    QTest::addColumn<QByteArray>("kavrisLang");
    QTest::addColumn<QStringList>("uiLanguages");
    QTest::addColumn<QStringList>("available");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("ignored");

    const QStringList enFirst{"en-US", "en", "zh-CN"}, zhFirst{"zh-CN", "zh", "en-US"};
    const QStringList built{"zh", "en"}, three{"zh", "en", "de"};
    const QByteArray unset;
    // clang-format off
    QTest::newRow("en before zh") << unset << enFirst << built << "en" << QString();
    QTest::newRow("zh before en") << unset << zhFirst << built << "zh" << QString();
    QTest::newRow("de, en, zh") << unset << QStringList{"de-DE", "de", "en-GB", "zh"} << built << "en" << QString();
    QTest::newRow("de, zh-Hans, en") << unset << QStringList{"de-DE", "zh-Hans-CN", "en"} << built << "zh" << QString();
    QTest::newRow("only de") << unset << QStringList{"de-DE", "de"} << built << "zh" << QString();
    QTest::newRow("none") << unset << QStringList() << built << "zh" << QString();
    QTest::newRow("en_GB written with _") << unset << QStringList{"en_GB"} << built << "en" << QString();
    QTest::newRow("EN-us in capitals") << unset << QStringList{"EN-us", "zh"} << built << "en" << QString();
    QTest::newRow("es is not en") << unset << QStringList{"es-ES", "en"} << built << "en" << QString();
    QTest::newRow("de, en, zh with de built") << unset << QStringList{"de-DE", "de", "en", "zh"} << three << "de" << QString();
    QTest::newRow("KAVRIS_LANG=en over zh") << QByteArray("en") << zhFirst << built << "en" << QString();
    QTest::newRow("KAVRIS_LANG=zh over en") << QByteArray("zh") << enFirst << built << "zh" << QString();
    QTest::newRow("KAVRIS_LANG empty") << QByteArray("") << enFirst << built << "en" << QString();
    QTest::newRow("KAVRIS_LANG=fr, en first") << QByteArray("fr") << enFirst << built << "en" << "fr";
    QTest::newRow("KAVRIS_LANG=EN") << QByteArray("EN") << zhFirst << built << "zh" << "EN";
    QTest::newRow("KAVRIS_LANG=en_US") << QByteArray("en_US") << zhFirst << built << "zh" << "en_US";
    // clang-format on
}

void TestLanguage::choice()
{
    QFETCH(QByteArray, kavrisLang);
    QFETCH(QStringList, uiLanguages);
    QFETCH(QStringList, available);
    QFETCH(QString, chosen);
    QFETCH(QString, ignored);
    QString said;
    QCOMPARE(UiLanguage::choose(kavrisLang, uiLanguages, available, &said), chosen);
    QCOMPARE(said, ignored);
    // The programs carry the source language and the English catalogue.
    QCOMPARE(UiLanguage::available(), QStringList({"zh", "en"}));
}

TestLanguage::Run TestLanguage::run(const QStringList &arguments, const QString &lang,
                                    const QString &language, const QString &kavrisLang)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG", "LANGUAGE", "KAVRIS_LANG"})
        environment.remove(QLatin1String(name));
    const auto set = [&](const char *name, const QString &value) {
        if (value != QLatin1String("-"))
            environment.insert(QLatin1String(name), value);
    };
    set("LANG", lang);
    set("LANGUAGE", language);
    set("KAVRIS_LANG", kavrisLang);
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(KAVRIS_BIN_DIR "/kavris-run"), arguments);
    if (!process.waitForFinished(20000))
        return {};
    // Only kavris-run's own lines: Qt may warn about a locale the machine does not have.
    QStringList err;
    for (const QString &line : QString::fromUtf8(process.readAllStandardError()).split('\n'))
        if (line.startsWith(QLatin1String("kavris-run")))
            err.append(line);
    return {QString::fromUtf8(process.readAllStandardOutput()), err};
}

void TestLanguage::kavrisRunSpeaks_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("language"); // LANGUAGE, the desktop's list
    QTest::addColumn<QString>("kavrisLang");
    QTest::addColumn<bool>("english");
    QTest::addColumn<QString>("warning");

    const QString ignored = "kavris-run: KAVRIS_LANG=ja is ignored: it takes en or zh";
    // The choice itself is tested above; here, that each variable reaches it.
    // clang-format off
    QTest::newRow("C.UTF-8") << "C.UTF-8" << "-" << "-" << false << QString();
    QTest::newRow("en_US") << "en_US.UTF-8" << "-" << "-" << true << QString();
    QTest::newRow("de, en, zh") << "de_DE.UTF-8" << "de:en:zh_CN" << "-" << true << QString();
    QTest::newRow("zh before en") << "en_US.UTF-8" << "zh_CN:en_US" << "-" << false << QString();
    QTest::newRow("KAVRIS_LANG=en in C") << "C.UTF-8" << "-" << "en" << true << QString();
    QTest::newRow("KAVRIS_LANG=zh in en_US") << "en_US.UTF-8" << "en" << "zh" << false << QString();
    QTest::newRow("KAVRIS_LANG=ja in en_US") << "en_US.UTF-8" << "-" << "ja" << true << ignored;
    // clang-format on
}

void TestLanguage::kavrisRunSpeaks()
{
    QFETCH(QString, lang);
    QFETCH(QString, language);
    QFETCH(QString, kavrisLang);
    QFETCH(bool, english);
    QFETCH(QString, warning);
    // A list refused before anything is sent: the window's warning for the row, then
    // kavris-run's own words, which are English in both languages.
    const QString list = folder.filePath(QStringLiteral("odd.list"));
    QFile file(list);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("1,wrte,06,0,0\n") == 14);
    file.close();
    QStringList expected = warning.isEmpty() ? QStringList() : QStringList{warning};
    expected << (english
                     ? QStringLiteral("kavris-run: These rows of the list file have an "
                                      "operation that is not known and were loaded "
                                      "unchecked: line 1 “wrte”. Check them before running "
                                      "them!")
                     : QString::fromUtf8("kavris-run: 列表文件中以下行的操作类型无法识别，已载入为"
                                         "未选中行：第1行“wrte”。请检查后再执行！"))
             << "kavris-run: " + list + ": refused, nothing sent";
    QCOMPARE(run({list}, lang, language, kavrisLang).err, expected);
}

void TestLanguage::usageTheSameInBoth()
{
    // The usage text is English in the program; the catalogue keeps it as it is.
    const QString usage = runUsage();
    QVERIFY(usage.startsWith(QLatin1String("Usage: kavris-run [options] FILE.list\n")));
    QVERIFY(usage.endsWith(QLatin1String("the loader's search path.\n")));
    QCOMPARE(run({"--help"}, "C.UTF-8", "-", "-").out, usage);
    QCOMPARE(run({"--help"}, "C.UTF-8", "-", "en").out, usage);
    QCOMPARE(
        run({"--cycles", "x", "a.list"}, "C.UTF-8", "-", "en").err,
        QStringList({"kavris-run: --cycles takes a number of passes (0 = until interrupted)"}));
}

void TestLanguage::catalogueCoversEveryText()
{
    // tools/update-translations.sh run on a copy of the catalogue: the texts lupdate finds
    // now against those the catalogue has, each with a finished English translation.
    QVERIFY2(QFileInfo(QStringLiteral(KAVRIS_LUPDATE)).isExecutable(),
             "lupdate not found: scripts/install-deps.sh installs it");
    const QString committed = QStringLiteral(KAVRIS_SOURCE_DIR "/translations/kavris_en.ts");
    const QString copy = folder.filePath(QStringLiteral("kavris_en.ts"));
    QVERIFY(QFile::copy(committed, copy));
    QFile(copy).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QProcess update;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LUPDATE"), QStringLiteral(KAVRIS_LUPDATE));
    update.setProcessEnvironment(environment);
    update.start(QStringLiteral("bash"),
                 {QStringLiteral(KAVRIS_SOURCE_DIR "/tools/update-translations.sh"), copy});
    QVERIFY(update.waitForFinished(120000));
    QVERIFY2(update.exitCode() == 0, update.readAllStandardError().constData());

    const Catalogue before = readCatalogue(committed), now = readCatalogue(copy);
    QVERIFY(before.size() > 300);
    QStringList problems;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        const QString source = it.key().section(QLatin1Char('|'), 1, -2);
        if (!before.contains(it.key()))
            problems << "not in translations/kavris_en.ts: " + it.key();
        else if (!it->finished || it->translation.isEmpty())
            problems << "unfinished: " + it.key();
        else if (placeholders(source) != placeholders(it->translation))
            problems << "other placeholders: " + it.key() + " -> " + it->translation;
        else if (hasCjk(it->translation))
            problems << "not English: " + it.key() + " -> " + it->translation;
    }
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        if (!now.contains(it.key()))
            problems << "no longer in the program: " + it.key();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

QTEST_GUILESS_MAIN(TestLanguage)
#include "tst_language.moc"
