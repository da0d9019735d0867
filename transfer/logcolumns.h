#pragma once
// The columns beside an entry's text that the window may show and that saved files then carry:
// the entry's number with its transfer's time, and a decoder's note on what the bytes meant.

#include <QString>

// Notes on entries, on demand: asked only for the entries shown or saved.
class LogAnnotator
{
public:
    virtual ~LogAnnotator() = default;
    // The note on `entry`; empty when there is none.
    virtual QString annotation(qint64 entry) const = 0;
};

struct LogColumns {
    bool times = false;                        // number, time of day and duration before the text
    const LogAnnotator *annotations = nullptr; // the trailing note, when shown
};
