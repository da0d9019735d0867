// What the window remembers, in a settings folder of the test's own: nothing stored, the round
// trip, folders that are gone, damaged and unreadable files (one warning each, defaults), and a
// damaged file written afresh.

#include "app/windowsettings.h"
#include "support/stderrcapture.h"

#include <QMainWindow>
#include <QTemporaryDir>
#include <QtTest>

class TestWindowSettings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void roundTrip();
    void damaged_data();
    void damaged();

private:
    QString settingsFile() const { return folder + "/kavris/kavris.ini"; }
    QTemporaryDir config;
    QString folder; // a new one for each test: Qt keeps the files it has read
    int tests = 0;
    QTemporaryDir files;
};

void TestWindowSettings::init()
{
    // Never the user's own settings.
    folder = config.filePath(QString::number(++tests));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
    QVERIFY(QDir(files.path()).mkpath("logs") && QDir(files.path()).mkpath("lists"));
}

void TestWindowSettings::roundTrip()
{
    QMainWindow window;
    window.resize(700, 500);
    window.move(40, 50);
    window.show();
    // Nothing stored yet: the defaults, and the window left as it is.
    QCOMPARE(stderrOf([&] {
                 WindowSettings settings;
                 QCOMPARE(settings.fileName(), settingsFile());
                 settings.restore(&window);
                 QCOMPARE(settings.asciiDisplay(), false);
                 QCOMPARE(settings.folder(WindowSettings::Kind::Log), QString());
                 QCOMPARE(settings.folder(WindowSettings::Kind::List), QString());
                 settings.rememberFile(WindowSettings::Kind::Log, files.filePath("logs/a.txt"));
                 settings.rememberFile(WindowSettings::Kind::List, files.filePath("lists/x.list"));
                 settings.save(&window, true);
             }),
             QByteArray());
    QCOMPARE(window.size(), QSize(700, 500));

    // The display choice, the size and the list folder through the window: the window test.
    QMainWindow again;
    again.show();
    QCOMPARE(stderrOf([&] {
                 WindowSettings settings;
                 settings.restore(&again);
                 QCOMPARE(settings.folder(WindowSettings::Kind::Log), files.filePath("logs"));
             }),
             QByteArray());
    QCOMPARE(again.pos(), window.pos());

    // The other display choice comes back too; a remembered folder that is gone is none.
    QCOMPARE(stderrOf([&] { WindowSettings().save(&window, false); }), QByteArray());
    QVERIFY(QDir(files.filePath("lists")).removeRecursively());
    QCOMPARE(WindowSettings().asciiDisplay(), false);
    QCOMPARE(WindowSettings().folder(WindowSettings::Kind::List), QString());
}

void TestWindowSettings::damaged_data()
{
    QTest::addColumn<QByteArray>("contents"); // null: a folder where the file should be
    static const char garbage[] = "\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR\xff\xfe=\xc3(";
    QTest::newRow("garbage bytes") << QByteArray(garbage, sizeof garbage - 1);
    QTest::newRow("not UTF-8") << QByteArray("[view]\nascii=true\n\xc3(\n");
    QTest::newRow("unclosed section") << QByteArray("[view\nascii=true\n");
    QTest::newRow("geometry of no window")
        << QByteArray("[window]\ngeometry=@ByteArray(not a geometry)\n");
    QTest::newRow("display choice neither true nor false") << QByteArray("[view]\nascii=maybe\n");
    QTest::newRow("unreadable, also for root") << QByteArray();
}

void TestWindowSettings::damaged()
{
    QFETCH(QByteArray, contents);
    QVERIFY(QDir().mkpath(contents.isNull() ? settingsFile() : folder + "/kavris"));
    QFile file(settingsFile());
    QVERIFY(contents.isNull() ||
            (file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size()));
    file.close();
    QMainWindow window;
    window.resize(300, 200);
    const QString warnings = QString::fromLocal8Bit(stderrOf([&] {
        WindowSettings settings;
        settings.restore(&window);
        QCOMPARE(settings.asciiDisplay(), false);
        QCOMPARE(settings.folder(WindowSettings::Kind::Log), QString());
        settings.rememberFile(WindowSettings::Kind::Log, files.filePath("logs/a.txt"));
        QCOMPARE(settings.folder(WindowSettings::Kind::Log), files.filePath("logs"));
        settings.save(&window, true); // an unreadable one fails quietly: it was said once
    }));
    QCOMPARE(warnings,
             QStringLiteral("kavris: the settings file %1 is ignored: %2\n")
                 .arg(settingsFile(), contents.isNull() ? "it cannot be read" : "it is damaged"));
    QCOMPARE(window.size(), QSize(300, 200));
    if (contents.isNull()) {
        QVERIFY(QFileInfo(settingsFile()).isDir());
        return;
    }
    // Written afresh: read without a warning, with what the run chose.
    QCOMPARE(stderrOf([&] {
                 WindowSettings settings;
                 QCOMPARE(settings.asciiDisplay(), true);
                 QCOMPARE(settings.folder(WindowSettings::Kind::Log), files.filePath("logs"));
             }),
             QByteArray());
}

QTEST_MAIN(TestWindowSettings)
#include "tst_windowsettings.moc"
