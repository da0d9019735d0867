#pragma once
// The ".list" file: UTF-8 without byte-order mark, CR LF line ends, two comment header lines,
// then one operation per line as five comma-separated fields (check, type, write data, read
// byte count, delay). Cell texts are stored verbatim.

#include "oplist/operationrow.h"

#include <QByteArray>
#include <QString>
#include <QVector>

struct ListRow {
    bool checked = true;
    QString operation;
    QString writeData;
    QString count;
    QString delay;
    int line = 0; // where the row stands in its file (1 = first line); not part of the row

    bool operator==(const ListRow &other) const
    {
        return checked == other.checked && operation == other.operation &&
               writeData == other.writeData && count == other.count && delay == other.delay;
    }
};

QByteArray writeListFile(const QVector<ListRow> &rows);

// The most a list file may hold: a file
// beyond these is refused whole before any row is built; within them a file loads in a few
// hundred megabytes and seconds. A single line may take up all the bytes.
constexpr int listFileMaxRows = 100000;
constexpr qint64 listFileMaxBytes = 64 * 1024 * 1024;

enum class ListFileError { None, TooManyRows, TooLarge };

// The warning the window shows for a refused file, naming the limit; empty for None.
QString listFileErrorText(ListFileError error);

// Accepts LF, CR LF and CR CR LF (any number of CRs before the LF), a last line without line
// end and a leading byte-order mark. Comment lines (";" first) and lines of fewer than five
// fields are skipped; fields after the fifth are ignored; a NUL byte ends its line's text.
// A file beyond the limits above gives no rows and sets *error (when given).
QVector<ListRow> readListFile(const QByteArray &contents, ListFileError *error = nullptr);
