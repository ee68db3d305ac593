#include "common/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

#include "shell/Log.h"

namespace aulira::app {

namespace {

struct Translators {
    std::unique_ptr<QTranslator> own;
    std::unique_ptr<QTranslator> qt;
};

Translators& installed()
{
    static Translators t;
    return t;
}

void remove(std::unique_ptr<QTranslator>& t)
{
    if (t)
        QCoreApplication::removeTranslator(t.get());
    t.reset();
}

} // namespace

Language systemLanguage()
{
    for (const QString& name : QLocale::system().uiLanguages())
        if (auto l = parseLanguage(name.toStdString()))
            return *l;
    return Language::English;
}

bool applyLanguage(Language language)
{
    setLanguage(language);
    auto& t = installed();
    remove(t.own);
    remove(t.qt);
    if (language == Language::English)
        return true;
    const QString code = QString::fromLatin1(languageCode(language));
    t.own = std::make_unique<QTranslator>();
    if (!t.own->load(QStringLiteral(":/i18n/auct_") + code)) {
        OutputLog("The translations for %s could not be loaded; the texts stay English", languageCode(language));
        t.own.reset();
        setLanguage(Language::English);
        return false;
    }
    QCoreApplication::installTranslator(t.own.get());
    // Qt's own texts (standard buttons, file dialogs) come from its package;
    // without it they stay English, which is no reason to refuse the rest.
    t.qt = std::make_unique<QTranslator>();
    if (t.qt->load(QStringLiteral("qtbase_") + code, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(t.qt.get());
    else
        t.qt.reset();
    return true;
}

} // namespace aulira::app
