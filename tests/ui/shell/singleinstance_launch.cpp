#include "ui/shell/SingleInstance.h"

#include <QCoreApplication>

// A second launch in its own process: exits 0 when it became the running
// instance, 3 when it handed over to one.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    SingleInstance instance(arguments.value(1));
    const auto launch = arguments.contains(u"--background"_qs) ? SingleInstance::Launch::Background
                                                               : SingleInstance::Launch::Reopen;
    return instance.claim(launch) ? 0 : 3;
}
