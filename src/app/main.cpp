#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>

#include "model/interaction.h"

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(kAppTitle);
    QCoreApplication::setApplicationName(kAppTitle);
    QCoreApplication::setApplicationVersion(kAppVersion);

    QMainWindow w;
    w.setWindowTitle(kAppTitle);
    QMenu *file = w.menuBar()->addMenu(QStringLiteral("File"));
    file->addAction(QStringLiteral("Open"));
    file->addAction(QStringLiteral("Print"))->setEnabled(false);
    file->addAction(QStringLiteral("Exit"), &w, &QWidget::close);
    w.menuBar()->addAction(QStringLiteral("About"));
    w.resize(640, 480);
    w.show();
    return app.exec();
}
