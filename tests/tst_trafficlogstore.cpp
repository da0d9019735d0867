// The traffic log without a window: its texts against the rich-text log the program used to
// keep, its HTML, moving chunks to the spill file and back, and copying from the view.

#include "transfer/bytetext.h"
#include "transfer/filesaving.h"
#include "transfer/trafficlog.h"
#include "transfer/trafficlogview.h"

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
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

// The log as the program kept it before: a QTextBrowser filled entry by entry.
void fillRichText(QTextBrowser &browser, const Entries &entries)
{
    for (const QByteArray &entry : entries) {
        const bool sent = entry.at(0) == 'T';
        browser.moveCursor(QTextCursor::End, QTextCursor::MoveAnchor);
        browser.setTextColor(sent ? Qt::green : Qt::blue);
        browser.insertPlainText(sent ? QStringLiteral("TX : ") : QStringLiteral("RX : "));
        browser.moveCursor(QTextCursor::End, QTextCursor::MoveAnchor);
        browser.setTextColor(Qt::black);
        browser.insertPlainText(
            renderTrafficData(entry.constData() + 3, entry.size() - 3, entry.at(1) == 'h'));
        browser.append(QString());
    }
}

QByteArray text(const TrafficLog &log)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    return log.writeText(buffer) ? buffer.data() : QByteArray("<failed>");
}

QByteArray html(const TrafficLog &log)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    return log.writeHtml(buffer, QStringLiteral("Mono")) ? buffer.data() : QByteArray("<failed>");
}

QByteArray u8(const char *text)
{
    return QByteArray(text);
}

Entries bigLog(int count)
{
    Entries entries;
    for (int i = 0; i < count; ++i) {
        QByteArray data(i % 97, '\0');
        for (int k = 0; k < data.size(); ++k)
            data[k] = static_cast<char>('A' + (i + k) % 26);
        entries.append((i % 3 ? "Th:" : "Ra:") + data);
    }
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
    void sameTextAsRichTextLog_data();
    void sameTextAsRichTextLog();
    void htmlStructure();
    void htmlShowsTheSameLinesAndColours();
    void spillsAndReadsBack();
    void clearFreesEverything();
    void unwritableSpillKeepsEntriesInMemory();
    void streamedSaveReplacesOnlyOnSuccess_data();
    void streamedSaveReplacesOnlyOnSuccess();
    void viewCopiesWhatTheFileHolds_data();
    void viewCopiesWhatTheFileHolds();
    void viewFollowsTheNewestUnlessScrolledAway();
    void viewColours();
};

void TestTrafficLogStore::texts_data()
{
    QTest::addColumn<Entries>("entries");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("empty log") << Entries{} << QByteArray();
    QTest::newRow("hex both ways")
        << Entries{"Th:\x01\xAB", "Rh:\xFF"} << u8("TX : 01 AB \nRX : FF \n");
    QTest::newRow("no bytes") << Entries{"Th:", "Ra:"} << u8("TX : \nRX : \n");
    QTest::newRow("text to the zero byte")
        << Entries{QByteArray("Ra:AB\0CD", 8)} << u8("RX : AB\n");
    QTest::newRow("line breaks") << Entries{"Ta:a\r\nb\rc\n\rd"} << u8("TX : a\nb\nc\n\nd\n");
    QTest::newRow("unicode breaks and no-break space") << Entries{"Ra:1\xE2\x80\xA8"
                                                                  "2\xE2\x80\xA9"
                                                                  "3\xC2\xA0"
                                                                  "4"}
                                                       << u8("RX : 1\n2\n3 4\n");
    QTest::newRow("bad UTF-8") << Entries{"Ta:\xC3(\xFF"} << u8("TX : \xEF\xBF\xBD(\xEF\xBF\xBD\n");
    QTest::newRow("62, 63 and 200 bytes")
        << Entries{"Rh:" + QByteArray(62, '\x11'), "Rh:" + QByteArray(63, '\x22'),
                   "Ta:" + QByteArray(200, 'x')}
        << "RX : " + QByteArray(62, '1').replace("1", "11 ") +
               "\nRX : " + QByteArray(63, '2').replace("2", "22 ") +
               "\nTX : " + QByteArray(200, 'x') + "\n";
}

void TestTrafficLogStore::texts()
{
    QFETCH(Entries, entries);
    QFETCH(QByteArray, expected);
    TrafficLog log;
    fill(log, entries);
    QCOMPARE(text(log), expected);
    QCOMPARE(log.count(), qint64(entries.size()));
    QByteArray lines;
    for (qint64 i = 0; i < log.count(); ++i)
        lines += log.lineText(i).toUtf8() + '\n';
    QCOMPARE(lines, expected);
}

void TestTrafficLogStore::sameTextAsRichTextLog_data()
{
    QTest::addColumn<Entries>("entries");
    QTest::newRow("hex") << Entries{QByteArray("Th:\x00\x7F\x80\xFF", 7), "Rh:\r\n"};
    QTest::newRow("CR LF variants")
        << Entries{"Ta:\r", "Ra:\n", "Ta:\r\n", "Ra:\n\r", "Ta:x\r\r\ny"};
    QTest::newRow("separators") << Entries{"Ta:\xE2\x80\xA8",
                                           "Ra:a\xE2\x80\xA9"
                                           "b",
                                           "Ta:\xEF\xB7\x90|\xEF\xB7\x91"};
    QTest::newRow("odd characters")
        << Entries{"Ra:\xC2\xA0\t\x01\x0B\x0C\x1B\x7F",
                   "Ta:\xEF\xBB\xBF"
                   "bom",
                   "Ra:\xEF\xBF\xBE\xEF\xBF\xBF\xEF\xBF\xBC", "Ta:\xC2\x85\xE2\x80\x8B<&>\""};
    QTest::newRow("bad UTF-8 and surrogates")
        << Entries{"Ta:\xED\xA0\x80", "Ra:\xF0\x9F\x98\x80", "Ta:\xE4\xB8", "Ra:\xC0\xAF"};
    QTest::newRow("mixed") << Entries{"Th:", "Ra:", "Ta:" + QByteArray(300, '\n'), "Rh:A"};
}

void TestTrafficLogStore::sameTextAsRichTextLog()
{
    QFETCH(Entries, entries);
    QTextBrowser browser;
    fillRichText(browser, entries);
    TrafficLog log;
    fill(log, entries);
    QCOMPARE(text(log), browser.toPlainText().toUtf8());
}

void TestTrafficLogStore::htmlStructure()
{
    TrafficLog log;
    fill(log, {"Th:\x01", "Ra:<a\nb>", "Rh:"});
    const QByteArray p = "<p style=\" margin-top:0px; margin-bottom:0px; margin-left:0px; "
                         "margin-right:0px; -qt-block-indent:0; text-indent:0px;\">";
    const QByteArray empty = "<p style=\"-qt-paragraph-type:empty; margin-top:0px; "
                             "margin-bottom:0px; margin-left:0px; margin-right:0px; "
                             "-qt-block-indent:0; text-indent:0px; color:#000000;\"><br /></p>";
    const QByteArray tx = "<span style=\" color:#00ff00;\">TX : </span>";
    const QByteArray rx = "<span style=\" color:#0000ff;\">RX : </span>";
    const QByteArray data = "<span style=\" color:#000000;\">";
    const QByteArray body = "<body style=\" font-family:'Mono'; font-weight:400; "
                            "font-style:normal;\">\n" +
                            p + tx + data + "01 </span></p>\n" + p + rx + data +
                            "&lt;a</span></p>\n" + p + data + "b&gt;</span></p>\n" + p + rx +
                            "</p>\n" + empty + "</body></html>";
    const QByteArray saved = html(log);
    QVERIFY(saved.startsWith("<!DOCTYPE HTML"));
    QVERIFY(saved.contains("<meta http-equiv=\"Content-Type\" content=\"text/html; "
                           "charset=utf-8\" />"));
    QVERIFY(saved.contains("p, li { white-space: pre-wrap; }"));
    QCOMPARE(saved.mid(saved.indexOf("<body")), body);
}

void TestTrafficLogStore::htmlShowsTheSameLinesAndColours()
{
    // Read back by Qt's HTML reader: the same lines as the text file, in the same colours.
    const Entries entries{"Th:\x10\x20", "Ra:x\r\ny\n\nz", "Ta:\x01<b>&amp;\xC2\xA0\xEF\xBF\xBF",
                          "Rh:", "Ra:\xE4\xB8\xAD\xE6\x96\x87"};
    TrafficLog log;
    fill(log, entries);
    QTextDocument document;
    document.setHtml(QString::fromUtf8(html(log)));
    QString expected = QString::fromUtf8(text(log));
    expected.replace(QChar(0x01), QChar(QChar::ReplacementCharacter))
        .replace(QChar(0xFFFF), QChar(QChar::ReplacementCharacter));
    QCOMPARE(document.toPlainText(), expected);
    QStringList runs;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            runs.append(it.fragment().text().left(5) + QLatin1Char('=') +
                        it.fragment().charFormat().foreground().color().name());
    QCOMPARE(runs, QStringList({"TX : =#00ff00", "10 20=#000000", "RX : =#0000ff", "x=#000000",
                                "y=#000000", "z=#000000", "TX : =#00ff00",
                                QString::fromUtf8("\xEF\xBF\xBD<b>&=#000000"), "RX : =#0000ff",
                                "RX : =#0000ff", QString::fromUtf8("中文=#000000")}));
}

void TestTrafficLogStore::spillsAndReadsBack()
{
    const Entries entries = bigLog(20000); // about 1 MB of records: 16 chunks
    TrafficLog reference;
    fill(reference, entries);
    QCOMPARE(reference.spillFileName(), QString());

    TrafficLog log;
    log.setMemoryBudget(200 * 1024);
    fill(log, entries);
    log.finishSpilling();
    const QString spill = log.spillFileName();
    QVERIFY(QFile::exists(spill));
    QCOMPARE(QFileInfo(spill).absolutePath(),
             QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)).absolutePath());
    QVERIFY2(log.memoryInUse() <= 200 * 1024, QByteArray::number(log.memoryInUse()));
    QVERIFY(QFileInfo(spill).size() > 700 * 1024);
    QCOMPARE(text(log), text(reference));
    for (const qint64 i : {qint64(0), qint64(63), qint64(64), qint64(9999), qint64(19999)})
        QCOMPARE(log.lineText(i), reference.lineText(i));
    QCOMPARE(log.lineText(20000), QString());
    QBuffer part;
    part.open(QIODevice::WriteOnly);
    QVERIFY(log.writeText(part, 7000, 3));
    QCOMPARE(QString::fromUtf8(part.data()), reference.lineText(7000) + '\n' +
                                                 reference.lineText(7001) + '\n' +
                                                 reference.lineText(7002) + '\n');

    // Lowering the budget later moves what is over it at once.
    reference.setMemoryBudget(0);
    reference.finishSpilling();
    QVERIFY(reference.memoryInUse() < 70 * 1024);
    QCOMPARE(text(reference), text(log));
}

void TestTrafficLogStore::clearFreesEverything()
{
    TrafficLog log;
    log.setMemoryBudget(0);
    fill(log, bigLog(5000));
    const QString spill = log.spillFileName();
    QVERIFY(QFile::exists(spill));
    QSignalSpy cleared(&log, &TrafficLog::cleared);
    log.clear();
    QCOMPARE(cleared.count(), 1);
    QVERIFY(!QFile::exists(spill));
    QCOMPARE(log.count(), qint64(0));
    QCOMPARE(log.memoryInUse(), qint64(0));
    QCOMPARE(text(log), QByteArray());
    fill(log, {"Th:\x05"});
    QCOMPARE(text(log), QByteArray("TX : 05 \n"));
}

void TestTrafficLogStore::unwritableSpillKeepsEntriesInMemory()
{
    // A disk that fills up: files may grow to 200 KiB, the log needs about 1 MB.
    const Entries entries = bigLog(20000);
    TrafficLog reference;
    fill(reference, entries);
    TrafficLog log;
    log.setMemoryBudget(0);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit original{};
    getrlimit(RLIMIT_FSIZE, &original);
    rlimit small = original;
    small.rlim_cur = 200 * 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot write the spill file"));
    fill(log, entries);
    log.finishSpilling();
    setrlimit(RLIMIT_FSIZE, &original);
    QVERIFY(QFileInfo(log.spillFileName()).size() <= 200 * 1024);
    QVERIFY(log.memoryInUse() > 700 * 1024);
    QCOMPARE(text(log), text(reference));
    QCOMPARE(log.lineText(19999), reference.lineText(19999));
}

void TestTrafficLogStore::streamedSaveReplacesOnlyOnSuccess_data()
{
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<bool>("writerSucceeds");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("success") << QByteArray("new log") << true << QByteArray("new log");
    QTest::newRow("nothing written") << QByteArray() << true << QByteArray();
    QTest::newRow("writer fails") << QByteArray("half") << false << QByteArray("old file");
}

void TestTrafficLogStore::streamedSaveReplacesOnlyOnSuccess()
{
    QFETCH(QByteArray, written);
    QFETCH(bool, writerSucceeds);
    QFETCH(QByteArray, expected);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("log.txt"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old file");
    old.close();
    const bool saved = saveFileWith(path, [&](QIODevice &file) {
        return file.write(written) == written.size() && writerSucceeds;
    });
    QCOMPARE(saved, writerSucceeds);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), expected);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList({"log.txt"}));
}

void TestTrafficLogStore::viewCopiesWhatTheFileHolds_data()
{
    QTest::addColumn<int>("scrollTo");
    QTest::addColumn<int>("clickRow");
    QTest::addColumn<int>("shiftClickRow"); // -1: none
    QTest::addColumn<bool>("selectAll");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::newRow("one line") << 0 << 2 << -1 << false << 2 << 2;
    QTest::newRow("shift-click down") << 0 << 1 << 4 << false << 1 << 4;
    QTest::newRow("shift-click up, scrolled") << 40 << 3 << 0 << false << 40 << 43;
    QTest::newRow("select all") << 0 << 0 << -1 << true << 0 << 59;
}

void TestTrafficLogStore::viewCopiesWhatTheFileHolds()
{
    QFETCH(int, scrollTo);
    QFETCH(int, clickRow);
    QFETCH(int, shiftClickRow);
    QFETCH(bool, selectAll);
    QFETCH(int, first);
    QFETCH(int, last);
    // Entries whose text holds line breaks and odd characters among hex ones.
    Entries entries = bigLog(60);
    entries[1] = "Ta:a\r\nb";
    entries[41] = "Ra:\xC2\xA0x\xE2\x80\xA8y";
    entries[42] = "Th:";
    TrafficLog log;
    fill(log, entries);
    TrafficLogView view;
    view.setLog(&log);
    view.resize(300, view.lineHeight() * 10 + 40);
    view.show();
    view.scrollToLine(scrollTo);
    const int h = view.lineHeight();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(20, clickRow * h + h / 2));
    if (shiftClickRow >= 0)
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          QPoint(20, shiftClickRow * h + h / 2));
    if (selectAll)
        QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);

    TrafficLog selected;
    fill(selected, entries.mid(first, last - first + 1));
    QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromUtf8(text(selected)));
}

void TestTrafficLogStore::viewFollowsTheNewestUnlessScrolledAway()
{
    TrafficLog log;
    TrafficLogView view;
    view.setLog(&log);
    view.resize(300, view.lineHeight() * 10 + 40);
    view.show();
    // Lines that fit; read afresh, since a scroll bar may come or go as the log grows.
    const auto visible = [&view] { return qint64(view.viewport()->height() / view.lineHeight()); };
    fill(log, bigLog(1000));
    QTRY_COMPARE(view.firstVisibleLine() + visible(), qint64(1000));
    fill(log, bigLog(500));
    QTRY_COMPARE(view.firstVisibleLine() + visible(), qint64(1500));
    view.verticalScrollBar()->setValue(100); // the user scrolls up
    fill(log, bigLog(500));
    QTRY_COMPARE(view.verticalScrollBar()->maximum() + visible(), qint64(2000));
    QCOMPARE(view.firstVisibleLine(), qint64(100));
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier); // and back down
    fill(log, bigLog(1));
    QTRY_COMPARE(view.firstVisibleLine() + visible(), qint64(2001));
}

void TestTrafficLogStore::viewColours()
{
    TrafficLog log;
    fill(log, {"Th:\x01\x02", "Rh:\x03\x04"});
    TrafficLogView view;
    QFont font = view.font();
    font.setStyleStrategy(QFont::NoAntialias);
    view.setFont(font);
    view.setLog(&log);
    view.resize(300, 200);
    view.show();
    const QImage image = view.viewport()->grab().toImage();
    QStringList colours;
    const int h = view.lineHeight();
    for (int row = 0; row < 3; ++row) {
        QSet<QRgb> seen;
        for (int y = row * h; y < (row + 1) * h; ++y)
            for (int x = 0; x < image.width(); ++x)
                seen.insert(image.pixel(x, y) & 0xFFFFFF);
        QStringList names;
        for (const QRgb rgb : {0x00FF00u, 0x0000FFu, 0x000000u})
            if (seen.contains(rgb))
                names.append(QColor(rgb).name());
        colours.append(names.join(QLatin1Char(',')));
    }
    QCOMPARE(colours, QStringList({"#00ff00,#000000", "#0000ff,#000000", ""}));
}

QTEST_MAIN(TestTrafficLogStore)
#include "tst_trafficlogstore.moc"
