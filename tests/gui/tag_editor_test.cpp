#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>

#include "options_fixture.h"

using namespace trimora;
using namespace trimora::gui;
using trimora::test::OptionsFixture;

// The rule-tree editor of the options dialog, on the built-in rules.
class TagEditorTest : public QObject {
    Q_OBJECT

private slots:
    void init() { fixture_ = std::make_unique<OptionsFixture>(); }
    void cleanup() { fixture_.reset(); }

    void openingShowsTheBuiltInRules();
    void selectingShowsEachItemsPanel_data();
    void selectingShowsEachItemsPanel();
    void dependentEnabling();
    void formatChangeIsStored();
    void renameInPlace();
    void deleteAsksOnlyAboveTenChildren();
    void deleteKeepsTheOthersSettings();
    void selectionAfterDelete_data();
    void selectionAfterDelete();
    void dropRules();
    void dropMovesWithEverythingBelow();
    void addTagOnASubTagAddsUnderItsFormat();
    void addSubTagKeepsTheSelection();
    void addedItemsReachTheFile();
    void contextMenuEnabling_data();
    void contextMenuEnabling();
    void shortcutsFollowTheLastOpening();
    void cancelLeavesEverything();
    void buildDropsEditsNotApplied();
    void saveAppliesWithoutWriting();
    void leavingDropsBitsThePanelDoesNotShow();
    void anEmptyTreeCanGetItsFirstFormat();

private:
    OptionsFixture& F() { return *fixture_; }
    template <typename T>
    T* Panel(const char* name) {
        return test::Child<T>(F().Dialog.get(), name);
    }
    std::unique_ptr<OptionsFixture> fixture_;
};

namespace {
const QString Html = QStringLiteral("*.html;*.htm");

QStringList Texts(const QTreeWidgetItem* parent, const QTreeWidget* tree = nullptr) {
    QStringList texts;
    const int count = parent != nullptr ? parent->childCount() : tree->topLevelItemCount();
    for (int i = 0; i < count; ++i) texts << (parent != nullptr ? parent->child(i) : tree->topLevelItem(i))->text(0);
    return texts;
}

std::string FileText(const std::string& path) { return test::ReadText(path); }
}  // namespace

void TagEditorTest::openingShowsTheBuiltInRules() {
    F().Open(1);
    QTreeWidget* tree = F().Tree();
    QCOMPARE(Texts(nullptr, tree), QStringList({"*.css", Html, "*.js", "*.vbs", "*.xml"}));
    QTreeWidgetItem* html = F().Item({Html});
    QCOMPARE(html->childCount(), 24);
    QCOMPARE(html->child(0)->text(0), QStringLiteral("!DOCTYPE"));
    QCOMPARE(Texts(F().Item({Html, "SCRIPT"})), QStringList({"*javascript*", "*vb*"}));
    QCOMPARE(F().Item({Html, "META"})->childCount(), 8);
    QCOMPARE(F().Item({Html, "META"})->child(0)->text(0), QStringLiteral("*author*"));
    for (QTreeWidgetItem* item : {html, F().Item({Html, "META"}), F().Item({Html, "SCRIPT"})}) QVERIFY(item->isExpanded());

    QCOMPARE(tree->currentItem(), tree->topLevelItem(0));
    QVERIFY(Panel<QGroupBox>("gbContent")->isVisible());
    QVERIFY(!Panel<QGroupBox>("gbTag")->isVisible());
    QVERIFY(!Panel<QGroupBox>("gbTagContent")->isVisible());
    QVERIFY(Panel<QRadioButton>("rbStyle0")->isChecked());
    for (const char* disabled : {"cbRemQuotes", "lbMaxLen", "edMaxLen", "cbDontRemComments"})
        QVERIFY2(!Panel<QWidget>(disabled)->isEnabled(), disabled);
}

void TagEditorTest::selectingShowsEachItemsPanel_data() {
    QTest::addColumn<QStringList>("path");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QStringList>("ticked");
    QTest::addColumn<QString>("replaceWith");
    QTest::newRow("SCRIPT") << QStringList{Html, "SCRIPT"} << "rbDoNotTouch" << QStringList{} << "";
    QTest::newRow("its *vb*") << QStringList{Html, "SCRIPT", "*vb*"} << "rbVBScript" << QStringList{} << "";
    QTest::newRow("its *javascript*") << QStringList{Html, "SCRIPT", "*javascript*"} << "rbScript" << QStringList{}
                                      << "";
    QTest::newRow("EM") << QStringList{Html, "EM"} << "rbNormal" << QStringList{"cbReplaceTag"} << "I";
    QTest::newRow("META") << QStringList{Html, "META"} << "rbNormal"
                          << QStringList{"cbRemTag", "cbRemPreWhiteChar"} << "";
    QTest::newRow("PRE") << QStringList{Html, "PRE"} << "rbDoNotTouch" << QStringList{"cbRemPreWhiteChar"} << "";
    QTest::newRow("STYLE") << QStringList{Html, "STYLE"} << "rbStyle" << QStringList{} << "";
    QTest::newRow("html format") << QStringList{Html} << "rbNormal0" << QStringList{"cbRemQuotes"} << "";
    QTest::newRow("*.vbs") << QStringList{"*.vbs"} << "rbVBScript0" << QStringList{} << "";
    QTest::newRow("*.xml") << QStringList{"*.xml"} << "rbNormal0" << QStringList{} << "";
}

void TagEditorTest::selectingShowsEachItemsPanel() {
    QFETCH(QStringList, path);
    QFETCH(QString, mode);
    QFETCH(QStringList, ticked);
    QFETCH(QString, replaceWith);
    F().Open(1);
    F().Click(path);
    QVERIFY(Panel<QRadioButton>(mode.toLatin1().constData())->isChecked());
    for (const char* box : {"cbRemPreWhiteChar", "cbRemTag", "cbReplaceTag", "cbRemQuotes", "cbDontRemComments"})
        QCOMPARE(Panel<QCheckBox>(box)->isChecked(), ticked.contains(QLatin1String(box)));
    const bool format = path.size() == 1;
    QCOMPARE(Panel<QGroupBox>("gbContent")->isVisible(), format);
    QCOMPARE(Panel<QGroupBox>("gbTagContent")->isVisible(), !format);
    if (!format) QCOMPARE(F().Edit("edReplaceTag")->text(), replaceWith);
    if (path == QStringList{"*.xml"}) QCOMPARE(F().Edit("edMaxLen")->text(), QStringLiteral("100"));
}

void TagEditorTest::dependentEnabling() {
    F().Open(1);
    F().Click({Html, "EM"});
    QVERIFY(F().Edit("edReplaceTag")->isEnabled());
    QTest::mouseClick(Panel<QCheckBox>("cbReplaceTag"), Qt::LeftButton, {}, QPoint(4, 8));
    QVERIFY(!F().Edit("edReplaceTag")->isEnabled());
    F().Click({Html, "BODY"});
    QVERIFY(!F().Edit("edReplaceTag")->isEnabled());
    F().Click({"*.js"});
    QVERIFY(!F().Edit("edMaxLen")->isEnabled());
    Panel<QRadioButton>("rbNormal0")->click();
    for (const char* enabled : {"cbRemQuotes", "lbMaxLen", "edMaxLen", "cbDontRemComments"})
        QVERIFY2(Panel<QWidget>(enabled)->isEnabled(), enabled);
}

void TagEditorTest::formatChangeIsStored() {
    F().Open(1);
    // The first format is selected: make it keep its comments and wrap at 80.
    Panel<QRadioButton>("rbNormal0")->click();
    Panel<QCheckBox>("cbDontRemComments")->click();
    F().Edit("edMaxLen")->setText(QStringLiteral("80"));
    F().PressOk();
    const TagProp& css = F().Engine->Formats()[0];
    QCOMPARE(css.Pattern.Str(), std::string("*.css"));
    QCOMPARE(css.Flags, tfKeepComments);
    QCOMPARE(css.Name.Str(), std::string("80"));
    TTrimora restarted(OptionsFixture::TagSettingsFile());
    QCOMPARE(restarted.Formats()[0].Flags, tfKeepComments);
    QCOMPARE(ReadMaxLength(restarted.Formats()[0].Name.View()), 80);
}

void TagEditorTest::renameInPlace() {
    F().Open(1);
    F().Click({Html, "CODE"});
    QTest::keyClick(F().Tree(), Qt::Key_F2);
    F().TypeIntoEditor(QStringLiteral("/em x"));
    QCOMPARE(F().Tree()->currentItem()->text(0), QStringLiteral("EM"));

    F().Click({Html, "META", "*author*"});
    QTest::keyClick(F().Tree(), Qt::Key_F2);
    F().TypeIntoEditor(QStringLiteral("*Creator x*"));
    QCOMPARE(F().Tree()->currentItem()->text(0), QStringLiteral("*Creator x*"));

    F().PressOk();
    const TagProp& meta = F().Engine->Formats()[1].Children[14];
    QCOMPARE(meta.Name.Str(), std::string("META"));
    QCOMPARE(meta.Children[0].Pattern.Str(), std::string("*Creator x*"));
    QCOMPARE(meta.Children[0].Name.Str(), std::string("*CREATOR"));
}

void TagEditorTest::deleteAsksOnlyAboveTenChildren() {
    F().Open(1);
    F().Click({Html});
    F().Dialogs.Answers.push_back(QMessageBox::No);
    QTest::keyClick(F().Tree(), Qt::Key_Delete);
    QCOMPARE(F().Dialogs.Messages.size(), size_t(1));
    const auto& question = F().Dialogs.Messages[0];
    QCOMPARE(question.Caption, QStringLiteral("Confirm Delete"));
    QCOMPARE(question.Text,
             QStringLiteral("This item contains a lot subitems. Are you absolutely sure you want to delete this item?"));
    QCOMPARE(question.Buttons, QMessageBox::Yes | QMessageBox::No);
    QVERIFY(F().Item({Html}) != nullptr);

    F().Click({Html, "META"});
    QTest::keyClick(F().Tree(), Qt::Key_Delete);
    QCOMPARE(F().Dialogs.Messages.size(), size_t(1));
    QVERIFY(F().Item({Html, "META"}) == nullptr);

    F().Click({Html});
    F().Dialogs.Answers.push_back(QMessageBox::Yes);
    QTest::keyClick(F().Tree(), Qt::Key_Delete);
    QVERIFY(F().Item({Html}) == nullptr);
    QCOMPARE(F().Tree()->currentItem()->text(0), QStringLiteral("*.css"));
}

void TagEditorTest::deleteKeepsTheOthersSettings() {
    F().Open(1);
    F().Click({Html, "META"});
    QTest::keyClick(F().Tree(), Qt::Key_Delete);
    // The previous sibling is selected now; nothing was written into the
    // records of the items after the deleted one.
    QCOMPARE(F().Tree()->currentItem()->text(0), QStringLiteral("LI"));
    F().PressOk();
    const TTagInfo& tags = F().Engine->Formats()[1].Children;
    QCOMPARE(tags.Size(), std::size_t(23));
    QCOMPARE(tags[14].Name.Str(), std::string("P"));
    QCOMPARE(tags[16].Name.Str(), std::string("SCRIPT"));
    QCOMPARE(tags[16].Flags, tfDoNotCompress);
    QCOMPARE(tags[16].Children[1].Flags, tfVBScript);
    QCOMPARE(tags[17].ReplaceWith.Str(), std::string("B"));
    QCOMPARE(tags[18].Flags, tfStyleSheet);
}

void TagEditorTest::selectionAfterDelete_data() {
    QTest::addColumn<QStringList>("deleted");
    QTest::addColumn<QStringList>("selected");
    QTest::newRow("first of several: the next") << QStringList{Html, "!DOCTYPE"} << QStringList{Html, "BODY"};
    QTest::newRow("another: the previous") << QStringList{Html, "SCRIPT", "*vb*"}
                                           << QStringList{Html, "SCRIPT", "*javascript*"};
    QTest::newRow("first format") << QStringList{"*.css"} << QStringList{Html};
    QTest::newRow("last format") << QStringList{"*.xml"} << QStringList{"*.vbs"};
}

void TagEditorTest::selectionAfterDelete() {
    QFETCH(QStringList, deleted);
    QFETCH(QStringList, selected);
    F().Open(1);
    F().Click(deleted);
    QTest::keyClick(F().Tree(), Qt::Key_Delete);
    QVERIFY(F().Item(deleted) == nullptr);
    QCOMPARE(F().Tree()->currentItem(), F().Item(selected));
}

void TagEditorTest::dropRules() {
    F().Open(1);
    const QString format = QStringLiteral("application/x-trimora-tag-item");
    auto dropOn = [&](const QStringList& target) {
        QTreeWidgetItem* item = F().Item(target);
        F().Tree()->scrollToItem(item);
        return test::DragOnto(F().Tree(), format, {}, F().Tree()->visualItemRect(item).center());
    };
    F().Click({Html, "BR"});
    QVERIFY(!dropOn({"*.css"}));
    QVERIFY(!dropOn({Html, "STYLE"}));
    QVERIFY(!dropOn({Html, "SCRIPT", "*vb*"}));
    QVERIFY(F().Item({Html, "BR"}) != nullptr);
    QVERIFY(dropOn({Html, "META"}));
    QVERIFY(F().Item({Html, "BR"}) == nullptr);
    QCOMPARE(F().Tree()->currentItem(), F().Item({Html, "META", "BR"}));

    // A format cannot be dragged at all.
    F().Click({"*.xml"});
    QVERIFY(!dropOn({Html, "BODY"}));
    QVERIFY(!F().Editor()->CanDropOn(F().Item({Html})));
    // Onto itself or below itself: accepted, nothing moves.
    F().Click({Html, "META"});
    QVERIFY(dropOn({Html, "META", "*author*"}));
    QCOMPARE(F().Item({Html, "META"})->parent(), F().Item({Html}));
}

void TagEditorTest::dropMovesWithEverythingBelow() {
    F().Open(1);
    F().Click({Html, "SCRIPT"});
    QVERIFY(test::DragOnto(F().Tree(), "application/x-trimora-tag-item", {},
                           F().Tree()->visualItemRect(F().Item({"*.xml"})).center()));
    QTreeWidgetItem* moved = F().Item({"*.xml", "SCRIPT"});
    QVERIFY(moved != nullptr);
    QCOMPARE(Texts(moved), QStringList({"*javascript*", "*vb*"}));
    QVERIFY(F().Item({"*.xml"})->isExpanded());
    QVERIFY(moved->isExpanded());
    // The panel still shows the moved item; its record went with it.
    QVERIFY(Panel<QRadioButton>("rbDoNotTouch")->isChecked());
    F().PressOk();
    const TagProp& xml = F().Engine->Formats()[4];
    QCOMPARE(xml.Children.Size(), std::size_t(1));
    QCOMPARE(xml.Children[0].Flags, tfDoNotCompress);
    QCOMPARE(xml.Children[0].Children[1].Flags, tfVBScript);
}

void TagEditorTest::addTagOnASubTagAddsUnderItsFormat() {
    F().Open(1);
    F().Click({Html, "META", "*generator*"});
    F().Editor()->AddTag(QStringLiteral("/section id"));
    QTreeWidgetItem* added = F().Tree()->currentItem();
    QCOMPARE(added->text(0), QStringLiteral("SECTION"));
    QCOMPARE(added->parent(), F().Item({Html}));
    QCOMPARE(added->parent()->indexOfChild(added), 24);
    QVERIFY(Panel<QRadioButton>("rbNormal")->isChecked());
}

void TagEditorTest::addSubTagKeepsTheSelection() {
    F().Open(1);
    F().Click({Html, "EM"});
    F().Editor()->AddSubTag(QString());
    QCOMPARE(F().Tree()->currentItem(), F().Item({Html, "EM"}));
    F().TypeIntoEditor(QStringLiteral("*lang*"));
    QCOMPARE(Texts(F().Item({Html, "EM"})), QStringList{"*lang*"});
    QVERIFY(F().Item({Html, "EM"})->isExpanded());
}

void TagEditorTest::addedItemsReachTheFile() {
    F().Open(1);
    // A format with its maximum length, a tag typed in place, and a sub tag
    // named in place under a tag that stays selected.
    F().Editor()->AddFileFormat(QStringLiteral("*.shtml"));
    F().Edit("edMaxLen")->setText(QStringLiteral("200"));
    F().Click({"*.shtml"});
    F().Editor()->AddTag(QString());
    F().TypeIntoEditor(QStringLiteral("div class"));
    F().Editor()->AddSubTag(QString());
    F().TypeIntoEditor(QStringLiteral("*banner*"));
    F().PressOk();

    TTrimora restarted(OptionsFixture::TagSettingsFile());
    QCOMPARE(restarted.LoadReport().Damaged, false);
    QCOMPARE(restarted.Formats().Size(), std::size_t(6));
    const TagProp& shtml = restarted.Formats()[5];
    QCOMPARE(shtml.Pattern.Str(), std::string("*.shtml"));
    QCOMPARE(shtml.Name.Str(), std::string("200"));
    QCOMPARE(shtml.Children.Size(), std::size_t(1));
    QCOMPARE(shtml.Children[0].Name.Str(), std::string("DIV"));
    QCOMPARE(shtml.Children[0].Children[0].Pattern.Str(), std::string("*banner*"));
    QCOMPARE(shtml.Children[0].Children[0].Name.Str(), std::string("*BANNER*"));
}

void TagEditorTest::contextMenuEnabling_data() {
    QTest::addColumn<QStringList>("path");
    QTest::addColumn<QStringList>("enabled");
    const QStringList always = {"AddFile1", "Delete1"};
    QTest::newRow("html format") << QStringList{Html} << always + QStringList{"AddTag1", "ExpandAll1", "CollapseAll1"};
    QTest::newRow("style format") << QStringList{"*.css"} << always;
    QTest::newRow("tag with sub tags") << QStringList{Html, "META"}
                                       << always + QStringList{"AddTag1", "AddSubTag1", "ExpandAll1", "CollapseAll1"};
    QTest::newRow("plain tag") << QStringList{Html, "BR"} << always + QStringList{"AddTag1", "AddSubTag1"};
    QTest::newRow("style tag") << QStringList{Html, "STYLE"} << always;
    QTest::newRow("script sub tag") << QStringList{Html, "SCRIPT", "*vb*"} << always;
}

void TagEditorTest::contextMenuEnabling() {
    QFETCH(QStringList, path);
    QFETCH(QStringList, enabled);
    F().Open(1);
    QTreeWidgetItem* item = F().Item(path);
    F().Click(item, Qt::RightButton);
    QCOMPARE(F().Tree()->currentItem(), item);
    emit F().Tree()->customContextMenuRequested(F().Tree()->visualItemRect(item).center());
    QMenu* menu = F().Editor()->ContextMenu();
    QTRY_VERIFY(menu->isVisible());
    QStringList actual;
    for (QAction* action : menu->actions())
        if (!action->isSeparator() && action->isEnabled()) actual << action->objectName();
    menu->hide();
    actual.sort();
    enabled.sort();
    QCOMPARE(actual, enabled);
}

void TagEditorTest::shortcutsFollowTheLastOpening() {
    F().Open(1);
    F().Click({Html, "BR"});
    F().Tree()->setFocus();
    QTest::keyClick(F().Tree(), Qt::Key_A, Qt::ControlModifier | Qt::AltModifier);
    F().TypeIntoEditor(QStringLiteral("*x*"));
    QCOMPARE(Texts(F().Item({Html, "BR"})), QStringList{"*x*"});
    F().Tree()->setFocus();
    QTest::keyClick(F().Tree(), Qt::Key_A, Qt::ControlModifier);
    F().TypeIntoEditor(QStringLiteral("aside"));
    QCOMPARE(F().Item({Html})->childCount(), 25);
    QCOMPARE(F().Item({Html})->child(24)->text(0), QStringLiteral("ASIDE"));

    // The menu opened on a style format disables Add Tag for the keys too.
    F().Click({"*.css"});
    emit F().Tree()->customContextMenuRequested(QPoint(2, 2));
    F().Editor()->ContextMenu()->hide();
    F().Click({Html, "BR"});
    F().Tree()->setFocus();
    QTest::keyClick(F().Tree(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(F().Item({Html})->childCount(), 25);
    QTest::keyClick(F().Tree(), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    F().TypeIntoEditor(QStringLiteral("*.txt"));
    QCOMPARE(F().Tree()->topLevelItemCount(), 6);
    QCOMPARE(F().Tree()->topLevelItem(5)->text(0), QStringLiteral("*.txt"));
}

void TagEditorTest::cancelLeavesEverything() {
    const std::string before = FileText(OptionsFixture::TagSettingsFile());
    F().Open(1);
    F().Click({Html, "EM"});
    Panel<QCheckBox>("cbReplaceTag")->click();
    F().Click({Html, "META"});
    QTest::keyClick(F().Tree(), Qt::Key_Delete);
    QTest::mouseClick(F().Button("btCancel"), Qt::LeftButton);
    QCOMPARE(F().Dialog->result(), int(QDialog::Rejected));
    QVERIFY(!F().Dialog->TakeEditedRules().has_value());
    F().Dialog.reset();
    QCOMPARE(FileText(OptionsFixture::TagSettingsFile()), before);
    QCOMPARE(F().Engine->Formats()[1].Children.Size(), std::size_t(24));
    QCOMPARE(F().Engine->Formats()[1].Children[4].Flags, tfReplaceTag);
}

void TagEditorTest::buildDropsEditsNotApplied() {
    F().Open(1);
    F().Click({Html, "META"});
    QTest::keyClick(F().Tree(), Qt::Key_Delete);
    F().Button("Button3")->click();  // "Build", revealed or not, refills the tree
    QVERIFY(F().Item({Html, "META"}) != nullptr);
    QCOMPARE(F().Tree()->currentItem(), F().Tree()->topLevelItem(0));
}

void TagEditorTest::saveAppliesWithoutWriting() {
    const std::string before = FileText(OptionsFixture::TagSettingsFile());
    F().Open(1);
    F().Click({Html, "META"});
    QTest::keyClick(F().Tree(), Qt::Key_Delete);
    F().Button("Button2")->click();  // "Save"
    F().Click({Html, "BR"});
    QTest::keyClick(F().Tree(), Qt::Key_Delete);
    F().Button("Button3")->click();  // "Build": BR comes back, META does not
    QVERIFY(F().Item({Html, "META"}) == nullptr);
    QVERIFY(F().Item({Html, "BR"}) != nullptr);
    QTest::mouseClick(F().Button("btCancel"), Qt::LeftButton);
    const auto rules = F().Dialog->TakeEditedRules();
    QVERIFY(rules.has_value());
    QCOMPARE((*rules)[1].Children.Size(), std::size_t(23));
    QCOMPARE(FileText(OptionsFixture::TagSettingsFile()), before);
}

void TagEditorTest::leavingDropsBitsThePanelDoesNotShow() {
    F().Open(1);
    F().Click({Html, "BR"});
    F().Editor()->SetSelectedFlags(tfRemoveWhitespace | tfRemoveQuotes);
    QCOMPARE(F().Editor()->SelectedFlags(), tfRemoveWhitespace | tfRemoveQuotes);
    F().Click({Html, "BODY"});
    QCOMPARE(TTagTreeEditor::Flags(F().Item({Html, "BR"})), tfRemoveWhitespace);
    // Reads of an item without a record give nothing.
    QTreeWidgetItem stray;
    QCOMPARE(TTagTreeEditor::Flags(&stray), 0u);
    QVERIFY(TTagTreeEditor::Record(&stray) == nullptr);
}

void TagEditorTest::anEmptyTreeCanGetItsFirstFormat() {
    F().Engine->SetRules(TRuleTree{});  // as after a file of a newer version was refused
    F().Open(1);
    QCOMPARE(F().Tree()->topLevelItemCount(), 0);
    F().Editor()->AddTag(QStringLiteral("P"));
    F().Editor()->DeleteSelected();
    QCOMPARE(F().Tree()->topLevelItemCount(), 0);
    F().Tree()->setFocus();
    QTest::keyClick(F().Tree(), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    F().TypeIntoEditor(QStringLiteral("*.htm"));
    F().Editor()->AddTag(QStringLiteral("p"));
    F().PressOk();
    QCOMPARE(F().Engine->Formats().Size(), std::size_t(1));
    QCOMPARE(F().Engine->Formats()[0].Pattern.Str(), std::string("*.htm"));
    QCOMPARE(F().Engine->Formats()[0].Children[0].Name.Str(), std::string("P"));
}

QTEST_MAIN(TagEditorTest)
#include "tag_editor_test.moc"
