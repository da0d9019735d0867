#pragma once
// kavris-run's progress on standard error while it is a terminal: one line written over in
// place, at most ten times a second, and cleared before anything else is printed, so that
// nothing of it ends up in a file or a pipe.

#include <QElapsedTimer>
#include <QString>

class QTextStream;

class ProgressLine
{
public:
    // Shows nothing unless standard error is a terminal.
    explicit ProgressLine(QTextStream &err);
    ProgressLine(QTextStream &err, bool enabled) : err(err), on(enabled) {}

    bool enabled() const { return on; }
    // The line's new text; shown at once when `now`, else when a tenth of a second has passed.
    void show(const QString &text, bool now = false);
    // Wipes the line, e.g. before a line of output.
    void clear();

private:
    QTextStream &err;
    bool on;
    int shownWidth = 0; // characters on the terminal now
    QString pending;
    QElapsedTimer sinceShown;
};
