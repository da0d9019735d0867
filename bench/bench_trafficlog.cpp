// What the traffic log costs, the compact store beside the rich-text log the program kept
// before (a QTextBrowser filled entry by entry): appending, memory per entry, a block train
// echoed through the window, and saving. Every figure is printed as a RESULT line and again in
// a table at the end.
//
// KAVRIS_BENCH_SCALE (default 1) scales every count: 0.0001 runs it all in a moment, as the
// test run does to keep it working. At scale 1 the store holds 10^7 entries; the rich-text log
// is measured at 10^4 entries, as ten million would take hours and some 8 GB.

#include "benchsupport.h"
#include "kavristest.h"

#include "transfer/bytetext.h"
#include "transfer/filesaving.h"
#include "transfer/logexport.h"
#include "transfer/logpattern.h"
#include "transfer/trafficlog.h"
#include "transfer/trafficlogview.h"
#include "transfer/waveformview.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QPainter>
#include <QScrollBar>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

#include <cstdio>
#include <malloc.h>
#include <unistd.h>

namespace
{

// Today's appendTraffic, word for word, on a bare browser.
void appendRichText(QTextBrowser &log, const char *data, int length, bool sent)
{
    log.moveCursor(QTextCursor::End, QTextCursor::MoveAnchor);
    log.setTextColor(sent ? Qt::green : Qt::blue);
    log.insertPlainText(sent ? QStringLiteral("TX : ") : QStringLiteral("RX : "));
    log.moveCursor(QTextCursor::End, QTextCursor::MoveAnchor);
    log.setTextColor(Qt::black);
    log.insertPlainText(renderTrafficData(data, length, true));
    log.append(QString());
}

QByteArray payload(int length)
{
    QByteArray bytes(length, '\0');
    for (int i = 0; i < length; ++i)
        bytes[i] = static_cast<char>(i * 37 + 5);
    return bytes;
}

// A log with its view, as the window has it: appends schedule the view's repaint. With
// `transfers`, each entry is a transfer of its own with its settings and times, as the window
// appends them (a write, then a read, on two chip selects in turn, 37 us apart).
struct ViewedLog {
    TrafficLog log;
    TrafficLogView view;
    bool transfers = false;
    TransferOutcome outcomes[2];
    explicit ViewedLog(bool transfers = false) : transfers(transfers)
    {
        view.setLog(&log);
        view.resize(600, 400);
        view.show();
        for (int i = 0; i < 2; ++i) {
            TransferContext &context = outcomes[i].context;
            context.call = i ? TransferCall::Read : TransferCall::Write;
            context.channel = i ? 0x10 : 0x20;
            context.config.controlMode = 1;
            context.config.master = 1;
            context.config.clockHz = 50000000;
            context.durationUs = 215;
        }
    }
    void fill(qint64 count, const QByteArray &data)
    {
        if (!transfers) {
            for (qint64 i = 0; i < count; ++i)
                log.append(i & 1, data.constData(), data.size(), true);
            return;
        }
        for (int i = 0; i < 2; ++i) {
            outcomes[i].sent = outcomes[i].received = data;
            outcomes[i].echoes = {{i == 0, 0, int(data.size())}};
        }
        for (qint64 i = 0; i < count; ++i) {
            TransferOutcome &outcome = outcomes[i & 1];
            outcome.context.startUs = (log.count() + 1) * 37;
            log.append(outcome, true);
        }
    }
};

struct RichTextLog {
    QTextBrowser browser;
    RichTextLog()
    {
        browser.resize(600, 400);
        browser.show();
    }
    void fill(qint64 count, const QByteArray &data)
    {
        for (qint64 i = 0; i < count; ++i)
            appendRichText(browser, data.constData(), data.size(), i & 1);
    }
};

// Microseconds per entry for `count` more entries.
template <typename Log> double appendMicroseconds(Log &log, qint64 count, const QByteArray &data)
{
    QElapsedTimer timer;
    timer.start();
    log.fill(count, data);
    const double us = timer.nsecsElapsed() / 1000.0 / count;
    QCoreApplication::processEvents(); // the repaint the appends scheduled
    return us;
}

FigureTable figureTable;

void note(const QString &figure, const QString &value)
{
    figureTable.note(figure, value);
}

void report(const QString &figure, double value, const char *unit, QTest::QBenchmarkMetric metric,
            double metricValue)
{
    note(figure, QStringLiteral("%1 %2").arg(value, 10, 'f', 2).arg(QLatin1String(unit)));
    QTest::setBenchmarkResult(metricValue, metric);
}

} // namespace

class BenchTrafficLog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    // First, while the heap holds nothing of the other figures.
    void residentWithLargeEntries();
    void bytesPerEntry_data();
    void bytesPerEntry();
    void appendCost_data();
    void appendCost();
    void blockTrainEcho_data();
    void blockTrainEcho();
    void textSave_data();
    void textSave();
    void scrollAndPaint_data();
    void scrollAndPaint();
    void exportSpeed_data();
    void exportSpeed();
    void findAbsent();
    void waveformRepaint_data();
    void waveformRepaint();
};

void BenchTrafficLog::initTestCase()
{
    QVERIFY(loadSimulatedAdapter());
    std::printf("KAVRIS_BENCH_SCALE=%g\n", benchScale());
}

void BenchTrafficLog::cleanupTestCase()
{
    figureTable.print(66);
}

void BenchTrafficLog::bytesPerEntry_data()
{
    QTest::addColumn<bool>("richText");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<bool>("transfers");
    QTest::newRow("store") << false << scaled(10000000) << false;
    QTest::newRow("store, time and settings kept") << false << scaled(10000000) << true;
    QTest::newRow("rich text") << true << scaled(10000) << false;
}

void BenchTrafficLog::bytesPerEntry()
{
    QFETCH(bool, richText);
    QFETCH(qint64, count);
    QFETCH(bool, transfers);
    const QByteArray one = payload(1);
    const qint64 before = residentBytes();
    double perEntry = 0;
    if (richText) {
        RichTextLog log;
        log.fill(count, one);
        perEntry = double(residentBytes() - before) / count;
    } else {
        ViewedLog log(transfers);
        log.fill(count, one);
        perEntry = double(residentBytes() - before) / count;
        note(QStringLiteral("%1: resident after %2 one-byte entries")
                 .arg(QLatin1String(QTest::currentDataTag()))
                 .arg(count),
             QStringLiteral("%1 MB").arg(residentBytes() / 1e6, 10, 'f', 2));
    }
    report(QStringLiteral("%1: resident bytes per one-byte entry (%2 entries)")
               .arg(QLatin1String(QTest::currentDataTag()))
               .arg(count),
           perEntry, "B", QTest::BytesAllocated, perEntry);
}

void BenchTrafficLog::appendCost_data()
{
    QTest::addColumn<bool>("richText");
    QTest::addColumn<qint64>("already");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("transfers");
    QTest::newRow("store, empty, 1 B") << false << qint64(0) << 1 << false;
    QTest::newRow("store, empty, 64 B") << false << qint64(0) << 64 << false;
    QTest::newRow("store, 10^7 entries, 1 B") << false << scaled(10000000) << 1 << false;
    QTest::newRow("store, 10^7 entries, 64 B") << false << scaled(10000000) << 64 << false;
    QTest::newRow("transfers, empty, 1 B") << false << qint64(0) << 1 << true;
    QTest::newRow("transfers, empty, 64 B") << false << qint64(0) << 64 << true;
    QTest::newRow("transfers, 10^7 entries, 1 B") << false << scaled(10000000) << 1 << true;
    QTest::newRow("transfers, 10^7 entries, 64 B") << false << scaled(10000000) << 64 << true;
    QTest::newRow("rich text, empty, 1 B") << true << qint64(0) << 1 << false;
    QTest::newRow("rich text, 10^4 entries, 1 B") << true << scaled(10000) << 1 << false;
    QTest::newRow("rich text, 10^4 entries, 64 B") << true << scaled(10000) << 64 << false;
}

void BenchTrafficLog::appendCost()
{
    QFETCH(bool, richText);
    QFETCH(qint64, already);
    QFETCH(int, length);
    QFETCH(bool, transfers);
    const QByteArray data = payload(length);
    double us = 0;
    if (richText) {
        RichTextLog log;
        log.fill(already, data);
        us = appendMicroseconds(log, scaled(1000), data);
    } else {
        ViewedLog log(transfers);
        log.fill(already, data);
        log.log.finishSpilling(); // the measured appends start with the disk caught up
        us = appendMicroseconds(log, scaled(100000), data);
    }
    report(QStringLiteral("append, %1 (%2 already)")
               .arg(QLatin1String(QTest::currentDataTag()))
               .arg(already),
           us, "us/entry", QTest::WalltimeNanoseconds, us * 1000);
}

void BenchTrafficLog::blockTrainEcho_data()
{
    QTest::addColumn<bool>("richText");
    QTest::newRow("store, window's block write") << false;
    QTest::newRow("rich text, echo alone") << true;
}

void BenchTrafficLog::blockTrainEcho()
{
    // 10200 one-byte blocks: the largest train the block write makes.
    QFETCH(bool, richText);
    const QByteArray data = payload(10200);
    QElapsedTimer timer;
    qint64 entries = 0;
    if (richText) {
        RichTextLog log;
        timer.start();
        for (int i = 0; i < data.size(); ++i)
            appendRichText(log.browser, data.constData() + i, 1, true);
        entries = log.browser.document()->blockCount() - 1;
    } else {
        KavrisFixture fixture;
        fixture.start();
        fixture.find<QSpinBox>("writeBlockSizesSinBox")->setValue(1);
        fixture.setWriteText("blockWriteTextEdit", formatHexBytes(data));
        timer.start();
        fixture.click("blockWritePushButton");
        entries = fixture.find<TrafficLogView>("dataTextBrowser")->log()->count();
        fixture.stop();
    }
    const double ms = timer.nsecsElapsed() / 1e6;
    QCOMPARE(entries, qint64(10200));
    report(QStringLiteral("block train of 10200 entries, %1")
               .arg(QLatin1String(QTest::currentDataTag())),
           ms, "ms", QTest::WalltimeMilliseconds, ms);
}

void BenchTrafficLog::textSave_data()
{
    QTest::addColumn<bool>("richText");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<int>("length");
    QTest::newRow("store, 1 B entries") << false << scaled(10000000) << 1;
    QTest::newRow("store, 64 B entries") << false << scaled(1000000) << 64;
    QTest::newRow("rich text, 1 B entries") << true << scaled(10000) << 1;
    QTest::newRow("rich text, 64 B entries") << true << scaled(10000) << 64;
}

void BenchTrafficLog::textSave()
{
    QFETCH(bool, richText);
    QFETCH(qint64, count);
    QFETCH(int, length);
    const QByteArray data = payload(length);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("log.txt"));
    QElapsedTimer timer;
    bool saved = false;
    if (richText) {
        RichTextLog log;
        log.fill(count, data);
        timer.start();
        saved = saveFileReplacing(path, log.browser.toPlainText().toUtf8());
    } else {
        ViewedLog log;
        log.fill(count, data);
        timer.start();
        saved = saveFileWith(path, [&](QIODevice &file) { return log.log.writeText(file); });
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    QVERIFY(saved);
    const double megabytes = QFileInfo(path).size() / 1e6;
    report(QStringLiteral("text save, %1 (%2 MB)")
               .arg(QLatin1String(QTest::currentDataTag()))
               .arg(megabytes, 0, 'f', 1),
           megabytes / seconds, "MB/s", QTest::BytesPerSecond, megabytes * 1e6 / seconds);
}

void BenchTrafficLog::residentWithLargeEntries()
{
    // 10^6 entries of 1000 bytes, a gigabyte of records: most of it goes to the spill file.
    QStandardPaths::setTestModeEnabled(true);
    const QByteArray data = payload(1000);
    const qint64 count = scaled(1000000);
    qint64 peak = 0;
    {
        ViewedLog log;
        for (qint64 i = 0; i < count; ++i) {
            log.log.append(true, data.constData(), data.size(), true);
            if (i % 10000 == 0)
                peak = std::max(peak, residentBytes());
        }
        log.log.finishSpilling();
        peak = std::max(peak, residentBytes());
        QCOMPARE(log.log.count(), count);
    }
    QStandardPaths::setTestModeEnabled(false);
    report(QStringLiteral("store: peak resident with %1 entries of 1000 B").arg(count), peak / 1e6,
           "MB", QTest::BytesAllocated, peak);
}

void BenchTrafficLog::scrollAndPaint_data()
{
    QTest::addColumn<bool>("richText");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<int>("length");
    QTest::newRow("store, 10^7 entries of 1 B") << false << scaled(10000000) << 1;
    QTest::newRow("store, 10^6 entries of 1000 B, spilled") << false << scaled(1000000) << 1000;
    QTest::newRow("rich text, 10^4 entries of 1 B") << true << scaled(10000) << 1;
}

void BenchTrafficLog::scrollAndPaint()
{
    // Jumps to lines spread over the whole log, each painted at once.
    QFETCH(bool, richText);
    QFETCH(qint64, count);
    QFETCH(int, length);
    QStandardPaths::setTestModeEnabled(true);
    const QByteArray data = payload(length);
    constexpr int jumps = 20;
    QElapsedTimer timer;
    if (richText) {
        RichTextLog log;
        log.fill(count, data);
        QScrollBar *bar = log.browser.verticalScrollBar();
        timer.start();
        for (int i = 0; i < jumps; ++i) {
            bar->setValue(int(qint64(bar->maximum()) * (i * 7 % jumps) / jumps));
            log.browser.viewport()->repaint();
        }
    } else {
        ViewedLog log;
        log.fill(count, data);
        log.log.finishSpilling();
        QCoreApplication::processEvents();
        timer.start();
        for (int i = 0; i < jumps; ++i) {
            log.view.scrollToLine(count * (i * 7 % jumps) / jumps);
            log.view.viewport()->repaint();
        }
    }
    const double ms = timer.nsecsElapsed() / 1e6 / jumps;
    QStandardPaths::setTestModeEnabled(false);
    report(QStringLiteral("scroll to a line and paint, %1")
               .arg(QLatin1String(QTest::currentDataTag())),
           ms, "ms", QTest::WalltimeMilliseconds, ms);
}

void BenchTrafficLog::exportSpeed_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<int>("length");
    QTest::newRow("CSV, 1 B entries") << "csv" << scaled(10000000) << 1;
    QTest::newRow("CSV, 64 B entries") << "csv" << scaled(1000000) << 64;
    QTest::newRow("VCD, transfers of 1 B") << "vcd" << scaled(1000000) << 1;
    QTest::newRow("VCD, transfers of 64 B") << "vcd" << scaled(10000) << 64;
}

void BenchTrafficLog::exportSpeed()
{
    // Transfers with their times and settings, as the window exports them.
    QFETCH(QString, kind);
    QFETCH(qint64, count);
    QFETCH(int, length);
    QStandardPaths::setTestModeEnabled(true);
    ViewedLog log(true);
    log.fill(count, payload(length));
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("log.") + kind);
    QElapsedTimer timer;
    timer.start();
    const bool saved = saveFileWith(path, [&](QIODevice &file) {
        return kind == QLatin1String("csv") ? LogExport::writeCsv(log.log, file)
                                            : LogExport::writeVcd(log.log, file);
    });
    const double seconds = timer.nsecsElapsed() / 1e9;
    QVERIFY(saved);
    QStandardPaths::setTestModeEnabled(false);
    const double megabytes = QFileInfo(path).size() / 1e6;
    report(QStringLiteral("%1 export, %2 (%3 MB)")
               .arg(kind.toUpper(), QLatin1String(QTest::currentDataTag()).mid(5))
               .arg(megabytes, 0, 'f', 1),
           megabytes / seconds, "MB/s", QTest::BytesPerSecond, megabytes * 1e6 / seconds);
}

void BenchTrafficLog::findAbsent()
{
    // A pattern no entry holds: the whole log is read.
    const qint64 count = scaled(10000000);
    ViewedLog log(true);
    log.fill(count, payload(1));
    LogPattern pattern;
    QVERIFY(LogPattern::fromHex(QStringLiteral("01 XX 03"), &pattern));
    QElapsedTimer timer;
    timer.start();
    const qint64 found = log.log.find(pattern, -1, true);
    const double ms = timer.nsecsElapsed() / 1e6;
    QCOMPARE(found, qint64(-1));
    report(QStringLiteral("find an absent pattern in %1 entries").arg(count), ms, "ms",
           QTest::WalltimeMilliseconds, ms);
}

void BenchTrafficLog::waveformRepaint_data()
{
    QTest::addColumn<double>("zoom"); // how many times the whole transfer's width
    QTest::newRow("whole transfer") << 1.0;
    QTest::newRow("zoomed 100 times") << 100.0;
    QTest::newRow("zoomed 10^4 times") << 1e4;
    QTest::newRow("closest") << 1e9;
}

void BenchTrafficLog::waveformRepaint()
{
    // A write-read of 20 480 bytes at 50 MHz in full duplex: 163 840 clocks, every line busy.
    QFETCH(double, zoom);
    TransferOutcome outcome;
    outcome.context.call = TransferCall::WriteRead;
    outcome.context.config.clockHz = 50000000;
    outcome.sent = outcome.received = payload(20480);
    outcome.echoSent(0, 20480);
    outcome.echoReceived(0, 20480);
    WaveformView view;
    view.resize(1200, 300);
    view.setTransfer(SpiTransfer::fromOutcome(outcome));
    const double whole = view.psPerPixel();
    // The view's middle stays in place.
    view.setView(view.viewStart() + (whole - whole / zoom) * 600, whole / zoom);
    QImage image(view.size(), QImage::Format_RGB32);
    constexpr int repaints = 20;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < repaints; ++i) {
        QPainter painter(&image);
        view.render(painter, image.size());
    }
    const double ms = timer.nsecsElapsed() / 1e6 / repaints;
    report(QStringLiteral("waveform of 20480 bytes, 1200 px wide, repaint, %1")
               .arg(QLatin1String(QTest::currentDataTag())),
           ms, "ms", QTest::WalltimeMilliseconds, ms);
}

QTEST_MAIN(BenchTrafficLog)
#include "bench_trafficlog.moc"
