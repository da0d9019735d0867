#include "oplist/operationrow.h"

#include "oplist/listfile.h"
#include "oplist/rowvalues.h"
#include "transfer/bytetext.h"
#include "transfer/hextokennotes.h"

#include <QCoreApplication>

QString operationKeyword(Operation operation)
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

QString operationText(Operation operation)
{
    switch (operation) {
    case Operation::Read:
        return QCoreApplication::translate("OperationRow", "读数据");
    case Operation::WriteRead:
        return QCoreApplication::translate("OperationRow", "写读数据");
    case Operation::Write:
        break;
    }
    return QCoreApplication::translate("OperationRow", "写数据");
}

bool parseOperation(const QString &keyword, Operation *operation)
{
    for (Operation candidate : {Operation::Write, Operation::Read, Operation::WriteRead}) {
        if (keyword == operationKeyword(candidate)) {
            *operation = candidate;
            return true;
        }
    }
    return false;
}

QVector<OperationRow> toOperationRows(const QVector<ListRow> &rows, bool writeReadOffered,
                                      QVector<RowProblem> *problems)
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
        QVector<RowProblem> found;
        using Kind = RowProblem::Kind;
        if (!parseOperation(listRow.operation, &row.operation))
            found.append({Kind::UnknownOperation, listRow.line, listRow.operation});
        if (listRow.selectUnclear)
            found.append({Kind::UnclearSelect, listRow.line, listRow.select});
        if (!isPlainRowNumber(listRow.count))
            found.append({Kind::BadCount, listRow.line, listRow.count});
        if (!isPlainRowNumber(listRow.delay))
            found.append({Kind::BadDelay, listRow.line, listRow.delay});
        if (row.operation == Operation::WriteRead && !writeReadOffered)
            found.append({Kind::WriteReadAsSlave, listRow.line, QString()});
        if (!found.isEmpty()) {
            row.checked = false;
            if (problems)
                *problems += found;
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
        listRow.operation = operationKeyword(row.operation);
        listRow.writeData = row.writeData;
        listRow.count = row.count;
        listRow.delay = row.delay;
        result.append(listRow);
    }
    return result;
}

namespace
{

// Name the first few; a damaged file may have thousands.
QString listed(const QStringList &items, const QString &more)
{
    const int shown = 10;
    QString text = items.mid(0, shown).join(QCoreApplication::translate("OperationRow", "，"));
    if (items.size() > shown)
        text += more.arg(items.size());
    return text;
}

} // namespace

QString unrecognisedOperationsMessage(const QStringList &unrecognised)
{
    return QCoreApplication::translate(
               "OperationRow",
               "列表文件中以下行的操作类型无法识别，已载入为未选中行：%1。请检查后再执行！")
        .arg(listed(unrecognised, QCoreApplication::translate("OperationRow", "等共%1行")));
}

QString rowProblemsMessage(const QVector<RowProblem> &problems)
{
    using Kind = RowProblem::Kind;
    QStringList operations, selects, numbers, slaveRows;
    for (const RowProblem &problem : problems) {
        const QString field = problem.text.left(20);
        switch (problem.kind) {
        case Kind::UnknownOperation:
            operations.append(QCoreApplication::translate("OperationRow", "第%1行“%2”")
                                  .arg(problem.line)
                                  .arg(field));
            break;
        case Kind::UnclearSelect:
            selects.append(QCoreApplication::translate("OperationRow", "第%1行“%2”")
                               .arg(problem.line)
                               .arg(field));
            break;
        case Kind::BadCount:
            numbers.append(QCoreApplication::translate("OperationRow", "第%1行读数据字节数“%2”")
                               .arg(problem.line)
                               .arg(field));
            break;
        case Kind::BadDelay:
            numbers.append(QCoreApplication::translate("OperationRow", "第%1行延时“%2”")
                               .arg(problem.line)
                               .arg(field));
            break;
        case Kind::WriteReadAsSlave:
            slaveRows.append(
                QCoreApplication::translate("OperationRow", "第%1行").arg(problem.line));
            break;
        }
    }
    QStringList paragraphs;
    if (!operations.isEmpty())
        paragraphs.append(unrecognisedOperationsMessage(operations));
    const QString rowsMore = QCoreApplication::translate("OperationRow", "等共%1行");
    if (!selects.isEmpty())
        paragraphs.append(QCoreApplication::translate(
                              "OperationRow", "列表文件中以下行的选择字段不是0或1，已载入为未选中"
                                              "行：%1。请检查后再执行！")
                              .arg(listed(selects, rowsMore)));
    if (!numbers.isEmpty())
        paragraphs.append(
            QCoreApplication::translate("OperationRow",
                                        "列表文件中以下单元格不是0到2147483647的整数，已载入为未选"
                                        "中行：%1。请检查后再执行！")
                .arg(listed(numbers, QCoreApplication::translate("OperationRow", "等共%1处"))));
    if (!slaveRows.isEmpty())
        paragraphs.append(QCoreApplication::translate("OperationRow",
                                                      "从机模式下不能执行写读数据，以下行已载入为"
                                                      "未选中行：%1。请检查后再执行！")
                              .arg(listed(slaveRows, rowsMore)));
    return paragraphs.join(QLatin1Char('\n'));
}

QVector<HexTokenIssue> sentTokenIssues(const OperationRow &row)
{
    if (!row.checked || row.operation == Operation::Read)
        return {};
    // A list row reads its data with the signed conversion.
    return findHexTokenIssues(row.writeData, HexConversion::Signed);
}

QString listTokensSentMessage(const QVector<OperationRow> &rows)
{
    QString first;
    int more = 0;
    for (int i = 0; i < rows.size(); ++i) {
        const OperationRow &row = rows.at(i);
        const QVector<HexTokenIssue> issues = sentTokenIssues(row);
        if (issues.isEmpty())
            continue;
        if (!first.isEmpty()) {
            ++more;
            continue;
        }
        first = QCoreApplication::translate("OperationRow", "列表第%1行：%2")
                    .arg(i + 1)
                    .arg(hexTokensSentMessage(row.writeData, issues));
    }
    if (more > 0)
        first +=
            QCoreApplication::translate("OperationRow", "；另有%1行含无效十六进制数").arg(more);
    return first;
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
