#include "file_list_view.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QUrl>

namespace trimora::gui {

QStringList LocalFilesOf(const QMimeData* mime) {
    QStringList files;
    if (mime == nullptr || !mime->hasUrls()) return files;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile()) files << url.toLocalFile();
    return files;
}

bool AcceptFileDrag(QDropEvent* event) {
    if (LocalFilesOf(event->mimeData()).isEmpty()) {
        event->ignore();
        return false;
    }
    if (event->possibleActions() & Qt::CopyAction)
        event->setDropAction(Qt::CopyAction);
    else if (event->possibleActions() & Qt::LinkAction)
        event->setDropAction(Qt::LinkAction);
    else {
        event->ignore();
        return false;
    }
    event->accept();
    return true;
}

TFileListView::TFileListView(QWidget* parent) : QTableView(parent) {
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::CopyAction);
    setDropIndicatorShown(false);
}

QStringList TFileListView::DroppedFiles(const QDropEvent* event) const {
    if (event->source() == this) return {};
    return LocalFilesOf(event->mimeData());
}

void TFileListView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->source() == this) {
        event->ignore();
        return;
    }
    AcceptFileDrag(event);
}

void TFileListView::dragMoveEvent(QDragMoveEvent* event) {
    if (event->source() == this) {
        event->ignore();
        return;
    }
    AcceptFileDrag(event);
}

void TFileListView::dragLeaveEvent(QDragLeaveEvent* event) { event->accept(); }

void TFileListView::dropEvent(QDropEvent* event) {
    const QStringList files = DroppedFiles(event);
    if (files.isEmpty() || !AcceptFileDrag(event)) {
        event->ignore();
        return;
    }
    emit FilesDropped(files);
}

void TFileListView::startDrag(Qt::DropActions /*supportedActions*/) {
    const QModelIndexList rows = selectionModel() != nullptr ? selectionModel()->selectedRows() : QModelIndexList();
    if (rows.isEmpty() || model() == nullptr) return;
    QMimeData* mime = model()->mimeData(rows);
    if (mime == nullptr) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

}  // namespace trimora::gui
