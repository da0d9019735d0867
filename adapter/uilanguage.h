#pragma once
// The language of the window's and kavris-run's texts. The texts are written in Chinese (and
// kavris-run's own in English); English comes from the catalogue translations/kavris_en.ts,
// compiled into both programs. Without a translator installed every text is its source text,
// so Chinese needs nothing installed.

#include <QByteArray>
#include <QString>
#include <QStringList>

class UiLanguage
{
public:
    enum Language { Chinese, English };

    // The language asked for by KAVRIS_LANG (`en` or `zh`; empty or unset: none) or else by
    // the user's interface languages, most wanted first: English when an English one comes
    // before any Chinese one, Chinese otherwise. Any other KAVRIS_LANG value is ignored and
    // named in `*ignored`.
    static Language choose(const QByteArray &kavrisLang, const QStringList &uiLanguages,
                           QString *ignored);

    // Chooses from the environment and the system locale and installs the translator of the
    // choice into the application, which must exist; call it before any text is made. A
    // KAVRIS_LANG value it ignores is said on standard error, after `program: `.
    static Language install(const char *program);

    // Takes the translator out again (tests switch languages within one process).
    static void uninstall();

    // The language of the translator installed: Chinese when there is none.
    static Language current();
};
