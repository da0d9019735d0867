#pragma once
// Marks, as the user types, every hex token of a write box that will not go out as written
// (see HexTokenIssue): a red wavy underline, only while the box is in hex mode. The bytes sent
// are what they always were; the mark shows it before they are sent.
//
// A token may run over a line end ("BB\nCC" is one token), so a change on one line can change
// the marks of its neighbours. The marks are therefore found for the whole text, once per
// change, and the lines whose marks moved are formatted again, not only the line edited.

#include "transfer/bytetext.h"

#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <QVector>

class QAbstractButton;
class QTextEdit;

class HexTokenHighlighter : public QSyntaxHighlighter
{
    Q_OBJECT

public:
    // Marks the tokens that any of `conversions` would not send as written: a box whose text
    // two buttons read in two ways marks what either of them would change.
    HexTokenHighlighter(QTextDocument *document, QVector<HexConversion> conversions);
    ~HexTokenHighlighter() override;

    // Hex mode on or off; off shows no mark.
    void setActive(bool active);
    bool isActive() const { return active; }

    // The mark.
    static QTextCharFormat markFormat();

    // Marks the tokens of `box` while `hexMode` is checked.
    static HexTokenHighlighter *attach(QTextEdit *box, QAbstractButton *hexMode,
                                       QVector<HexConversion> conversions);

protected:
    void highlightBlock(const QString &line) override;

private:
    struct Range {
        int start;
        int end;
        bool operator==(const Range &other) const
        {
            return start == other.start && end == other.end;
        }
        bool operator<(const Range &other) const
        {
            return start < other.start || (start == other.start && end < other.end);
        }
    };
    void findRanges();
    void textChanged(int position, int removed, int added);
    void formatAgain(const Range &range);

    QTextDocument *const text;
    QVector<HexConversion> conversions;
    bool active = true;
    QVector<Range> ranges; // sorted; positions in the whole document
};
