#pragma once

#include <QString>

// Regular expression for the decimal numbers 1 to N without leading zeros, plus the empty text and
// a single tab. The digit ranges are built digit by digit from N, so for bounds such as 10230
// the pattern admits only some of the values between the last power of ten and N; the read
// count cells rely on exactly this set.
QString buildRangePattern(int N);
