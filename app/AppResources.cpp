#include "AppResources.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <QtGlobal>

// Q_INIT_RESOURCE must not be used inside a namespace.
static void registerResources()
{
    Q_INIT_RESOURCE(resources);
}

void initAppResources()
{
    static const bool registered = (registerResources(), true);
    Q_UNUSED(registered);
}

void installQtTranslations(QCoreApplication *application)
{
    auto *translator = new QTranslator(application);
    if (translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::location(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}
