#pragma once
// One row of the operation list as plain values, and the operation keywords that the table
// shows and the list file stores.

#include "adapter/adapterrequest.h"
#include "transfer/hextokennotes.h"

#include <QString>
#include <QStringList>
#include <QVector>

struct ListRow;

enum class Operation { Write, Read, WriteRead };

struct OperationRow {
    bool checked = true;
    Operation operation = Operation::Write;
    // Cell texts as typed or loaded, never cut: the rules read them when the row runs.
    QString writeData;
    QString count;
    QString delay;
    // Rows made while the adapter was a slave offer only write and read, for good.
    bool writeReadOffered = true;

    bool operator==(const OperationRow &other) const
    {
        return checked == other.checked && operation == other.operation &&
               writeData == other.writeData && count == other.count && delay == other.delay &&
               writeReadOffered == other.writeReadOffered;
    }
};

// The list file's keyword for the operation: "写数据", "读数据", "写读数据". These are part of
// the file format and never change with the language; the table shows operationText().
QString operationKeyword(Operation operation);
// The operation a keyword names; false (and *operation alone) for any other text.
bool parseOperation(const QString &keyword, Operation *operation);
// What the table and its editor show for the operation, in the user's language.
QString operationText(Operation operation);

// Something in a loaded row that would not run as the file says: the row is loaded unchecked,
// so that nothing runs before the user has looked, and named in the warning.
struct RowProblem {
    enum class Kind {
        UnknownOperation, // none of the three keywords; the row shows write
        UnclearSelect,    // the select field is neither 0 nor 1
        BadCount,         // the count cell is not a plain number (see isPlainRowNumber)
        BadDelay,         // the same for the delay cell
        WriteReadAsSlave, // write-read loaded while the adapter is a slave, which cannot do it
    };
    Kind kind;
    int line;     // in the file
    QString text; // the field as written (none for WriteReadAsSlave)

    bool operator==(const RowProblem &other) const
    {
        return kind == other.kind && line == other.line && text == other.text;
    }
};

// The list file's rows as the table holds them; every row with a problem is unchecked and its
// problems are added to *problems (when given). Rows made while the adapter is a slave
// (`writeReadOffered` false) keep a write-read operation, so that a save writes it back as it
// was, but never run it unseen.
QVector<OperationRow> toOperationRows(const QVector<ListRow> &rows, bool writeReadOffered,
                                      QVector<RowProblem> *problems = nullptr);
QVector<ListRow> toListRows(const QVector<OperationRow> &rows);
// The warning after loading rows whose operation was not recognised.
QString unrecognisedOperationsMessage(const QStringList &unrecognised);
// The hex tokens a row sends not as written, as a run reads them (signed); none for a row that
// is unchecked or only reads.
QVector<HexTokenIssue> sentTokenIssues(const OperationRow &row);
// The status bar's note after a pass: the first checked row that sends hex tokens not as
// written, by its place in the table, with its note, and how many more such rows there are;
// empty when there is none.
QString listTokensSentMessage(const QVector<OperationRow> &rows);
// The warning after loading rows with problems: one paragraph per kind of problem, each naming
// the first ten rows; empty for none.
QString rowProblemsMessage(const QVector<RowProblem> &problems);

// The session's request for a row on the device and channel of `settings`: its cells' texts read
// as the list has always read them (write data as hex tokens, signed; the count as a base-10
// number).
AdapterRequest rowRequest(const OperationRow &row, const PanelSettings &settings);
