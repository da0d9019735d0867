#include "benchsupport.h"

#include <QFile>
#include <QList>

#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <unistd.h>

double benchScale()
{
    bool ok = false;
    const double value = qEnvironmentVariable("KAVRIS_BENCH_SCALE").toDouble(&ok);
    return ok && value > 0 ? value : 1.0;
}

qint64 scaled(qint64 count)
{
    return std::max<qint64>(10, static_cast<qint64>(count * benchScale()));
}

qint64 residentBytes()
{
    malloc_trim(0);
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toLongLong() * sysconf(_SC_PAGESIZE);
}

void FigureTable::note(const QString &figure, const QString &value)
{
    if (!values.contains(figure))
        figures.append(figure);
    values[figure] = value;
}

void FigureTable::print(int width) const
{
    std::printf("\n");
    for (const QString &figure : figures)
        std::printf("%-*s %s\n", width, qPrintable(figure), qPrintable(values[figure]));
}
