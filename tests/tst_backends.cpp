// The window against spidev on a pretend host and an FTDI MPSSE on a pretend USB bus, each with
// a flash on CS1 and registers on CS2: the log and warnings the simulated chips give (the
// recipe's log on those: the installed kavris-run's --expect in the program test).

#include "kavristest.h"

#include "fakeftdiport.h"
#include "fakespidev.h"
#include "telkor/busadapter.h"
#include "telkor/ftdibackend.h"
#include "telkor/norflash.h"
#include "telkor/registerbank.h"
#include "telkor/spidevbackend.h"
#include "telkor/telkortest.h"

#include <QSpinBox>
#include <QtTest>

#include <cerrno>

using namespace telkor;

namespace
{

// The twelve entries over one adapter of the test's own, as device 0; timeouts are dropped.
Adapter *current = nullptr;

AdapterEntries entriesOverCurrent()
{
    AdapterEntries e;
    e.scan = [](int32_t) -> int32_t { return 1; };
    e.open = [](int32_t device) -> int32_t { return device == 0 && current->open(); };
    e.getInfo = [](int32_t, DeviceInfo *i, char *t) -> int32_t { return current->info(i, t); };
    e.configure = [](int32_t, int32_t c, SpiConfig *s) { return current->configure(c, *s); };
    e.write = [](int32_t, auto... rest) { return current->write(rest...); };
    e.read = [](int32_t, auto... rest) { return current->read(rest...); };
    e.writeRead = [](int32_t, int32_t c, uint8_t *out, int32_t n, uint8_t *in, int32_t m, int32_t) {
        return current->writeRead(c, out, n, in, m);
    };
    e.slaveWrite = [](auto, auto c, auto d, auto n, auto) { return current->slaveWrite(c, d, n); };
    e.slaveRead = [](int32_t, int32_t c, uint8_t *b, int32_t) { return current->slaveRead(c, b); };
    e.blockWrite = [](int32_t, auto... rest) { return current->blockWrite(rest...); };
    e.blockRead = [](int32_t, auto... rest) { return current->blockRead(rest...); };
    e.blockWriteRead = [](int32_t, auto... rest) { return current->blockWriteRead(rest...); };
    return e;
}

} // namespace

class TestBackends : public WindowTest
{
    Q_OBJECT

private slots:
    void sameLogAndWarnings_data();
    void sameLogAndWarnings();
};

void TestBackends::sameLogAndWarnings_data()
{
    QTest::addColumn<QString>("backend");
    QTest::newRow("spidev") << "spidev";
    QTest::newRow("FTDI MPSSE") << "mpsse";
}

void TestBackends::sameLogAndWarnings()
{
    QFETCH(QString, backend);
    static const AdapterEntries library = AdapterLibrary::entries();
    SimClock clock; // on real time, so that the list's pauses let the flash finish
    NorFlash flash{clock, std::string(), nullptr};
    RegisterBank registers;
    FakeSpidev host;
    FakeUsb usb;
    std::unique_ptr<BusAdapter> adapter;
    std::function<void()> failNextTransfer;
    if (backend == QLatin1String("spidev")) {
        host.addNode(0, 1, &flash);
        host.addNode(0, 2, &registers);
        adapter =
            std::make_unique<BusAdapter>(std::make_unique<SpidevBackend>(host, LibraryConfig()));
        host.failError = ENODEV;
        failNextTransfer = [&host] { host.failAtMessage = 1; };
    } else {
        FakeFtdiChip &chip = usb.plug(0x6014);
        chip.interfaces[0].attach(1, &flash);
        chip.interfaces[0].attach(2, &registers);
        adapter = std::make_unique<BusAdapter>(
            std::make_unique<FtdiBackend>(FtdiBackend::Found{0x0403, 0x6014, 0}, false,
                                          [&usb] { return std::make_unique<FakeFtdiPort>(usb); }));
        failNextTransfer = [&chip] { chip.present = false; };
    }
    current = adapter.get();
    AdapterLibrary::use(entriesOverCurrent());
    fixture.stop();
    fixture.start();
    TelkorTestConfigure("timing=on");

    fixture.select("channelIndexComboBox", 1);
    fixture.dialogs().then(
        ModalAnswerer::chooseFile(QStringLiteral(KAVRIS_SOURCE_DIR "/examples/flash-page.list")));
    fixture.click("toolButtonOpenListFromFile");
    fixture.click("toolButtonExecuteOnce");
    QTRY_VERIFY(!MainWindowTestAccess::runner(fixture.window()).isRunning());
    fixture.select("channelIndexComboBox", 2);
    fixture.setWriteText("writeTextEdit", QStringLiteral("20 47"));
    fixture.click("writePushButton");
    fixture.setWriteText("writeTextEdit", QStringLiteral("A0"));
    fixture.find<QSpinBox>("readByteCountSpinBox")->setValue(1);
    fixture.click("writeReadPushButton");
    failNextTransfer();
    fixture.click("writeReadPushButton");

    QCOMPARE(
        fixture.logLines(),
        QStringList({"TX : 06 ", "TX : 20 00 00 00 ", "TX : 05 ", "RX : 00 ", "TX : 06 ",
                     "TX : 02 00 01 00 DE AD BE EF ", "TX : 05 ", "RX : 00 ", "TX : 03 00 01 00 ",
                     "RX : DE AD BE EF ", "TX : 20 47 ", "TX : A0 ", "RX : 47 "}));
    QCOMPARE(fixture.dialogs().summary().mid(1), // after the file dialog
             warningSummary(QString::fromUtf8("写读数据失败！")));
    AdapterLibrary::use(library);
}

QTEST_MAIN(TestBackends)
#include "tst_backends.moc"
