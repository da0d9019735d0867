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
    // The patterns were written for QRegExp, whose "$" matches only at the very end. In a
    // Perl-style expression "$" also matches before a final line feed, which would let "1\n"
    // through as a prefix; "\z" keeps the old meaning. (None of the patterns holds a literal
    // dollar sign.)
    QString anchored = pattern;
    anchored.replace(QLatin1Char('$'), QLatin1String("\\z"));
    return new QRegularExpressionValidator(QRegularExpression(anchored), parent);
}
