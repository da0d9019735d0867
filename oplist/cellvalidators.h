#pragma once
// What the list's cells let the user type: the write-data cell hex byte tokens, the count cell
// the numbers of the count pattern, the delay cell positive numbers.

#include <QString>

class QObject;
class QValidator;

QString hexCellPattern();
QString countCellPattern();
QString delayCellPattern();

// A validator for the given pattern (whole-text match, prefixes are intermediate).
QValidator *makeCellValidator(const QString &pattern, QObject *parent);
