// The traffic log without a window: its texts against the rich-text log the program used to
// keep, its HTML, moving chunks to the spill file and back, and the view following and copying.

#include "transfer/bytetext.h"
#include "transfer/logexport.h"
#include "transfer/trafficlog.h"
#include "transfer/trafficlogview.h"

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace
{

// One entry per string: "T" or "R", "h" (hex) or "a" (ASCII), ':', then the bytes.
using Entries = QList<QByteArray>;

void fill(TrafficLog &log, const Entries &entries)
{
    for (const QByteArray &entry : entries)
        log.append(entry.at(0) == 'T', entry.constData() + 3, entry.size() - 3, entry.at(1) == 'h');
}

// The old log's text: a QTextBrowser filled entry by entry (colours do not touch the text).
QByteArray richTextLog(const Entries &entries)
{
    QTextBrowser browser;
    for (const QByteArray &entry : entries) {
        browser.moveCursor(QTextCursor::End);
        browser.insertPlainText(
            (entry.at(0) == 'T' ? "TX : " : "RX : ") +
            renderTrafficData(entry.constData() + 3, entry.size() - 3, entry.at(1) == 'h'));
        browser.append(QString());
    }
    return browser.toPlainText().toUtf8();
}

// The log's text (from `first` on, `count` entries), or its HTML.
QByteArray exported(const TrafficLog &log, bool html = false, qint64 first = 0, qint64 count = -1)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const bool written = html ? log.writeHtml(buffer, "Mono")
                              : log.writeText(buffer, first, count < 0 ? log.count() : count);
    return written ? buffer.data() : QByteArray("<failed>");
}

Entries bigLog(int count)
{
    Entries entries;
    for (int i = 0; i < count; ++i)
        entries.append((i % 3 ? "Th:" : "Ra:") +
                       QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZ").repeated(5).mid(i % 26, i % 97));
    return entries;
}

} // namespace

class TestTrafficLogStore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void texts_data();
    void texts();
    void html();
    void notes();
    void spills_data();
    void spills();
    void viewFollowsTheNewestAndCopies();
};

void TestTrafficLogStore::texts_data()
{
    QTest::addColumn<Entries>("entries");
    QTest::addColumn<QByteArray>("expected"); // null: what the rich-text log holds
    QTest::newRow("empty log") << Entries{} << QByteArray("");
    QTest::newRow("hex, none, text to the zero byte")
        << Entries{"Th:\x01\xAB", "Rh:", QByteArray("Ra:AB\0CD", 8), QByteArray("Ra:\0AB", 6)}
        << QByteArray("TX : 01 AB \nRX : \nRX : AB\nRX : \n");
    QTest::newRow("line breaks, bad UTF-8")
        << Entries{"Ta:a\r\nb\rc\n\rd", "Ra:1\xE2\x80\xA8x\xE2\x80\xA9y\xC2\xA0z", "Ta:\xC3(\xFF"}
        << QByteArray("TX : a\nb\nc\n\nd\nRX : 1\nx\ny z\nTX : \xEF\xBF\xBD(\xEF\xBF\xBD\n");
    const auto same = [](const char *name, const Entries &entries) {
        QTest::newRow(name) << entries << QByteArray();
    };
    same("CR LF, separators",
         {QByteArray("Th:\x00\x7F\x80\xFF", 7), "Rh:\r\n", "Ta:\r", "Ra:\n", "Ta:\r\n", "Ra:\n\r",
          "Ta:x\r\r\ny", "Ta:\xE2\x80\xA8", "Ra:a\xE2\x80\xA9z", "Ta:\xEF\xB7\x90|\xEF\xB7\x91"});
    same("odd, surrogates",
         {"Ra:\xC2\xA0\t\x01\x0B\x0C\x1B\x7F", "Ta:\xEF\xBB\xBF-bom",
          "Ra:\xEF\xBF\xBE\xEF\xBF\xBF\xEF\xBF\xBC", "Ta:\xC2\x85\xE2\x80\x8B<&>\"",
          "Ta:\xED\xA0\x80", "Ra:\xF0\x9F\x98\x80", "Ta:\xE4\xB8", "Ra:\xC0\xAF"});
    same("62, 63 bytes, mixed",
         {"Rh:" + QByteArray(62, '\x11'), "Rh:" + QByteArray(63, '\x22'),
          "Th:", "Ra:", "Ta:" + QByteArray(300, '\n'), "Rh:A", "Ta:" + QByteArray(200, 'x')});
}

void TestTrafficLogStore::texts()
{
    QFETCH(Entries, entries);
    QFETCH(QByteArray, expected);
    TrafficLog log;
    fill(log, entries);
    QCOMPARE(exported(log), expected.isNull() ? richTextLog(entries) : expected);
    QByteArray lines;
    for (qint64 i = 0; i < log.count(); ++i)
        lines += log.lineText(i).toUtf8() + '\n';
    QCOMPARE(lines, exported(log));
}

void TestTrafficLogStore::html()
{
    TrafficLog log;
    fill(log, {"Th:\x01", "Ra:<a\nb&\"\x01\xEF\xBF\xBF>", "Rh:"});
    const QByteArray style = " margin-top:0px; margin-bottom:0px; margin-left:0px; "
                             "margin-right:0px; -qt-block-indent:0; text-indent:0px;";
    const QByteArray p = "<p style=\"" + style + "\">", data = "<span style=\" color:#000000;\">";
    const QByteArray tx = "<span style=\" color:#00ff00;\">TX : </span>";
    const QByteArray rx = "<span style=\" color:#0000ff;\">RX : </span>";
    const QByteArray saved = exported(log, true);
    QVERIFY(saved.contains("charset=utf-8\" />") && saved.contains("white-space: pre-wrap;"));
    QCOMPARE(
        saved.mid(saved.indexOf("<body")),
        QByteArray("<body style=\" font-family:'Mono'; font-weight:400; font-style:normal;\">\n" +
                   p + tx + data + "01 </span></p>\n" + p + rx + data + "&lt;a</span></p>\n" + p +
                   data + "b&amp;&quot;\xEF\xBF\xBD\xEF\xBF\xBD&gt;</span></p>\n" + p + rx +
                   "</p>\n<p style=\"-qt-paragraph-type:empty;" + style +
                   " color:#000000;\"><br /></p></body></html>"));
}

void TestTrafficLogStore::notes()
{
    // A note stands as it is among the echoes, in the text, in a range of it and in the HTML.
    TrafficLog log;
    fill(log, {"Th:\x9F"});
    log.appendNote(QString::fromUtf8("FL : 闪存读取：已读取 <16> 字节"));
    fill(log, {"Rh:\xEF", "Ra:FL"});
    QCOMPARE(exported(log), QString::fromUtf8("TX : 9F \nFL : 闪存读取：已读取 <16> 字节\nRX : EF "
                                              "\nRX : FL\n")
                                .toUtf8());
    QCOMPARE(log.lineText(1), QString::fromUtf8("FL : 闪存读取：已读取 <16> 字节"));
    QCOMPARE(QList<bool>({log.isNote(0), log.isNote(1), log.isNote(2), log.isNote(3)}),
             QList<bool>({false, true, false, false}));
    QVERIFY(!log.isSent(1));
    QCOMPARE(exported(log, false, 1, 2),
             QString::fromUtf8("FL : 闪存读取：已读取 <16> 字节\nRX : EF \n").toUtf8());
    const QByteArray html = exported(log, true);
    QVERIFY(html.contains(QString::fromUtf8("text-indent:0px;\"><span style=\" color:#996600;\">FL "
                                            ": 闪存读取：已读取 &lt;16&gt; 字节</span></p>\n")
                              .toUtf8()));
    QCOMPARE(html.count("TX : </span>"), 1);
    QCOMPARE(html.count("RX : </span>"), 2);
    // In the CSV its direction says what it is.
    QBuffer csv;
    csv.open(QIODevice::WriteOnly);
    QVERIFY(LogExport::writeCsv(log, csv));
    const QList<QByteArray> rows = csv.data().split('\n');
    QVERIFY2(rows.value(2).startsWith("2,,,NOTE,"), rows.value(2).constData());
    QVERIFY(rows.value(1).contains(",TX,") && rows.value(3).contains(",RX,"));

    // Notes among spilled chunks keep their places.
    TrafficLog spilled;
    spilled.setMemoryBudget(100 * 1024);
    QByteArray expected;
    const Entries entries = bigLog(6000);
    for (int i = 0; i < entries.size(); ++i) {
        if (i % 1000 == 999) {
            spilled.appendNote(QStringLiteral("note %1").arg(i));
            expected += "note " + QByteArray::number(i) + '\n';
        }
        fill(spilled, {entries[i]});
        TrafficLog one;
        fill(one, {entries[i]});
        expected += exported(one);
    }
    spilled.finishSpilling();
    QVERIFY(!spilled.spillFileName().isEmpty());
    QCOMPARE(exported(spilled), expected);
    QCOMPARE(spilled.lineText(999), QString("note 999"));
    QVERIFY(spilled.isNote(5003) && !spilled.isNote(5002) && !spilled.isNote(5004));
    spilled.clear();
    fill(spilled, {"Rh:\x01"});
    QVERIFY(!spilled.isNote(0));
    QCOMPARE(exported(spilled), QByteArray("RX : 01 \n"));
}

void TestTrafficLogStore::spills_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("warning");
    // clang-format off
    QTest::newRow("spilled, then cleared") << "" << "";
    QTest::newRow("no folder for the file") << "no folder" << "^Traffic log: cannot create a spill file in $";
    QTest::newRow("the file size limit") << "file size" << "^Traffic log: cannot write the spill file .*traffic-log-.*\\.spill$";
    // clang-format on
}

void TestTrafficLogStore::spills()
{
    // A spill file that cannot be made or written costs memory, never an entry.
    QFETCH(QString, failure);
    QFETCH(QString, warning);
    const Entries entries = bigLog(20000); // about 1 MB of records: 16 chunks
    TrafficLog reference;
    fill(reference, entries);
    struct rlimit old;
    ::getrlimit(RLIMIT_FSIZE, &old);
    const QByteArray tmp = qgetenv("TMPDIR"), cache = qgetenv("XDG_CACHE_HOME");
    if (failure == QLatin1String("no folder")) {
        QStandardPaths::setTestModeEnabled(false);
        qputenv("XDG_CACHE_HOME", "/dev/null/cache");
        qputenv("TMPDIR", "/dev/null/tmp");
    } else if (failure == QLatin1String("file size")) {
        std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit = {64 * 1024, old.rlim_max};
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    if (!warning.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
    TrafficLog log;
    log.setMemoryBudget(200 * 1024);
    fill(log, entries);
    log.finishSpilling();
    ::setrlimit(RLIMIT_FSIZE, &old);
    QStandardPaths::setTestModeEnabled(true);
    tmp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", tmp);
    cache.isNull() ? qunsetenv("XDG_CACHE_HOME") : qputenv("XDG_CACHE_HOME", cache);
    QCOMPARE(log.count(), reference.count());
    QCOMPARE(exported(log), exported(reference));
    for (const qint64 i : {qint64(0), qint64(63), qint64(64), qint64(9999), qint64(19999)})
        QCOMPARE(log.lineText(i), reference.lineText(i));
    if (!failure.isEmpty()) {
        QVERIFY(log.memoryInUse() > 200 * 1024);
        return;
    }
    const QFileInfo spill(log.spillFileName());
    QCOMPARE(spill.absolutePath(),
             QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)).absolutePath());
    QVERIFY(log.memoryInUse() <= 200 * 1024 && spill.size() > 700 * 1024);
    QSignalSpy cleared(&log, &TrafficLog::cleared);
    log.clear();
    QCOMPARE(cleared.count(), 1);
    QVERIFY(!QFile::exists(spill.filePath()));
    QCOMPARE(log.memoryInUse(), qint64(0));
    fill(log, {"Th:\x05"});
    QCOMPARE(exported(log), QByteArray("TX : 05 \n"));
}

void TestTrafficLogStore::viewFollowsTheNewestAndCopies()
{
    // Entries whose text holds line breaks and odd characters among hex ones.
    Entries entries = bigLog(1000);
    entries[41] = "Ra:\xC2\xA0x\xE2\x80\xA8y";
    entries[42] = "Th:";
    entries[43] = "Ta:a\r\nb";
    TrafficLog log;
    TrafficLogView view;
    view.setLog(&log);
    view.resize(300, view.lineHeight() * 10 + 40); // ten lines
    view.show();
    // Lines that fit; read afresh, since a scroll bar may come or go as the log grows.
    const auto visible = [&view] { return qint64(view.viewport()->height() / view.lineHeight()); };
    fill(log, entries);
    QTRY_COMPARE(view.firstVisibleLine() + visible(), qint64(1000));
    view.verticalScrollBar()->setValue(40); // the user scrolls up

    // A click on the fourth row, a shift-click on the first: the text saving those would give.
    const int h = view.lineHeight();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(20, 3 * h + h / 2));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(20, h / 2));
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    TrafficLog selected;
    fill(selected, entries.mid(40, 4));
    QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromUtf8(exported(selected)));

    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier); // and back down
    fill(log, bigLog(1));
    QTRY_COMPARE(view.firstVisibleLine() + visible(), qint64(1001));
}

QTEST_MAIN(TestTrafficLogStore)
#include "tst_trafficlogstore.moc"
