#include "app/frmmain.h"
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
    const std::unique_ptr<InstanceLock> instance = claimSingleInstance(ui);
    if (!instance) return 0;

    frmMain window;
    window.show();
    openFromArguments(window, QCoreApplication::arguments());
    return app.exec();
}
