#include "oplist/listfile.h"

#include <QStringList>

namespace
{

const char headerLine1[] =
    ";该文件为KAVRIS列表操作文件，每行为一个操作，若当前行为\";\"开头，则当前行为注释行";
const char headerLine2[] = ";选择,操作类型,写数据,读数据字节数,延时(毫秒)";

} // namespace

QByteArray writeListFile(const QVector<ListRow> &rows)
{
    QByteArray out;
    out += headerLine1;
    out += "\r\n";
    out += headerLine2;
    out += "\r\n";
    for (const ListRow &row : rows) {
        const QString line = QStringList{row.checked ? QStringLiteral("1") : QStringLiteral("0"),
                                         row.operation, row.writeData, row.count, row.delay}
                                 .join(QLatin1Char(','));
        out += line.toUtf8();
        out += "\r\n";
    }
    return out;
}

QVector<ListRow> readListFile(const QByteArray &contents)
{
    QVector<ListRow> rows;
    int start = contents.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    int lineNumber = 0;
    while (start < contents.size()) {
        ++lineNumber;
        int end = contents.indexOf('\n', start);
        const int next = end < 0 ? contents.size() : end + 1;
        if (end < 0)
            end = contents.size();
        int textEnd = end;
        // Every CR in front of the LF (or the end of the file) belongs to the line end.
        while (textEnd > start && contents.at(textEnd - 1) == '\r')
            --textEnd;
        QByteArray raw = contents.mid(start, textEnd - start);
        const int nul = raw.indexOf('\0');
        if (nul >= 0)
            raw.truncate(nul);
        start = next;

        const QString line = QString::fromUtf8(raw);
        if (line.startsWith(QLatin1Char(';')))
            continue;
        const QStringList fields = line.split(QLatin1Char(','), Qt::KeepEmptyParts);
        if (fields.size() < 5)
            continue;
        ListRow row;
        row.checked = fields.at(0) != QLatin1String("0");
        row.operation = fields.at(1);
        row.writeData = fields.at(2);
        row.count = fields.at(3);
        row.delay = fields.at(4);
        row.line = lineNumber;
        // Line-end characters never belong to a cell, also where more fields follow.
        while (row.delay.endsWith(QLatin1Char('\r')))
            row.delay.chop(1);
        rows.append(row);
    }
    return rows;
}
