#include "cli/progressline.h"

#include <QTextStream>

#include <algorithm>

#include <unistd.h>

namespace
{

// Terminal cells: East Asian wide characters (the Chinese texts, their full-width commas)
// take two.
int cells(const QString &text)
{
    int width = 0;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        const bool wide = (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF) ||
                          (u >= 0xAC00 && u <= 0xD7A3) || (u >= 0xF900 && u <= 0xFAFF) ||
                          (u >= 0xFE30 && u <= 0xFE4F) || (u >= 0xFF00 && u <= 0xFF60) ||
                          (u >= 0xFFE0 && u <= 0xFFE6);
        width += wide ? 2 : 1;
    }
    return width;
}

} // namespace

ProgressLine::ProgressLine(QTextStream &err) : ProgressLine(err, isatty(STDERR_FILENO) == 1) {}

void ProgressLine::show(const QString &text, bool now)
{
    if (!on)
        return;
    pending = text;
    if (!now && sinceShown.isValid() && sinceShown.elapsed() < 100)
        return;
    sinceShown.start();
    // Blanks over what the longer line before left.
    const int width = cells(text);
    err << '\r' << text << QString(std::max(0, shownWidth - width), QLatin1Char(' '));
    if (shownWidth > width)
        err << '\r' << text;
    err.flush();
    shownWidth = width;
}

void ProgressLine::clear()
{
    if (!on || shownWidth == 0)
        return;
    err << '\r' << QString(shownWidth, QLatin1Char(' ')) << '\r';
    err.flush();
    shownWidth = 0;
}
