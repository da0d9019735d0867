// The two write boxes: their hex check boxes convert the text between hex and plain text, and
// every transfer turns a box into bytes through collectWriteData.

#include "app/mainwindow.h"
#include "transfer/bytetext.h"
#include "ui_mainwindow.h"

#include <QMessageBox>

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
    if (checked) {
        converted = plainToHexText(text);
    } else if (!hexToPlainText(text, &converted)) {
        checkBox->setChecked(true);
        QMessageBox::warning(this, QStringLiteral("Warning"),
                             QStringLiteral("Contains illegal characters!"), QMessageBox::Ok,
                             QMessageBox::NoButton);
        return;
    }
    box->clear();
    // As plain text: decoded bytes such as "<b>" must stay the characters that will be sent,
    // not turn into markup.
    box->setPlainText(converted);
}

QByteArray MainWindow::collectWriteData(QTextEdit *box, bool hexMode,
                                        HexConversion conversion) const
{
    return collectWriteBytes(box->toPlainText(), hexMode, conversion);
}
