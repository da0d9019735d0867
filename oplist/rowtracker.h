#pragma once

#include <QAbstractItemModel>
#include <QObject>

// Follows a position in a model's rows while rows are inserted and removed around it: the
// position of the row that came after a given row, wherever that row has moved, even once the
// given row itself is gone. A list pass uses it to go on with the right row after handing
// control to the event loop, during which the user may add or delete rows.
class RowTracker : public QObject
{
    Q_OBJECT

public:
    // Tracks the position just after `row`.
    RowTracker(QAbstractItemModel *model, int row);

    // Where the rows that followed `row` now begin (rows inserted right there come first).
    int nextRow() const { return next; }

private:
    void rowsInserted(const QModelIndex &parent, int first, int last);
    void rowsRemoved(const QModelIndex &parent, int first, int last);

    int next;
};
