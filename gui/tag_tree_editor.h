#pragma once

#include <cstdint>

#include <QString>
#include <QWidget>

#include "default_rules.h"
#include "tag_tree.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace trimora::gui {

class TDialogs;

// The record each item of the rule-tree view owns: a node's fields without
// its children, which the view's own item hierarchy carries.
struct TagNodeData {
    NameString Name;
    NameString ReplaceWith;
    std::uint32_t Flags = 0;
    PatternString Pattern;
};

// A deep copy of a rule tree.
TTagInfo CopyRuleTree(const TTagInfo& formats);

// The "Individual Tags" page of the options dialog: the rule-tree editor.
// It holds a rule tree (Formats) apart from the one any compression reads,
// shows it in its tree view and edits it there. An item's level gives its
// role: 0 a file format (its text the pattern list), 1 a tag (its name), 2
// and deeper a sub tag (its pattern). The panel below the view shows the
// selected item's settings and is written back into its record when the
// selection leaves it; ApplyTree rebuilds Formats from the view.
class TTagTreeEditor : public QWidget {
    Q_OBJECT
public:
    TTagTreeEditor(TTagInfo formats, TDialogs& dialogs, QWidget* parent = nullptr);
    ~TTagTreeEditor() override;

    TTagInfo Formats;
    // The view while it shows the tree (from ShowInTree to ClearTree).
    QTreeWidget* TreeView = nullptr;
    // The page's own view, the one the dialog hands to ShowInTree.
    QTreeWidget* TagView() const { return TagView_; }

    // These do nothing while no view is set; the add operations and
    // DeleteSelected also need a selected item, except AddFileFormat on an
    // empty view.
    void ShowInTree(QTreeWidget* view);
    void ClearTree();
    void ApplyTree();
    void AddFileFormat(const QString& text);
    void AddTag(const QString& text);
    void AddSubTag(const QString& text);
    void DeleteSelected();
    // Refills the view with a built-in rule set in place of what it shows;
    // like any edit it reaches the rules only through ApplyTree.
    void LoadBuiltInRules(BuiltInSet set);

    // The selected item's record. Reads of an item without a record give an
    // empty text or 0; writes to it do nothing.
    QString SelectedName() const;
    QString SelectedReplaceWith() const;
    std::uint32_t SelectedFlags() const;
    static std::uint32_t Flags(const QTreeWidgetItem* item);
    void SetSelectedName(const QString& name);
    void SetSelectedReplaceWith(const QString& replaceWith);
    void SetSelectedFlags(std::uint32_t flags);
    void SetSelectedPattern(const QString& pattern);

    static TagNodeData* Record(QTreeWidgetItem* item);
    static const TagNodeData* Record(const QTreeWidgetItem* item);
    static int Level(const QTreeWidgetItem* item);

    // Dragging the selected item onto target: allowed when target is not
    // compressed as script or style and the selected item is not a format.
    bool CanDropOn(const QTreeWidgetItem* target) const;
    // Makes the selected item the last child of target, unless target is the
    // item itself or lies below it. Neither leaves nor shows an item.
    void DropOn(QTreeWidgetItem* target);

    QMenu* ContextMenu() const { return pmTagView; }
    // The enabling of the context menu, computed each time it opens.
    void UpdateContextMenu();

private:
    void BuildPanel();
    void BuildContextMenu();
    void TagViewChange(QTreeWidgetItem* current);
    void TagViewContextPopup(const QPoint& position);
    // The selection moved to item: the panel goes into the record of the
    // item it showed, then shows item.
    void MoveShownTo(QTreeWidgetItem* item);
    void SelectItem(QTreeWidgetItem* item);
    void LeaveItem(QTreeWidgetItem* item);
    void ShowItem(QTreeWidgetItem* item);
    void UpdateDependentControls();
    void ExpandAllClick(bool expand);

    TDialogs& dialogs_;
    QTreeWidget* TagView_;
    QTreeWidgetItem* shownItem_ = nullptr;
    bool suppressChange_ = false;

    QGroupBox* gbTag;
    QCheckBox* cbRemPreWhiteChar;
    QCheckBox* cbRemTag;
    QCheckBox* cbReplaceTag;
    QLineEdit* edReplaceTag;
    QGroupBox* gbTagContent;
    QRadioButton* rbNormal;
    QRadioButton* rbDoNotTouch;
    QRadioButton* rbRemContents;
    QRadioButton* rbScript;
    QRadioButton* rbStyle;
    QRadioButton* rbVBScript;
    QCheckBox* cbKeepLicense;
    QCheckBox* cbStyleComments;
    QGroupBox* gbContent;
    QRadioButton* rbNormal0;
    QRadioButton* rbScript0;
    QRadioButton* rbStyle0;
    QRadioButton* rbVBScript0;
    QCheckBox* cbRemQuotes;
    QCheckBox* cbDontRemComments;
    QCheckBox* cbKeepLicense0;
    QCheckBox* cbStyleComments0;
    QLabel* lbMaxLen;
    QLineEdit* edMaxLen;

    QMenu* pmTagView;
    QAction* AddFile1;
    QAction* AddTag1;
    QAction* AddSubTag1;
    QAction* Delete1;
    QAction* ExpandAll1;
    QAction* CollapseAll1;
    QMenu* mnLoadBuiltIn;
};

}  // namespace trimora::gui
