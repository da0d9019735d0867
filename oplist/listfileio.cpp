// Saving the operation list to a ".list" file and appending a file's rows to the table.

#include "app/mainwindow.h"
#include "oplist/listfile.h"
#include "transfer/filesaving.h"
#include "ui_mainwindow.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>

namespace
{

QString editText(const QTableWidget *table, int row, int column)
{
    auto *edit = qobject_cast<QLineEdit *>(table->cellWidget(row, column));
    return edit ? edit->text() : QString();
}

} // namespace

void MainWindow::on_toolButtonSaveListToFile_clicked()
{
    const QString fileName =
        QFileDialog::getSaveFileName(this, QString::fromUtf8("保存列表文件"), QString(),
                                     QStringLiteral("KAVRIS List File (*.list);;Any files (*)"));
    if (fileName.isNull())
        return;
    const QTableWidget *table = ui->operationTableWidget;
    QVector<ListRow> rows;
    for (int row = 0; row < table->rowCount(); ++row) {
        ListRow listRow;
        const QTableWidgetItem *check = table->item(row, 0);
        listRow.checked = check && check->data(Qt::CheckStateRole).toInt() == Qt::Checked;
        if (auto *type = qobject_cast<QComboBox *>(table->cellWidget(row, 1)))
            listRow.operation = type->currentText();
        listRow.writeData = editText(table, row, 2);
        listRow.count = editText(table, row, 3);
        listRow.delay = editText(table, row, 4);
        rows.append(listRow);
    }
    if (!saveFileReplacing(fileName, writeListFile(rows)))
        warn(QString::fromUtf8("保存文件出错！"));
}

void MainWindow::on_toolButtonOpenListFromFile_clicked()
{
    const QString fileName = QFileDialog::getOpenFileName(
        this, QString::fromUtf8("打开列表文件"), QString(),
        QStringLiteral("KAVRIS List File (*.list);;Text Files (*.txt)"));
    if (fileName.isNull())
        return;
    QFile file(fileName);
    QByteArray contents;
    if (file.open(QIODevice::ReadOnly))
        contents = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        warn(QString::fromUtf8("打开文件出错！"));
        return;
    }
    for (const ListRow &row : readListFile(contents))
        addOperationRow(row.checked, &row.operation, row.writeData, row.count, row.delay);
}
