#include "adapter/uilanguage.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

#include <cstdio>

// The catalogues are compiled into the core library, a static one: registered explicitly, as
// nothing else refers to them. (Outside any namespace: the macro declares the registration
// function where it stands.)
static void registerCatalogues()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(kavris_translations);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace
{

const char catalogueFolder[] = ":/translations";

// Owned by the application, and gone with it.
QPointer<QTranslator> installed;
QString installedLanguage;

} // namespace

QStringList UiLanguage::available()
{
    registerCatalogues();
    QStringList languages{source()};
    const QStringList files = QDir(QLatin1String(catalogueFolder))
                                  .entryList({QStringLiteral("kavris_*.qm")}, QDir::Files);
    for (const QString &file : files)
        languages.append(file.mid(7, file.size() - 10)); // "kavris_" code ".qm"
    return languages;
}

QString UiLanguage::choose(const QByteArray &kavrisLang, const QStringList &uiLanguages,
                           const QStringList &available, QString *ignored)
{
    const QString asked = QString::fromLocal8Bit(kavrisLang);
    if (available.contains(asked))
        return asked;
    if (!asked.isEmpty() && ignored)
        *ignored = asked;
    // "en", "en-US", "en_GB", "zh-Hans-CN": the language is the part before the first separator.
    for (const QString &entry : uiLanguages) {
        const QString language =
            entry.section(QLatin1Char('-'), 0, 0).section(QLatin1Char('_'), 0, 0).toLower();
        if (available.contains(language))
            return language;
    }
    return source();
}

QString UiLanguage::install(const char *program)
{
    uninstall();
    QString ignored;
    const QStringList languages = available();
    QString language =
        choose(qgetenv("KAVRIS_LANG"), QLocale::system().uiLanguages(), languages, &ignored);
    if (language != source()) {
        auto *translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(QStringLiteral("kavris_") + language,
                             QLatin1String(catalogueFolder)) &&
            QCoreApplication::installTranslator(translator)) {
            installed = translator;
            installedLanguage = language;
        } else {
            delete translator;
            std::fprintf(stderr, "%s: the catalogue %s cannot be loaded\n", program,
                         qPrintable(language));
            language = source();
        }
    }
    if (!ignored.isEmpty()) {
        QStringList codes = languages;
        codes.sort();
        std::fprintf(
            stderr, "%s: %s\n", program,
            QCoreApplication::translate("UiLanguage", "KAVRIS_LANG=%1 is ignored: it takes %2")
                .arg(ignored, codes.join(QLatin1String(" or ")))
                .toUtf8()
                .constData());
    }
    return language;
}

void UiLanguage::uninstall()
{
    if (!installed)
        return;
    QCoreApplication::removeTranslator(installed);
    delete installed;
}

QString UiLanguage::current()
{
    return installed ? installedLanguage : source();
}
