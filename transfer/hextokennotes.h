#pragma once
// What the window says about hex tokens that do not go out as written (see HexTokenIssue): the
// status bar's note after a transfer and the list cell's tool tip. The bytes sent stay what
// they have always been; these texts only make them visible.

#include "transfer/bytetext.h"

#include <QString>
#include <QVector>

// The token as a note quotes it: at most 20 characters, line feeds, carriage returns and tabs
// written as \n, \r and \t so that a note stays one line.
QString quotedHexToken(const QString &text, const HexTokenIssue &issue);

// "3个无效十六进制数已按 00 00 00 发送：ZZ、1G、300", naming the first ten; empty for none.
QString hexTokensSentMessage(const QString &text, const QVector<HexTokenIssue> &issues);

// The list cell's tool tip, one token and its byte a line; empty for none.
QString hexTokensToolTip(const QString &text, const QVector<HexTokenIssue> &issues);
