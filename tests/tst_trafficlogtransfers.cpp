// The traffic log keeping each transfer's settings and times with its entries: the transfer
// rebuilt from any of its entries (spilled ones too), the time column in texts and HTML only
// when asked for, and finding byte patterns and texts over the whole log.

#include "transfer/logpattern.h"
#include "transfer/trafficlog.h"

#include <QBuffer>
#include <QStandardPaths>
#include <QtTest>

#include <cstdlib>
#include <ctime>

namespace
{

// A transfer of `call` on `channel` at `startUs` taking `durationUs`, its echoes "T0102" (sent)
// or "R0A" (received).
TransferOutcome made(TransferCall call, int channel, qint64 startUs, qint64 durationUs,
                     const QStringList &echoes, int hz = 1000000)
{
    TransferOutcome outcome;
    outcome.context.call = call;
    outcome.context.channel = channel;
    outcome.context.device = channel == 0x20 ? 3 : 0;
    outcome.context.config.controlMode = 1;
    outcome.context.config.master = 1;
    outcome.context.config.clockHz = hz;
    outcome.context.intervalUs = call == TransferCall::BlockWrite ? 10 : 0;
    outcome.context.startUs = startUs;
    outcome.context.durationUs = durationUs;
    for (const QString &e : echoes) {
        const bool sent = e.startsWith(QLatin1Char('T'));
        QByteArray &buffer = sent ? outcome.sent : outcome.received;
        const QByteArray bytes = QByteArray::fromHex(e.mid(1).toLatin1());
        // Echoes at offsets apart, as the session's buffers have them.
        const int offset = buffer.size() + 3;
        buffer += QByteArray(3, '\x55') + bytes;
        sent ? outcome.echoSent(offset, bytes.size()) : outcome.echoReceived(offset, bytes.size());
    }
    return outcome;
}

// An outcome as "call channel start+duration: T0102 R0A".
QString describe(const TransferOutcome &outcome)
{
    QStringList echoes;
    for (const TransferOutcome::Echo &e : outcome.echoes) {
        const QByteArray &bytes = e.sent ? outcome.sent : outcome.received;
        echoes << (e.sent ? "T" : "R") + QString::fromLatin1(bytes.mid(e.offset, e.length).toHex());
    }
    const TransferContext &c = outcome.context;
    return QString::asprintf("%d %d/%02x %dHz %lld+%lld: ", int(c.call), c.device, c.channel,
                             c.config.clockHz, c.startUs, c.durationUs) +
           echoes.join(QLatin1Char(' '));
}

QByteArray text(const TrafficLog &log, const LogColumns &columns, bool html = false)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const bool written = html ? log.writeHtml(buffer, "Mono", columns)
                              : log.writeText(buffer, 0, log.count(), columns);
    return written ? buffer.data() : QByteArray("<failed>");
}

class Notes : public LogAnnotator
{
public:
    QString annotation(qint64 entry) const override
    {
        return entry == 1 ? QStringLiteral("read <0Fh>") : QString();
    }
};

} // namespace

class TestTrafficLogTransfers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void transfersRebuilt_data();
    void transfersRebuilt();
    void contextsShared();
    void columns();
    void find_data();
    void find();
    void patterns_data();
    void patterns();
};

void TestTrafficLogTransfers::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    qputenv("TZ", "UTC");
    tzset();
}

void TestTrafficLogTransfers::transfersRebuilt_data()
{
    QTest::addColumn<qint64>("budget"); // 0: the default, nothing spilled
    QTest::newRow("in memory") << qint64(0);
    QTest::newRow("spilled") << qint64(100 * 1024);
}

void TestTrafficLogTransfers::transfersRebuilt()
{
    QFETCH(qint64, budget);
    TrafficLog log;
    if (budget)
        log.setMemoryBudget(budget);
    // Times going forward, back (another thread's clock) and far; a raw entry between; a
    // train of many blocks that crosses chunks; transfers of every length around the short
    // header lengths.
    QVector<TransferOutcome> transfers;
    QVector<qint64> firsts;
    qint64 start = 1000;
    for (int i = 0; i < 3000; ++i) {
        QStringList echoes;
        const int length = i % 70;
        const QString bytes = QString::fromLatin1(QByteArray(length, char(i)).toHex());
        TransferCall call = TransferCall::WriteRead;
        if (i % 500 == 7) {
            call = TransferCall::BlockWrite;
            for (int b = 0; b < 5000; ++b)
                echoes << QStringLiteral("T%1").arg(b % 256, 2, 16, QLatin1Char('0'));
        } else {
            echoes << "T" + bytes << "R" + bytes.left(2 * (i % 5));
        }
        start += i % 3 == 2 ? -7 : (i % 100 == 99 ? 5000000000LL : 17 * i);
        firsts << log.count();
        transfers << made(call, i % 2 ? 0x10 : 0x20, start, i * 3, echoes, 1000 + i % 4);
        log.append(transfers.last(), true);
        if (i % 1000 == 5) {
            log.append(true, "\x42", 1, false); // on its own
            QCOMPARE(log.entry(log.count() - 1).hasTransfer(), false);
        }
    }
    log.finishSpilling();
    QCOMPARE(!log.spillFileName().isEmpty(), budget != 0);
    for (int i = 0; i < transfers.size(); i += i < 20 ? 1 : 97) {
        // From its first entry and from its last.
        const int entries = transfers[i].echoes.size();
        const QString want = describe(transfers[i]);
        QCOMPARE(describe(log.transfer(firsts[i])), want);
        QCOMPARE(describe(log.transfer(firsts[i] + entries - 1)), want);
        const TrafficEntry last = log.entry(firsts[i] + entries - 1);
        QCOMPARE(last.transferFirst, firsts[i]);
        QCOMPARE(last.transferEntries, entries);
        QCOMPARE(last.startUs, transfers[i].context.startUs);
    }
    // The entry on its own: a transfer of one echo without a call.
    QCOMPARE(describe(log.transfer(firsts[6] - 1)), QStringLiteral("0 0/00 0Hz 0+0: T42"));
}

void TestTrafficLogTransfers::contextsShared()
{
    TrafficLog log;
    for (int i = 0; i < 100; ++i)
        log.append(made(i % 3 ? TransferCall::Write : TransferCall::Read, 0x10, i, 1,
                        {i % 3 ? "T01" : "R01"}),
                   true);
    log.append(made(TransferCall::Write, 0x20, 200, 1, {"T01"}), true);
    // None's context is 0; the first write and read, then the other channel.
    QCOMPARE(log.contextCount(), 4);
    QCOMPARE(log.entry(0).context, 1);
    QCOMPARE(log.entry(1).context, 2);
    QCOMPARE(log.entry(100).context, 3);
    QCOMPARE(log.context(3).device, 3);
    QCOMPARE(log.context(3).startUs, qint64(0)); // times belong to entries, not contexts
    // A transfer without a known call keeps no context; transfers without echoes nothing.
    log.append(made(TransferCall::None, 0x10, 5, 1, {"T01"}), true);
    log.append(made(TransferCall::Write, 0x10, 5, 1, {}), true);
    QCOMPARE(log.count(), qint64(102));
    QCOMPARE(log.entry(101).context, 0);
    log.clear();
    QCOMPARE(log.contextCount(), 1);
    log.append(made(TransferCall::Write, 0x20, 200, 1, {"T01"}), true);
    QCOMPARE(log.entry(0).context, 1);
}

void TestTrafficLogTransfers::columns()
{
    TrafficLog log;
    log.setWallClockOffset(1700000000LL * 1000000 - 5000000); // 2023-11-14 22:13:15 UTC
    log.append(made(TransferCall::WriteRead, 0x10, 5000000, 215, {"T9F", "REF4015"}), true);
    log.append(true, "a\nb", 3, false);
    log.append(made(TransferCall::Write, 0x10, 5000000 + 86400000000LL + 1, 1234567, {"T41"}),
               false);
    const QByteArray plain = text(log, LogColumns());
    QCOMPARE(plain, QByteArray("TX : 9F \nRX : EF 40 15 \nTX : a\nb\nTX : A\n"));
    LogColumns times;
    times.times = true;
    QCOMPARE(text(log, times), QByteArray("1 22:13:20.000000 +215\xC2\xB5s TX : 9F \n"
                                          "2 22:13:20.000000 +215\xC2\xB5s RX : EF 40 15 \n"
                                          "3 - - TX : a\nb\n"
                                          "4 22:13:20.000001 +1234567\xC2\xB5s TX : A\n"));
    Notes notes;
    LogColumns both = times;
    both.annotations = &notes;
    QCOMPARE(text(log, both).split('\n').at(1),
             QByteArray("2 22:13:20.000000 +215\xC2\xB5s RX : EF 40 15   # read <0Fh>"));
    QCOMPARE(log.displayText(1, both), QString::fromUtf8(text(log, both).split('\n').at(1)));
    QCOMPARE(log.columnText(2), QStringLiteral("3 - -"));
    // HTML: the same columns, dim, before the direction and after the data.
    const QByteArray html = text(log, both, true);
    QVERIFY2(html.contains("<span style=\" color:#808080;\">2 22:13:20.000000 +215\xC2\xB5s "
                           "</span><span style=\" color:#0000ff;\">RX : </span>"
                           "<span style=\" color:#000000;\">EF 40 15 </span><span style=\" "
                           "color:#808080;\">  # read &lt;0Fh&gt;</span></p>"),
             html.constData());
}

void TestTrafficLogTransfers::find_data()
{
    QTest::addColumn<QString>("pattern"); // "hex:..." or "text:..."
    QTest::addColumn<qint64>("from");
    QTest::addColumn<bool>("forward");
    QTest::addColumn<qint64>("expected");
    // Entry i holds bytes i % 251, (i / 251) % 256, then "Key" every 7919th entry: 05 03 is
    // in entries 758 + k * 64256.
    // clang-format off
    QTest::newRow("hex, forward") << "hex:05 03" << qint64(-1) << true << qint64(5 + 3 * 251);
    QTest::newRow("hex, forward from the match") << "hex:05 03" << qint64(758) << true << qint64(758 + 251 * 256);
    QTest::newRow("hex, backward from the end") << "hex:05 03" << qint64(200000) << false << qint64(758 + 3 * 251 * 256);
    QTest::newRow("hex, backward from the match") << "hex:05 03" << qint64(758) << false << qint64(-1);
    QTest::newRow("wildcard") << "hex:XX 10" << qint64(100) << true << qint64(16 * 251);
    QTest::newRow("absent") << "hex:05 03 04" << qint64(-1) << true << qint64(-1);
    QTest::newRow("text, either case") << "text:kEY" << qint64(7919) << true << qint64(2 * 7919);
    QTest::newRow("text, backward") << "text:Key" << qint64(2 * 7919) << false << qint64(7919);
    QTest::newRow("text, case of other bytes kept") << "text:K\xC3\xA9y" << qint64(-1) << true << qint64(-1);
    // clang-format on
}

void TestTrafficLogTransfers::find()
{
    QFETCH(QString, pattern);
    QFETCH(qint64, from);
    QFETCH(bool, forward);
    static TrafficLog *log = nullptr;
    if (!log) {
        // 200 000 entries, most of them in the spill file.
        log = new TrafficLog(this);
        log->setMemoryBudget(256 * 1024);
        for (int i = 0; i < 200000; ++i) {
            QByteArray bytes;
            bytes.append(char(i % 251)).append(char((i / 251) % 256));
            if (i % 7919 == 0 && i > 0)
                bytes.append("Key");
            log->append(i % 2, bytes.constData(), bytes.size(), true);
        }
        log->finishSpilling();
        QVERIFY(log->memoryInUse() <= 256 * 1024);
    }
    LogPattern wanted;
    if (pattern.startsWith(QLatin1String("hex:")))
        QVERIFY(LogPattern::fromHex(pattern.mid(4), &wanted));
    else
        wanted = LogPattern::fromText(pattern.mid(5));
    QTEST(log->find(wanted, from, forward), "expected");
}

void TestTrafficLogTransfers::patterns_data()
{
    QTest::addColumn<QString>("hex");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("matches");
    QTest::newRow("exact") << "9f 01" << true << QByteArray("\x00\x9F\x01", 3) << true;
    QTest::newRow("at the end only") << "01 02" << true << QByteArray("\x01\x01\x02") << true;
    QTest::newRow("longer than the entry") << "01 02 03" << true << QByteArray("\x01\x02") << false;
    QTest::newRow("wildcards only") << "xx XX" << true << QByteArray("\x01\x02") << true;
    QTest::newRow("blanks around") << "  AA   " << true << QByteArray("\xAA") << true;
    QTest::newRow("three digits") << "ABC" << false << QByteArray() << false;
    QTest::newRow("not hex") << "0G" << false << QByteArray() << false;
    QTest::newRow("nothing") << "   " << false << QByteArray() << false;
}

void TestTrafficLogTransfers::patterns()
{
    QFETCH(QString, hex);
    QFETCH(bool, valid);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, matches);
    LogPattern pattern = LogPattern::fromText(QStringLiteral("kept"));
    QCOMPARE(LogPattern::fromHex(hex, &pattern), valid);
    if (!valid)
        QCOMPARE(pattern.size(), 4); // left alone
    else
        QCOMPARE(pattern.matches(bytes.constData(), bytes.size()), matches);
}

QTEST_MAIN(TestTrafficLogTransfers)
#include "tst_trafficlogtransfers.moc"
