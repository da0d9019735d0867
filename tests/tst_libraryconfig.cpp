// Where the adapter library's configuration comes from, as the library reports it on standard
// error: only a regular file of at most 1 MiB is read; a device, a FIFO, a directory or a
// larger file is refused with the line an unreadable file gets, and the defaults stay.

#include "stderrcapture.h"

#include "telkor/library.h"

#include <QtTest>

#include <sys/stat.h>

using namespace telkor;

class TestLibraryConfig : public QObject
{
    Q_OBJECT

private slots:
    void files_data();
    void files();
};

void TestLibraryConfig::files_data()
{
    QTest::addColumn<QString>("variable"); // TELKOR_CONFIG_FILE, or the per-user file if empty
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("adapters"); // 3 when the file was read, else the default
    QTest::newRow("regular file") << "TELKOR_CONFIG_FILE"
                                  << "file" << 3;
    QTest::newRow("1 MiB exactly") << "TELKOR_CONFIG_FILE"
                                   << "file 1048576" << 3;
    QTest::newRow("1 MiB and a byte") << "TELKOR_CONFIG_FILE"
                                      << "file 1048577" << 1;
    QTest::newRow("/dev/zero") << "TELKOR_CONFIG_FILE"
                               << "/dev/zero" << 1;
    QTest::newRow("FIFO without a writer") << "TELKOR_CONFIG_FILE"
                                           << "fifo" << 1;
    QTest::newRow("directory") << "TELKOR_CONFIG_FILE"
                               << "directory" << 1;
    QTest::newRow("missing") << "TELKOR_CONFIG_FILE"
                             << "missing" << 1;
    QTest::newRow("per-user file") << ""
                                   << "file" << 3;
    QTest::newRow("per-user directory") << ""
                                        << "directory" << 1;
    QTest::newRow("per-user FIFO") << ""
                                   << "fifo" << 1;
}

void TestLibraryConfig::files()
{
    QFETCH(QString, variable);
    QFETCH(QString, kind);
    QFETCH(int, adapters);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("telkor")));
    const QString path =
        kind.startsWith('/') ? kind : dir.filePath(QStringLiteral("telkor/telkor.conf"));
    if (kind.startsWith(QLatin1String("file"))) {
        // The items, then a comment up to the size asked for.
        QByteArray text("adapters=3\n#");
        text.append(QByteArray(qMax(0, kind.mid(5).toInt() - text.size()), 'x'));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == QLatin1String("directory")) {
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("telkor/telkor.conf")));
    }
    const QByteArray saved = qgetenv("TELKOR_CONFIG");
    qunsetenv("TELKOR_CONFIG");
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    variable.isEmpty() ? qunsetenv("TELKOR_CONFIG_FILE")
                       : qputenv("TELKOR_CONFIG_FILE", path.toUtf8());
    Library library({});
    const QByteArray said = stderrOf([&] { library.reset(); });
    qunsetenv("TELKOR_CONFIG_FILE");
    qunsetenv("XDG_CONFIG_HOME");
    qputenv("TELKOR_CONFIG", saved);
    const QString name = variable.isEmpty() ? QStringLiteral("configuration file") : variable;
    QCOMPARE(QString::fromLocal8Bit(said),
             adapters == 3
                 ? QString()
                 : "libTELKOR: configuration: " + name + " " + path + " cannot be read; ignored\n");
    QCOMPARE(library.adapterScan(0), adapters);
}

QTEST_GUILESS_MAIN(TestLibraryConfig)
#include "tst_libraryconfig.moc"
