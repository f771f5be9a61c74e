#include "app/tablecopy.h"

#include <QAbstractItemModel>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QTableView>
#include <algorithm>

QString rowsAsText(const QAbstractItemModel &model, const QList<int> &rows) {
    const int columns = model.columnCount();
    QStringList lines;
    lines.reserve(rows.size() + 1);
    QStringList cells;
    for (int c = 0; c < columns; ++c) cells << model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    lines << cells.join(u'\t');
    for (int r : rows) {
        cells.clear();
        for (int c = 0; c < columns; ++c) cells << model.data(model.index(r, c), Qt::DisplayRole).toString();
        lines << cells.join(u'\t');
    }
    return lines.join(u'\n') + u'\n';
}

namespace {
class TableKeys : public QObject {
public:
    explicit TableKeys(QTableView *view) : QObject(view), m_view(view) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched != m_view || event->type() != QEvent::KeyPress) return false;
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::Copy)) {
            copySelection();
            return true;
        }
        if (key->matches(QKeySequence::MoveToEndOfDocument)) {
            // The view's own Ctrl+End also goes to the last column, taking the times out of view.
            const QAbstractItemModel *model = m_view->model();
            if (model->rowCount() == 0) return true;
            const QModelIndex last = model->index(model->rowCount() - 1, 0);
            m_view->setCurrentIndex(last);
            m_view->scrollTo(last);
            return true;
        }
        return false;
    }

private:
    void copySelection() {
        QList<int> rows;
        for (const QModelIndex &i : m_view->selectionModel()->selectedRows()) rows << i.row();
        if (rows.isEmpty() && m_view->currentIndex().isValid()) rows << m_view->currentIndex().row();
        if (rows.isEmpty()) return;
        std::sort(rows.begin(), rows.end());
        QGuiApplication::clipboard()->setText(rowsAsText(*m_view->model(), rows));
    }
    QTableView *m_view;
};
}  // namespace

void addTableKeys(QTableView *view) { view->installEventFilter(new TableKeys(view)); }
