#include "cli/expectedlog.h"

#include <QCoreApplication>

namespace
{

// The context of these texts in the catalogue, where lupdate finds them by this name.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(ExpectedLog)
};

bool isHexByte(const QString &token)
{
    if (token.size() != 2)
        return false;
    for (QChar c : token)
        if (!c.isDigit() && (c.toUpper() < QLatin1Char('A') || c.toUpper() > QLatin1Char('F')))
            return false;
    return true;
}

QString describe(int number, const QString &expected, const QString &actual)
{
    return Text::tr("line %1 differs\n  expected: %2\n  actual:   %3")
        .arg(number)
        .arg(expected, actual);
}

} // namespace

ExpectedLog::ExpectedLog(const QByteArray &contents)
{
    const QString text = QString::fromUtf8(contents);
    lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString &line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
}

bool ExpectedLog::lineMatches(const QString &expected, const QString &actual)
{
    if (expected == actual)
        return true;
    const int prefix = 5; // "TX : " or "RX : "
    if (expected.size() != actual.size() || expected.size() < prefix ||
        !(expected.startsWith(QLatin1String("TX : ")) ||
          expected.startsWith(QLatin1String("RX : "))) ||
        expected.left(prefix) != actual.left(prefix))
        return false;
    // Same length and prefix: compare token by token, a wildcard standing for a hex byte.
    const QStringList want = expected.mid(prefix).split(QLatin1Char(' '));
    const QStringList got = actual.mid(prefix).split(QLatin1Char(' '));
    if (want.size() != got.size())
        return false;
    for (int i = 0; i < want.size(); ++i) {
        if (want[i] == got[i])
            continue;
        if (want[i].compare(QLatin1String("XX"), Qt::CaseInsensitive) != 0 || !isHexByte(got[i]))
            return false;
    }
    return true;
}

bool ExpectedLog::matchNext(const QString &actual, QString *problem)
{
    const int number = next + 1;
    if (next >= lines.size()) {
        *problem = describe(number, Text::tr("(end of the expected log)"), actual);
        return false;
    }
    if (!lineMatches(lines.at(next), actual)) {
        *problem = describe(number, lines.at(next), actual);
        return false;
    }
    ++next;
    return true;
}

bool ExpectedLog::matchEnd(QString *problem) const
{
    if (next >= lines.size())
        return true;
    *problem = describe(next + 1, lines.at(next), Text::tr("(end of the log)"));
    return false;
}
