#include "adapter/uilanguage.h"

#include <QCoreApplication>
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

// Owned by the application, and gone with it.
QPointer<QTranslator> installed;

} // namespace

UiLanguage::Language UiLanguage::choose(const QByteArray &kavrisLang,
                                        const QStringList &uiLanguages, QString *ignored)
{
    if (kavrisLang == "en")
        return English;
    if (kavrisLang == "zh")
        return Chinese;
    if (!kavrisLang.isEmpty() && ignored)
        *ignored = QString::fromLocal8Bit(kavrisLang);
    // "en", "en-US", "en_GB", "zh-Hans-CN": the language is the part before the first separator.
    for (const QString &entry : uiLanguages) {
        const QString language =
            entry.section(QLatin1Char('-'), 0, 0).section(QLatin1Char('_'), 0, 0).toLower();
        if (language == QLatin1String("en"))
            return English;
        if (language == QLatin1String("zh"))
            return Chinese;
    }
    return Chinese;
}

UiLanguage::Language UiLanguage::install(const char *program)
{
    uninstall();
    QString ignored;
    Language language = choose(qgetenv("KAVRIS_LANG"), QLocale::system().uiLanguages(), &ignored);
    if (language == English) {
        registerCatalogues();
        auto *translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(QStringLiteral(":/translations/kavris_en.qm")) &&
            QCoreApplication::installTranslator(translator)) {
            installed = translator;
        } else {
            delete translator;
            std::fprintf(stderr, "%s: the English texts cannot be loaded\n", program);
            language = Chinese;
        }
    }
    if (!ignored.isEmpty())
        std::fprintf(stderr, "%s: %s\n", program,
                     QCoreApplication::translate("UiLanguage",
                                                 "KAVRIS_LANG=%1 is ignored: it takes en or zh")
                         .arg(ignored)
                         .toUtf8()
                         .constData());
    return language;
}

UiLanguage::Language UiLanguage::current()
{
    return installed ? English : Chinese;
}

void UiLanguage::uninstall()
{
    if (!installed)
        return;
    QCoreApplication::removeTranslator(installed);
    delete installed;
}
