// The write boxes' marks for hex tokens that are not sent as written.

#include "transfer/hextokenhighlighter.h"

#include <QAbstractButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>

HexTokenHighlighter::HexTokenHighlighter(QTextDocument *document,
                                         QVector<HexConversion> conversions)
    : QSyntaxHighlighter(static_cast<QObject *>(document)), text(document),
      conversions(std::move(conversions))
{
    // Connected before the highlighter attaches itself, so that the marks are found afresh
    // before it formats the lines that changed.
    connect(document, &QTextDocument::contentsChange, this, &HexTokenHighlighter::textChanged);
    findRanges();
    setDocument(document);
}

HexTokenHighlighter::~HexTokenHighlighter()
{
    // The base class takes its formats off the document as it goes, which announces a change
    // that this part of the object must no longer hear.
    disconnect(text, &QTextDocument::contentsChange, this, &HexTokenHighlighter::textChanged);
}

QTextCharFormat HexTokenHighlighter::markFormat()
{
    QTextCharFormat format;
    format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    format.setUnderlineColor(Qt::red);
    return format;
}

HexTokenHighlighter *HexTokenHighlighter::attach(QTextEdit *box, QAbstractButton *hexMode,
                                                 QVector<HexConversion> conversions)
{
    auto *marks = new HexTokenHighlighter(box->document(), std::move(conversions));
    marks->setActive(hexMode->isChecked());
    connect(hexMode, &QAbstractButton::toggled, marks, &HexTokenHighlighter::setActive);
    return marks;
}

void HexTokenHighlighter::setActive(bool on)
{
    if (on == active)
        return;
    active = on;
    findRanges();
    rehighlight();
}

void HexTokenHighlighter::findRanges()
{
    ranges.clear();
    if (!active)
        return;
    const QString plain = text->toPlainText();
    for (const HexConversion conversion : conversions)
        for (const HexTokenIssue &issue : findHexTokenIssues(plain, conversion))
            ranges.append({issue.position, issue.position + issue.length});
    std::sort(ranges.begin(), ranges.end());
    ranges.erase(std::unique(ranges.begin(), ranges.end()), ranges.end());
}

void HexTokenHighlighter::textChanged(int position, int removed, int added)
{
    // The old marks where they stand after the change, to see which lines' marks moved.
    const auto moved = [=](int at) {
        return at <= position ? at : at >= position + removed ? at + added - removed : position;
    };
    QVector<Range> before;
    before.reserve(ranges.size());
    for (const Range &range : ranges)
        before.append({moved(range.start), moved(range.end)});
    findRanges();
    // The lines of the change are formatted by the highlighter itself; these are the others.
    QVector<Range> changed;
    std::set_symmetric_difference(before.begin(), before.end(), ranges.begin(), ranges.end(),
                                  std::back_inserter(changed));
    for (const Range &range : changed)
        formatAgain(range);
}

void HexTokenHighlighter::formatAgain(const Range &range)
{
    QTextBlock block = text->findBlock(range.start);
    const QTextBlock last = text->findBlock(qMax(range.start, range.end - 1));
    while (block.isValid()) {
        rehighlightBlock(block);
        if (block == last)
            break;
        block = block.next();
    }
}

void HexTokenHighlighter::highlightBlock(const QString &line)
{
    if (ranges.isEmpty())
        return;
    const int start = currentBlock().position();
    const int end = start + line.size();
    // The first mark that ends inside or after this line.
    auto range = std::lower_bound(ranges.begin(), ranges.end(), start,
                                  [](const Range &r, int at) { return r.end <= at; });
    const QTextCharFormat mark = markFormat();
    for (; range != ranges.end() && range->start < end; ++range) {
        const int from = qMax(range->start, start);
        const int to = qMin(range->end, end);
        if (to > from)
            setFormat(from - start, to - from, mark);
    }
}
