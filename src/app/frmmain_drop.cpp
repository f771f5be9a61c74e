// A log dropped on the window opens as File > Open does with that path.
#include "app/frmmain.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

static QString droppedFile(const QMimeData *mime) {
    if (!mime || !mime->hasUrls() || mime->urls().size() != 1) return {};
    const QUrl url = mime->urls().first();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

void frmMain::dragEnterEvent(QDragEnterEvent *event) {
    if (!droppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent *event) {
    const QString path = droppedFile(event->mimeData());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    openDroppedPath(path);
}
