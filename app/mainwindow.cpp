// The window's slots: each gathers what the panel says, hands the work to the session, the
// list runner or the auto-start, and echoes or warns about what came back.

#include "app/mainwindow.h"

#include "adapter/adapterlibrary.h"
#include "adapter/adaptermessages.h"
#include "adapter/firmwareinfo.h"
#include "adapter/uilanguage.h"
#include "app/flashwindow.h"
#include "app/logfeatures.h"
#include "oplist/autostart.h"
#include "oplist/listfile.h"
#include "oplist/listrunner.h"
#include "oplist/listrunreport.h"
#include "oplist/operationdelegate.h"
#include "oplist/operationlistmodel.h"
#include "transfer/bytetext.h"
#include "transfer/filesaving.h"
#include "transfer/hextokenhighlighter.h"
#include "transfer/hextokennotes.h"
#include "transfer/savefilename.h"
#include "transfer/trafficlog.h"
#include "ui_mainwindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>

#include <memory>
#include <utility>

// The pictures are compiled into the GUI library, a static one, so they must be registered
// explicitly before the form asks for its icons. (Outside any namespace: the macro declares the
// registration function where it stands.)
static void registerImages()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(images);
        return true;
    }();
    Q_UNUSED(registered);
}

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), ui(new Ui::MainWindow), session(AdapterLibrary::entries()),
      operations(new OperationListModel(this)), runner(new ListRunner(session, *operations, this)),
      autoStart(new AutoStart(this)), busyText(new QLabel(this)), busyBar(new QProgressBar(this)),
      busyClock(new QTimer(this))
{
    registerImages();
    ui->setupUi(this);
    setupPanel();
    trafficLog = new TrafficLog(this);
    ui->dataTextBrowser->setLog(trafficLog);
    new LogFeatures(this, ui->dataTextBrowser, ui->menuView, ui->menuFile, ui->actionExit);
    QCoreApplication::addLibraryPath(QStringLiteral("./plugins"));
    setupOperationTable();
    fitTranslatedTexts();
    HexTokenHighlighter::attach(ui->writeTextEdit, ui->hexSendCheckBox,
                                {HexConversion::Unsigned, HexConversion::Signed});
    HexTokenHighlighter::attach(ui->blockWriteTextEdit, ui->blockHexSendCheckBox,
                                {HexConversion::Signed});
    settings.restore(this);
    if (settings.asciiDisplay())
        ui->actionTxt->trigger();

    busyBar->setRange(0, 0); // an indicator that moves, not a measure
    busyBar->setMaximumWidth(120);
    statusBar()->addPermanentWidget(busyText);
    statusBar()->addPermanentWidget(busyBar);
    busyText->hide();
    busyBar->hide();
    busyClock->setInterval(200);
    connect(busyClock, &QTimer::timeout, this, &MainWindow::updateBusyText);
    connect(&session, &AdapterSession::longCallStarted, this, [this] { showBusy(true); });
    connect(&session, &AdapterSession::longCallFinished, this, [this] { showBusy(false); });

    runner->setSettingsSource([this] { return gatherSettings(); });
    connect(runner, &ListRunner::echo, this, &MainWindow::echo);
    connect(runner, &ListRunner::notReady, this, [this](const TransferOutcome &outcome) {
        autoStart->stop();
        warn(adapterErrorText(outcome));
    });
    // A failed row ends the pass and the cycle but leaves the auto-start running.
    connect(runner, &ListRunner::rowFailed, this,
            [this](const TransferOutcome &outcome) { warn(adapterErrorText(outcome)); });
    connect(runner, &ListRunner::cycleChanged, this, &MainWindow::setCycleLook);
    // When a pass or a cycle has ended: what it did, and the tokens its rows sent not as
    // written.
    connect(new ListRunReport(*runner, this), &ListRunReport::ended, this,
            [this](const QString &report) {
                const QString tokens = listTokensSentMessage(operations->rows());
                statusBar()->showMessage(tokens.isEmpty() ? report : report + tr("；") + tokens);
            });
    connect(autoStart, &AutoStart::tick, this, &MainWindow::autoStartTick);
    connect(autoStart, &AutoStart::runningChanged, this, [this](bool running) {
        ui->autoStartPushButton->setText(running ? tr("停止") : tr("开始"));
    });
}

MainWindow::~MainWindow()
{
    // Its job refers to the session, which goes before the children do.
    delete flashWindow;
    runner->abandon();
    delete ui;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Nothing may run into a closed window: a pass waiting between rows or in a row's delay
    // ends here, and so does the auto-start. A long library call is abandoned: the adapter
    // finishes it on its own (or is reset when it is next opened) and nothing more is logged.
    runner->abandon();
    autoStart->stop();
    if (flashWindow)
        flashWindow->close();
    session.abandon();
    settings.save(this, ui->actionTxt->isChecked());
    event->accept();
}

void MainWindow::on_actionExit_triggered()
{
    close();
}

namespace
{

// A box's items carry their values as data; the texts are only what the user reads.
template <typename Value> struct Choice {
    Value value;
    QString text;
};

template <typename Value>
void fillChoices(QComboBox *box, std::initializer_list<Choice<Value>> choices, Value current)
{
    // Filled before the window shows, with no slot reacting to the items coming in.
    const QSignalBlocker blocker(box);
    box->clear();
    for (const Choice<Value> &choice : choices)
        box->addItem(choice.text, int(choice.value));
    box->setCurrentIndex(box->findData(int(current)));
}

template <typename Value> Value chosen(const QComboBox *box)
{
    return static_cast<Value>(box->currentData().toInt());
}

template <typename Value> void choose(QComboBox *box, Value value)
{
    box->setCurrentIndex(box->findData(int(value)));
}

} // namespace

void MainWindow::setupPanel()
{
    const PanelSettings start; // the panel's start-up values
    for (int device = 0; device < ui->deviceIndexComboBox->count(); ++device)
        ui->deviceIndexComboBox->setItemData(device, device);
    {
        const QSignalBlocker blocker(ui->channelIndexComboBox);
        for (int index = 0; index < 10; ++index) {
            const auto channel = static_cast<SpiChannel>(index);
            ui->channelIndexComboBox->addItem(channelName(channel), index);
        }
        choose(ui->channelIndexComboBox, start.channel);
    }
    fillChoices<ControlMode>(ui->controlModeComboBox,
                             {{ControlMode::HardwareFullDuplex, tr("硬件全双工")},
                              {ControlMode::HardwareHalfDuplex, tr("硬件半双工")},
                              {ControlMode::SoftwareHalfDuplex, tr("软件半双工")},
                              {ControlMode::SingleBus, tr("单总线模式")}},
                             start.controlMode);
    fillChoices<Role>(ui->workingModeComboBox,
                      {{Role::Slave, tr("从机")}, {Role::Master, tr("主机")}}, start.role);
    fillChoices<ClockPhase>(ui->clockPhaseComboBox,
                            {{ClockPhase::FirstEdge, QStringLiteral("0")},
                             {ClockPhase::SecondEdge, QStringLiteral("1")}},
                            start.clockPhase);
    fillChoices<ClockPolarity>(ui->clockPolarityComboBox,
                               {{ClockPolarity::IdleLow, QStringLiteral("0")},
                                {ClockPolarity::IdleHigh, QStringLiteral("1")}},
                               start.clockPolarity);
    fillChoices<CsPolarity>(
        ui->csPolarityComboBox,
        {{CsPolarity::ActiveLow, tr("低电平")}, {CsPolarity::ActiveHigh, tr("高电平")}},
        start.csPolarity);
    fillChoices<BitOrder>(
        ui->shiftDirComboBox,
        {{BitOrder::MsbFirst, tr("高位在前")}, {BitOrder::LsbFirst, tr("低位在前")}},
        start.bitOrder);
    fillChoices<AutoStartTransfer>(ui->operationComboBox,
                                   {{AutoStartTransfer::Write, tr("写数据")},
                                    {AutoStartTransfer::Read, tr("读数据")},
                                    {AutoStartTransfer::WriteRead, tr("写读数据")},
                                    {AutoStartTransfer::BlockWrite, tr("块写数据")},
                                    {AutoStartTransfer::BlockRead, tr("块读数据")},
                                    {AutoStartTransfer::BlockWriteRead, tr("块写读数据")}},
                                   AutoStartTransfer::Write);
}

PanelSettings MainWindow::gatherSettings() const
{
    PanelSettings panel;
    panel.device = ui->deviceIndexComboBox->currentData().toInt();
    panel.channel = chosen<SpiChannel>(ui->channelIndexComboBox);
    panel.controlMode = chosen<ControlMode>(ui->controlModeComboBox);
    panel.role = chosen<Role>(ui->workingModeComboBox);
    panel.clockPhase = chosen<ClockPhase>(ui->clockPhaseComboBox);
    panel.clockPolarity = chosen<ClockPolarity>(ui->clockPolarityComboBox);
    panel.csPolarity = chosen<CsPolarity>(ui->csPolarityComboBox);
    panel.bitOrder = chosen<BitOrder>(ui->shiftDirComboBox);
    panel.clockText = ui->clockSpeedComboBox->currentText();
    return panel;
}

bool MainWindow::isMaster() const
{
    return chosen<Role>(ui->workingModeComboBox) == Role::Master;
}

QByteArray MainWindow::collectWriteData(QTextEdit *box, bool hexMode, HexConversion conversion)
{
    const QString text = box->toPlainText();
    tokenNote =
        hexMode ? hexTokensSentMessage(text, findHexTokenIssues(text, conversion)) : QString();
    return collectWriteBytes(text, hexMode, conversion);
}

void MainWindow::warn(const QString &message)
{
    QMessageBox::warning(this, tr("警告"), message, QMessageBox::Ok, QMessageBox::NoButton);
}

void MainWindow::echo(const TransferOutcome &outcome)
{
    trafficLog->append(outcome, hexDisplay, logTx, logRx);
}

void MainWindow::showBusy(bool busy)
{
    busyText->setVisible(busy);
    busyBar->setVisible(busy);
    updateControls();
    if (busy) {
        busySince = QDateTime::currentMSecsSinceEpoch();
        updateBusyText();
        busyClock->start();
    } else {
        busyClock->stop();
    }
}

void MainWindow::updateBusyText()
{
    const qint64 elapsed = (QDateTime::currentMSecsSinceEpoch() - busySince) / 1000;
    QString text = tr("正在%1，已用%2秒").arg(sessionStepText(session.step())).arg(elapsed);
    const qint64 expected = (session.expectedMs() + 999) / 1000;
    if (expected > 0)
        text += tr("，预计约%1秒").arg(expected);
    busyText->setText(text);
}

void MainWindow::request(const AdapterRequest &request)
{
    // While another request is under way the session refuses this one, and nothing happens:
    // after the grace time the controls that make requests show it by being disabled.
    // The note about the tokens this request sends, said when it is answered.
    const QString note = std::exchange(tokenNote, QString());
    const AdapterRequest::Kind kind = request.kind;
    session.submit(request, [this, note, kind](const TransferOutcome &outcome) {
        if (outcome.ok()) {
            const QString train = blockTrainSummary(kind, outcome);
            statusBar()->showMessage(train.isEmpty() || note.isEmpty() ? train + note
                                                                       : train + tr("；") + note);
        }
        finishTransfer(outcome);
    });
}

void MainWindow::finishTransfer(const TransferOutcome &outcome)
{
    if (outcome.ok())
        return echo(outcome);
    autoStart->stop();
    warn(adapterErrorText(outcome));
}

void MainWindow::updateControls()
{
    // During a long call nothing that makes a request can be used; a slave has no write-read
    // and no block transfers; the slave switch needs a hardware mode.
    const bool idle = !session.isLong();
    const bool master = isMaster();
    const bool hardware = isHardwareMode(chosen<ControlMode>(ui->controlModeComboBox));
    ui->writePushButton->setEnabled(idle);
    ui->readPushButton->setEnabled(idle);
    for (QWidget *button : {ui->writeReadPushButton, ui->blockReadPushButton,
                            ui->blockWritePushButton, ui->blockWriteReadPushButton})
        button->setEnabled(idle && master);
    ui->toolButtonExecuteOnce->setEnabled(idle);
    ui->toolButtonExecuteCycle->setEnabled(idle);
    ui->workingModeComboBox->setEnabled(idle && hardware);
}

// --- the traffic log ------------------------------------------------------------------------

void MainWindow::on_actionTxt_triggered(bool checked)
{
    hexDisplay = !checked; // for the entries to come; each keeps the rendering it was made with
}

void MainWindow::on_actionClear_triggered()
{
    trafficLog->clear();
}

void MainWindow::on_actionSave_As_Text_triggered()
{
    saveLog(tr("Text files (*.txt);;Any files (*)"), false);
}

void MainWindow::on_actionSave_As_Html_triggered()
{
    saveLog(tr("Hyper Text Markup language File(*.html);;Any files (*)"), true);
}

void MainWindow::saveLog(const QString &filter, bool html)
{
    const QString fileName = getSaveFileNameWithSuffix(
        this, tr("Save File"), settings.folder(WindowSettings::Kind::Log), filter);
    if (fileName.isNull())
        return;
    settings.rememberFile(WindowSettings::Kind::Log, fileName);
    // Streamed as UTF-8 (the HTML export says so in its head): the log may hold any text the
    // ASCII rendering decoded, and UTF-8 represents all of it.
    const QString family = ui->dataTextBrowser->font().family();
    const LogColumns columns = ui->dataTextBrowser->columns(); // as shown
    const bool saved = saveFileWith(fileName, [&](QIODevice &file) {
        return html ? trafficLog->writeHtml(file, family, columns)
                    : trafficLog->writeText(file, 0, trafficLog->count(), columns);
    });
    if (!saved)
        QMessageBox::warning(this, tr("Warning"), tr("Save file failed!"), QMessageBox::Ok,
                             QMessageBox::NoButton);
}

// --- the adapter panel ---------------------------------------------------------------------

void MainWindow::needReInit()
{
    session.markStale();
}

void MainWindow::on_controlModeComboBox_currentIndexChanged(int)
{
    QComboBox *clock = ui->clockSpeedComboBox;
    if (isHardwareMode(chosen<ControlMode>(ui->controlModeComboBox))) {
        clock->setEditable(false);
    } else {
        clock->setEditable(true);
        // Inline completion would turn a typed 250000 into the item 25000000, and inserting
        // typed values would grow the list of standard clocks; the box must configure exactly
        // what was typed.
        clock->setCompleter(nullptr);
        clock->setInsertPolicy(QComboBox::NoInsert);
        clock->setEditText(QStringLiteral("100000"));
        choose(ui->workingModeComboBox, Role::Master);
    }
    updateControls();
    session.markStale();
}

void MainWindow::on_workingModeComboBox_currentIndexChanged(int)
{
    QWidget *const slaveLocked[] = {ui->clockSpeedComboBox, ui->csPolarityComboBox,
                                    ui->controlModeComboBox};
    if (isMaster()) {
        for (QWidget *widget : slaveLocked)
            widget->setEnabled(true);
        updateControls();
        session.markStale();
        return;
    }
    // A slave takes the first (fastest) clock of the list, chip select active low and the
    // hardware half-duplex mode.
    ui->clockSpeedComboBox->setCurrentIndex(0);
    choose(ui->csPolarityComboBox, CsPolarity::ActiveLow);
    choose(ui->controlModeComboBox, ControlMode::HardwareHalfDuplex);
    for (QWidget *widget : slaveLocked)
        widget->setEnabled(false);
    updateControls();
    // A slave is configured at once, so that the master on the other side finds it ready
    // (unless another request is under way: then the next transfer configures it). Either way
    // the next transfer configures it again.
    const auto configured = [this](const TransferOutcome &outcome) {
        session.markStale();
        if (outcome.ok())
            return;
        autoStart->stop();
        warn(adapterErrorText(outcome));
    };
    if (!session.submit(AdapterRequest::prepare(gatherSettings()), configured))
        session.markStale();
}

void MainWindow::on_actionFirmwareInfo_triggered()
{
    session.submit(AdapterRequest::firmwareInfo(ui->deviceIndexComboBox->currentIndex()),
                   [this](const TransferOutcome &outcome) {
                       if (!outcome.ok())
                           return warn(adapterErrorText(outcome));
                       QMessageBox::about(
                           this, tr("固件信息"),
                           formatFirmwareInfo(outcome.firmware.info, outcome.firmware.functions));
                   });
}

void MainWindow::on_actionFlash_triggered()
{
    if (!flashWindow)
        flashWindow = new FlashWindow(
            session, [this] { return gatherSettings(); }, trafficLog, this);
    flashWindow->show();
    flashWindow->raise();
    flashWindow->activateWindow();
}

// --- single and block transfers ------------------------------------------------------------

void MainWindow::on_writePushButton_clicked()
{
    request(AdapterRequest::write(
        gatherSettings(), collectWriteData(ui->writeTextEdit, ui->hexSendCheckBox->isChecked(),
                                           HexConversion::Unsigned)));
}

void MainWindow::on_readPushButton_clicked()
{
    request(AdapterRequest::read(gatherSettings(), ui->readByteCountSpinBox->value() % 65536));
}

void MainWindow::on_writeReadPushButton_clicked()
{
    request(AdapterRequest::writeRead(gatherSettings(),
                                      collectWriteData(ui->writeTextEdit,
                                                       ui->hexSendCheckBox->isChecked(),
                                                       HexConversion::Signed),
                                      ui->readByteCountSpinBox->value() % 65536));
}

void MainWindow::on_blockWritePushButton_clicked()
{
    request(AdapterRequest::blockWrite(
        gatherSettings(),
        collectWriteData(ui->blockWriteTextEdit, ui->blockHexSendCheckBox->isChecked(),
                         HexConversion::Signed),
        ui->writeBlockSizesSinBox->value(), ui->intervalTimeSpinBox->value()));
}

void MainWindow::on_blockReadPushButton_clicked()
{
    request(AdapterRequest::blockRead(gatherSettings(), ui->readBlockSizeSpinBox->value(),
                                      ui->blockReadCountSpinBox->value(),
                                      ui->intervalTimeSpinBox->value()));
}

void MainWindow::on_blockWriteReadPushButton_clicked()
{
    request(AdapterRequest::blockWriteRead(
        gatherSettings(),
        collectWriteData(ui->blockWriteTextEdit, ui->blockHexSendCheckBox->isChecked(),
                         HexConversion::Signed),
        ui->writeBlockSizesSinBox->value(), ui->readBlockSizeSpinBox->value(),
        ui->intervalTimeSpinBox->value()));
}

// --- hex entry -----------------------------------------------------------------------------

void MainWindow::on_hexSendCheckBox_clicked(bool checked)
{
    convertHexBox(ui->writeTextEdit, ui->hexSendCheckBox, checked);
}

void MainWindow::on_blockHexSendCheckBox_clicked(bool checked)
{
    convertHexBox(ui->blockWriteTextEdit, ui->blockHexSendCheckBox, checked);
}

void MainWindow::convertHexBox(QTextEdit *box, QCheckBox *checkBox, bool checked)
{
    const QString text = box->toPlainText();
    QString converted;
    const auto refuse = [&](const QString &message) {
        checkBox->setChecked(!checked);
        QMessageBox::warning(this, tr("Warning"), message, QMessageBox::Ok, QMessageBox::NoButton);
    };
    if (!checked && !hexToPlainText(text, &converted))
        return refuse(tr("Contains illegal characters!"));
    // More than the adapter's buffer can never be sent, and showing a converted text of a
    // million characters would hold the window for seconds.
    if ((checked ? text.size() : converted.size()) > TELKOR_BUFFER_SIZE)
        return refuse(
            tr("Too much data to convert: at most %1 bytes can be sent!").arg(TELKOR_BUFFER_SIZE));
    if (checked)
        converted = plainToHexText(text);
    box->clear();
    // As plain text: decoded bytes such as "<b>" must stay the characters that will be sent,
    // not turn into markup.
    box->setPlainText(converted);
}

// --- the operation list and the auto-start --------------------------------------------------

void MainWindow::setupOperationTable()
{
    QTableView *table = ui->operationTableWidget;
    table->setModel(operations);
    table->setItemDelegate(new OperationDelegate(table));
    table->verticalHeader()->hide();
    // Styles may ask for a larger minimum section than the table's narrow check column and its
    // 20-pixel rows.
    table->horizontalHeader()->setMinimumSectionSize(10);
    table->verticalHeader()->setMinimumSectionSize(10);
    table->verticalHeader()->setDefaultSectionSize(20);
    table->setColumnWidth(0, 30);
    table->setColumnWidth(2, 650);
    table->setColumnWidth(3, 90);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::AllEditTriggers);
}

void MainWindow::fitTranslatedTexts()
{
    // The form's sizes were set by hand for the Chinese texts, and the Chinese window keeps
    // them; a translation's longer texts get the room they need instead of being cut.
    if (UiLanguage::current() == UiLanguage::source())
        return;
    QGroupBox *panel = ui->groupBox;
    // A box measures its items once, and these were measured before they came in; its minimum
    // width in the form would hold it below its longest item.
    for (QComboBox *box : panel->findChildren<QComboBox *>()) {
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        box->setMinimumWidth(qMax(box->minimumWidth(), box->minimumSizeHint().width()));
    }
    panel->layout()->activate(); // measured afresh, nested layouts included
    panel->setMaximumWidth(qMax(panel->maximumWidth(), panel->minimumSizeHint().width()));
    QHeaderView *header = ui->operationTableWidget->horizontalHeader();
    const int margins = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    for (const int column : {OperationListModel::CheckColumn, OperationListModel::CountColumn}) {
        const QString title = operations->headerData(column, Qt::Horizontal).toString();
        header->resizeSection(column,
                              qMax(header->sectionSize(column),
                                   header->fontMetrics().horizontalAdvance(title) + margins));
    }
    // While a row is edited its operation cell is a box of the operations.
    const std::unique_ptr<QComboBox> box(OperationDelegate::operationBox(nullptr, true));
    header->resizeSection(
        OperationListModel::OperationColumn,
        qMax(header->sectionSize(OperationListModel::OperationColumn), box->sizeHint().width()));
}

void MainWindow::setCycleLook(bool running)
{
    QToolButton *button = ui->toolButtonExecuteCycle;
    button->setIcon(QIcon(QPixmap(running ? QStringLiteral(":/image/Pause_32px.png")
                                          : QStringLiteral(":/image/gif_48_086.gif"))));
    button->setToolTip(running ? tr("停止循环执行列表") : tr("循环执行列表"));
}

void MainWindow::on_toolButtonAddNew_clicked()
{
    OperationRow row;
    row.writeData = QStringLiteral("11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF");
    row.count = QStringLiteral("0");
    row.delay = QStringLiteral("0");
    row.writeReadOffered = isMaster();
    operations->appendRows({row});
}

void MainWindow::on_toolButtonDelete_clicked()
{
    if (!operations->anyChecked())
        return;
    QMessageBox question(QMessageBox::Warning, tr("警告"), tr("确定删除选中行？"),
                         QMessageBox::Yes | QMessageBox::No);
    if (question.exec() != QMessageBox::Yes)
        return;
    operations->removeCheckedRows();
}

void MainWindow::on_toolButtonExecuteOnce_clicked()
{
    runner->runOnce();
}

void MainWindow::on_toolButtonExecuteCycle_clicked()
{
    // A click while cycling always stops, also when no row is checked any more; the pass under
    // way finishes its rows.
    if (runner->isCycling())
        runner->stopCycle();
    else
        runner->startCycle();
}

void MainWindow::on_toolButtonSaveListToFile_clicked()
{
    const QString fileName = getSaveFileNameWithSuffix(
        this, tr("保存列表文件"), settings.folder(WindowSettings::Kind::List),
        tr("KAVRIS List File (*.list);;Any files (*)"));
    if (fileName.isNull())
        return;
    settings.rememberFile(WindowSettings::Kind::List, fileName);
    if (!saveFileReplacing(fileName, writeListFile(toListRows(operations->rows()))))
        warn(tr("保存文件出错！"));
}

void MainWindow::on_toolButtonOpenListFromFile_clicked()
{
    const QString fileName = QFileDialog::getOpenFileName(
        this, tr("打开列表文件"), settings.folder(WindowSettings::Kind::List),
        tr("KAVRIS List File (*.list);;Text Files (*.txt)"));
    if (fileName.isNull())
        return;
    settings.rememberFile(WindowSettings::Kind::List, fileName);
    ListFileError refusal = ListFileError::None;
    const QVector<ListRow> loaded = readListFileFrom(fileName, &refusal);
    if (refusal != ListFileError::None)
        return warn(listFileErrorText(refusal));
    QVector<RowProblem> problems;
    operations->appendRows(toOperationRows(loaded, isMaster(), &problems));
    if (!problems.isEmpty())
        warn(rowProblemsMessage(problems));
}

void MainWindow::on_autoStartPushButton_clicked()
{
    if (autoStart->isRunning())
        autoStart->stop();
    else
        autoStart->start(ui->timerSpinBox->value());
}

void MainWindow::autoStartTick()
{
    // A tick that comes due while a request is under way is refused by the session: it is
    // skipped, as a timer's ticks coalesce.
    switch (chosen<AutoStartTransfer>(ui->operationComboBox)) {
    case AutoStartTransfer::Write:
        return on_writePushButton_clicked();
    case AutoStartTransfer::Read:
        return on_readPushButton_clicked();
    case AutoStartTransfer::WriteRead:
        return on_writeReadPushButton_clicked();
    case AutoStartTransfer::BlockWrite:
        return on_blockWritePushButton_clicked();
    case AutoStartTransfer::BlockRead:
        return on_blockReadPushButton_clicked();
    case AutoStartTransfer::BlockWriteRead:
        return on_blockWriteReadPushButton_clicked();
    }
}
