#pragma once

#include <QStringList>
#include <QWidget>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace trimora::gui {

class TCommands;

// The "Toolbar" page of the options dialog: the commands not on the main
// toolbar (lbAvailItems, sorted, with the separator "-" always there) and the
// toolbar's items in order (lbCurItems). Entries move between the lists with
// the buttons or by dragging; "-" can be dragged onto the toolbar any number
// of times.
class TToolbarPage : public QWidget {
    Q_OBJECT
public:
    TToolbarPage(const TCommands& commands, QWidget* parent = nullptr);

    // Fills both lists from the toolbar's buttons (command names, "" for a
    // separator).
    void Fill(const QStringList& toolbarButtons);
    // lbCurItems as toolbar buttons.
    QStringList Buttons() const;

    QListWidget* AvailItems() const { return lbAvailItems; }
    QListWidget* CurItems() const { return lbCurItems; }

    // Whether an entry dragged from source may be dropped on target.
    bool CanDrop(const QListWidget* source, const QListWidget* target) const;
    // The entry the insertion mark stands before (or after, when markAfter is
    // set) while dragging over target at position; -1 for none.
    int MarkRow(const QListWidget* source, const QListWidget* target, const QPoint& position, bool* markAfter) const;
    void Drop(QListWidget* source, QListWidget* target, const QPoint& position);

    void btnAddClick();
    void btnRemoveClick();
    void btnUpClick();
    void btnDownClick();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QListWidgetItem* EntryFor(const QString& name) const;
    void InsertSorted(QListWidgetItem* entry);

    const TCommands& commands_;
    QLabel* lbAvail;
    QLabel* lbCur;
    QListWidget* lbAvailItems;
    QListWidget* lbCurItems;
    QPushButton* btnAdd;
    QPushButton* btnRemove;
    QPushButton* btnUp;
    QPushButton* btnDown;
};

}  // namespace trimora::gui
