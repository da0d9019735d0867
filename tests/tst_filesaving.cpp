// Saving onto every kind of target the file dialog lets the user pick: what ends up where, what
// stays as it was, and what a failed save leaves behind.

#include "transfer/filesaving.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace
{

enum class Target {
    NewFile,
    RegularFile,
    SymbolicLink,
    DanglingLink,
    HardLink,
    LongName,
    ReadOnlyDirectory,
    NamedPipe,
    LinkToPipe,
    DevFull,
    DevNull,
    Directory
};
enum class Failure { WriterGivesUp, FileSizeLimit };

const QByteArray oldText = "old contents\n";

QByteArray payload(int size)
{
    return QByteArray("abcdefghijklmnopqrstuvwxyz").repeated(size / 26 + 1).left(size);
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void put(const QString &path, const QByteArray &bytes, mode_t mode)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode), 0);
}

struct stat statusOf(const QString &path)
{
    struct stat status = {};
    ::lstat(QFile::encodeName(path).constData(), &status);
    return status;
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
}

const QString longName = QString(255, QLatin1Char('n'));

// Lays out the target in `dir` and gives the path to save to. Links point to `dir`/real.txt.
QString prepare(Target target, const QString &dir)
{
    const QByteArray base = QFile::encodeName(dir) + '/';
    switch (target) {
    case Target::NewFile:
        break;
    case Target::RegularFile:
        put(dir + "/out.txt", oldText, 0640);
        break;
    case Target::SymbolicLink:
        put(dir + "/real.txt", oldText, 0600);
        [[fallthrough]];
    case Target::DanglingLink:
        ::symlink("real.txt", base + "out.txt");
        break;
    case Target::HardLink:
        put(dir + "/out.txt", oldText, 0640);
        ::link(base + "out.txt", base + "other.txt");
        break;
    case Target::LongName:
        put(dir + '/' + longName, oldText, 0640);
        return dir + '/' + longName;
    case Target::ReadOnlyDirectory:
        QDir(dir).mkdir("ro");
        put(dir + "/ro/out.txt", oldText, 0640);
        ::chmod(base + "ro", 0555);
        return dir + "/ro/out.txt";
    case Target::NamedPipe:
        ::mkfifo(base + "out.txt", 0600);
        break;
    case Target::LinkToPipe:
        ::mkfifo(base + "real.txt", 0600);
        ::symlink("real.txt", base + "out.txt");
        break;
    case Target::DevFull:
        return QStringLiteral("/dev/full");
    case Target::DevNull:
        return QStringLiteral("/dev/null");
    case Target::Directory:
        QDir(dir).mkdir("out.txt");
        break;
    }
    return dir + "/out.txt";
}

bool savePieces(const QString &path, const QByteArray &bytes)
{
    return saveFileWith(path, [&bytes](QIODevice &device) {
        for (int at = 0; at < bytes.size(); at += 1000)
            device.write(bytes.mid(at, 1000));
        return true;
    });
}

} // namespace

Q_DECLARE_METATYPE(Target)
Q_DECLARE_METATYPE(Failure)

class TestFileSaving : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void save_data();
    void save();
    void specialFiles_data();
    void specialFiles();
    void failure_data();
    void failure();

private:
    QTemporaryDir dir;
};

void TestFileSaving::initTestCase()
{
    QVERIFY(dir.isValid());
    ::umask(022);
    // As the program does at start: the file size limit then fails a write instead of killing.
    std::signal(SIGXFSZ, SIG_IGN);
}

void TestFileSaving::save_data()
{
    QTest::addColumn<Target>("target");
    QTest::addColumn<QString>("real");
    QTest::addColumn<bool>("sameFile");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("after");
    QTest::newRow("new file") << Target::NewFile << "out.txt" << false << 0644
                              << QStringList{"out.txt"};
    QTest::newRow("regular file keeps 0640")
        << Target::RegularFile << "out.txt" << false << 0640 << QStringList{"out.txt"};
    QTest::newRow("link to a file") << Target::SymbolicLink << "real.txt" << false << 0600
                                    << QStringList{"out.txt", "real.txt"};
    QTest::newRow("dangling link") << Target::DanglingLink << "real.txt" << false << 0644
                                   << QStringList{"out.txt", "real.txt"};
    QTest::newRow("hard link: in place")
        << Target::HardLink << "other.txt" << true << 0640 << QStringList{"other.txt", "out.txt"};
    QTest::newRow("no room for a temporary name: in place")
        << Target::LongName << longName << true << 0640 << QStringList{longName};
    QTest::newRow("read-only directory: in place")
        << Target::ReadOnlyDirectory << "ro/out.txt" << true << 0640 << QStringList{"out.txt"};
}

void TestFileSaving::save()
{
    QFETCH(Target, target);
    QFETCH(QString, real);
    QFETCH(bool, sameFile);
    QFETCH(int, mode);
    QFETCH(QStringList, after);
    if (target == Target::ReadOnlyDirectory && ::geteuid() == 0)
        QSKIP("root may create files in any directory; the long name covers the fallback");
    QTemporaryDir here(dir.path() + "/XXXXXX");
    const QString path = prepare(target, here.path());
    const QString realPath = here.path() + '/' + real;
    const ino_t before = statusOf(realPath).st_ino;
    const bool wasLink = S_ISLNK(statusOf(path).st_mode);

    const QByteArray text = payload(150000);
    QVERIFY(savePieces(path, text));
    QCOMPARE(contents(realPath), text);
    QCOMPARE(statusOf(realPath).st_ino == before, sameFile);
    QCOMPARE(static_cast<int>(statusOf(realPath).st_mode & 07777), mode);
    QCOMPARE(S_ISLNK(statusOf(path).st_mode), wasLink);
    QCOMPARE(entries(QFileInfo(path).absolutePath()), after);
    ::chmod(QFile::encodeName(here.path() + "/ro").constData(), 0755);
}

void TestFileSaving::specialFiles_data()
{
    QTest::addColumn<Target>("target");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<bool>("pipe");
    QTest::addColumn<int>("entriesAfter");
    QTest::newRow("named pipe") << Target::NamedPipe << true << true << 1;
    QTest::newRow("link to a named pipe") << Target::LinkToPipe << true << true << 2;
    QTest::newRow("/dev/null, also as root") << Target::DevNull << true << false << 0;
    QTest::newRow("/dev/full") << Target::DevFull << false << false << 0;
    QTest::newRow("directory") << Target::Directory << false << false << 1;
}

void TestFileSaving::specialFiles()
{
    QFETCH(Target, target);
    QFETCH(bool, saved);
    QFETCH(bool, pipe);
    QFETCH(int, entriesAfter);
    QTemporaryDir here(dir.path() + "/XXXXXX");
    const QString path = prepare(target, here.path());
    if (!QFileInfo::exists(path))
        QSKIP("this system has no such device");
    const QString node = QFileInfo(path).canonicalFilePath();
    const struct stat before = statusOf(node);

    // More than a pipe holds, so the reader must drain it while the save runs.
    const QByteArray text = payload(200000);
    QByteArray received;
    std::thread reader;
    if (pipe) {
        reader = std::thread([&] {
            QFile file(node);
            if (file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
                received = file.readAll();
        });
    }
    QCOMPARE(savePieces(path, text), saved);
    if (pipe)
        reader.join();
    QCOMPARE(received, pipe ? text : QByteArray());
    const struct stat now = statusOf(node);
    QCOMPARE(now.st_ino, before.st_ino);
    QCOMPARE(now.st_mode, before.st_mode);
    QCOMPARE(now.st_rdev, before.st_rdev);
    QCOMPARE(entries(here.path()).size(), entriesAfter);
}

void TestFileSaving::failure_data()
{
    QTest::addColumn<Target>("target");
    QTest::addColumn<Failure>("failure");
    QTest::addColumn<QByteArray>("left");
    QTest::addColumn<QStringList>("after");
    const QStringList out{"out.txt"};
    QTest::newRow("file, writer gives up")
        << Target::RegularFile << Failure::WriterGivesUp << oldText << out;
    QTest::newRow("file, size limit")
        << Target::RegularFile << Failure::FileSizeLimit << oldText << out;
    QTest::newRow("new file, writer gives up")
        << Target::NewFile << Failure::WriterGivesUp << QByteArray("<missing>") << QStringList();
    QTest::newRow("new file, size limit")
        << Target::NewFile << Failure::FileSizeLimit << QByteArray("<missing>") << QStringList();
    QTest::newRow("link, size limit") << Target::SymbolicLink << Failure::FileSizeLimit << oldText
                                      << QStringList{"out.txt", "real.txt"};
    // In place nothing can keep the old contents; the short write must still be reported.
    QTest::newRow("in place, size limit")
        << Target::LongName << Failure::FileSizeLimit << payload(8192) << QStringList{longName};
}

void TestFileSaving::failure()
{
    QFETCH(Target, target);
    QFETCH(Failure, failure);
    QFETCH(QByteArray, left);
    QFETCH(QStringList, after);
    QTemporaryDir here(dir.path() + "/XXXXXX");
    const QString path = prepare(target, here.path());
    const QString real = target == Target::SymbolicLink ? here.path() + "/real.txt" : path;

    const QByteArray text = payload(100000);
    bool saved = true;
    if (failure == Failure::WriterGivesUp) {
        saved = saveFileWith(path, [&text](QIODevice &device) {
            device.write(text.left(70000));
            return false;
        });
    } else {
        struct rlimit old;
        ::getrlimit(RLIMIT_FSIZE, &old);
        struct rlimit limit = old;
        limit.rlim_cur = 8192;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
        saved = saveFileReplacing(path, text);
        ::setrlimit(RLIMIT_FSIZE, &old);
    }
    QVERIFY(!saved);
    QCOMPARE(contents(real), left);
    QCOMPARE(entries(here.path()), after);
}

QTEST_GUILESS_MAIN(TestFileSaving)
#include "tst_filesaving.moc"
