#pragma once
// The language of the window's and kavris-run's texts. The texts are written in Chinese (and
// kavris-run's own in English); every other language is a catalogue translations/kavris_<code>.ts,
// compiled into both programs. Without a translator installed every text is its source text,
// so Chinese needs nothing installed.

#include <QByteArray>
#include <QString>
#include <QStringList>

class UiLanguage
{
public:
    // The language of the texts as written.
    static QString source() { return QStringLiteral("zh"); }
    // The source language, then the language of each catalogue compiled in ("en").
    static QStringList available();

    // The language asked for by KAVRIS_LANG (one of `available`; empty or unset: none) or else
    // by the user's interface languages, most wanted first: the first of them that is
    // available, the source language when none is. Any other KAVRIS_LANG value is ignored and
    // named in `*ignored`.
    static QString choose(const QByteArray &kavrisLang, const QStringList &uiLanguages,
                          const QStringList &available, QString *ignored);

    // Chooses from the environment and the system locale and installs the translator of the
    // choice into the application, which must exist; call it before any text is made. A
    // KAVRIS_LANG value it ignores is said on standard error, after `program: `.
    static QString install(const char *program);

    // Takes the translator out again (tests switch languages within one process).
    static void uninstall();

    // The language of the translator installed: the source language when there is none.
    static QString current();
};
