#pragma once
// kavris-run's look at a list before it sends anything: a file that cannot be read or is beyond
// the limits, a file without rows (an expected log given by mistake), rows the window would
// load unchecked with a warning, and hex tokens that would not go out as written. A window user
// sees such rows unchecked and decides; a run on a production line has nobody to decide, so it
// refuses the list instead of running part of it.

#include "oplist/operationrow.h"

#include <QVector>

class QTextStream;
struct RunOptions;

// Reads options.listFile and judges it for a run. Returns RunOk with the rows in *rows, or the
// exit code after saying why on `err`. Hex tokens that are not sent as written are warned
// about, each with its file line and the byte sent; with --strict they refuse the list.
int loadListForRun(const RunOptions &options, QTextStream &err, QVector<OperationRow> *rows);
