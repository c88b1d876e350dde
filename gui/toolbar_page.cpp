#include "toolbar_page.h"

#include <QAction>
#include <QDrag>
#include <QDragMoveEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>

#include "commands.h"
#include "gui_resources.h"
#include "widget_text.h"

namespace trimora::gui {

namespace {

constexpr char EntryMimeType[] = "application/x-trimora-toolbar-entry";
constexpr int RowHeight = 20;
const QString Separator = QStringLiteral("-");

bool IsSeparator(const QListWidgetItem* entry) { return entry->text() == Separator; }

// Entries drawn by hand: "-" as a bump along the band, a command as its
// icon and its caption without access-key markers.
class TToolbarItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QRect row = option.rect;
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        const QPalette& palette = option.palette;
        painter->fillRect(row, selected ? palette.highlight() : palette.base());
        const QString text = index.data(Qt::DisplayRole).toString();
        if (text == Separator) {
            const int left = row.left() + 20, right = row.right() - 5;
            painter->setPen(palette.color(QPalette::Light));
            painter->drawLine(left, row.top() + 9, right, row.top() + 9);
            painter->setPen(palette.color(QPalette::Dark));
            painter->drawLine(left, row.top() + 10, right, row.top() + 10);
            return;
        }
        const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
        if (!icon.isNull()) icon.paint(painter, QRect(row.left() + 2, row.top() + 2, 16, 16));
        painter->setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(QRect(row.left() + 20, row.top() + 2, row.width() - 20, row.height() - 2),
                          Qt::AlignLeft | Qt::AlignTop, StripAccelerators(text));
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), RowHeight};
    }
};

// One of the two lists: a drag carries the list it came from; the page
// decides what may be dropped where and shows the insertion mark.
class TToolbarList : public QListWidget {
public:
    TToolbarList(TToolbarPage& page, QWidget* parent) : QListWidget(parent), page_(page) {
        setItemDelegate(new TToolbarItemDelegate(this));
        setUniformItemSizes(true);
        setSelectionMode(QAbstractItemView::SingleSelection);
        setDragEnabled(true);
        setAcceptDrops(true);
        setDropIndicatorShown(false);
        setDragDropMode(QAbstractItemView::DragDrop);
    }

protected:
    void startDrag(Qt::DropActions) override {
        if (currentItem() == nullptr) return;
        auto* mime = new QMimeData;
        mime->setData(QLatin1String(EntryMimeType), objectName().toUtf8());
        auto* drag = new QDrag(this);
        drag->setMimeData(mime);
        // The drop moves the entry itself; nothing is left for the list to remove.
        drag->exec(Qt::MoveAction);
    }
    void dragEnterEvent(QDragEnterEvent* event) override { DragOver(event); }
    void dragMoveEvent(QDragMoveEvent* event) override { DragOver(event); }
    void dragLeaveEvent(QDragLeaveEvent*) override { SetMark(-1, false); }
    void dropEvent(QDropEvent* event) override {
        SetMark(-1, false);
        QListWidget* source = Source(event);
        if (source == nullptr || !page_.CanDrop(source, this)) {
            event->ignore();
            return;
        }
        page_.Drop(source, this, event->position().toPoint());
        event->acceptProposedAction();
    }
    void paintEvent(QPaintEvent* event) override {
        QListWidget::paintEvent(event);
        if (markRow_ < 0 || markRow_ >= count()) return;
        const QRect row = visualItemRect(item(markRow_));
        const int y = markAfter_ ? row.bottom() : row.top();
        QPainter painter(viewport());
        painter.setPen(QPen(palette().color(QPalette::Text), 2));
        painter.drawLine(row.left() + 2, y, row.right() - 2, y);
    }

private:
    QListWidget* Source(const QDropEvent* event) const {
        if (!event->mimeData()->hasFormat(QLatin1String(EntryMimeType))) return nullptr;
        const QString name = QString::fromUtf8(event->mimeData()->data(QLatin1String(EntryMimeType)));
        return page_.findChild<QListWidget*>(name);
    }
    void DragOver(QDragMoveEvent* event) {
        QListWidget* source = Source(event);
        if (source == nullptr || !page_.CanDrop(source, this)) {
            SetMark(-1, false);
            event->ignore();
            return;
        }
        bool after = false;
        const int row = page_.MarkRow(source, this, event->position().toPoint(), &after);
        SetMark(row, after);
        event->acceptProposedAction();
    }
    void SetMark(int row, bool after) {
        if (row == markRow_ && after == markAfter_) return;
        markRow_ = row;
        markAfter_ = after;
        viewport()->update();
    }

    TToolbarPage& page_;
    int markRow_ = -1;
    bool markAfter_ = false;
};

QPushButton* PictureButton(const char* name, const char* caption, QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setIcon(BundledIcon(QLatin1String(name)));
    button->setToolTip(QLatin1String(caption));
    button->setAccessibleName(QLatin1String(caption));
    button->setAutoDefault(false);
    return button;
}

}  // namespace

TToolbarPage::TToolbarPage(const TCommands& commands, QWidget* parent) : QWidget(parent), commands_(commands) {
    lbAvail = new QLabel(QStringLiteral("&Available Toolbar Buttons:"), this);
    lbCur = new QLabel(QStringLiteral("&Current Toolbar Buttons:"), this);
    lbAvailItems = new TToolbarList(*this, this);
    lbAvailItems->setObjectName(QStringLiteral("lbAvailItems"));
    SetAccessibleCaption(lbAvailItems, lbAvail->text());
    lbAvail->setBuddy(lbAvailItems);
    lbCurItems = new TToolbarList(*this, this);
    lbCurItems->setObjectName(QStringLiteral("lbCurItems"));
    SetAccessibleCaption(lbCurItems, lbCur->text());
    lbCur->setBuddy(lbCurItems);

    btnAdd = PictureButton("btnAdd", "Add", this);
    btnRemove = PictureButton("btnRemove", "Remove", this);
    btnUp = PictureButton("btnUp", "Up", this);
    btnDown = PictureButton("btnDown", "Down", this);
    connect(btnAdd, &QPushButton::clicked, this, &TToolbarPage::btnAddClick);
    connect(btnRemove, &QPushButton::clicked, this, &TToolbarPage::btnRemoveClick);
    connect(btnUp, &QPushButton::clicked, this, &TToolbarPage::btnUpClick);
    connect(btnDown, &QPushButton::clicked, this, &TToolbarPage::btnDownClick);
}

QListWidgetItem* TToolbarPage::EntryFor(const QString& name) const {
    auto* entry = new QListWidgetItem;
    if (const QAction* action = commands_.FindActionByName(name)) {
        entry->setText(action->text());
        entry->setIcon(action->icon());
        entry->setData(Qt::UserRole, name);
    } else {
        entry->setText(Separator);
    }
    return entry;
}

void TToolbarPage::InsertSorted(QListWidgetItem* entry) {
    const QString key = StripAccelerators(entry->text());
    int at = 0;
    while (at < lbAvailItems->count() &&
           QString::compare(StripAccelerators(lbAvailItems->item(at)->text()), key, Qt::CaseInsensitive) <= 0)
        ++at;
    lbAvailItems->insertItem(at, entry);
}

void TToolbarPage::Fill(const QStringList& toolbarButtons) {
    lbAvailItems->clear();
    lbCurItems->clear();
    lbAvailItems->addItem(EntryFor(QString()));
    for (const QString& name : toolbarButtons) lbCurItems->addItem(EntryFor(name));
    for (const QString& name : commands_.Names())
        if (!toolbarButtons.contains(name)) InsertSorted(EntryFor(name));
}

QStringList TToolbarPage::Buttons() const {
    QStringList buttons;
    for (int i = 0; i < lbCurItems->count(); ++i) buttons << lbCurItems->item(i)->data(Qt::UserRole).toString();
    return buttons;
}

bool TToolbarPage::CanDrop(const QListWidget* source, const QListWidget* target) const {
    const bool ours = (source == lbAvailItems || source == lbCurItems) &&
                      (target == lbAvailItems || target == lbCurItems);
    return ours && source->currentItem() != nullptr && (source == lbCurItems || source != target);
}

int TToolbarPage::MarkRow(const QListWidget* source, const QListWidget* target, const QPoint& position,
                          bool* markAfter) const {
    const QListWidgetItem* under = target->itemAt(position);
    *markAfter = false;
    if (under == nullptr) return -1;
    const int row = target->row(under);
    *markAfter = source == target && row > source->currentRow();
    return row;
}

void TToolbarPage::Drop(QListWidget* source, QListWidget* target, const QPoint& position) {
    if (!CanDrop(source, target)) return;
    QListWidgetItem* under = target->itemAt(position);
    if (source == target) {
        const int from = source->currentRow();
        if (under == nullptr || target->row(under) == from) return;
        const int to = target->row(under);
        source->insertItem(to, source->takeItem(from));
        source->setCurrentRow(to);
        return;
    }
    QListWidgetItem* entry = source->currentItem();
    const bool separator = IsSeparator(entry);
    if (target == lbCurItems) {
        const int at = under != nullptr ? target->row(under) : target->count();
        target->insertItem(at, entry->clone());
        target->setCurrentRow(at);
    } else if (!separator) {
        InsertSorted(entry->clone());
    }
    // The separator of the available list stays there for the next drag.
    if (!(separator && source == lbAvailItems)) delete source->takeItem(source->row(entry));
}

void TToolbarPage::btnAddClick() {
    if (QListWidgetItem* entry = lbAvailItems->currentItem())
        lbCurItems->addItem(lbAvailItems->takeItem(lbAvailItems->row(entry)));
}

void TToolbarPage::btnRemoveClick() {
    if (QListWidgetItem* entry = lbCurItems->currentItem()) InsertSorted(lbCurItems->takeItem(lbCurItems->row(entry)));
}

void TToolbarPage::btnUpClick() {
    const int row = lbCurItems->currentRow();
    if (row < 1) return;
    lbCurItems->insertItem(row - 1, lbCurItems->takeItem(row));
    lbCurItems->setCurrentRow(row - 1);
}

void TToolbarPage::btnDownClick() {
    const int row = lbCurItems->currentRow();
    if (row < 0 || row >= lbCurItems->count() - 1) return;
    lbCurItems->insertItem(row + 1, lbCurItems->takeItem(row));
    lbCurItems->setCurrentRow(row + 1);
}

void TToolbarPage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int half = width() / 2;
    const int listWidth = half - 30;
    const int listHeight = height() - 50;
    const int curLeft = half + 15;
    constexpr int left = 8, labelTop = 6, listTop = 26, buttonSize = 26;
    // The captions may run on over the buttons' column and to the edge: the
    // lists' width is too narrow for them in most fonts.
    lbAvail->setGeometry(left, labelTop, curLeft - 4 - left, 18);
    lbAvailItems->setGeometry(left, listTop, listWidth, listHeight);
    lbCur->setGeometry(curLeft, labelTop, width() - curLeft - 2, 18);
    lbCurItems->setGeometry(curLeft, listTop, listWidth, listHeight);
    int top = listTop;
    for (QPushButton* button : {btnAdd, btnRemove, btnUp, btnDown}) {
        button->setGeometry(curLeft - 5 - buttonSize, top, buttonSize, buttonSize);
        top += buttonSize + 4;
    }
}

}  // namespace trimora::gui
