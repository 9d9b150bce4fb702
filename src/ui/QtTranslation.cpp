#include "QtTranslation.h"

#include "base/Logging.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace QtTranslation {

bool install(const QString &folder)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return false;
    const QString name = QString::fromLatin1(kCatalogue);
    if (app->findChild<QTranslator *>(name, Qt::FindDirectChildrenOnly))
        return true;
    const QString from = folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
    auto *translator = new QTranslator(app);
    translator->setObjectName(name);
    if (!translator->load(name, from) || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        qCDebug(lcFiles).noquote() << "Qt's texts:" << name << "not found in" << from << "- they stay in English";
        return false;
    }
    qCDebug(lcFiles).noquote() << "Qt's texts:" << translator->filePath();
    return true;
}

} // namespace QtTranslation
