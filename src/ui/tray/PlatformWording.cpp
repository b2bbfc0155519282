#include "ui/tray/PlatformWording.h"

#include "common/LogCategories.h"

#include <QCoreApplication>
#include <QTranslator>

bool installPlatformWording(QCoreApplication& application) {
#ifdef Q_OS_MACOS
    Q_UNUSED(application);
    return false;
#else
    Q_INIT_RESOURCE(linux_wording);
    auto* catalogue = new QTranslator(&application);
    if (!catalogue->load(QStringLiteral(":/vendrilo/wording/linux-wording.qm")) ||
        !QCoreApplication::installTranslator(catalogue)) {
        qCWarning(lcUi) << "The Linux wording catalogue could not be loaded; showing the source texts";
        delete catalogue;
        return false;
    }
    return true;
#endif
}
