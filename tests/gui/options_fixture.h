#pragma once

#include <memory>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QDragMoveEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <QtTest>

#include "app_paths.h"
#include "commands.h"
#include "default_rules.h"
#include "gui_test_support.h"
#include "isolated_home.h"
#include "options_dialog.h"
#include "restore_defaults.h"
#include "settings_store.h"
#include "tag_tree_editor.h"
#include "toolbar_page.h"
#include "trimora.h"

namespace trimora::test {

// What the main window gives the options dialog, in a fresh home whose
// tag-settings file holds the built-in rules; the engine reads it as the
// program does.
struct OptionsFixture {
    IsolatedHome Home;
    app::SettingsStore Store;
    app::TrimoraSettings Settings;
    gui::TCommands Commands;
    QToolBar Toolbar;
    ScriptedDialogs Dialogs;
    gui::TOptionsContext Context{Settings, Store, Commands, Toolbar, Dialogs,
                                 app::LstAssociation::ForProgram(QStringLiteral("/opt/trimora/bin/trimora"))};
    std::unique_ptr<TTrimora> Engine;
    std::unique_ptr<gui::TfmOptions> Dialog;

    OptionsFixture() {
        QDir().mkpath(app::DataFolder());
        const auto bytes = DefaultRuleBytes();
        WriteBytes(TagSettingsFile(), std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
        Engine = std::make_unique<TTrimora>(TagSettingsFile());
        // Room for the tag page's panels, as a first start gives the dialog.
        Store.Settings().setValue("OptionsForm/Width", 360);
        Store.Settings().setValue("OptionsForm/Height", 520);
        gui::FillToolbar(Toolbar, app::DefaultToolbarButtons(), Commands);
    }

    static std::string TagSettingsFile() { return app::TagSettingsPath().toStdString(); }

    // Opens the dialog over the engine's rules, shown so that items have places.
    gui::TfmOptions& Open(int page = 0) {
        Dialog = std::make_unique<gui::TfmOptions>(Context, Engine->Formats());
        Dialog->show();
        // Keys reach a focused control only in the active window.
        Dialog->activateWindow();
        if (!QTest::qWaitForWindowActive(Dialog.get())) qWarning("the options dialog did not become active");
        Tabs()->setCurrentIndex(page);
        return *Dialog;
    }
    // Closes it the way the main window would after OK: the edited tree
    // becomes the engine's and is written to its file.
    void PressOk() {
        QTest::mouseClick(Button("btOK"), Qt::LeftButton);
        QCOMPARE(Dialog->result(), int(QDialog::Accepted));
        auto rules = Dialog->TakeEditedRules();
        QVERIFY(rules.has_value());
        TRuleTree edited;
        edited.Formats = std::move(*rules);
        Engine->SetRules(std::move(edited));
        QVERIFY(Engine->SaveSettings().Ok);
        Dialog.reset();
    }

    QTabWidget* Tabs() const { return Child<QTabWidget>(Dialog.get(), "PageControl1"); }
    QAbstractButton* Button(const char* name) const { return Child<QAbstractButton>(Dialog.get(), name); }
    QLineEdit* Edit(const char* name) const { return Child<QLineEdit>(Dialog.get(), name); }
    gui::TTagTreeEditor* Editor() const { return Dialog->TagEditor(); }
    QTreeWidget* Tree() const { return Editor()->TagView(); }

    // The item at the path of texts from its format down, or nullptr.
    QTreeWidgetItem* Item(const QStringList& path) const {
        QTreeWidgetItem* found = nullptr;
        for (const QString& text : path) {
            const int count = found != nullptr ? found->childCount() : Tree()->topLevelItemCount();
            QTreeWidgetItem* next = nullptr;
            for (int i = 0; i < count && next == nullptr; ++i) {
                QTreeWidgetItem* candidate = found != nullptr ? found->child(i) : Tree()->topLevelItem(i);
                if (candidate->text(0) == text) next = candidate;
            }
            if (next == nullptr) return nullptr;
            found = next;
        }
        return found;
    }
    // Selects an item as a user does: a click on it.
    void Click(QTreeWidgetItem* item, Qt::MouseButton button = Qt::LeftButton) const {
        QVERIFY(item != nullptr);
        Tree()->scrollToItem(item);
        QTest::mouseClick(Tree()->viewport(), button, {}, Tree()->visualItemRect(item).center());
    }
    void Click(const QStringList& path) const { Click(Item(path)); }
    // Types a new text into the item being edited in place and ends the edit.
    void TypeIntoEditor(const QString& text) const {
        QPointer<QLineEdit> editor = Tree()->viewport()->findChild<QLineEdit*>();
        QVERIFY(editor != nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        // The view takes the text over once the editor has seen the key.
        QTRY_VERIFY(editor.isNull() || !editor->isVisible());
        QCoreApplication::processEvents();
    }
};

// Sends a drag that carries the given format onto a widget's viewport at a
// point and drops it there when accepted; answers whether it was accepted.
inline bool DragOnto(QAbstractScrollArea* view, const QString& format, const QByteArray& data, const QPoint& at) {
    QMimeData mime;
    mime.setData(format, data);
    QDragEnterEvent enter(at, Qt::MoveAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(view->viewport(), &enter);
    QDragMoveEvent move(at, Qt::MoveAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(view->viewport(), &move);
    if (!move.isAccepted()) {
        QDragLeaveEvent leave;
        QApplication::sendEvent(view->viewport(), &leave);
        return false;
    }
    QDropEvent drop(QPointF(at), Qt::MoveAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(view->viewport(), &drop);
    return drop.isAccepted();
}

}  // namespace trimora::test
