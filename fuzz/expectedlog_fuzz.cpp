// Any expected log and any actual line, as kavris-run compares them: the first half of the
// input is the expected file, the second the run's lines.

#include "cli/expectedlog.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<int>(size));
    const int half = input.size() / 2;
    ExpectedLog expected(input.left(half));
    const QStringList actual = QString::fromUtf8(input.mid(half)).split(QLatin1Char('\n'));
    QString problem;
    int matched = 0;
    for (const QString &line : actual) {
        if (!expected.matchNext(line, &problem))
            break;
        ++matched;
    }
    // A mismatch is always explained; a line always matches itself.
    if (matched < actual.size() && !problem.startsWith(QLatin1String("line ")))
        std::abort();
    for (const QString &line : actual)
        if (!ExpectedLog::lineMatches(line, line))
            std::abort();
    return 0;
}
