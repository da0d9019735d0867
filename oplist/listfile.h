#pragma once
// The ".list" file: UTF-8 without byte-order mark, CR LF line ends, two comment header lines,
// then one operation per line as five comma-separated fields (check, type, write data, read
// byte count, delay). Cell texts are stored verbatim.

#include "oplist/operationrow.h"

#include <QByteArray>
#include <QString>
#include <QVector>

class QIODevice;

struct ListRow {
    bool checked = true;
    QString operation;
    QString writeData;
    QString count;
    QString delay;
    int line = 0; // where the row stands in its file (1 = first line); not part of the row
    // The select field was neither "0" nor "1" (blanks around them aside): the row is read as
    // unchecked and `select` holds the field as written, for the warning. Not part of the row.
    bool selectUnclear = false;
    QString select{};

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

enum class ListFileError { None, TooManyRows, TooLarge, Unreadable };

// The warning the window shows for a refused file, naming the limit; empty for None.
QString listFileErrorText(ListFileError error);

// Accepts LF, CR LF and CR CR LF (any number of CRs before the LF) as one line end, and a CR
// not followed by CRs and an LF as a line end of its own (files written with CR alone), a last
// line without line end and a leading byte-order mark. Comment lines (";" first) and lines of
// fewer than five fields are skipped; fields after the fifth are ignored; a NUL byte ends its
// line's text. The select field "1" checks a row and "0" leaves it unchecked, blanks around
// them ignored; any other select field leaves it unchecked and marks it (see ListRow).
// A file beyond the limits above gives no rows and sets *error (when given).
QVector<ListRow> readListFile(const QByteArray &contents, ListFileError *error = nullptr);

// Reads a list file from `device` (open for reading) without ever holding more than the
// limit: a device that knows its size (a file) is refused beyond the limit before a byte is
// read; one that does not (a pipe, /dev/zero) is read to one byte past the limit at most.
// A failing read gives Unreadable.
QVector<ListRow> readListFileFrom(QIODevice &device, ListFileError *error);
// The same from a file by its name; a file that cannot be opened gives Unreadable.
QVector<ListRow> readListFileFrom(const QString &path, ListFileError *error);
