// The decoders' notes on what the simulated chips answered: the flash on SPI1_CS1 and the
// register bank on SPI1_CS2, through the session as the window drives them, in half and full
// duplex; the choice per chip select and the flash decoder chosen by a JEDEC id answer.

#include "simlibrary.h"

#include "adapter/adapterlibrary.h"
#include "adapter/sessioncore.h"
#include "bus/framedecoder.h"
#include "telkor/telkortest.h"
#include "transfer/trafficannotator.h"
#include "transfer/trafficlog.h"

#include <QtTest>

namespace
{

// One step: "w 06" writes, "wr 9F 3" writes and reads 3, "bw 2 21 01 22 02" writes blocks of
// 2, "clock 50000" lets 50 ms pass on the simulated clock.
struct Runner {
    SessionCore session{AdapterLibrary::entries()};
    PanelSettings panel;
    int intervalUs = 0; // of block writes
    TrafficLog log;

    // The outcome of one step, carried out as the session's worker does: the session fills
    // its context.
    TransferOutcome run(const QString &step)
    {
        QStringList words = step.split(QLatin1Char(' '));
        const QString what = words.takeFirst();
        if (what == QLatin1String("clock")) {
            TelkorTestAdvanceClock(words.value(0).toLongLong());
            return TransferOutcome();
        }
        const int count = what == QLatin1String("wr") ? words.takeLast().toInt() : 0;
        const int size = what == QLatin1String("bw") ? words.takeFirst().toInt() : 0;
        const QByteArray data = QByteArray::fromHex(words.join(QString()).toLatin1());
        const AdapterRequest request =
            what == QLatin1String("w") ? AdapterRequest::write(panel, data)
            : what == QLatin1String("wr")
                ? AdapterRequest::writeRead(panel, data, count)
                : AdapterRequest::blockWrite(panel, data, size, intervalUs);
        return session.run(request);
    }
};

} // namespace

class TestBusDecoders : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(loadSimulatedAdapter()); }
    void init() { TelkorTestReset(); }
    void notesOnRecordedAnswers_data();
    void notesOnRecordedAnswers();
    void choiceAndIdentification();
    void realTimes();
};

void TestBusDecoders::notesOnRecordedAnswers_data()
{
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("mode");      // control mode: 0 full duplex, 1 half duplex
    QTest::addColumn<QString>("steps"); // separated by ";"
    QTest::addColumn<QString>("notes"); // the note of every entry, "" for none, separated by ";"
    // clang-format off
    QTest::newRow("flash: identity, status, erase, busy") << 0x10 << 1
        << "wr 9F 3;wr 05 1;w 06;wr 05 1;w 20 00 00 00;wr 05 2;clock 50000;wr 05 1"
        << "JEDEC ID: EF 40 15, Winbond, 2 MiB;;status: BUSY=0 WEL=0;;write enable;status: BUSY=0 WEL=1;;"
           "sector erase 000000h (4 KiB);status: BUSY=1 WEL=0;;status: BUSY=0 WEL=0;";
    QTest::newRow("flash: program, read, fast read, other erases") << 0x10 << 1
        << "w 06;w 02 00 01 00 DE AD BE EF;clock 1000;wr 03 00 01 00 4;wr 0B 00 01 00 00 2;w D8 01 00 00;"
           "w 52 00 80 00;w C7;w 60;w 04;w 5E;wr 03 00 1;wr 9F 0"
        << "write enable;page program 000100h, 4 bytes;read 000100h, 4 bytes;;fast read 000100h, 2 bytes;;"
           "block erase 010000h (64 KiB);block erase 008000h (32 KiB);chip erase;chip erase;write disable;"
           "command 5Eh;read: address cut short;;JEDEC ID (not read);";
    QTest::newRow("flash in full duplex: answers while the command goes out") << 0x10 << 0
        << "wr 9F 4;wr 05 2;w 06;wr 05 FF 2"
        << "JEDEC ID: EF 40 15, Winbond, 2 MiB;;status: BUSY=0 WEL=0;;write enable;;status: BUSY=0 WEL=1;";
    QTest::newRow("register bank") << 0x20 << 1
        << "wr 8F 1;w 20 47;wr A0 1;wr A8 6;w 7F 11 22;wr FF 2;w 20;wr 8F 0"
        << "read 0Fh \u2192 5A;;write 20h \u2190 47;read 20h \u2192 47;;read 28h\u20132Dh \u2192 34 12 78 56 BC 9A;;"
           "write 7Fh\u201300h \u2190 11 22;read 7Fh\u201300h \u2192 11 22;;address 20h;read 0Fh (nothing read);";
    QTest::newRow("register bank, block writes: a note a block") << 0x20 << 1
        << "bw 2 21 01 22 02;wr A1 2"
        << "write 21h \u2190 01;write 22h \u2190 02;read 21h\u201322h \u2192 01 02;";
    // clang-format on
}

void TestBusDecoders::notesOnRecordedAnswers()
{
    QFETCH(int, channel);
    QFETCH(int, mode);
    QFETCH(QString, steps);
    Runner runner;
    runner.panel.channel = SpiChannel(channel >> 4); // SPI1: the chip select is the index
    runner.panel.controlMode = ControlMode(mode);
    TrafficAnnotator annotator(runner.log);
    annotator.setChoice(0, channel,
                        channel == 0x10 ? TrafficAnnotator::Choice::Flash
                                        : TrafficAnnotator::Choice::Registers);
    for (const QString &step : steps.split(QLatin1Char(';'))) {
        const TransferOutcome outcome = runner.run(step);
        QVERIFY2(outcome.ok(), qPrintable(step));
        QVERIFY(outcome.context.call != TransferCall::None || step.startsWith("clock"));
        QCOMPARE(outcome.context.channel, step.startsWith("clock") ? 0 : channel);
        runner.log.append(outcome, true);
    }
    QStringList notes;
    for (qint64 i = 0; i < runner.log.count(); ++i)
        notes << annotator.annotation(i);
    QTEST(notes.join(QLatin1Char(';')), "notes");
}

void TestBusDecoders::choiceAndIdentification()
{
    Runner runner;
    TrafficAnnotator annotator(runner.log);
    QSignalSpy changed(&annotator, &TrafficAnnotator::changed);
    // The register bank first: automatic gives it no notes.
    runner.panel.channel = SpiChannel::Spi1Cs2;
    runner.log.append(runner.run(QStringLiteral("wr 8F 1")), true);
    // The flash with the chip select active high: deselected, it answers FF FF FF, no chip.
    runner.panel.channel = SpiChannel::Spi1Cs1;
    runner.panel.csPolarity = CsPolarity::ActiveHigh;
    runner.session.markStale(); // as the window does when the panel changes
    runner.log.append(runner.run(QStringLiteral("wr 9F 3")), true);
    runner.log.append(runner.run(QStringLiteral("wr 05 1")), true);
    QCOMPARE(runner.log.lineText(3), QStringLiteral("RX : FF FF FF "));
    QCOMPARE(annotator.decoder(0, 0x10), FrameDecoder::Kind::None);
    QCOMPARE(annotator.annotation(4), QString());
    QCOMPARE(changed.count(), 0);
    // Now its real answer: the flash decoder for this chip select, the earlier entries too.
    runner.panel.csPolarity = CsPolarity::ActiveLow;
    runner.session.markStale();
    runner.log.append(runner.run(QStringLiteral("wr 9F 3")), true);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(annotator.decoder(0, 0x10), FrameDecoder::Kind::Flash);
    QCOMPARE(annotator.identified(0, 0x10), QStringLiteral("Winbond W25Q16"));
    QCOMPARE(annotator.annotation(2), QStringLiteral("JEDEC ID: FF FF FF"));
    QCOMPARE(annotator.annotation(4), QStringLiteral("status: BUSY=1 WEL=1"));
    QCOMPARE(annotator.annotation(0), QString());
    QCOMPARE(annotator.decoder(3, 0x10), FrameDecoder::Kind::None); // another adapter's
    // A choice overrides; none silences; the register bank's is chosen by hand.
    annotator.setChoice(0, 0x10, TrafficAnnotator::Choice::None);
    annotator.setChoice(0, 0x20, TrafficAnnotator::Choice::Registers);
    QCOMPARE(changed.count(), 3);
    QCOMPARE(annotator.annotation(6), QString());
    QCOMPARE(annotator.annotation(0), QStringLiteral("read 0Fh \u2192 5A"));
    QCOMPARE(annotator.chipSelects(),
             (QList<QPair<int, int>>{qMakePair(0, 0x10), qMakePair(0, 0x20)}));
    // Clearing forgets the identification, not the choices.
    annotator.setChoice(0, 0x10, TrafficAnnotator::Choice::Automatic);
    runner.log.clear();
    QCOMPARE(annotator.decoder(0, 0x10), FrameDecoder::Kind::None);
    QCOMPARE(annotator.choice(0, 0x20), TrafficAnnotator::Choice::Registers);
    QCOMPARE(annotator.chipSelects(), (QList<QPair<int, int>>{qMakePair(0, 0x20)}));
}

void TestBusDecoders::realTimes()
{
    // On the bus's own time: each call takes at least its bytes' time at the clock and the
    // pauses of its train, and the log keeps the times the session measured.
    QCOMPARE(TelkorTestConfigure("timing=on"), 0);
    Runner runner;
    runner.panel.channel = SpiChannel::Spi1Cs2;
    runner.panel.clockText = QStringLiteral("390450");
    struct Step {
        const char *step;
        int intervalUs;
        qint64 busUs; // bytes x 8 / 390450 Hz, plus the pauses
    };
    const Step steps[] = {
        {"w 20 47 00 00 00 00 00 00 00 00 00 00 00 00 00 00", 0, 328}, // 16 bytes
        {"wr 8F 40", 0, 841},                                          // 41 bytes
        {"bw 4 21 01 02 03 22 04 05 06", 0, 164},                      // 8 bytes
        {"bw 2 21 01 22 02 23 03", 3000, 6123},                        // 6 bytes, 2 pauses
        {"w 20", 0, 21},
    };
    for (const Step &step : steps) {
        runner.intervalUs = step.intervalUs;
        const TransferOutcome outcome = runner.run(QLatin1String(step.step));
        QVERIFY(outcome.ok());
        QCOMPARE(outcome.context.intervalUs, step.intervalUs);
        runner.log.append(outcome, true);
    }
    qint64 previousEnd = 0;
    for (qint64 first = 0, i = 0; first < runner.log.count(); ++i) {
        const TrafficEntry entry = runner.log.entry(first);
        QVERIFY2(entry.durationUs >= steps[i].busUs,
                 qPrintable(QStringLiteral("%1: %2 us").arg(steps[i].step).arg(entry.durationUs)));
        QVERIFY(entry.startUs >= previousEnd); // one after another, never overlapping
        previousEnd = entry.startUs + entry.durationUs;
        first += entry.transferEntries;
    }
}

QTEST_MAIN(TestBusDecoders)
#include "tst_busdecoders.moc"
