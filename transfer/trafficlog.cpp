// The traffic log: one entry per buffer or block, a coloured direction prefix and the data in
// hex or as text; clearing and saving.

#include "app/mainwindow.h"
#include "transfer/bytetext.h"
#include "transfer/filesaving.h"
#include "ui_mainwindow.h"

#include <QFileDialog>
#include <QMessageBox>

void MainWindow::appendTraffic(const char *data, int length, bool sent)
{
    QTextBrowser *log = ui->dataTextBrowser;
    // Entries always land at the end, wherever the user clicked into the log.
    log->moveCursor(QTextCursor::End, QTextCursor::MoveAnchor);
    log->setTextColor(sent ? Qt::green : Qt::blue);
    log->insertPlainText(sent ? QStringLiteral("TX : ") : QStringLiteral("RX : "));
    log->moveCursor(QTextCursor::End, QTextCursor::MoveAnchor);
    log->setTextColor(Qt::black);
    log->insertPlainText(renderTrafficData(data, length, hexDisplay));
    log->append(QString());
}

void MainWindow::on_actionTxt_triggered(bool checked)
{
    hexDisplay = !checked;
}

void MainWindow::on_actionClear_triggered()
{
    ui->dataTextBrowser->clear();
}

void MainWindow::on_actionSave_As_Text_triggered()
{
    saveLog(QStringLiteral("Text files (*.txt);;Any files (*)"), false);
}

void MainWindow::on_actionSave_As_Html_triggered()
{
    saveLog(QStringLiteral("Hyper Text Markup language File(*.html);;Any files (*)"), true);
}

void MainWindow::saveLog(const QString &filter, bool html)
{
    const QString fileName = QFileDialog::getSaveFileName(this, tr("Save File"), QString(), filter);
    if (fileName.isNull())
        return;
    // Saved as UTF-8 (the HTML export says so in its head): the log may hold any text the
    // ASCII rendering decoded, and UTF-8 represents all of it.
    const QString text = html ? ui->dataTextBrowser->document()->toHtml("utf-8")
                              : ui->dataTextBrowser->toPlainText();
    if (!saveFileReplacing(fileName, text.toUtf8()))
        QMessageBox::warning(this, QStringLiteral("Warning"), QStringLiteral("Save file failed!"),
                             QMessageBox::Ok, QMessageBox::NoButton);
}
