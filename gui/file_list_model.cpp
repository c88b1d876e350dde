#include "file_list_model.h"

#include <algorithm>

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QMimeData>
#include <QRegularExpression>
#include <QUrl>

#include "file_list.h"
#include "icon_loader.h"

namespace trimora::gui {

namespace {

const char* const Headers[TFileListModel::ColumnCount] = {"Filename", "Path", "Size", "Modified", "Status"};

QString FromPath(const std::string& text) { return QFile::decodeName(QByteArray::fromStdString(text)); }

// The locale's long time without its time zone ("HH:mm:ss"): the column
// shows the time of the file as the user's clock read it.
QString LongTimeFormat(const QLocale& locale) {
    QString format = locale.timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b"));
    format.remove(zone);
    return format.trimmed();
}

}  // namespace

TFileListModel::TFileListModel(TFileList& list, QObject* parent) : QAbstractTableModel(parent), list_(list) {
    loader_ = std::make_unique<TUpdateList>([this](std::uint64_t entryId, const TIconNames& names) {
        // On the loader's thread: the answer goes to the window's thread.
        QMetaObject::invokeMethod(this, [this, entryId, names] { IconFound(entryId, names); }, Qt::QueuedConnection);
    });
}

TFileListModel::~TFileListModel() {
    // The thread ends before anything it might post to goes.
    loader_.reset();
}

int TFileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(list_.EntryList.size());
}

int TFileListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QString TFileListModel::SizeText(std::int64_t size) {
    static const std::string separator = QLocale().groupSeparator().toStdString();
    return QString::fromStdString(TFileList::SizeText(size, separator));
}

QString TFileListModel::ModifiedText(std::int64_t modified) {
    static const QLocale locale;
    static const QString dateFormat = locale.dateFormat(QLocale::ShortFormat);
    static const QString timeFormat = LongTimeFormat(locale);
    const QDateTime time = QDateTime::fromSecsSinceEpoch(modified);
    // The time is left out at exactly midnight.
    if (time.time() == QTime(0, 0)) return locale.toString(time.date(), dateFormat);
    return locale.toString(time.date(), dateFormat) + QLatin1Char(' ') + locale.toString(time.time(), timeFormat);
}

QVariant TFileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || list_.Deleting || index.row() >= rowCount()) return {};
    const TFileEntry& entry = list_.EntryList[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            switch (index.column()) {
                case ColumnFilename: return FromPath(entry.Name);
                case ColumnPath: return FromPath(entry.Folder);
                case ColumnSize: return SizeText(entry.Size);
                case ColumnModified: return ModifiedText(entry.Modified);
                case ColumnStatus: return QString::fromUtf8(StatusText(entry.Status));
                default: return {};
            }
        case Qt::DecorationRole:
            if (index.column() != ColumnFilename) return {};
            if (entry.IconIndex < 0 && !iconAsked_.contains(entry.Id)) {
                iconAsked_.insert(entry.Id);
                loader_->Add(entry.Id, FromPath(entry.Name));
            }
            return icons_.At(entry.IconIndex < 0 ? 0 : entry.IconIndex);
        case Qt::TextAlignmentRole:
            if (index.column() == ColumnSize) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        case Qt::ToolTipRole:
            if (index.column() == ColumnFilename) return FromPath(entry.Path());
            if (index.column() == ColumnStatus) return failureDetails_.value(entry.Id);
            return {};
        default: return {};
    }
}

QVariant TFileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount) return {};
    if (role == Qt::DisplayRole) return QString::fromLatin1(Headers[section]);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(section == ColumnSize ? Qt::AlignRight | Qt::AlignVCenter
                                                         : Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags TFileListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
}

QStringList TFileListModel::mimeTypes() const { return {QStringLiteral("text/uri-list")}; }

QStringList TFileListModel::PathsOfRows(const std::vector<int>& rows) const {
    std::vector<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    QStringList paths;
    for (int row : sorted)
        if (row >= 0 && row < rowCount()) paths << FromPath(list_.EntryList[static_cast<std::size_t>(row)].Path());
    return paths;
}

QMimeData* TFileListModel::mimeData(const QModelIndexList& indexes) const {
    std::vector<int> rows;
    for (const QModelIndex& index : indexes) rows.push_back(index.row());
    QList<QUrl> urls;
    for (const QString& path : PathsOfRows(rows)) urls << QUrl::fromLocalFile(path);
    if (urls.isEmpty()) return nullptr;
    auto* mime = new QMimeData;
    mime->setUrls(urls);
    return mime;
}

Qt::DropActions TFileListModel::supportedDragActions() const { return Qt::CopyAction; }

void TFileListModel::RowsAboutToBeInserted(std::size_t first, std::size_t last) {
    beginInsertRows({}, static_cast<int>(first), static_cast<int>(last));
}

void TFileListModel::RowsInserted() { endInsertRows(); }

void TFileListModel::RowsAboutToBeRemoved(std::size_t first, std::size_t last) {
    beginRemoveRows({}, static_cast<int>(first), static_cast<int>(last));
}

void TFileListModel::RowsRemoved() {
    endRemoveRows();
    if (list_.EntryList.empty()) {
        loader_->Clear();
        iconAsked_.clear();
        failureDetails_.clear();
    }
}

void TFileListModel::LayoutAboutToChange() {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TFileListModel::LayoutChanged(const std::vector<std::size_t>& newRowOfOld) {
    // Every index the view keeps (selection, current row) moves with its row.
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from) {
        const auto old = static_cast<std::size_t>(index.row());
        to << (old < newRowOfOld.size() ? createIndex(static_cast<int>(newRowOfOld[old]), index.column())
                                        : QModelIndex());
    }
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TFileListModel::RedrawRows(std::size_t first, std::size_t last) {
    const int count = rowCount();
    if (count == 0 || first >= static_cast<std::size_t>(count)) return;
    last = std::min(last, static_cast<std::size_t>(count - 1));
    emit dataChanged(index(static_cast<int>(first), 0), index(static_cast<int>(last), ColumnCount - 1));
}

void TFileListModel::RedrawAll() {
    if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

void TFileListModel::SetFailureDetail(std::uint64_t entryId, const QString& detail) {
    if (detail.isEmpty())
        failureDetails_.remove(entryId);
    else
        failureDetails_.insert(entryId, detail);
}

void TFileListModel::IconFound(std::uint64_t entryId, const TIconNames& names) {
    iconAsked_.remove(entryId);
    const std::size_t row = list_.RowOf(entryId);
    if (row == TFileList::NoRow || list_.Deleting) return;
    TFileEntry& entry = list_.EntryList[row];
    if (entry.IconIndex >= 0) return;
    entry.IconIndex = icons_.IndexOf(names);
    const QModelIndex cell = index(static_cast<int>(row), ColumnFilename);
    emit dataChanged(cell, cell, {Qt::DecorationRole});
}

}  // namespace trimora::gui
