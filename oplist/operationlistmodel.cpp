#include "oplist/operationlistmodel.h"

#include "oplist/rowvalues.h"
#include "transfer/hextokennotes.h"

#include <QCoreApplication>

namespace
{

// A note for the roles that show a cell is not run as it reads; nothing for other roles.
QVariant cellNote(int role, const QString &toolTip)
{
    if (toolTip.isEmpty())
        return QVariant();
    if (role == Qt::ForegroundRole)
        return OperationListModel::warningColor();
    return role == Qt::ToolTipRole ? QVariant(toolTip) : QVariant();
}

} // namespace

QColor OperationListModel::warningColor()
{
    return QColor(Qt::red);
}

int OperationListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : list.size();
}

int OperationListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant OperationListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= list.size())
        return QVariant();
    const OperationRow &row = list.at(index.row());
    switch (index.column()) {
    case CheckColumn:
        return role == Qt::CheckStateRole ? QVariant(row.checked ? Qt::Checked : Qt::Unchecked)
                                          : QVariant();
    case OperationColumn:
        if (role == Qt::DisplayRole)
            return operationText(row.operation);
        if (role == Qt::EditRole)
            return int(row.operation);
        if (role == WriteReadOfferedRole)
            return row.writeReadOffered;
        return QVariant();
    default:
        break;
    }
    if (role == Qt::ForegroundRole || role == Qt::ToolTipRole) {
        if (index.column() == DataColumn) {
            // A list row reads its data with the signed conversion; a read row sends none.
            if (row.operation == Operation::Read)
                return QVariant();
            const QString &data = row.writeData;
            return cellNote(
                role, hexTokensToolTip(data, findHexTokenIssues(data, HexConversion::Signed)));
        }
        const QString &cell = index.column() == CountColumn ? row.count : row.delay;
        return cellNote(role, isPlainRowNumber(cell)
                                  ? QString()
                                  : QCoreApplication::translate("OperationListModel",
                                                                "不是0到2147483647的整数，按%1执行")
                                        .arg(rowNumber(cell)));
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();
    switch (index.column()) {
    case DataColumn:
        return row.writeData;
    case CountColumn:
        return row.count;
    case DelayColumn:
        return row.delay;
    default:
        return QVariant();
    }
}

bool OperationListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.row() >= list.size())
        return false;
    OperationRow &row = list[index.row()];
    switch (index.column()) {
    case CheckColumn:
        if (role != Qt::CheckStateRole)
            return false;
        row.checked = value.toInt() == Qt::Checked;
        break;
    case OperationColumn: {
        if (role != Qt::EditRole)
            return false;
        Operation operation = Operation::Write;
        if (value.userType() == QMetaType::QString) {
            if (!parseOperation(value.toString(), &operation))
                return false;
        } else {
            const int number = value.toInt();
            if (number < int(Operation::Write) || number > int(Operation::WriteRead))
                return false;
            operation = Operation(number);
        }
        if (operation == Operation::WriteRead && !row.writeReadOffered)
            return false;
        row.operation = operation;
        break;
    }
    case DataColumn:
    case CountColumn:
    case DelayColumn: {
        if (role != Qt::EditRole)
            return false;
        QString &cell = index.column() == DataColumn    ? row.writeData
                        : index.column() == CountColumn ? row.count
                                                        : row.delay;
        cell = value.toString();
        break;
    }
    default:
        return false;
    }
    emit dataChanged(index, index, {role});
    return true;
}

Qt::ItemFlags OperationListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags common = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    return index.column() == CheckColumn ? common | Qt::ItemIsUserCheckable
                                         : common | Qt::ItemIsEditable;
}

QVariant OperationListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const titles[ColumnCount] = {
        QT_TRANSLATE_NOOP("OperationListModel", "选择"),
        QT_TRANSLATE_NOOP("OperationListModel", "操作类型"),
        QT_TRANSLATE_NOOP("OperationListModel", "写数据"),
        QT_TRANSLATE_NOOP("OperationListModel", "读数据字节数"),
        QT_TRANSLATE_NOOP("OperationListModel", "延时(毫秒)")};
    return section >= 0 && section < ColumnCount
               ? QCoreApplication::translate("OperationListModel", titles[section])
               : QVariant();
}

bool OperationListModel::anyChecked() const
{
    for (const OperationRow &row : list)
        if (row.checked)
            return true;
    return false;
}

void OperationListModel::appendRows(QVector<OperationRow> rows)
{
    if (rows.isEmpty())
        return;
    beginInsertRows(QModelIndex(), list.size(), list.size() + rows.size() - 1);
    list += rows;
    endInsertRows();
}

int OperationListModel::removeCheckedRows()
{
    int removed = 0;
    for (int last = list.size() - 1; last >= 0;) {
        if (!list.at(last).checked) {
            --last;
            continue;
        }
        int first = last;
        while (first > 0 && list.at(first - 1).checked)
            --first;
        beginRemoveRows(QModelIndex(), first, last);
        list.remove(first, last - first + 1);
        endRemoveRows();
        removed += last - first + 1;
        last = first - 1;
    }
    return removed;
}
