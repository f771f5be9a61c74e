// Logs dropped on the window open as File > Open does with those paths (several together).
#include "app/frmmain.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

static QStringList droppedFiles(const QMimeData *mime) {
    QStringList files;
    if (!mime || !mime->hasUrls()) return files;
    for (const QUrl &url : mime->urls()) {
        if (!url.isLocalFile()) return {};
        files << url.toLocalFile();
    }
    return files;
}

void frmMain::dragEnterEvent(QDragEnterEvent *event) {
    if (!droppedFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent *event) {
    const QStringList paths = droppedFiles(event->mimeData());
    if (paths.isEmpty()) return;
    event->acceptProposedAction();
    openDroppedPaths(paths);
}
