// What the window remembers, in a settings folder of the test's own: the round trip, folders
// that are gone, nothing stored, damaged and unreadable files (one warning each, defaults), and
// a damaged file written afresh.

#include "app/windowsettings.h"

#include <QMainWindow>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>

#include <functional>
#include <unistd.h>

class TestWindowSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void roundTrip();
    void nothingStoredFoldersGone();
    void damaged_data();
    void damaged();
    void unreadable();

private:
    // What `work` writes to standard error.
    static QString stderrOf(const std::function<void()> &work);
    QString settingsFile() const { return folder + "/kavris/kavris.ini"; }
    void writeSettings(const QByteArray &bytes);
    QTemporaryDir config;
    QString folder; // a new one for each test: Qt keeps the files it has read
    int tests = 0;
    QTemporaryDir files;
};

QString TestWindowSettings::stderrOf(const std::function<void()> &work)
{
    QTemporaryFile capture;
    capture.open();
    std::fflush(stderr);
    const int saved = ::dup(2);
    ::dup2(capture.handle(), 2);
    work();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    capture.seek(0);
    return QString::fromLocal8Bit(capture.readAll());
}

void TestWindowSettings::writeSettings(const QByteArray &bytes)
{
    QDir().mkpath(folder + "/kavris");
    QFile file(settingsFile());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void TestWindowSettings::initTestCase()
{
    QVERIFY(config.isValid() && files.isValid());
}

void TestWindowSettings::init()
{
    // Never the user's own settings.
    folder = config.filePath(QString::number(++tests));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}

void TestWindowSettings::roundTrip()
{
    QDir(files.path()).mkpath("logs");
    QDir(files.path()).mkpath("lists");
    QMainWindow window;
    window.resize(700, 500);
    window.move(40, 50);
    window.show();
    const QString warnings = stderrOf([&] {
        WindowSettings settings;
        QCOMPARE(settings.fileName(), settingsFile());
        settings.rememberFile(WindowSettings::Kind::Log, files.filePath("logs/a.txt"));
        settings.rememberFile(WindowSettings::Kind::List, files.filePath("lists/x.list"));
        QCOMPARE(settings.folder(WindowSettings::Kind::Log), files.filePath("logs"));
        settings.save(&window, true);
    });
    QCOMPARE(warnings, QString());

    QMainWindow again;
    again.resize(300, 200);
    again.show();
    QCOMPARE(stderrOf([&] {
                 WindowSettings settings;
                 settings.restore(&again);
                 QCOMPARE(settings.asciiDisplay(), true);
                 QCOMPARE(settings.folder(WindowSettings::Kind::Log), files.filePath("logs"));
                 QCOMPARE(settings.folder(WindowSettings::Kind::List), files.filePath("lists"));
             }),
             QString());
    QCOMPARE(again.size(), QSize(700, 500));
    QCOMPARE(again.pos(), window.pos());

    // The other display choice comes back too.
    QCOMPARE(stderrOf([&] { WindowSettings().save(&window, false); }), QString());
    QCOMPARE(WindowSettings().asciiDisplay(), false);
}

void TestWindowSettings::nothingStoredFoldersGone()
{
    QMainWindow window;
    window.resize(300, 200);
    QCOMPARE(stderrOf([&] {
                 WindowSettings settings;
                 settings.restore(&window);
                 QCOMPARE(settings.asciiDisplay(), false);
                 QCOMPARE(settings.folder(WindowSettings::Kind::Log), QString());
                 QCOMPARE(settings.folder(WindowSettings::Kind::List), QString());
                 QDir(files.path()).mkpath("gone");
                 settings.rememberFile(WindowSettings::Kind::List, files.filePath("gone/x.list"));
                 settings.save(&window, false);
             }),
             QString());
    QCOMPARE(window.size(), QSize(300, 200));
    QVERIFY(QDir(files.filePath("gone")).removeRecursively());
    QCOMPARE(WindowSettings().folder(WindowSettings::Kind::List), QString());
}

void TestWindowSettings::damaged_data()
{
    QTest::addColumn<QByteArray>("contents");
    static const char garbage[] = "\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR\xff\xfe=\xc3(";
    QTest::newRow("garbage bytes") << QByteArray(garbage, sizeof garbage - 1);
    QTest::newRow("not UTF-8") << QByteArray("[view]\nascii=true\n\xc3(\n");
    QTest::newRow("unclosed section") << QByteArray("[view\nascii=true\n");
    QTest::newRow("geometry of no window")
        << QByteArray("[window]\ngeometry=@ByteArray(not a geometry)\n");
    QTest::newRow("display choice neither true nor false") << QByteArray("[view]\nascii=maybe\n");
}

void TestWindowSettings::damaged()
{
    QFETCH(QByteArray, contents);
    writeSettings(contents);
    QDir(files.path()).mkpath("logs");
    QMainWindow window;
    window.resize(300, 200);
    const QString warnings = stderrOf([&] {
        WindowSettings settings;
        settings.restore(&window);
        QCOMPARE(settings.asciiDisplay(), false);
        QCOMPARE(settings.folder(WindowSettings::Kind::Log), QString());
        settings.rememberFile(WindowSettings::Kind::Log, files.filePath("logs/a.txt"));
        QCOMPARE(settings.folder(WindowSettings::Kind::Log), files.filePath("logs"));
        settings.save(&window, true);
    });
    QCOMPARE(warnings, QStringLiteral("kavris: the settings file %1 is ignored: it is damaged\n")
                           .arg(settingsFile()));
    QCOMPARE(window.size(), QSize(300, 200));
    // Written afresh: read without a warning, with what the run chose.
    QCOMPARE(stderrOf([&] {
                 WindowSettings settings;
                 QCOMPARE(settings.asciiDisplay(), true);
                 QCOMPARE(settings.folder(WindowSettings::Kind::Log), files.filePath("logs"));
             }),
             QString());
}

void TestWindowSettings::unreadable()
{
    // A folder where the file should be: unreadable also for root.
    QVERIFY(QDir().mkpath(settingsFile()));
    QMainWindow window;
    window.resize(300, 200);
    const QString warnings = stderrOf([&] {
        WindowSettings settings;
        settings.restore(&window);
        QCOMPARE(settings.asciiDisplay(), false);
        settings.save(&window, true); // fails quietly: it was said once
    });
    QCOMPARE(warnings,
             QStringLiteral("kavris: the settings file %1 is ignored: it cannot be read\n")
                 .arg(settingsFile()));
    QVERIFY(QFileInfo(settingsFile()).isDir());
}

QTEST_MAIN(TestWindowSettings)
#include "tst_windowsettings.moc"
