#pragma once
// One row of the operation list as plain values, and the operation keywords that the table
// shows and the list file stores.

#include "adapter/adapterrequest.h"

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

// "写数据", "读数据", "写读数据".
QString operationText(Operation operation);
// The operation a keyword names; false (and *operation alone) for any other text.
bool parseOperation(const QString &text, Operation *operation);

// The list file's rows as the table holds them. A row whose operation text is none of the three
// keywords shows write but is unchecked, so that nothing runs before the user has looked; its
// file line and text are added to *unrecognised. Rows made while the adapter is a slave
// (`writeReadOffered` false) show write for write-read.
QVector<OperationRow> toOperationRows(const QVector<ListRow> &rows, bool writeReadOffered,
                                      QStringList *unrecognised);
QVector<ListRow> toListRows(const QVector<OperationRow> &rows);
// The warning after loading rows whose operation was not recognised.
QString unrecognisedOperationsMessage(const QStringList &unrecognised);

// The session's request for a row on the device and channel of `settings`: its cells' texts read
// as the list has always read them (write data as hex tokens, signed; the count as a base-10
// number).
AdapterRequest rowRequest(const OperationRow &row, const PanelSettings &settings);
