#include "oplist/operationrow.h"

#include "oplist/listfile.h"
#include "oplist/rowvalues.h"
#include "transfer/bytetext.h"

QString operationText(Operation operation)
{
    switch (operation) {
    case Operation::Read:
        return QString::fromUtf8("读数据");
    case Operation::WriteRead:
        return QString::fromUtf8("写读数据");
    case Operation::Write:
        break;
    }
    return QString::fromUtf8("写数据");
}

bool parseOperation(const QString &text, Operation *operation)
{
    for (Operation candidate : {Operation::Write, Operation::Read, Operation::WriteRead}) {
        if (text == operationText(candidate)) {
            *operation = candidate;
            return true;
        }
    }
    return false;
}

QVector<OperationRow> toOperationRows(const QVector<ListRow> &rows, bool writeReadOffered,
                                      QStringList *unrecognised)
{
    QVector<OperationRow> result;
    result.reserve(rows.size());
    for (const ListRow &listRow : rows) {
        OperationRow row;
        row.checked = listRow.checked;
        row.writeData = listRow.writeData;
        row.count = listRow.count;
        row.delay = listRow.delay;
        row.writeReadOffered = writeReadOffered;
        if (!parseOperation(listRow.operation, &row.operation)) {
            row.checked = false;
            if (unrecognised)
                unrecognised->append(QString::fromUtf8("第%1行“%2”")
                                         .arg(listRow.line)
                                         .arg(listRow.operation.left(20)));
        }
        result.append(row);
    }
    return result;
}

QVector<ListRow> toListRows(const QVector<OperationRow> &rows)
{
    QVector<ListRow> result;
    result.reserve(rows.size());
    for (const OperationRow &row : rows) {
        ListRow listRow;
        listRow.checked = row.checked;
        listRow.operation = operationText(row.operation);
        listRow.writeData = row.writeData;
        listRow.count = row.count;
        listRow.delay = row.delay;
        result.append(listRow);
    }
    return result;
}

QString unrecognisedOperationsMessage(const QStringList &unrecognised)
{
    // Name the first few; a damaged file may have thousands.
    const int shown = 10;
    QString rows = unrecognised.mid(0, shown).join(QString::fromUtf8("，"));
    if (unrecognised.size() > shown)
        rows += QString::fromUtf8("等共%1行").arg(unrecognised.size());
    return QString::fromUtf8(
               "列表文件中以下行的操作类型无法识别，已载入为未选中行：%1。请检查后再执行！")
        .arg(rows);
}

AdapterRequest rowRequest(const OperationRow &row, const PanelSettings &settings)
{
    using Kind = AdapterRequest::Kind;
    const Kind kind = row.operation == Operation::Write  ? Kind::RowWrite
                      : row.operation == Operation::Read ? Kind::RowRead
                                                         : Kind::RowWriteRead;
    const QByteArray data =
        kind == Kind::RowRead ? QByteArray() : parseHexBytes(row.writeData, HexConversion::Signed);
    return AdapterRequest::row(kind, settings, data, rowNumber(row.count));
}
