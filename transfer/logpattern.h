#pragma once
// What the log's find looks for inside one entry's bytes: a byte sequence typed in hex, where
// "XX" stands for any byte as in expected logs, or a text (its UTF-8 bytes, ASCII letters in
// either case).

#include <QByteArray>
#include <QString>

class LogPattern
{
public:
    LogPattern() = default;
    // Tokens separated by blanks, each two hex digits or "XX"; false (and *pattern left alone)
    // when a token is neither or there is none.
    static bool fromHex(const QString &text, LogPattern *pattern);
    static LogPattern fromText(const QString &text);

    bool isEmpty() const { return bytes.isEmpty(); }
    int size() const { return bytes.size(); }
    // Whether the pattern occurs anywhere in the bytes.
    bool matches(const char *data, int length) const;

private:
    enum : char { Exact, AnyByte, EitherCase };
    QByteArray bytes;
    QByteArray kinds; // one of the above per byte
};
