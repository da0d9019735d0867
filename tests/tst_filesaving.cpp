// Saving onto every kind of target the file dialog lets the user pick: what ends up where, what
// stays as it was, and what a failed save leaves behind.

#include "transfer/filesaving.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace
{

enum class Target { NewFile, RegularFile, SymbolicLink, HardLink, LongName, NamedPipe, DevNull };
enum class Failure { None, WriterGivesUp, FileSizeLimit };

const QByteArray oldText = "old contents\n";
const QString longName = QString(255, QLatin1Char('n'));

QByteArray payload(int size)
{
    return QByteArray("abcdefghijklmnopqrstuvwxyz").repeated(size / 26 + 1).left(size);
}

void put(const QString &path, mode_t mode)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(oldText);
    file.close();
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode), 0);
}

struct stat statusOf(const QString &path)
{
    struct stat status = {};
    ::lstat(QFile::encodeName(path).constData(), &status);
    return status;
}

// Lays out the target in `dir` and gives the path to save to. The link points to `dir`/real.txt.
QString prepare(Target target, const QString &dir)
{
    const QByteArray base = QFile::encodeName(dir) + '/';
    switch (target) {
    case Target::NewFile:
        break;
    case Target::SymbolicLink:
        put(dir + "/real.txt", 0600);
        ::symlink("real.txt", base + "out.txt");
        break;
    case Target::RegularFile:
    case Target::HardLink:
        put(dir + "/out.txt", 0640);
        if (target == Target::HardLink)
            ::link(base + "out.txt", base + "other.txt");
        break;
    case Target::LongName:
        put(dir + '/' + longName, 0640);
        return dir + '/' + longName;
    case Target::NamedPipe:
        ::mkfifo(base + "out.txt", 0600);
        break;
    case Target::DevNull:
        return QStringLiteral("/dev/null");
    }
    return dir + "/out.txt";
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
    void syncThenRename_data();
    void syncThenRename();

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
    QTest::addColumn<Failure>("failure");
    QTest::addColumn<QString>("real"); // relative to the test's directory unless absolute
    QTest::addColumn<QByteArray>("left");
    QTest::addColumn<bool>("sameFile");
    QTest::addColumn<QStringList>("after");
    const QByteArray text = payload(200000); // more than a pipe holds: the reader must drain it
    const QStringList out{"out.txt"}, none, longOne{longName};
    // clang-format off
    QTest::newRow("new file") << Target::NewFile << Failure::None << "out.txt" << text << false << out;
    QTest::newRow("regular file keeps 0640") << Target::RegularFile << Failure::None << "out.txt" << text << false << out;
    QTest::newRow("link followed and kept") << Target::SymbolicLink << Failure::None << "real.txt" << text << false << QStringList{"out.txt", "real.txt"};
    QTest::newRow("hard link: in place") << Target::HardLink << Failure::None << "other.txt" << text << true << QStringList{"other.txt", "out.txt"};
    QTest::newRow("no room for a temporary name: in place") << Target::LongName << Failure::None << longName << text << true << longOne;
    QTest::newRow("named pipe: in place") << Target::NamedPipe << Failure::None << "out.txt" << text << true << out;
    QTest::newRow("/dev/null: in place, also as root") << Target::DevNull << Failure::None << "/dev/null" << QByteArray() << true << none;
    QTest::newRow("file, writer gives up") << Target::RegularFile << Failure::WriterGivesUp << "out.txt" << oldText << true << out;
    QTest::newRow("file, size limit") << Target::RegularFile << Failure::FileSizeLimit << "out.txt" << oldText << true << out;
    QTest::newRow("new file, writer gives up") << Target::NewFile << Failure::WriterGivesUp << "out.txt" << QByteArray("<missing>") << true << none;
    // In place nothing can keep the old contents; the short write must still be reported.
    QTest::newRow("in place, size limit") << Target::LongName << Failure::FileSizeLimit << longName << payload(8192) << true << longOne;
    // clang-format on
}

void TestFileSaving::save()
{
    QFETCH(Target, target);
    QFETCH(Failure, failure);
    QFETCH(QString, real);
    QTemporaryDir here(dir.path() + "/XXXXXX");
    const QString path = prepare(target, here.path());
    const QString realPath = real.startsWith('/') ? real : here.path() + '/' + real;
    const struct stat before = statusOf(realPath);

    const QByteArray text = payload(200000);
    QByteArray received;
    std::thread reader([&] {
        QFile file(realPath);
        if (target == Target::NamedPipe && file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            received = file.readAll();
    });
    bool saved = false;
    if (failure == Failure::FileSizeLimit) {
        struct rlimit old;
        ::getrlimit(RLIMIT_FSIZE, &old);
        const struct rlimit limit = {8192, old.rlim_max};
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
        saved = saveFileReplacing(path, text);
        ::setrlimit(RLIMIT_FSIZE, &old);
    } else {
        saved = saveFileWith(path, [&](QIODevice &device) {
            for (int at = 0; at < (failure == Failure::None ? text.size() : 70000); at += 1000)
                device.write(text.mid(at, 1000));
            return failure == Failure::None;
        });
    }
    reader.join();
    QCOMPARE(saved, failure == Failure::None);
    QFile file(realPath);
    if (target != Target::NamedPipe)
        received = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    QTEST(received, "left");
    const struct stat now = statusOf(realPath);
    QTEST(now.st_ino == before.st_ino, "sameFile");
    // Bits of a file that was there are kept; a new file gets the usual ones.
    QCOMPARE(int(now.st_mode & 07777), int(before.st_ino ? before.st_mode & 07777
                                           : saved       ? 0644
                                                         : 0));
    QCOMPARE(S_ISLNK(statusOf(path).st_mode), target == Target::SymbolicLink);
    const auto all = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System;
    QTEST(QDir(here.path()).entryList(all, QDir::Name), "after");
}

namespace
{

// What the stand-ins saw, and which of them fails.
QStringList calls;
QString failing;
QString savedPath;

int syncStandIn(int fd)
{
    struct stat status = {};
    ::fstat(fd, &status);
    QFile target(savedPath);
    target.open(QIODevice::ReadOnly);
    // The temporary file has every byte; the target is still the old file.
    calls.append(QStringLiteral("sync %1 bytes, target %2 bytes")
                     .arg(status.st_size)
                     .arg(target.readAll().size()));
    if (failing == QLatin1String("sync")) {
        errno = EIO;
        return -1;
    }
    return ::fsync(fd);
}

int renameStandIn(const char *from, const char *to)
{
    calls.append(QStringLiteral("rename to %1").arg(QFile::decodeName(to).section('/', -1)));
    if (failing == QLatin1String("rename")) {
        errno = EXDEV;
        return -1;
    }
    return ::rename(from, to);
}

} // namespace

void TestFileSaving::syncThenRename_data()
{
    QTest::addColumn<QString>("fails");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<QStringList>("seen");
    const QString sync = QStringLiteral("sync 100000 bytes, target 13 bytes");
    QTest::newRow("both succeed") << "" << true << QStringList{sync, "rename to out.txt"};
    // A failed sync must not be followed by a rename: the old file stays.
    QTest::newRow("sync fails") << "sync" << false << QStringList{sync};
    QTest::newRow("rename fails") << "rename" << false << QStringList{sync, "rename to out.txt"};
}

void TestFileSaving::syncThenRename()
{
    QFETCH(QString, fails);
    QFETCH(bool, saved);
    QTemporaryDir here(dir.path() + "/XXXXXX");
    savedPath = prepare(Target::RegularFile, here.path());
    calls.clear();
    failing = fails;
    const FileSavingCalls before = setFileSavingCalls({syncStandIn, renameStandIn});
    const QByteArray text = payload(100000);
    const bool result = saveFileReplacing(savedPath, text);
    setFileSavingCalls(before);
    QCOMPARE(result, saved);
    QTEST(calls, "seen");
    QFile file(savedPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), saved ? text : oldText);
    QCOMPARE(QDir(here.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"out.txt"}); // no temporary file left behind
}

QTEST_GUILESS_MAIN(TestFileSaving)
#include "tst_filesaving.moc"
