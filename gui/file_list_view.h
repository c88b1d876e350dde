#pragma once

#include <functional>

#include <QStringList>
#include <QTableView>

namespace trimora::gui {

// The list view lvFiles: a report of the files, several rows selectable.
// Files and folders dragged from a file manager are accepted (copy or link);
// a drag that started in the list itself is not. Dragging selected rows out
// offers their files to copy.
class TFileListView : public QTableView {
    Q_OBJECT
public:
    explicit TFileListView(QWidget* parent = nullptr);

    // Local files of a drag, or none when it offers no local file or comes
    // from this view.
    QStringList DroppedFiles(const QDropEvent* event) const;

signals:
    void FilesDropped(const QStringList& paths);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
};

// Local files named by a drag's URLs, in order.
QStringList LocalFilesOf(const QMimeData* mime);

// Accepts a drag of files with the copy effect, or the link effect when
// copying is not offered; answers whether it did.
bool AcceptFileDrag(QDropEvent* event);

}  // namespace trimora::gui
