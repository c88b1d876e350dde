#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include <QAbstractTableModel>
#include <QHash>
#include <QSet>
#include <QString>

#include "file_icons.h"

namespace trimora {
class TFileList;
}

namespace trimora::gui {

class TUpdateList;

// The file list as the list view shows it: a thin model over the batch
// layer's list. It holds no rows of its own; every change of the list is
// announced to it (Rows..., Layout...) and it passes each on to the view
// with its range, so that the view never resets and a selection survives
// a sort. Icons are found lazily by TUpdateList for the rows the view
// paints.
class TFileListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TFileListModel(TFileList& list, QObject* parent = nullptr);
    ~TFileListModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Dragging rows out offers their files, in list order.
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;

    // The announcements of the list, in the order it makes them.
    void RowsAboutToBeInserted(std::size_t first, std::size_t last);
    void RowsInserted();
    void RowsAboutToBeRemoved(std::size_t first, std::size_t last);
    void RowsRemoved();
    void LayoutAboutToChange();
    void LayoutChanged(const std::vector<std::size_t>& newRowOfOld);
    void RedrawRows(std::size_t first, std::size_t last);
    void RedrawAll();

    // Why an entry's last operation failed, shown as the Status cell's tip.
    void SetFailureDetail(std::uint64_t entryId, const QString& detail);

    // The files of the rows, in list order.
    QStringList PathsOfRows(const std::vector<int>& rows) const;

    TUpdateList& IconLoader() const { return *loader_; }
    TFileIcons& Icons() { return icons_; }

    // The texts of the Size and Modified columns as this locale writes them.
    static QString SizeText(std::int64_t size);
    static QString ModifiedText(std::int64_t modified);

    static constexpr int ColumnCount = 5;

private:
    void IconFound(std::uint64_t entryId, const TIconNames& names);

    TFileList& list_;
    mutable TFileIcons icons_;
    mutable QSet<std::uint64_t> iconAsked_;
    QHash<std::uint64_t, QString> failureDetails_;
    std::unique_ptr<TUpdateList> loader_;
};

}  // namespace trimora::gui
