// The window's side of the traffic log: the transfers append their bytes to it, and the menu
// clears it, switches the rendering of later entries and saves it.

#include "app/mainwindow.h"
#include "transfer/filesaving.h"
#include "transfer/trafficlog.h"
#include "ui_mainwindow.h"

#include <QFileDialog>
#include <QMessageBox>

void MainWindow::appendTraffic(const char *data, int length, bool sent)
{
    trafficLog->append(sent, data, length, hexDisplay);
}

void MainWindow::echoBlocks(const char *buffer, int blockSize, int blocks, bool sent)
{
    for (int i = 0; i < blocks; ++i)
        appendTraffic(buffer + i * blockSize, blockSize, sent);
}

void MainWindow::on_actionTxt_triggered(bool checked)
{
    hexDisplay = !checked;
}

void MainWindow::on_actionClear_triggered()
{
    trafficLog->clear();
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
    // Streamed as UTF-8 (the HTML export says so in its head): the log may hold any text the
    // ASCII rendering decoded, and UTF-8 represents all of it.
    const QString family = ui->dataTextBrowser->font().family();
    const bool saved = saveFileWith(fileName, [&](QIODevice &file) {
        return html ? trafficLog->writeHtml(file, family) : trafficLog->writeText(file);
    });
    if (!saved)
        QMessageBox::warning(this, QStringLiteral("Warning"), QStringLiteral("Save file failed!"),
                             QMessageBox::Ok, QMessageBox::NoButton);
}
