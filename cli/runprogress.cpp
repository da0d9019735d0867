// How far a run got, and what a run cut short says.

#include "cli/runprogress.h"

#include "cli/runoptions.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QTextStream>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

void RunProgress::interrupted(int number, bool endsAtOnce)
{
    if (signal == 0)
        signal = number;
    atOnce = atOnce || endsAtOnce;
}

bool RunProgress::cutShort() const
{
    if (signal == 0)
        return false;
    if (cycles > 0)
        return passes < cycles;
    // An endless run has nothing left undone when Ctrl+C let its pass finish.
    return signal != SIGINT || atOnce;
}

int RunProgress::exitCode(int code) const
{
    if (code != RunOk || !cutShort())
        return code;
    return signal == SIGTERM ? RunTerminated : RunInterrupted;
}

namespace
{

QString rowsText(int rows)
{
    return rows == 1 ? QCoreApplication::translate("kavris-run", "1 row")
                     : QCoreApplication::translate("kavris-run", "%1 rows").arg(rows);
}

} // namespace

QString RunProgress::summary() const
{
    if (!cutShort())
        return QString();
    const QString passText =
        cycles > 0 ? QCoreApplication::translate("kavris-run", "%1 of %2 passes done")
                         .arg(passes)
                         .arg(cycles)
        : passes == 1 ? QCoreApplication::translate("kavris-run", "1 pass done")
                      : QCoreApplication::translate("kavris-run", "%1 passes done").arg(passes);
    return (signal == SIGTERM
                ? QCoreApplication::translate("kavris-run", "kavris-run: terminated after %1 (%2)")
                : QCoreApplication::translate("kavris-run",
                                              "kavris-run: interrupted after %1 (%2)"))
        .arg(rowsText(rows), passText);
}

bool RunProgress::writeLogEnd(QIODevice &file) const
{
    if (!cutShort())
        return true;
    const QString line =
        (signal == SIGTERM ? QCoreApplication::translate("kavris-run", "# terminated after %1")
                           : QCoreApplication::translate("kavris-run", "# interrupted after %1"))
            .arg(rowsText(rows));
    const QByteArray bytes = line.toUtf8() + '\n';
    return file.write(bytes) == bytes.size();
}

bool standardOutputWritten(QTextStream &out, QTextStream &err)
{
    out.flush();
    if (out.status() == QTextStream::Ok)
        return true;
    err << QCoreApplication::translate("kavris-run", "kavris-run: cannot write standard output")
        << "\n";
    err.flush();
    return false;
}

bool standardOutputOpen()
{
    return ::fcntl(STDOUT_FILENO, F_GETFD) != -1;
}
