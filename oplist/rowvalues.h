#pragma once

#include <QString>

// A number cell of an operation row (count or delay): base-10, white space around it ignored,
// anything that is not a number gives 0.
int rowNumber(const QString &cell);
