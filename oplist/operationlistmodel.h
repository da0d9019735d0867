#pragma once
// The operation list as data: rows of plain values behind the table view, the list runner and
// the list file. Edits from the view arrive through setData; nothing reads a row back from a
// widget. Rows are stored in one vector, so a list of a hundred thousand rows costs a few
// hundred bytes per row and loads in one insertion.

#include "oplist/operationrow.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QVector>

class OperationListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { CheckColumn, OperationColumn, DataColumn, CountColumn, DelayColumn, ColumnCount };
    // With EditRole on the operation column: whether the row offers write-read.
    static constexpr int WriteReadOfferedRole = Qt::UserRole + 1;

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    // The write-data cell of a row that writes shows hex tokens that will not go out as
    // written in the warning colour, with a tool tip naming them and their bytes; so do count
    // and delay cells that do not say a number plainly.
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // The operation column takes an Operation as an int with EditRole, or a keyword text.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    const OperationRow &row(int row) const { return list.at(row); }
    const QVector<OperationRow> &rows() const { return list; }
    bool isChecked(int row) const { return list.at(row).checked; }
    bool anyChecked() const;

    // Appends in one insertion.
    void appendRows(QVector<OperationRow> rows);

    // The colour of cells that will not run as they read.
    static QColor warningColor();
    // Removes the checked rows, the last first; the number removed.
    int removeCheckedRows();

private:
    QVector<OperationRow> list;
};
