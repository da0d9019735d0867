#pragma once
// An expected traffic log, typically one saved from the window on a known-good board, and the
// comparison of a run's log with it line by line. In an expected line "XX" in a byte position
// (after "TX : " or "RX : ") matches any byte.

#include <QByteArray>
#include <QString>
#include <QStringList>

class ExpectedLog
{
public:
    // The file's lines; CR before LF is dropped, and a last line end is not an extra line.
    explicit ExpectedLog(const QByteArray &contents);

    int lineCount() const { return lines.size(); }
    // Compares the next actual line; false, with *problem set, at the first difference.
    bool matchNext(const QString &actual, QString *problem);
    // At the end of the run: false if expected lines are left over.
    bool matchEnd(QString *problem) const;

    // Whether one actual line matches one expected line.
    static bool lineMatches(const QString &expected, const QString &actual);

private:
    QStringList lines;
    int next = 0;
};
