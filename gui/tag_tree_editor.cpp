#include "tag_tree_editor.h"

#include <tuple>
#include <utility>
#include <vector>

#include <QCheckBox>
#include <QDrag>
#include <QDragMoveEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "default_rules.h"
#include "dialogs.h"
#include "widget_text.h"

namespace trimora::gui {

namespace {

constexpr char ItemMimeType[] = "application/x-trimora-tag-item";
constexpr std::uint32_t ScriptOrStyle = tfJavaScript | tfStyleSheet | tfVBScript;  // 0x130

// A view item that owns its record.
class TTagItem : public QTreeWidgetItem {
public:
    static constexpr int Type = QTreeWidgetItem::UserType + 1;
    explicit TTagItem(const TagNodeData& data) : QTreeWidgetItem(Type), Data(data) {
        setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemIsDragEnabled |
                 Qt::ItemIsDropEnabled);
    }
    TagNodeData Data;
};

TagNodeData RecordOf(const TagRule& node) { return {node.Name, node.ReplaceWith, node.Flags, node.Pattern}; }

// A record for a new item: Name is the text cut to 10, Pattern the text.
TagNodeData NewRecord(const QString& text) {
    TagNodeData data;
    data.Name = ToBytes(text);
    data.Pattern = ToBytes(text);
    return data;
}

QString NormalizedText(const QString& text) { return FromBytes(NormalizeTagName(ToBytes(text)).View()); }

// Every item below item, item first.
std::vector<QTreeWidgetItem*> Subtree(QTreeWidgetItem* item) {
    std::vector<QTreeWidgetItem*> items{item};
    for (std::size_t i = 0; i < items.size(); ++i)
        for (int child = 0; child < items[i]->childCount(); ++child) items.push_back(items[i]->child(child));
    return items;
}

// In-place renaming: a tag's new name is taken in its canonical form.
class TTagNameDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        auto* edit = qobject_cast<QLineEdit*>(editor);
        if (edit == nullptr) return QStyledItemDelegate::setModelData(editor, model, index);
        int level = 0;
        for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent()) ++level;
        model->setData(index, level == 1 ? NormalizedText(edit->text()) : edit->text());
    }
};

// The tree view: any mouse button selects the item under the pointer, and
// dragging moves the selected item under the rules of the editor.
class TTagView : public QTreeWidget {
public:
    TTagView(TTagTreeEditor& editor, QWidget* parent) : QTreeWidget(parent), editor_(editor) {
        setHeaderHidden(true);
        setColumnCount(1);
        setSelectionMode(QAbstractItemView::SingleSelection);
        setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
        setDragEnabled(true);
        setAcceptDrops(true);
        setDropIndicatorShown(false);
        setDragDropMode(QAbstractItemView::DragDrop);
        setContextMenuPolicy(Qt::CustomContextMenu);
        setItemDelegate(new TTagNameDelegate(this));
    }

protected:
    // The left button selects as usual (a click on the selected item renames
    // it); the others only select.
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) return QTreeWidget::mousePressEvent(event);
        if (QTreeWidgetItem* item = itemAt(event->position().toPoint())) setCurrentItem(item);
        event->accept();
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) return QTreeWidget::mouseReleaseEvent(event);
        event->accept();
    }
    void startDrag(Qt::DropActions) override {
        if (currentItem() == nullptr) return;
        auto* mime = new QMimeData;
        mime->setData(QLatin1String(ItemMimeType), QByteArray());
        auto* drag = new QDrag(this);
        drag->setMimeData(mime);
        // The drop moves the item itself; nothing is left for the view to remove.
        drag->exec(Qt::MoveAction);
    }
    void dragEnterEvent(QDragEnterEvent* event) override {
        if (event->mimeData()->hasFormat(QLatin1String(ItemMimeType)))
            event->acceptProposedAction();
        else
            event->ignore();
    }
    void dragMoveEvent(QDragMoveEvent* event) override {
        if (event->mimeData()->hasFormat(QLatin1String(ItemMimeType)) &&
            editor_.CanDropOn(itemAt(event->position().toPoint())))
            event->acceptProposedAction();
        else
            event->ignore();
    }
    void dropEvent(QDropEvent* event) override {
        QTreeWidgetItem* target = itemAt(event->position().toPoint());
        if (!event->mimeData()->hasFormat(QLatin1String(ItemMimeType)) || !editor_.CanDropOn(target)) {
            event->ignore();
            return;
        }
        editor_.DropOn(target);
        event->acceptProposedAction();
    }

private:
    TTagTreeEditor& editor_;
};

}  // namespace

TTagInfo CopyRuleTree(const TTagInfo& formats) {
    TTagInfo copy;
    std::vector<std::pair<const TTagInfo*, TTagInfo*>> pending{{&formats, &copy}};
    while (!pending.empty()) {
        const auto [from, to] = pending.back();
        pending.pop_back();
        to->Reserve(from->Size());
        for (std::size_t i = 0; i < from->Size(); ++i) {
            TagProp& node = to->Add(static_cast<const TagRule&>((*from)[i]));
            pending.emplace_back(&(*from)[i].Children, &node.Children);
        }
    }
    return copy;
}

TTagTreeEditor::TTagTreeEditor(TTagInfo formats, TDialogs& dialogs, QWidget* parent)
    : QWidget(parent), Formats(std::move(formats)), dialogs_(dialogs) {
    TagView_ = new TTagView(*this, this);
    TagView_->setObjectName(QStringLiteral("TagView"));
    SetAccessibleCaption(TagView_, QStringLiteral("Tags"));
    connect(TagView_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { TagViewChange(current); });
    connect(TagView_, &QTreeWidget::customContextMenuRequested, this, &TTagTreeEditor::TagViewContextPopup);
    BuildPanel();
    BuildContextMenu();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(TagView_, 1);
    layout->addWidget(gbTag);
    layout->addWidget(gbTagContent);
    layout->addWidget(gbContent);
    gbContent->hide();
}

TTagTreeEditor::~TTagTreeEditor() { ClearTree(); }

void TTagTreeEditor::BuildPanel() {
    auto check = [](QWidget* parent, const char* name, const char* caption) {
        return MakeControl<QCheckBox>(parent, name, QString::fromUtf8(caption));
    };
    auto radio = [](QWidget* parent, const char* name, const char* caption) {
        return MakeControl<QRadioButton>(parent, name, QString::fromUtf8(caption));
    };

    gbTag = MakeControl<QGroupBox>(this, "gbTag", QStringLiteral("Tag "));
    cbRemPreWhiteChar = check(gbTag, "cbRemPreWhiteChar", "Remove Preceding Whitespace");
    cbRemTag = check(gbTag, "cbRemTag", "Remove Tag");
    cbReplaceTag = check(gbTag, "cbReplaceTag", "Replace Tag");
    edReplaceTag = new QLineEdit(gbTag);
    edReplaceTag->setObjectName(QStringLiteral("edReplaceTag"));
    edReplaceTag->setMaxLength(10);
    SetAccessibleCaption(edReplaceTag, QStringLiteral("Replace Tag with"));
    auto* tagLayout = new QGridLayout(gbTag);
    tagLayout->addWidget(cbRemPreWhiteChar, 0, 0, 1, 2);
    tagLayout->addWidget(cbRemTag, 1, 0, 1, 2);
    tagLayout->addWidget(cbReplaceTag, 2, 0);
    tagLayout->addWidget(edReplaceTag, 2, 1);
    tagLayout->setColumnStretch(1, 1);

    gbTagContent = MakeControl<QGroupBox>(this, "gbTagContent", QStringLiteral(" Tag Content "));
    rbNormal = radio(gbTagContent, "rbNormal", "Normal Compress");
    rbDoNotTouch = radio(gbTagContent, "rbDoNotTouch", "Do Not Compress");
    rbRemContents = radio(gbTagContent, "rbRemContents", "Remove");
    rbScript = radio(gbTagContent, "rbScript", "JavaScript Compress");
    rbStyle = radio(gbTagContent, "rbStyle", "StyleSheet Compress");
    rbVBScript = radio(gbTagContent, "rbVBScript", "VBScript Compress");
    auto* contentLayout = new QGridLayout(gbTagContent);
    contentLayout->addWidget(rbNormal, 0, 0);
    contentLayout->addWidget(rbDoNotTouch, 0, 1);
    contentLayout->addWidget(rbRemContents, 1, 0);
    contentLayout->addWidget(rbScript, 1, 1);
    contentLayout->addWidget(rbStyle, 2, 0);
    contentLayout->addWidget(rbVBScript, 2, 1);
    cbKeepLicense = check(gbTagContent, "cbKeepLicense", "Keep /*! licence comments");
    cbStyleComments = check(gbTagContent, "cbStyleComments", "Remove style-sheet comments");
    // Long captions: a row each, across both columns.
    contentLayout->addWidget(cbKeepLicense, 3, 0, 1, 2);
    contentLayout->addWidget(cbStyleComments, 4, 0, 1, 2);

    gbContent = MakeControl<QGroupBox>(this, "gbContent", QStringLiteral(" Content "));
    rbNormal0 = radio(gbContent, "rbNormal0", "Normal Compress");
    rbScript0 = radio(gbContent, "rbScript0", "JavaScript Compress");
    rbStyle0 = radio(gbContent, "rbStyle0", "StyleSheet Compress");
    rbVBScript0 = radio(gbContent, "rbVBScript0", "VBScript Compress");
    cbRemQuotes = check(gbContent, "cbRemQuotes", "Remove Quotes");
    cbDontRemComments = check(gbContent, "cbDontRemComments", "Do not remove comments");
    cbKeepLicense0 = check(gbContent, "cbKeepLicense0", "Keep /*! licence comments");
    cbStyleComments0 = check(gbContent, "cbStyleComments0", "Remove style-sheet comments");
    lbMaxLen = MakeControl<QLabel>(gbContent, "lbMaxLen", QStringLiteral("Maximum Length:"));
    edMaxLen = new QLineEdit(gbContent);
    edMaxLen->setObjectName(QStringLiteral("edMaxLen"));
    edMaxLen->setMaxLength(5);
    SetAccessibleCaption(edMaxLen, lbMaxLen->text());
    lbMaxLen->setBuddy(edMaxLen);
    auto* maxLength = new QHBoxLayout;
    maxLength->addWidget(lbMaxLen);
    maxLength->addWidget(edMaxLen);
    maxLength->addStretch();
    auto* formatLayout = new QGridLayout(gbContent);
    formatLayout->addWidget(rbNormal0, 0, 0);
    formatLayout->addWidget(rbScript0, 0, 1);
    formatLayout->addWidget(rbStyle0, 1, 0);
    formatLayout->addWidget(rbVBScript0, 1, 1);
    formatLayout->addWidget(cbRemQuotes, 2, 0);
    formatLayout->addWidget(cbDontRemComments, 2, 1);
    formatLayout->addWidget(cbKeepLicense0, 3, 0, 1, 2);
    formatLayout->addWidget(cbStyleComments0, 4, 0, 1, 2);
    formatLayout->addLayout(maxLength, 5, 0, 1, 2);

    connect(cbReplaceTag, &QCheckBox::toggled, this, &TTagTreeEditor::UpdateDependentControls);
    for (QRadioButton* mode : {rbNormal0, rbScript0, rbStyle0, rbVBScript0, rbNormal, rbDoNotTouch, rbRemContents,
                               rbScript, rbStyle, rbVBScript})
        connect(mode, &QRadioButton::toggled, this, &TTagTreeEditor::UpdateDependentControls);
    UpdateDependentControls();
}

void TTagTreeEditor::BuildContextMenu() {
    pmTagView = new QMenu(this);
    pmTagView->setObjectName(QStringLiteral("pmTagView"));
    auto item = [this](const char* name, const char* caption, QKeySequence shortcut) {
        auto* action = pmTagView->addAction(QString::fromUtf8(caption));
        action->setObjectName(QLatin1String(name));
        action->setShortcut(shortcut);
        // The keys act while the tree has the focus, not while an item's
        // text is being edited.
        action->setShortcutContext(Qt::WidgetShortcut);
        TagView_->addAction(action);
        return action;
    };
    AddFile1 = item("AddFile1", "Add File Format", QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_A));
    AddTag1 = item("AddTag1", "Add Tag", QKeySequence(Qt::CTRL | Qt::Key_A));
    AddSubTag1 = item("AddSubTag1", "Add SubTag", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_A));
    pmTagView->addSeparator();
    Delete1 = item("Delete1", "Delete", QKeySequence(Qt::Key_Delete));
    pmTagView->addSeparator();
    ExpandAll1 = item("ExpandAll1", "Expand All", QKeySequence());
    CollapseAll1 = item("CollapseAll1", "Collapse All", QKeySequence());
    pmTagView->addSeparator();
    mnLoadBuiltIn = pmTagView->addMenu(QStringLiteral("Load Built-in Rules"));
    mnLoadBuiltIn->setObjectName(QStringLiteral("mnLoadBuiltIn"));
    mnLoadBuiltIn->menuAction()->setObjectName(QStringLiteral("LoadBuiltIn1"));
    for (const auto& [name, caption, set] : {std::tuple{"LoadClassic1", "Classic", BuiltInSet::Classic},
                                             std::tuple{"LoadModern1", "Modern", BuiltInSet::Modern}}) {
        QAction* load = mnLoadBuiltIn->addAction(QString::fromUtf8(caption));
        load->setObjectName(QLatin1String(name));
        connect(load, &QAction::triggered, this, [this, set = set] { LoadBuiltInRules(set); });
    }
    connect(AddFile1, &QAction::triggered, this, [this] { AddFileFormat(QString()); });
    connect(AddTag1, &QAction::triggered, this, [this] { AddTag(QString()); });
    connect(AddSubTag1, &QAction::triggered, this, [this] { AddSubTag(QString()); });
    connect(Delete1, &QAction::triggered, this, &TTagTreeEditor::DeleteSelected);
    connect(ExpandAll1, &QAction::triggered, this, [this] { ExpandAllClick(true); });
    connect(CollapseAll1, &QAction::triggered, this, [this] { ExpandAllClick(false); });
}

void TTagTreeEditor::UpdateDependentControls() {
    edReplaceTag->setEnabled(cbReplaceTag->isChecked());
    const bool normal = rbNormal0->isChecked();
    for (QWidget* control : std::initializer_list<QWidget*>{cbRemQuotes, lbMaxLen, edMaxLen, cbDontRemComments})
        control->setEnabled(normal);
    // Licence comments are those of scripts and style sheets; comments are
    // removed from style sheets only.
    cbKeepLicense0->setEnabled(rbScript0->isChecked() || rbStyle0->isChecked());
    cbStyleComments0->setEnabled(rbStyle0->isChecked());
    cbKeepLicense->setEnabled(rbScript->isChecked() || rbStyle->isChecked());
    cbStyleComments->setEnabled(rbStyle->isChecked());
}

TagNodeData* TTagTreeEditor::Record(QTreeWidgetItem* item) {
    return item != nullptr && item->type() == TTagItem::Type ? &static_cast<TTagItem*>(item)->Data : nullptr;
}

const TagNodeData* TTagTreeEditor::Record(const QTreeWidgetItem* item) {
    return item != nullptr && item->type() == TTagItem::Type ? &static_cast<const TTagItem*>(item)->Data : nullptr;
}

int TTagTreeEditor::Level(const QTreeWidgetItem* item) {
    int level = 0;
    for (const QTreeWidgetItem* parent = item->parent(); parent != nullptr; parent = parent->parent()) ++level;
    return level;
}

std::uint32_t TTagTreeEditor::Flags(const QTreeWidgetItem* item) {
    const TagNodeData* record = Record(item);
    return record != nullptr ? record->Flags : 0;
}

void TTagTreeEditor::ShowInTree(QTreeWidget* view) {
    ClearTree();
    if (view == nullptr) return;
    TreeView = view;
    TreeView->setUpdatesEnabled(false);
    suppressChange_ = true;
    // Each node's item is made, then its children's under it.
    std::vector<std::pair<const TTagInfo*, QTreeWidgetItem*>> pending{{&Formats, nullptr}};
    while (!pending.empty()) {
        const auto [nodes, parent] = pending.back();
        pending.pop_back();
        for (std::size_t i = 0; i < nodes->Size(); ++i) {
            const TagProp& node = (*nodes)[i];
            auto* item = new TTagItem(RecordOf(node));
            if (parent != nullptr)
                parent->addChild(item);
            else
                TreeView->addTopLevelItem(item);
            item->setText(0, FromBytes(Level(item) == 1 ? node.Name.View() : node.Pattern.View()));
            pending.emplace_back(&node.Children, item);
        }
    }
    suppressChange_ = false;
    TreeView->expandAll();
    TreeView->scrollToTop();
    SelectItem(TreeView->topLevelItem(0));
    TreeView->setUpdatesEnabled(true);
}

void TTagTreeEditor::ClearTree() {
    if (TreeView == nullptr) return;
    suppressChange_ = true;
    shownItem_ = nullptr;
    TreeView->clear();
    suppressChange_ = false;
    TreeView = nullptr;
}

void TTagTreeEditor::ApplyTree() {
    if (TreeView == nullptr) return;
    if (shownItem_ != nullptr) LeaveItem(shownItem_);
    SelectItem(TreeView->topLevelItem(0));
    FreeTags(Formats);
    std::vector<std::pair<QTreeWidgetItem*, TTagInfo*>> pending;
    for (int i = TreeView->topLevelItemCount(); i-- > 0;) pending.emplace_back(TreeView->topLevelItem(i), &Formats);
    // Pre-order, each item's children in view order under the node just made.
    while (!pending.empty()) {
        const auto [item, list] = pending.back();
        pending.pop_back();
        const TagNodeData empty{};
        const TagNodeData& record = Record(item) != nullptr ? *Record(item) : empty;
        const int level = Level(item);
        TagRule fields;
        // A tag's or sub tag's name follows its text even when the item was
        // renamed and never left (a sub tag added under a selected item).
        const NameString name = level == 0 ? record.Name : NameString(ToBytes(item->text(0)));
        fields.Name = NormalizeTagName(name.View()).View();
        fields.ReplaceWith = record.ReplaceWith;
        fields.Flags = record.Flags;
        fields.Pattern = level == 1 ? record.Pattern : PatternString(ToBytes(item->text(0)));
        fields.ChildCount = static_cast<std::uint16_t>(std::min(item->childCount(), 0xFFFF));
        TagProp& node = list->Add(fields);
        for (int child = item->childCount(); child-- > 0;) pending.emplace_back(item->child(child), &node.Children);
    }
    // Lookups search a format's tags by name.
    for (std::size_t f = 0; f < Formats.Size(); ++f) {
        TTagInfo& tags = Formats[f].Children;
        if (!tags.Empty()) SortTags(tags, 0, static_cast<std::ptrdiff_t>(tags.Size()) - 1);
    }
}

void TTagTreeEditor::TagViewChange(QTreeWidgetItem* current) {
    if (!suppressChange_) MoveShownTo(current);
}

void TTagTreeEditor::MoveShownTo(QTreeWidgetItem* item) {
    if (item == shownItem_) return;
    if (shownItem_ != nullptr) LeaveItem(shownItem_);
    shownItem_ = item;
    if (item != nullptr) ShowItem(item);
}

void TTagTreeEditor::SelectItem(QTreeWidgetItem* item) {
    if (TreeView == nullptr) return;
    if (item != nullptr) TreeView->setCurrentItem(item);
    MoveShownTo(TreeView->currentItem());
}

void TTagTreeEditor::LeaveItem(QTreeWidgetItem* item) {
    TagNodeData* record = Record(item);
    if (record == nullptr) return;
    const int level = Level(item);
    std::uint32_t flags = 0;
    if (level >= 1) {
        record->Name = ToBytes(item->text(0));
        record->ReplaceWith = ToBytes(edReplaceTag->text());
        const std::pair<const QAbstractButton*, std::uint32_t> bits[] = {
            {cbRemPreWhiteChar, tfRemoveWhitespace}, {cbRemTag, tfRemoveTag},  {cbReplaceTag, tfReplaceTag},
            {rbDoNotTouch, tfDoNotCompress},         {rbRemContents, tfRemoveContent}, {rbScript, tfJavaScript},
            {rbStyle, tfStyleSheet},                 {rbVBScript, tfVBScript},
            {cbKeepLicense, tfKeepLicense},          {cbStyleComments, tfStyleComments}};
        for (const auto& [control, bit] : bits)
            if (control->isChecked()) flags |= bit;
        if (level >= 2) record->Pattern = ToBytes(item->text(0));
    } else {
        const std::pair<const QAbstractButton*, std::uint32_t> bits[] = {
            {rbScript0, tfJavaScript},     {rbStyle0, tfStyleSheet},          {rbVBScript0, tfVBScript},
            {cbRemQuotes, tfRemoveQuotes}, {cbDontRemComments, tfKeepComments},
            {cbKeepLicense0, tfKeepLicense}, {cbStyleComments0, tfStyleComments}};
        for (const auto& [control, bit] : bits)
            if (control->isChecked()) flags |= bit;
        record->Pattern = ToBytes(item->text(0));
        record->Name = ToBytes(edMaxLen->text());
    }
    // Bits the panel does not show are dropped.
    record->Flags = flags;
}

void TTagTreeEditor::ShowItem(QTreeWidgetItem* item) {
    const TagNodeData empty{};
    const TagNodeData& record = Record(item) != nullptr ? *Record(item) : empty;
    const std::uint32_t flags = record.Flags;
    const bool format = Level(item) == 0;
    gbContent->setVisible(format);
    gbTag->setVisible(!format);
    gbTagContent->setVisible(!format);
    if (!format) {
        edReplaceTag->setText(FromBytes(record.ReplaceWith.View()));
        cbReplaceTag->setChecked((flags & tfReplaceTag) != 0);
        cbRemTag->setChecked((flags & tfRemoveTag) != 0);
        cbRemPreWhiteChar->setChecked((flags & tfRemoveWhitespace) != 0);
        QRadioButton* mode = (flags & tfJavaScript)        ? rbScript
                             : (flags & tfStyleSheet)      ? rbStyle
                             : (flags & tfVBScript)        ? rbVBScript
                             : (flags & tfRemoveContent)   ? rbRemContents
                             : !(flags & tfDoNotCompress) ? rbNormal
                                                           : rbDoNotTouch;
        mode->setChecked(true);
        cbKeepLicense->setChecked((flags & tfKeepLicense) != 0);
        cbStyleComments->setChecked((flags & tfStyleComments) != 0);
    } else {
        cbRemQuotes->setChecked((flags & tfRemoveQuotes) != 0);
        QRadioButton* mode = (flags & tfJavaScript)    ? rbScript0
                             : (flags & tfStyleSheet)  ? rbStyle0
                             : !(flags & tfVBScript)   ? rbNormal0
                                                       : rbVBScript0;
        mode->setChecked(true);
        cbDontRemComments->setChecked((flags & tfKeepComments) != 0);
        cbKeepLicense0->setChecked((flags & tfKeepLicense) != 0);
        cbStyleComments0->setChecked((flags & tfStyleComments) != 0);
        edMaxLen->setText(QString::number(ReadMaxLength(record.Name.View())));
    }
}

void TTagTreeEditor::AddFileFormat(const QString& text) {
    // An empty tree has nothing to select, and a first format has to start it.
    if (TreeView == nullptr || (TreeView->currentItem() == nullptr && TreeView->topLevelItemCount() != 0)) return;
    auto* item = new TTagItem(NewRecord(text));
    item->setText(0, text);
    TreeView->addTopLevelItem(item);
    SelectItem(item);
    TreeView->setFocus();
    if (text.isEmpty()) TreeView->editItem(item);
}

void TTagTreeEditor::AddTag(const QString& text) {
    if (TreeView == nullptr || TreeView->currentItem() == nullptr) return;
    const TagNodeData record = NewRecord(text);
    // Up to the format, one selection change at a time.
    while (QTreeWidgetItem* parent = TreeView->currentItem()->parent()) SelectItem(parent);
    auto* item = new TTagItem(record);
    item->setText(0, NormalizedText(text));
    TreeView->currentItem()->addChild(item);
    SelectItem(item);
    TreeView->setFocus();
    if (text.isEmpty()) TreeView->editItem(item);
}

void TTagTreeEditor::AddSubTag(const QString& text) {
    if (TreeView == nullptr || TreeView->currentItem() == nullptr) return;
    QTreeWidgetItem* parent = TreeView->currentItem();
    auto* item = new TTagItem(NewRecord(text));
    item->setText(0, text);
    parent->addChild(item);
    parent->setExpanded(true);
    if (text.isEmpty()) TreeView->editItem(item);
}

void TTagTreeEditor::DeleteSelected() {
    if (TreeView == nullptr || TreeView->currentItem() == nullptr) return;
    QTreeWidgetItem* item = TreeView->currentItem();
    if (item->childCount() > 10 &&
        dialogs_.Message(this, QMessageBox::Question, QStringLiteral("Confirm Delete"),
                         QStringLiteral("This item contains a lot subitems. Are you absolutely sure you want to "
                                        "delete this item?"),
                         QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    QTreeWidgetItem* parent = item->parent();
    const int index = parent != nullptr ? parent->indexOfChild(item) : TreeView->indexOfTopLevelItem(item);
    const int siblings = parent != nullptr ? parent->childCount() : TreeView->topLevelItemCount();
    auto sibling = [&](int at) { return parent != nullptr ? parent->child(at) : TreeView->topLevelItem(at); };
    QTreeWidgetItem* next = index > 0 ? sibling(index - 1) : index + 1 < siblings ? sibling(index + 1) : parent;
    // The item's panel goes with it; nothing is written into a record on the way.
    suppressChange_ = true;
    shownItem_ = nullptr;
    delete item;
    suppressChange_ = false;
    if (next != nullptr) SelectItem(next);
}

QString TTagTreeEditor::SelectedName() const {
    const TagNodeData* record = TreeView != nullptr ? Record(TreeView->currentItem()) : nullptr;
    return record != nullptr ? FromBytes(record->Name.View()) : QString();
}

QString TTagTreeEditor::SelectedReplaceWith() const {
    const TagNodeData* record = TreeView != nullptr ? Record(TreeView->currentItem()) : nullptr;
    return record != nullptr ? FromBytes(record->ReplaceWith.View()) : QString();
}

std::uint32_t TTagTreeEditor::SelectedFlags() const {
    return TreeView != nullptr ? Flags(TreeView->currentItem()) : 0;
}

void TTagTreeEditor::SetSelectedName(const QString& name) {
    if (TagNodeData* record = TreeView != nullptr ? Record(TreeView->currentItem()) : nullptr)
        record->Name = ToBytes(name);
}

void TTagTreeEditor::SetSelectedReplaceWith(const QString& replaceWith) {
    if (TagNodeData* record = TreeView != nullptr ? Record(TreeView->currentItem()) : nullptr)
        record->ReplaceWith = ToBytes(replaceWith);
}

void TTagTreeEditor::SetSelectedFlags(std::uint32_t flags) {
    if (TagNodeData* record = TreeView != nullptr ? Record(TreeView->currentItem()) : nullptr) record->Flags = flags;
}

void TTagTreeEditor::SetSelectedPattern(const QString& pattern) {
    if (TagNodeData* record = TreeView != nullptr ? Record(TreeView->currentItem()) : nullptr)
        record->Pattern = ToBytes(pattern);
}

bool TTagTreeEditor::CanDropOn(const QTreeWidgetItem* target) const {
    if (TreeView == nullptr || target == nullptr || (Flags(target) & ScriptOrStyle) != 0) return false;
    const QTreeWidgetItem* selected = TreeView->currentItem();
    return selected != nullptr && Level(selected) != 0;
}

void TTagTreeEditor::DropOn(QTreeWidgetItem* target) {
    if (!CanDropOn(target)) return;
    QTreeWidgetItem* item = TreeView->currentItem();
    for (const QTreeWidgetItem* above = target; above != nullptr; above = above->parent())
        if (above == item) return;
    // The view forgets what was expanded below an item it lets go of.
    std::vector<std::pair<QTreeWidgetItem*, bool>> expanded;
    for (QTreeWidgetItem* below : Subtree(item)) expanded.emplace_back(below, below->isExpanded());
    suppressChange_ = true;
    item->parent()->removeChild(item);
    target->addChild(item);
    for (const auto& [below, wasExpanded] : expanded) below->setExpanded(wasExpanded);
    target->setExpanded(true);
    TreeView->setCurrentItem(item);
    suppressChange_ = false;
}

void TTagTreeEditor::UpdateContextMenu() {
    QTreeWidgetItem* item = TreeView != nullptr ? TreeView->currentItem() : nullptr;
    if (item == nullptr) {
        ExpandAll1->setEnabled(false);
        CollapseAll1->setEnabled(false);
        return;
    }
    const bool children = item->childCount() > 0;
    ExpandAll1->setEnabled(children);
    CollapseAll1->setEnabled(children);
    if ((Flags(item) & ScriptOrStyle) != 0) {
        AddTag1->setEnabled(false);
        AddSubTag1->setEnabled(false);
    } else {
        AddTag1->setEnabled(true);
        AddSubTag1->setEnabled(Level(item) != 0);
    }
}

void TTagTreeEditor::TagViewContextPopup(const QPoint& position) {
    UpdateContextMenu();
    pmTagView->popup(TagView_->viewport()->mapToGlobal(position));
}

void TTagTreeEditor::LoadBuiltInRules(BuiltInSet set) {
    if (TreeView == nullptr) return;
    Formats = CopyRuleTree(BuiltInRules(set)->Formats);
    ShowInTree(TreeView);
}

void TTagTreeEditor::ExpandAllClick(bool expand) {
    if (TreeView == nullptr || TreeView->currentItem() == nullptr) return;
    for (QTreeWidgetItem* item : Subtree(TreeView->currentItem())) item->setExpanded(expand);
}

}  // namespace trimora::gui
