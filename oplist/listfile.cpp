#include "oplist/listfile.h"

#include <QCoreApplication>

#include <QFile>
#include <QIODevice>
#include <QStringList>

#include <algorithm>
#include <cstring>

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

QString listFileErrorText(ListFileError error)
{
    switch (error) {
    case ListFileError::None:
        break;
    case ListFileError::TooManyRows:
        return QCoreApplication::translate("ListFile", "列表文件超过%1行的上限，未加载！")
            .arg(listFileMaxRows);
    case ListFileError::TooLarge:
        return QCoreApplication::translate("ListFile", "列表文件超过%1MB的上限，未加载！")
            .arg(listFileMaxBytes / (1024 * 1024));
    case ListFileError::Unreadable:
        return QCoreApplication::translate("ListFile", "打开文件出错！");
    }
    return QString();
}

namespace
{

// Calls visit(begin, end, number) with each line's text and its number (1 = the first line):
// the line end (an LF with every CR in front of it, or a CR alone) and everything from a NUL
// byte on left out.
template <typename Visit> void forEachLine(const QByteArray &contents, Visit visit)
{
    const char *at = contents.constData();
    const char *const fileEnd = at + contents.size();
    if (contents.startsWith("\xEF\xBB\xBF"))
        at += 3;
    int number = 0;
    while (at < fileEnd) {
        ++number;
        const char *end = at;
        while (end < fileEnd && *end != '\n' && *end != '\r')
            ++end;
        const char *next = end;
        if (next < fileEnd && *next == '\n') {
            ++next;
        } else if (next < fileEnd) {
            // CRs that an LF follows end the line with it; otherwise the first CR alone does.
            const char *cr = next;
            while (cr < fileEnd && *cr == '\r')
                ++cr;
            next = cr < fileEnd && *cr == '\n' ? cr + 1 : next + 1;
        }
        if (const auto *nul = static_cast<const char *>(std::memchr(at, '\0', end - at)))
            end = nul;
        visit(at, end, number);
        at = next;
    }
}

// A comma byte is a comma in any decoding, and a comment's ";" is its first byte; so rows can be
// counted without decoding a line.
bool isRowLine(const char *begin, const char *end)
{
    return (begin == end || *begin != ';') && std::count(begin, end, ',') >= 4;
}

} // namespace

QVector<ListRow> readListFile(const QByteArray &contents, ListFileError *error)
{
    if (error)
        *error = ListFileError::None;
    QVector<ListRow> rows;
    ListFileError refusal = ListFileError::None;
    if (contents.size() > listFileMaxBytes) {
        refusal = ListFileError::TooLarge;
    } else {
        int count = 0;
        forEachLine(contents, [&count](const char *begin, const char *end, int) {
            count += isRowLine(begin, end) ? 1 : 0;
        });
        if (count > listFileMaxRows)
            refusal = ListFileError::TooManyRows;
        else
            rows.reserve(count);
    }
    if (refusal != ListFileError::None) {
        if (error)
            *error = refusal;
        return rows;
    }

    forEachLine(contents, [&rows](const char *begin, const char *end, int number) {
        if (!isRowLine(begin, end))
            return;
        const QString line = QString::fromUtf8(begin, static_cast<int>(end - begin));
        // The first five fields; a line of millions of commas costs no more than their search.
        QString fields[5];
        int from = 0;
        for (QString &field : fields) {
            const int comma = line.indexOf(QLatin1Char(','), from);
            field = line.mid(from, comma < 0 ? -1 : comma - from);
            from = comma + 1;
        }
        ListRow row;
        const QString select = fields[0].trimmed();
        row.checked = select == QLatin1String("1");
        if (!row.checked && select != QLatin1String("0")) {
            row.selectUnclear = true;
            row.select = fields[0];
        }
        row.operation = fields[1];
        row.writeData = fields[2];
        row.count = fields[3];
        row.delay = fields[4];
        row.line = number;
        rows.append(row);
    });
    return rows;
}

QVector<ListRow> readListFileFrom(QIODevice &device, ListFileError *error)
{
    const auto refuse = [error](ListFileError why) {
        *error = why;
        return QVector<ListRow>();
    };
    // A file of gigabytes is refused by its size; reading it first would take the memory and
    // the time the limit is there to spare, and beyond 2 GiB reading it whole fails.
    const bool sized = !device.isSequential();
    if (sized && device.size() > listFileMaxBytes)
        return refuse(ListFileError::TooLarge);
    QByteArray contents;
    if (sized)
        contents.reserve(static_cast<int>(device.size()));
    const qint64 piece = 1024 * 1024;
    while (contents.size() <= listFileMaxBytes) {
        const qint64 want = qMin(piece, listFileMaxBytes + 1 - contents.size());
        const int had = contents.size();
        contents.resize(had + static_cast<int>(want));
        const qint64 got = device.read(contents.data() + had, want);
        if (got < 0)
            return refuse(ListFileError::Unreadable);
        contents.resize(had + static_cast<int>(got));
        if (got == 0)
            break;
    }
    return readListFile(contents, error);
}

QVector<ListRow> readListFileFrom(const QString &path, ListFileError *error)
{
    QFile file(path);
    // Unbuffered: what has no size is read to one byte past the limit, not a buffer's worth.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        *error = ListFileError::Unreadable;
        return {};
    }
    return readListFileFrom(file, error);
}
