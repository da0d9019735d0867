#include "oplist/cellvalidators.h"

#include "oplist/rangepattern.h"

#include <QRegularExpression>
#include <QRegularExpressionValidator>

QString hexCellPattern()
{
    return QStringLiteral("([0-9a-fA-F]{2}[ ]){1000}");
}

QString countCellPattern()
{
    return buildRangePattern(10230);
}

QString delayCellPattern()
{
    return QStringLiteral("^[0-9]*[1-9][0-9]*$");
}

QValidator *makeCellValidator(const QString &pattern, QObject *parent)
{
    return new QRegularExpressionValidator(QRegularExpression(pattern), parent);
}
