#include "oplist/rowtracker.h"

RowTracker::RowTracker(QAbstractItemModel *model, int row) : next(row + 1)
{
    connect(model, &QAbstractItemModel::rowsInserted, this, &RowTracker::rowsInserted);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &RowTracker::rowsRemoved);
}

void RowTracker::rowsInserted(const QModelIndex &parent, int first, int last)
{
    if (!parent.isValid() && first < next)
        next += last - first + 1;
}

void RowTracker::rowsRemoved(const QModelIndex &parent, int first, int last)
{
    if (parent.isValid() || first >= next)
        return;
    if (last < next)
        next -= last - first + 1;
    else
        next = first;
}
