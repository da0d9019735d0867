#pragma once
// How far a kavris-run run got, so that one cut short by a signal says so: its exit code is
// the shell's for the signal (130 for SIGINT, 143 for SIGTERM), standard error says how many
// rows and passes were done, and the --log file ends with a line saying it was cut short.
// Ctrl+C ending --cycles 0 after the pass under way is how an endless run is meant to end:
// that is success.

#include <QString>

class QIODevice;
class QTextStream;

class RunProgress
{
public:
    explicit RunProgress(int cycles) : cycles(cycles) {}

    void rowDone() { ++rows; }
    void passDone() { ++passes; }
    // SIGINT or SIGTERM asked the run to end, after the pass under way or (`atOnce`) at once.
    // The first signal decides the exit code.
    void interrupted(int signal, bool atOnce);

    // Whether the run ended before it did what was asked.
    bool cutShort() const;
    // `code` (what the run came to otherwise) unless the run was cut short with nothing else
    // going wrong.
    int exitCode(int code) const;
    // "kavris-run: interrupted after 3 rows (1 of 5 passes done)"; empty unless cut short.
    QString summary() const;
    // Appends "# interrupted after 3 rows" and a line feed to the log file when cut short.
    bool writeLogEnd(QIODevice &file) const;

private:
    int cycles;
    int rows = 0;
    int passes = 0;
    int signal = 0;
    bool atOnce = false;
};

// Flushes standard output; false, saying so on `err`, when what was printed did not all get
// there (a full disk, a closed pipe, /dev/full).
bool standardOutputWritten(QTextStream &out, QTextStream &err);

// Whether standard output is open at all. Closed, the first file the program opens would take
// its place and receive the log.
bool standardOutputOpen();
