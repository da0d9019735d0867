#pragma once
// What the benchmarks share: the scale of their counts, the process's resident memory, and the
// table of figures printed at the end of a run.

#include <QMap>
#include <QString>
#include <QStringList>

// KAVRIS_BENCH_SCALE (default 1) scales every count; at least 10 remain.
double benchScale();
qint64 scaled(qint64 count);

// What the process holds now; the heap's free memory is given back first, so that what earlier
// figures freed does not hide what the next one takes.
qint64 residentBytes();

// Figures in the order first reported; a figure reported again keeps its place and takes the
// new value (QtTest runs benchmark functions twice, a warm-up first).
class FigureTable
{
public:
    void note(const QString &figure, const QString &value);
    void print(int width) const;

private:
    QStringList figures;
    QMap<QString, QString> values;
};
