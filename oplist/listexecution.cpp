// Running the operation list once or cyclically, and the auto-start timer that repeats one of
// the six single and block transfers.

#include "app/mainwindow.h"
#include "oplist/rowtracker.h"
#include "oplist/rowvalues.h"
#include "transfer/bytetext.h"
#include "transfer/transferbuffer.h"
#include "ui_mainwindow.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QIcon>
#include <QLineEdit>
#include <QPersistentModelIndex>
#include <QPixmap>
#include <QTimer>
#include <QTimerEvent>

namespace
{

QString cellText(const QTableWidget *table, int row, int column)
{
    if (auto *edit = qobject_cast<QLineEdit *>(table->cellWidget(row, column)))
        return edit->text();
    if (auto *box = qobject_cast<QComboBox *>(table->cellWidget(row, column)))
        return box->currentText();
    return QString();
}

} // namespace

void MainWindow::listFailure(const QString &message)
{
    cycleRunning = false;
    needsInit = true;
    warn(message);
}

void MainWindow::setCycleLook(bool running)
{
    QToolButton *button = ui->toolButtonExecuteCycle;
    button->setIcon(QIcon(QPixmap(running ? QStringLiteral(":/image/Pause_32px.png")
                                          : QStringLiteral(":/image/gif_48_086.gif"))));
    button->setToolTip(running ? QString::fromUtf8("停止循环执行列表")
                               : QString::fromUtf8("循环执行列表"));
}

MainWindow::Outcome MainWindow::runListRow(int device, int channel, int row)
{
    const QTableWidget *table = ui->operationTableWidget;
    const QString operation = cellText(table, row, 1);
    const bool master = spiConfig.master == 1;
    if (operation == QString::fromUtf8("写数据")) {
        const QByteArray data = parseHexBytes(cellText(table, row, 2), HexConversion::Signed);
        if (data.isEmpty())
            return {};
        if (data.size() > TELKOR_BUFFER_SIZE)
            return {false, writeDataTooLongMessage()};
        return writeOnce(device, channel, data, QString::fromUtf8("从机写数据失败！"));
    }
    if (operation == QString::fromUtf8("读数据")) {
        if (!master)
            return readOnce(device, channel, 0); // a slave takes what the master sent
        // Read in every control mode, as the read button does.
        const int count = rowNumber(cellText(table, row, 3));
        if (count < 0 || count > TELKOR_BUFFER_SIZE)
            return {false, readVolumeTooLargeMessage()};
        return readOnce(device, channel, count);
    }
    if (operation == QString::fromUtf8("写读数据")) {
        const QByteArray data = parseHexBytes(cellText(table, row, 2), HexConversion::Signed);
        const int count = rowNumber(cellText(table, row, 3));
        if (data.isEmpty() || !master)
            return {};
        if (data.size() > TELKOR_BUFFER_SIZE)
            return {false, writeDataTooLongMessage()};
        if (count < 0 || count > TELKOR_BUFFER_SIZE)
            return {false, readVolumeTooLargeMessage()};
        return writeReadOnce(device, channel, data, count);
    }
    return {};
}

MainWindow::PassResult MainWindow::runListPass()
{
    const int device = currentDevice();
    const int channel = currentChannel();
    if (!ensureDeviceReady())
        return PassResult::NotReady;
    QTableWidget *table = ui->operationTableWidget;
    bool ranRow = false;
    int row = 0;
    while (row < table->rowCount()) {
        const QTableWidgetItem *check = table->item(row, 0);
        if (!check || check->data(Qt::CheckStateRole).toInt() != Qt::Checked) {
            ++row;
            continue;
        }
        ranRow = true;
        const Outcome outcome = runListRow(device, channel, row);
        if (!outcome.ok) {
            listFailure(outcome.failure);
            return PassResult::Failed;
        }
        // While events are processed the user may add or delete rows, this one included: the
        // pass goes on with the rows that follow it, wherever they are now.
        const QPersistentModelIndex current(table->model()->index(row, 0));
        const RowTracker tracker(table->model(), row);
        QCoreApplication::processEvents();
        if (closing)
            return PassResult::Abandoned;
        if (current.isValid()) {
            const int delay = rowNumber(cellText(table, current.row(), 4));
            if (delay > 0)
                waitRowDelay(delay);
        }
        if (closing)
            return PassResult::Abandoned;
        row = tracker.nextRow();
    }
    return ranRow ? PassResult::RowsRan : PassResult::NoRowRan;
}

void MainWindow::waitRowDelay(int milliseconds)
{
    // The window keeps answering during the delay; closing it ends the wait at once.
    QEventLoop wait;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &wait, &QEventLoop::quit);
    delayLoops.append(&wait);
    wait.exec();
    delayLoops.removeOne(&wait);
}

void MainWindow::on_toolButtonExecuteOnce_clicked()
{
    runListPass();
}

void MainWindow::on_toolButtonExecuteCycle_clicked()
{
    // A click while cycling always stops, also when no row is checked any more; the pass under
    // way finishes its rows.
    if (cycleRunning) {
        cycleRunning = false;
        setCycleLook(false);
        return;
    }
    if (!anyRowChecked())
        return;
    cycleRunning = true;
    setCycleLook(true);
    while (cycleRunning && !closing) {
        const PassResult result = runListPass();
        if (result == PassResult::NotReady || result == PassResult::Failed) {
            cycleRunning = false;
        } else if (result == PassResult::NoRowRan && cycleRunning && !closing) {
            // Nothing to run: sleep until something happens instead of spinning.
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    }
    setCycleLook(false);
}

void MainWindow::on_autoStartPushButton_clicked()
{
    if (ui->autoStartPushButton->text() == QString::fromUtf8("开始")) {
        ui->autoStartPushButton->setText(QString::fromUtf8("停止"));
        timerId = startTimer(ui->timerSpinBox->value(), Qt::CoarseTimer);
    } else {
        ui->autoStartPushButton->setText(QString::fromUtf8("开始"));
        killTimer(timerId);
    }
}

void MainWindow::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != timerId)
        return;
    switch (ui->operationComboBox->currentIndex()) {
    case 0:
        on_writePushButton_clicked();
        break;
    case 1:
        on_readPushButton_clicked();
        break;
    case 2:
        on_writeReadPushButton_clicked();
        break;
    case 3:
        on_blockWritePushButton_clicked();
        break;
    case 4:
        on_blockReadPushButton_clicked();
        break;
    case 5:
        on_blockWriteReadPushButton_clicked();
        break;
    default:
        break;
    }
}
