#pragma once
// Conversions between bytes and the texts the user types and reads: hex byte text ("11 22 AA "),
// plain text whose UTF-16 code units are bytes, and the traffic log's two renderings.

#include <QByteArray>
#include <QString>
#include <QVector>

// How a hex token becomes a number. The basic write reads tokens as unsigned 32-bit values,
// every other transfer as signed ones, so "FFFFFFFF" is FFh for the first and 00h for the rest
// while "-1" is 00h for the first and FFh for the rest.
enum class HexConversion { Unsigned, Signed };

// Tokens separated by blanks (20h only); each token's low 8 bits, 0 for a token that does not
// convert. Line feeds are not separators: "BB\nCC" is one token and gives 00h.
QByteArray parseHexBytes(const QString &text, HexConversion conversion);

// A token that parseHexBytes does not send as written. Two kinds count: a token that is no
// number at all under the conversion ("ZZ", "1G", "BB\nCC", "-1" unsigned), which goes out as
// 00h, and a number outside 00h..FFh ("1FF", "300", "-1" signed), whose low 8 bits go out.
// A token that reads as a byte in any spelling ("0x9F", "+9F", "009F", "\n9F") is fine.
struct HexTokenIssue {
    enum class Kind { NotANumber, TooWide };
    int index;    // the token's place among all tokens, so the byte's place in what is sent
    int position; // its first character in the text
    int length;   // its characters
    char byte;    // what goes out for it
    Kind kind;
};
QVector<HexTokenIssue> findHexTokenIssues(const QString &text, HexConversion conversion);

// Two upper-case digits and a blank per byte: n bytes give 3n characters.
QString formatHexBytes(const char *data, int length);
inline QString formatHexBytes(const QByteArray &bytes)
{
    return formatHexBytes(bytes.constData(), bytes.size());
}

// The low 8 bits of every UTF-16 code unit.
QByteArray plainTextBytes(const QString &text);

// What a transfer sends for a write box: hex tokens or plain-text bytes.
QByteArray collectWriteBytes(const QString &plainText, bool hexMode, HexConversion conversion);

// Index of the first character that hex text may not hold, or -1. Hex digits, CR, LF, blank and
// the asterisk are allowed.
int findIllegalHexCharacter(const QString &text);

// The bytes up to (not including) the first zero byte, decoded as UTF-8.
QString decodeUntilZero(const char *data, int length);
inline QString decodeUntilZero(const QByteArray &bytes)
{
    return decodeUntilZero(bytes.constData(), bytes.size());
}

// The hex check box's two conversions. hexToPlainText fails (and leaves *plain alone) when the
// text holds an illegal character.
QString plainToHexText(const QString &plain);
bool hexToPlainText(const QString &hex, QString *plain);

// The traffic log's rendering of one entry's data: hex, or text up to the first zero byte.
QString renderTrafficData(const char *data, int length, bool hex);
