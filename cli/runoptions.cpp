#include "cli/runoptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace
{

const char usageText[] = QT_TRANSLATE_NOOP(
    "kavris-run",
    "Usage: kavris-run [options] FILE.list\n"
    "       kavris-run [options] flash id | read FILE | write FILE | verify FILE | erase\n"
    "Runs an operation list on the adapter without a window, printing the traffic log, or\n"
    "identifies, reads, writes, verifies or erases the SPI NOR flash on the chip select.\n"
    "\n"
    "Adapter and bus (defaults: the window's start-up settings):\n"
    "  --device N          adapter index 0-9 (0); a list such as 0,2,3, or all, runs the\n"
    "                      same job on each adapter at once, each line of output prefixed\n"
    "                      with its adapter ([2] ), then a summary line for each\n"
    "  --channel NAME      SPI1_CS0..SPI1_CS4, SPI2_CS0..SPI2_CS4 (SPI1_CS0)\n"
    "  --mode MODE         full | half | soft-half | single (half)\n"
    "  --slave             slave instead of master (hardware half duplex only)\n"
    "  --cpol              clock polarity 1\n"
    "  --cpha              clock phase 1\n"
    "  --cs-high           chip select active high\n"
    "  --lsb-first         least significant bit first\n"
    "  --clock HZ          clock in hertz (50000000; 100000 in the software modes)\n"
    "\n"
    "Run:\n"
    "  --cycles N          passes over the list (1); 0 repeats until Ctrl+C, which ends the\n"
    "                      pass under way (a second Ctrl+C ends at once)\n"
    "  --no-delay          skip the rows' delays\n"
    "  --ascii             log data as text instead of hex\n"
    "  --log FILE          write the log as the window's \"save as text\" writes it\n"
    "  --timestamps        print each line after its number, the time its transfer started\n"
    "                      and how long it took (the window's time column); --log too\n"
    "  --csv FILE          write the log as the window's CSV export writes it: a row per\n"
    "                      line with its time, duration, settings, hex and text\n"
    "  --vcd FILE          write every transfer of the run to a VCD file (signals cs, sck,\n"
    "                      mosi, miso), one after another on one time axis, each with its\n"
    "                      own settings, for logic-analyser programs such as PulseView\n"
    "  --expect FILE       compare the log line by line with FILE, where XX in a byte\n"
    "                      position matches any byte; the first difference ends the run\n"
    "  --strict            refuse a list whose write data holds hex tokens that are not\n"
    "                      sent as written (no hex number, or wider than a byte) instead\n"
    "                      of warning about each\n"
    "  --junit FILE        also write a JUnit XML report: a test case for each adapter\n"
    "  --help              this text\n"
    "\n"
    "Before anything is sent the list is checked, and refused (exit code 3) when it has no\n"
    "rows or a row has an unknown operation, a select field other than 0 or 1, a count or\n"
    "delay that is not a whole number from 0 to 2147483647, or is write-read in slave mode.\n"
    "\n"
    "Flash (the bus options choose the adapter and chip select; any master mode works):\n"
    "  id                  identify the chip: maker, part, size, page and erase sizes\n"
    "  read FILE           read the chip, or --offset and --length of it, into FILE\n"
    "  write FILE          write FILE at --offset: read first, erase and program only what\n"
    "                      differs, then read the written range back and compare\n"
    "  verify FILE         compare the chip at --offset with FILE\n"
    "  erase               erase --offset and --length (whole erase units), or the chip\n"
    "  --offset N          where the range starts (0); numbers are decimal or 0x hex, with\n"
    "                      K or M for KiB or MiB\n"
    "  --length N          bytes of the range (default: up to the chip's end)\n"
    "  --size N            the size of a chip that neither its SFDP tables nor the\n"
    "                      built-in table describe (read and verify only)\n"
    "  --unprotect         clear the block protection over the range first\n"
    "  --no-verify         do not read the written range back\n"
    "  --chip-erase        one chip erase: the whole chip (erase), or first (write)\n"
    "Progress goes to standard error when it is a terminal. With several adapters, flash\n"
    "read, --log, --csv and --vcd write a file each, the adapter's index before the file's\n"
    "extension.\n"
    "\n"
    "Exit codes: 0 success; 1 a transfer or the preparation failed (the window's warning on\n"
    "standard error), or a flash chip stayed busy too long; 2 the log differs from the\n"
    "expected one, or a flash verify found a difference (its first address on standard\n"
    "error); 3 bad usage, an unreadable or refused list file, an unreadable expected or image\n"
    "file, a file or standard output that cannot be written, or a missing adapter library or\n"
    "entry; 4 no flash chip answered, a write to a chip the program does not know, or a\n"
    "protected range; 130 Ctrl+C (SIGINT) cut the run short; 143 SIGTERM did: standard error\n"
    "says how far it got and --log ends with a line saying so. Ctrl+C ending --cycles 0 after\n"
    "its pass is success. With several adapters: the highest of their codes.\n"
    "\n"
    "The adapter library libTELKOR.so is loaded from the program's directory first, then from\n"
    "the loader's search path.\n");

bool parseNumber(const QString &text, int low, int high, int *value)
{
    bool ok = false;
    const int number = text.toInt(&ok, 10);
    if (!ok || number < low || number > high)
        return false;
    *value = number;
    return true;
}

// "3", "0,2,3" or "all".
bool parseDevices(const QString &text, RunOptions *options, QString *error)
{
    if (text == QLatin1String("all")) {
        options->allDevices = true;
        return true;
    }
    const QStringList parts = text.split(QLatin1Char(','));
    QList<int> devices;
    for (const QString &part : parts) {
        int index = 0;
        if (!parseNumber(part, 0, 9, &index)) {
            *error = parts.size() == 1
                         ? QCoreApplication::translate(
                               "RunOptions", "--device takes an adapter index from 0 to 9")
                         : QCoreApplication::translate(
                               "RunOptions", "--device takes adapter indexes from 0 to 9 separated "
                                             "by commas, or all");
            return false;
        }
        if (devices.contains(index)) {
            *error = QCoreApplication::translate("RunOptions", "--device names adapter %1 twice")
                         .arg(index);
            return false;
        }
        devices.append(index);
    }
    options->panel.device = devices.first();
    if (devices.size() > 1)
        options->devices = devices;
    return true;
}

} // namespace

QString runUsage()
{
    return QCoreApplication::translate("kavris-run", usageText);
}

bool parseRunOptions(const QStringList &arguments, RunOptions *options, QString *error)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption device(QStringLiteral("device"), QString(), QStringLiteral("N"));
    const QCommandLineOption channel(QStringLiteral("channel"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption mode(QStringLiteral("mode"), QString(), QStringLiteral("MODE"));
    const QCommandLineOption slave(QStringLiteral("slave"));
    const QCommandLineOption cpol(QStringLiteral("cpol"));
    const QCommandLineOption cpha(QStringLiteral("cpha"));
    const QCommandLineOption csHigh(QStringLiteral("cs-high"));
    const QCommandLineOption lsbFirst(QStringLiteral("lsb-first"));
    const QCommandLineOption clock(QStringLiteral("clock"), QString(), QStringLiteral("HZ"));
    const QCommandLineOption cycles(QStringLiteral("cycles"), QString(), QStringLiteral("N"));
    const QCommandLineOption noDelay(QStringLiteral("no-delay"));
    const QCommandLineOption ascii(QStringLiteral("ascii"));
    const QCommandLineOption log(QStringLiteral("log"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption expect(QStringLiteral("expect"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption strict(QStringLiteral("strict"));
    const QCommandLineOption help(QStringLiteral("help"));
    const QCommandLineOption timestamps(QStringLiteral("timestamps"));
    const QCommandLineOption csv(QStringLiteral("csv"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption vcd(QStringLiteral("vcd"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption junit(QStringLiteral("junit"), QString(), QStringLiteral("FILE"));
    parser.addOptions({device,   channel, mode,       slave,   cpol,  cpha, csHigh,
                       lsbFirst, clock,   cycles,     noDelay, ascii, log,  expect,
                       strict,   help,    timestamps, csv,     vcd,   junit});
    parser.addOptions(flashCommandLineOptions());
    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return false;
    }
    RunOptions result;
    if (parser.isSet(help)) {
        result.help = true;
        *options = result;
        return true;
    }
    PanelSettings &panel = result.panel;
    if (parser.isSet(device) && !parseDevices(parser.value(device), &result, error))
        return false;
    if (parser.isSet(channel)) {
        if (!parseChannelName(parser.value(channel).toUpper(), &panel.channel)) {
            *error = QCoreApplication::translate(
                "RunOptions", "--channel takes SPI1_CS0 to SPI1_CS4 or SPI2_CS0 to SPI2_CS4");
            return false;
        }
    }
    if (parser.isSet(mode)) {
        const QString name = parser.value(mode);
        if (name == QLatin1String("full"))
            panel.controlMode = ControlMode::HardwareFullDuplex;
        else if (name == QLatin1String("half"))
            panel.controlMode = ControlMode::HardwareHalfDuplex;
        else if (name == QLatin1String("soft-half"))
            panel.controlMode = ControlMode::SoftwareHalfDuplex;
        else if (name == QLatin1String("single"))
            panel.controlMode = ControlMode::SingleBus;
        else {
            *error = QCoreApplication::translate("RunOptions",
                                                 "--mode takes full, half, soft-half or single");
            return false;
        }
    }
    if (!isHardwareMode(panel.controlMode))
        panel.clockText = QStringLiteral("100000"); // as the window's clock box turns to
    panel.clockPolarity = parser.isSet(cpol) ? ClockPolarity::IdleHigh : ClockPolarity::IdleLow;
    panel.clockPhase = parser.isSet(cpha) ? ClockPhase::SecondEdge : ClockPhase::FirstEdge;
    panel.csPolarity = parser.isSet(csHigh) ? CsPolarity::ActiveHigh : CsPolarity::ActiveLow;
    panel.bitOrder = parser.isSet(lsbFirst) ? BitOrder::LsbFirst : BitOrder::MsbFirst;
    if (parser.isSet(clock)) {
        int hz = 0;
        if (!parseNumber(parser.value(clock), 1, 2147483647, &hz)) {
            *error = QCoreApplication::translate("RunOptions", "--clock takes a number of hertz");
            return false;
        }
        panel.clockText = QString::number(hz);
    }
    if (parser.isSet(slave)) {
        // The window locks these to a slave's settings; asking for others is a mistake.
        if (panel.controlMode != ControlMode::HardwareHalfDuplex || parser.isSet(clock) ||
            parser.isSet(csHigh)) {
            *error = QCoreApplication::translate(
                "RunOptions",
                "--slave goes with the hardware half-duplex mode, the first clock and chip "
                "select active low");
            return false;
        }
        panel.role = Role::Slave;
    }
    if (parser.isSet(cycles) && !parseNumber(parser.value(cycles), 0, 2147483647, &result.cycles)) {
        *error = QCoreApplication::translate(
            "RunOptions", "--cycles takes a number of passes (0 = until interrupted)");
        return false;
    }
    result.skipDelays = parser.isSet(noDelay);
    result.ascii = parser.isSet(ascii);
    result.strict = parser.isSet(strict);
    result.logFile = parser.value(log);
    result.expectFile = parser.value(expect);
    result.timestamps = parser.isSet(timestamps);
    result.csvFile = parser.value(csv);
    result.vcdFile = parser.value(vcd);
    result.junitFile = parser.value(junit);
    const QStringList files = parser.positionalArguments();
    const bool flash = files.value(0) == QLatin1String("flash");
    if (flash)
        for (const QCommandLineOption *listOnly :
             {&cycles, &noDelay, &ascii, &log, &expect, &timestamps, &csv, &vcd})
            if (parser.isSet(*listOnly)) {
                *error = QCoreApplication::translate("RunOptions",
                                                     "--%1 goes with a list file, not with flash")
                             .arg(listOnly->names().first());
                return false;
            }
    if (!readFlashOptions(parser, flash, files.mid(1), &result.flash, error))
        return false;
    if (flash) {
        *options = result;
        return true;
    }
    if (files.size() != 1) {
        *error = files.isEmpty() ? QCoreApplication::translate("RunOptions", "no list file given")
                                 : QCoreApplication::translate("RunOptions", "one list file only");
        return false;
    }
    result.listFile = files.first();
    *options = result;
    return true;
}
