#include "oplist/listrunreport.h"

#include "oplist/listrunner.h"

#include <QCoreApplication>

ListRunReport::ListRunReport(ListRunner &runner, QObject *parent) : QObject(parent), runner(runner)
{
    connect(&runner, &ListRunner::started, this, &ListRunReport::start);
    connect(&runner, &ListRunner::cycleChanged, this, [this](bool on) { cycle = cycle || on; });
    connect(&runner, &ListRunner::echo, this, [this] { ++rows; });
    connect(&runner, &ListRunner::passFinished, this, [this] { ++passes; });
    connect(&runner, &ListRunner::idle, this, &ListRunReport::finish);
}

void ListRunReport::start()
{
    running = true;
    cycle = runner.isCycling();
    passes = 0;
    rows = 0;
    clock.start();
}

void ListRunReport::finish()
{
    if (!running)
        return;
    running = false;
    emit ended(text(cycle, runner.lastRunFailed(), passes, rows, clock.elapsed()));
}

QString ListRunReport::text(bool cycle, bool failed, int passes, int rows, qint64 milliseconds)
{
    const QString seconds = QString::number(milliseconds / 1000.0, 'f', 3);
    if (failed)
        return QCoreApplication::translate("ListRunReport",
                                           "列表执行因错误停止：执行%1行，用时%2秒")
            .arg(rows)
            .arg(seconds);
    if (cycle)
        return QCoreApplication::translate("ListRunReport",
                                           "循环执行列表已停止：共%1遍，执行%2行，用时%3秒")
            .arg(passes)
            .arg(rows)
            .arg(seconds);
    return QCoreApplication::translate("ListRunReport", "单次执行列表完成：执行%1行，用时%2秒")
        .arg(rows)
        .arg(seconds);
}
