#pragma once
// The number cells of an operation row (count and delay): the number a row runs with, and
// whether the cell says it plainly.

#include <QString>

// A number cell as the row runs it: base-10, white space around it ignored, anything that is
// not a number gives 0.
int rowNumber(const QString &cell);

// Whether the cell means what rowNumber makes of it: blank, or a base-10 whole number from 0
// to 2147483647 with white space around it allowed ("100 ", " 7", "+5", "007"). Anything else
// ("60ms", "1e3", "0x3", "3.0", "2147483648", "-5", "1 0") has always run as 0 (or, for a
// delay below 0, as no delay): a row holding it is not run before the user has looked.
bool isPlainRowNumber(const QString &cell);
