// The operation table: its one-time set-up, the construction of a row (shared by the add button
// and the list-file reader) and the deletion of the checked rows.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegExpValidator>

namespace
{

const char cellComboStyle[] = "QComboBox{border-width:0;border-style:outset}";
const char cellEditStyle[] = "QLineEdit{border-width:0;border-style:outset}";

} // namespace

void MainWindow::setupOperationTable()
{
    QTableWidget *table = ui->operationTableWidget;
    table->verticalHeader()->hide();
    // Styles may ask for a larger minimum section than the table's narrow check column and its
    // 20-pixel rows.
    table->horizontalHeader()->setMinimumSectionSize(10);
    table->verticalHeader()->setMinimumSectionSize(10);
    table->setColumnWidth(0, 30);
    table->setColumnWidth(2, 650);
    table->setColumnWidth(3, 90);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void MainWindow::addOperationRow(bool checked, const QString *operation, const QString &writeData,
                                 const QString &count, const QString &delay)
{
    QTableWidget *table = ui->operationTableWidget;
    const int row = table->rowCount();
    table->setRowCount(row + 1);
    table->setRowHeight(row, 20);

    auto *check = new QTableWidgetItem(QTableWidgetItem::Type);
    check->setData(Qt::CheckStateRole, checked ? Qt::Checked : Qt::Unchecked);
    table->setItem(row, 0, check);

    auto *type = new QComboBox(this);
    QStringList types = {QString::fromUtf8("写数据"), QString::fromUtf8("读数据")};
    if (ui->workingModeComboBox->currentIndex() == 1)
        types.append(QString::fromUtf8("写读数据"));
    type->insertItems(0, types);
    type->setStyleSheet(QLatin1String(cellComboStyle));
    if (operation)
        type->setCurrentText(*operation);
    table->setCellWidget(row, 1, type);

    auto *data = new QLineEdit(this);
    data->setStyleSheet(QLatin1String(cellEditStyle));
    hexValidator = new QRegExpValidator(QRegExp(QStringLiteral("([0-9a-fA-F]{2}[ ]){1000}")), this);
    data->setText(writeData);
    data->setValidator(hexValidator);
    table->setCellWidget(row, 2, data);

    auto *countEdit = new QLineEdit(this);
    countEdit->setText(count);
    countEdit->setValidator(countValidator);
    countEdit->setStyleSheet(QLatin1String(cellEditStyle));
    table->setCellWidget(row, 3, countEdit);

    auto *delayEdit = new QLineEdit(this);
    delayEdit->setText(delay);
    delayEdit->setValidator(positiveValidator);
    delayEdit->setStyleSheet(QLatin1String(cellEditStyle));
    table->setCellWidget(row, 4, delayEdit);
}

void MainWindow::on_toolButtonAddNew_clicked()
{
    addOperationRow(true, nullptr, QStringLiteral("11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF"),
                    QStringLiteral("0"), QStringLiteral("0"));
}

bool MainWindow::anyRowChecked() const
{
    const QTableWidget *table = ui->operationTableWidget;
    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem *check = table->item(row, 0);
        if (check && check->data(Qt::CheckStateRole).toInt() == Qt::Checked)
            return true;
    }
    return false;
}

void MainWindow::on_toolButtonDelete_clicked()
{
    if (!anyRowChecked())
        return;
    QMessageBox question(QMessageBox::Warning, QString::fromUtf8("警告"),
                         QString::fromUtf8("确定删除选中行？"), QMessageBox::Yes | QMessageBox::No);
    if (question.exec() != QMessageBox::Yes)
        return;
    QTableWidget *table = ui->operationTableWidget;
    for (int row = table->rowCount() - 1; row >= 0; --row) {
        const QTableWidgetItem *check = table->item(row, 0);
        if (check && check->data(Qt::CheckStateRole).toInt() == Qt::Checked)
            table->removeRow(row);
    }
}
