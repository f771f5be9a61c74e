#include "app/frmmain.h"
#include "app/projectcontroller.h"
#include "app/instancechannel.h"
#include "app/qtinteraction.h"
#include "app/startup.h"

#include <QApplication>
#include <QLockFile>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(kAppTitle);
    QCoreApplication::setApplicationName(kAppTitle);
    QCoreApplication::setApplicationVersion(kAppVersion);

    QtInteraction ui;
    const QString socketName = instanceSocketName(defaultInstanceLockPath());
    const QStringList arguments = QCoreApplication::arguments();
    const std::unique_ptr<InstanceLock> instance =
        claimSingleInstance(ui, QString(), [&] { return handToRunningInstance(socketName, arguments); });
    if (!instance) return 0;

    frmMain window;
    // Files of later starts ("brinewick LOG" from a file manager) come to this window.
    InstanceServer server(socketName, [&window](const QStringList &handed) { window.openHandedOver(handed); });
    if (instance->isGuarding()) server.listen();
    window.show();
    // Decisions left unsaved by a run that did not close are offered back before anything opens.
    window.project().offerRecovery();
    openFromArguments(window, arguments);
    return app.exec();
}
