#include <QAction>
#include <QSet>
#include <QToolBar>
#include <QtTest>

#include "commands.h"
#include "file_icons.h"
#include "help.h"
#include "restore_defaults.h"

using namespace trimora::gui;

class CommandsTest : public QObject {
    Q_OBJECT

private slots:
    void enabling_data();
    void enabling();
    void everyHelpContextHasItsTopic();
    void everyCommandHasAnIcon();
    void shortcutsAreDistinct();
    void namesAreExact();
    void tipOfTheDayEntryRunsShowTips();
    void toolbarRoundTrip_data();
    void toolbarRoundTrip();
    void fileIconsWithoutATheme_data();
    void fileIconsWithoutATheme();
};

namespace {

QStringList Everything() { return TCommands().Names(); }

QStringList Without(const QStringList& names, const QStringList& removed) {
    QStringList kept;
    for (const QString& name : names)
        if (!removed.contains(name)) kept << name;
    return kept;
}

}  // namespace

void CommandsTest::enabling_data() {
    QTest::addColumn<bool>("listEmpty");
    QTest::addColumn<bool>("rowSelected");
    QTest::addColumn<bool>("runActive");
    QTest::addColumn<bool>("helpMode");
    QTest::addColumn<QStringList>("enabled");

    const QStringList emptyList = {"AddDirCmd", "LoadListCmd",  "SyncDirsCmd", "OptionCmd", "HelpCmd",
                                   "WhatsThisCmd", "ShowTipsCmd", "AboutCmd",    "ExitCmd"};
    const QStringList needSelection = {"DeleteCmd", "CropCmd", "PreviewCmd", "RestoreCmd"};
    const QStringList changeWhatRunsRead = {"CompressCmd", "RestoreAllCmd", "RestoreCmd", "RemBakCmd",
                                            "AddDirCmd",   "DeleteCmd",     "CropCmd",    "SyncDirsCmd",
                                            "ClearCmd",    "LoadListCmd",   "RefreshCmd", "OptionCmd"};

    QTest::newRow("empty list") << true << false << false << false << emptyList;
    QTest::newRow("rows, none selected") << false << false << false << false << Without(Everything(), needSelection);
    QTest::newRow("rows, one selected") << false << true << false << false << Everything();
    QTest::newRow("run, one selected") << false << true << true << false << Without(Everything(), changeWhatRunsRead);
    QTest::newRow("run, none selected")
        << false << false << true << false << Without(Without(Everything(), changeWhatRunsRead), needSelection);
    QTest::newRow("help mode, empty list") << true << false << false << true << Everything();
    QTest::newRow("help mode during a run") << false << false << true << true << Everything();
}

void CommandsTest::enabling() {
    QFETCH(bool, listEmpty);
    QFETCH(bool, rowSelected);
    QFETCH(bool, runActive);
    QFETCH(bool, helpMode);
    QFETCH(QStringList, enabled);

    TCommands commands;
    // Start from the opposite of what is expected, so every action must be set.
    for (QAction* action : commands.Actions()) action->setEnabled(!enabled.contains(action->objectName()));
    commands.ApplyEnabling({listEmpty, rowSelected, runActive, helpMode});

    QStringList actual;
    for (QAction* action : commands.Actions())
        if (action->isEnabled()) actual << action->objectName();
    actual.sort();
    enabled.sort();
    QCOMPARE(actual, enabled);
}

void CommandsTest::everyHelpContextHasItsTopic() {
    TCommands commands;
    for (QAction* action : commands.Actions()) {
        const int context = HelpContextOf(action);
        if (context == 0) continue;
        QVERIFY2(ManualHelpContexts().contains(context), qPrintable(action->objectName()));
        QVERIFY2(action->whatsThis().contains(QStringLiteral("name=\"%1\"").arg(context)),
                 qPrintable(action->objectName()));
    }
    QCOMPARE(HelpContextOf(commands.Action(CommandId::SyncDirsCmd)), 0);
}

void CommandsTest::everyCommandHasAnIcon() {
    TCommands commands;
    for (QAction* action : commands.Actions()) {
        QVERIFY2(!action->icon().pixmap(16).isNull(), qPrintable(action->objectName()));
        QVERIFY2(!action->icon().pixmap(32).isNull(), qPrintable(action->objectName()));
    }
}

void CommandsTest::shortcutsAreDistinct() {
    TCommands commands;
    QSet<QString> seen;
    for (QAction* action : commands.Actions()) {
        const QString key = action->shortcut().toString();
        if (key.isEmpty()) continue;
        QVERIFY2(!seen.contains(key), qPrintable(key));
        seen.insert(key);
    }
    QCOMPARE(commands.Action(CommandId::CropCmd)->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_Delete));
    QCOMPARE(commands.Action(CommandId::ClearCmd)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Delete));
    QCOMPARE(commands.Action(CommandId::WhatsThisCmd)->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F1));
}

void CommandsTest::namesAreExact() {
    TCommands commands;
    QCOMPARE(commands.FindActionByName(QStringLiteral("CompressCmd")), commands.Action(CommandId::CompressCmd));
    QCOMPARE(commands.FindActionByName(QStringLiteral("compresscmd")), nullptr);
    QCOMPARE(commands.FindActionByName(QString()), nullptr);
    QCOMPARE(commands.Names().size(), qsizetype(CommandCount));
}

void CommandsTest::tipOfTheDayEntryRunsShowTips() {
    TCommands commands;
    QAction* entry = commands.MenuEntry(CommandId::ShowTipsCmd);
    QAction* action = commands.Action(CommandId::ShowTipsCmd);
    QVERIFY(entry != action);
    QCOMPARE(entry->text(), QStringLiteral("&Tip of the Day"));
    QCOMPARE(action->text(), QStringLiteral("&Show Tips"));
    QSignalSpy triggered(action, &QAction::triggered);
    entry->trigger();
    QCOMPARE(triggered.count(), 1);
    action->setEnabled(false);
    QVERIFY(!entry->isEnabled());
    QCOMPARE(commands.MenuEntry(CommandId::AboutCmd), commands.Action(CommandId::AboutCmd));
}

void CommandsTest::toolbarRoundTrip_data() {
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("defaults") << trimora::app::DefaultToolbarButtons() << trimora::app::DefaultToolbarButtons();
    QTest::newRow("unknown name becomes a separator")
        << QStringList{"AboutCmd", "NoSuchCmd", "HelpCmd"} << QStringList{"AboutCmd", "", "HelpCmd"};
    QTest::newRow("only separators") << QStringList{"", ""} << QStringList{"", ""};
    QTest::newRow("empty") << QStringList{} << QStringList{};
}

void CommandsTest::toolbarRoundTrip() {
    QFETCH(QStringList, stored);
    QFETCH(QStringList, shown);
    TCommands commands;
    QToolBar toolbar;
    toolbar.addAction(commands.Action(CommandId::ExitCmd));  // replaced, not kept
    toolbar.setVisible(false);
    FillToolbar(toolbar, stored, commands);
    QCOMPARE(ToolbarButtons(toolbar), shown);
    QCOMPARE(toolbar.isEnabled(), !stored.isEmpty());
    QVERIFY(!toolbar.isHidden());
}

void CommandsTest::fileIconsWithoutATheme_data() {
    QTest::addColumn<QString>("fileName");
    QTest::newRow("page") << "index.html";
    QTest::newRow("upper-case extension") << "INDEX.HTM";
    QTest::newRow("style sheet") << "site.css";
    QTest::newRow("script") << "menu.js";
    QTest::newRow("VBScript") << "old.vbs";
    QTest::newRow("list file") << "site.lst";
    QTest::newRow("no extension") << "README";
}

void CommandsTest::fileIconsWithoutATheme() {
    QFETCH(QString, fileName);
    TFileIcons icons;
    const QIcon icon = icons.ForFile(fileName);
    QVERIFY2(!icon.pixmap(16).isNull(), qPrintable(TFileIcons::IconName(fileName)));
    QCOMPARE(icons.ForFile(fileName).cacheKey(), icon.cacheKey());
    QVERIFY(!icons.Folder().pixmap(16).isNull());
}

QTEST_MAIN(CommandsTest)
#include "commands_test.moc"
