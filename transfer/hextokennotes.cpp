// The notes about hex tokens that are not sent as written.

#include "transfer/hextokennotes.h"

#include <QCoreApplication>
#include <QStringList>

namespace
{

// A text of a million bad tokens makes a note of ten.
constexpr int namedTokens = 10;

QString byteText(char byte)
{
    return formatHexBytes(&byte, 1).trimmed();
}

} // namespace

QString quotedHexToken(const QString &text, const HexTokenIssue &issue)
{
    const int shown = 20;
    QString token = text.mid(issue.position, qMin(issue.length, shown));
    token.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    token.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    token.replace(QLatin1Char('\t'), QLatin1String("\\t"));
    return issue.length > shown ? token + QString::fromUtf8("…") : token;
}

QString hexTokensSentMessage(const QString &text, const QVector<HexTokenIssue> &issues)
{
    if (issues.isEmpty())
        return QString();
    QStringList bytes, tokens;
    for (const HexTokenIssue &issue : issues.mid(0, namedTokens)) {
        bytes.append(byteText(issue.byte));
        tokens.append(quotedHexToken(text, issue));
    }
    QString sent = bytes.join(QLatin1Char(' '));
    QString named = tokens.join(QCoreApplication::translate("HexTokens", "、"));
    if (issues.size() > namedTokens) {
        sent += QString::fromUtf8(" …");
        named += QCoreApplication::translate("HexTokens", "等");
    }
    return QCoreApplication::translate("HexTokens", "%1个无效十六进制数已按 %2 发送：%3")
        .arg(issues.size())
        .arg(sent, named);
}

QString hexTokensToolTip(const QString &text, const QVector<HexTokenIssue> &issues)
{
    if (issues.isEmpty())
        return QString();
    QStringList lines{QCoreApplication::translate("HexTokens", "%1个无效十六进制数，发送时：")
                          .arg(issues.size())};
    for (const HexTokenIssue &issue : issues.mid(0, namedTokens))
        lines.append(
            issue.kind == HexTokenIssue::Kind::NotANumber
                ? QCoreApplication::translate("HexTokens", "“%1”不是十六进制数，按 %2 发送")
                      .arg(quotedHexToken(text, issue), byteText(issue.byte))
                : QCoreApplication::translate("HexTokens", "“%1”超过一个字节，按 %2 发送")
                      .arg(quotedHexToken(text, issue), byteText(issue.byte)));
    if (issues.size() > namedTokens)
        lines.append(QString::fromUtf8("…"));
    return lines.join(QLatin1Char('\n'));
}
