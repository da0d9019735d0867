#pragma once
// What a list run came to, in one line for the status bar: a single pass or a cycle, how many
// passes and rows ran, how long it took, and whether a failure ended it. It listens to the
// runner; the window shows the line when the run has ended.

#include <QElapsedTimer>
#include <QObject>
#include <QString>

class ListRunner;
struct TransferOutcome;

class ListRunReport : public QObject
{
    Q_OBJECT

public:
    explicit ListRunReport(ListRunner &runner, QObject *parent = nullptr);

    // The line for a run of `passes` passes (a cycle when `cycle`), `rows` rows and
    // `milliseconds`, ended by a failure when `failed`.
    static QString text(bool cycle, bool failed, int passes, int rows, qint64 milliseconds);

signals:
    void ended(const QString &text);

private:
    void start();
    void finish();

    ListRunner &runner;
    QElapsedTimer clock;
    bool running = false;
    bool cycle = false;
    int passes = 0;
    int rows = 0;
};
