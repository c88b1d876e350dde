#include <sys/wait.h>
#include <unistd.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QWindow>

#include "options_fixture.h"
#include "thread_priority.h"
#include "widget_text.h"

using namespace trimora;
using namespace trimora::gui;
using trimora::test::OptionsFixture;

class OptionsDialogTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        fixture_ = std::make_unique<OptionsFixture>();
        app::ApplyThreadPriority(0);
    }
    void cleanup() {
        fixture_.reset();
        app::ApplyThreadPriority(0);
    }

    void pagesAndButtons();
    void openingFollowsTheStoredChoices_data();
    void openingFollowsTheStoredChoices();
    void clickRulesAndTheGroupsEnablingComesBack();
    void okStoresWhatTheControlsShow();
    void okWithNoChangeWritesTheSameFile();
    void cancelChangesNothing();
    void editThenRestartShowsInTheOutputAndTheCli();
    void browseButtons();
    void associationFollowsTheBox();
    void toolbarListsFromTheToolbar();
    void separatorsDragAndAdd();
    void toolbarEntriesMove();
    void okRebuildsTheToolbar();
    void toolbarPageLayout();
    void accessWord_data();
    void accessWord();
    void sliderActsAtOnceAndCancelKeepsIt();
    void sliderShowsARefusedRaise();
    void boundsAreStored();
    void everyControlHasANameAndItsHelp();

private:
    OptionsFixture& F() { return *fixture_; }
    template <typename T>
    T* Control(const char* name) {
        return test::Child<T>(F().Dialog.get(), name);
    }
    std::unique_ptr<OptionsFixture> fixture_;
};

namespace {

const char* const CompressControls[] = {"gbExistingFile", "rbDelExist", "cbRecycle",  "rbRenExist",
                                        "edSuffix",       "rbMove",     "edMove",     "btBrowse1",
                                        "edOtherFldr",    "btBrowse2",  "cbPreserveDir"};
const char* const CompressRadios[] = {"rbOutDirOriginal", "rbOutDirOther", "rbDelExist", "rbRenExist", "rbMove"};

QStringList Entries(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    return texts;
}

QPoint RowCentre(const QListWidget* list, int row) { return list->visualItemRect(list->item(row)).center(); }

bool DragEntry(QListWidget* from, int row, QListWidget* to, const QPoint& at) {
    from->setCurrentRow(row);
    return test::DragOnto(to, QStringLiteral("application/x-trimora-toolbar-entry"), from->objectName().toUtf8(),
                          at);
}

}  // namespace

void OptionsDialogTest::pagesAndButtons() {
    TfmOptions& dialog = F().Open();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Options"));
    QCOMPARE(dialog.minimumSize(), QSize(300, 350));
    QVERIFY(dialog.windowFlags().testFlag(Qt::WindowContextHelpButtonHint));
    QStringList pages;
    for (int i = 0; i < F().Tabs()->count(); ++i) pages << F().Tabs()->tabText(i);
    QCOMPARE(pages, QStringList({"Compress", "Individual Tags", "File Formats", "Toolbar", "Other"}));
    QCOMPARE(F().Tabs()->currentIndex(), 0);
    QVERIFY(static_cast<QPushButton*>(F().Button("btOK"))->isDefault());
    QVERIFY(!F().Button("Button2")->isVisible());
    QVERIFY(!F().Button("Button3")->isVisible());
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

void OptionsDialogTest::openingFollowsTheStoredChoices_data() {
    QTest::addColumn<int>("options");
    QTest::addColumn<QStringList>("chosen");
    QTest::addColumn<QStringList>("enabled");
    QTest::addColumn<QStringList>("ticked");
    const QStringList group = {"gbExistingFile", "rbDelExist", "rbRenExist", "rbMove"};
    QTest::newRow("40: move, recycle") << 40 << QStringList{"rbOutDirOriginal", "rbMove"}
                                       << group + QStringList{"edMove", "btBrowse1"} << QStringList{"cbRecycle"};
    QTest::newRow("16: suffix") << 16 << QStringList{"rbOutDirOriginal", "rbRenExist"} << group + QStringList{"edSuffix"}
                                << QStringList{};
    QTest::newRow("4: delete") << 4 << QStringList{"rbOutDirOriginal", "rbDelExist"} << group + QStringList{"cbRecycle"}
                               << QStringList{};
    QTest::newRow("12: delete to the trash") << 12 << QStringList{"rbOutDirOriginal", "rbDelExist"}
                                             << group + QStringList{"cbRecycle"} << QStringList{"cbRecycle"};
    QTest::newRow("0: the starting choice") << 0 << QStringList{"rbOutDirOriginal", "rbDelExist"}
                                            << group + QStringList{"cbRecycle"} << QStringList{};
    QTest::newRow("35: other folder, preserved")
        << 35 << QStringList{"rbOutDirOther", "rbMove"} << QStringList{"edOtherFldr", "btBrowse2", "cbPreserveDir"}
        << QStringList{"cbPreserveDir"};
}

void OptionsDialogTest::openingFollowsTheStoredChoices() {
    QFETCH(int, options);
    QFETCH(QStringList, chosen);
    QFETCH(QStringList, enabled);
    QFETCH(QStringList, ticked);
    F().Settings.CompressOptions = static_cast<std::uint32_t>(options);
    F().Open();
    for (const char* radio : CompressRadios)
        QVERIFY2(Control<QRadioButton>(radio)->isChecked() == chosen.contains(QLatin1String(radio)), radio);
    for (const char* control : CompressControls)
        QVERIFY2(Control<QWidget>(control)->isEnabled() == enabled.contains(QLatin1String(control)), control);
    for (const char* box : {"cbRecycle", "cbPreserveDir"})
        QVERIFY2(Control<QCheckBox>(box)->isChecked() == ticked.contains(QLatin1String(box)), box);
}

void OptionsDialogTest::clickRulesAndTheGroupsEnablingComesBack() {
    F().Open();
    auto enabledOnes = [this] {
        QStringList enabled;
        for (const char* control : CompressControls)
            if (Control<QWidget>(control)->isEnabled()) enabled << QLatin1String(control);
        return enabled;
    };
    const QStringList group = {"gbExistingFile", "rbDelExist", "rbRenExist", "rbMove"};
    QTest::mouseClick(Control<QRadioButton>("rbRenExist"), Qt::LeftButton, {}, QPoint(6, 8));
    QCOMPARE(enabledOnes(), QStringList({"gbExistingFile", "rbDelExist", "rbRenExist", "edSuffix", "rbMove"}));
    QTest::mouseClick(Control<QRadioButton>("rbOutDirOther"), Qt::LeftButton, {}, QPoint(6, 8));
    QCOMPARE(enabledOnes(), QStringList({"edOtherFldr", "btBrowse2", "cbPreserveDir"}));
    QTest::mouseClick(Control<QRadioButton>("rbOutDirOriginal"), Qt::LeftButton, {}, QPoint(6, 8));
    QCOMPARE(enabledOnes(), QStringList({"gbExistingFile", "rbDelExist", "rbRenExist", "edSuffix", "rbMove"}));
    QTest::mouseClick(Control<QRadioButton>("rbDelExist"), Qt::LeftButton, {}, QPoint(6, 8));
    QCOMPARE(enabledOnes(), QStringList({"gbExistingFile", "rbDelExist", "cbRecycle", "rbRenExist", "rbMove"}));
}

void OptionsDialogTest::okStoresWhatTheControlsShow() {
    F().Open();
    Control<QRadioButton>("rbOutDirOther")->click();
    F().Edit("edOtherFldr")->setText(QStringLiteral("/srv/www-small"));
    Control<QCheckBox>("cbPreserveDir")->click();
    F().Edit("edSuffix")->setText(QStringLiteral(" .orig "));
    F().Tabs()->setCurrentIndex(4);
    Control<QCheckBox>("cbRecurse")->click();
    Control<QCheckBox>("cbAutoSaveLoad")->click();
    F().PressOk();
    // Disabled controls count with their state: Move and the trash box stay.
    QCOMPARE(F().Settings.CompressOptions, coOtherFolder | coPreserveDirs | coMove | coRecycle);
    QCOMPARE(F().Settings.OtherFolder, QStringLiteral("/srv/www-small"));
    QCOMPARE(F().Settings.Suffix, QStringLiteral(" .orig "));
    QCOMPARE(F().Settings.MoveFolder, app::DefaultMoveFolder());
    QVERIFY(!F().Settings.Recurse);
    QVERIFY(!F().Settings.AutoSaveLoad);
}

void OptionsDialogTest::okWithNoChangeWritesTheSameFile() {
    const std::string file = OptionsFixture::TagSettingsFile();
    test::WriteText(file, "stale");  // the engine has read the file already
    const app::TrimoraSettings before = F().Settings;
    F().Open();
    F().PressOk();
    const auto builtIn = DefaultRuleBytes();
    QCOMPARE(test::ReadBytes(file), std::vector<std::uint8_t>(builtIn.begin(), builtIn.end()));
    QCOMPARE(F().Settings.CompressOptions, before.CompressOptions);
    QCOMPARE(F().Settings.MoveFolder, before.MoveFolder);
    QCOMPARE(F().Settings.Suffix, before.Suffix);
    QCOMPARE(F().Settings.Recurse, before.Recurse);
}

void OptionsDialogTest::cancelChangesNothing() {
    F().Open();
    Control<QRadioButton>("rbRenExist")->click();
    F().Tabs()->setCurrentIndex(2);
    Control<QCheckBox>("cbAssociateLst")->click();
    F().Tabs()->setCurrentIndex(3);
    F().Dialog->ToolbarPage()->CurItems()->setCurrentRow(0);
    F().Dialog->ToolbarPage()->btnRemoveClick();
    QTest::mouseClick(F().Button("btCancel"), Qt::LeftButton);
    F().Dialog.reset();
    QCOMPARE(F().Settings.CompressOptions, app::DefaultCompressOptions);
    QCOMPARE(ToolbarButtons(F().Toolbar), app::DefaultToolbarButtons());
    QVERIFY(!app::AssociateLst(false, false, F().Context.Association));
}

void OptionsDialogTest::editThenRestartShowsInTheOutputAndTheCli() {
    // Stop renaming EM to I, and keep the DOCTYPE.
    F().Open(1);
    F().Click({"*.html;*.htm", "EM"});
    Control<QCheckBox>("cbReplaceTag")->click();
    F().Click({"*.html;*.htm", "!DOCTYPE"});
    Control<QCheckBox>("cbRemTag")->click();
    F().PressOk();

    TTrimora restarted(OptionsFixture::TagSettingsFile());
    const std::string page = "<!DOCTYPE html>\n<p>a <em>b</em> <strong>c</strong></p>\n";
    std::vector<std::uint8_t> output;
    QVERIFY(restarted.CompressBytes("index.html", {reinterpret_cast<const std::uint8_t*>(page.data()), page.size()},
                                    output));
    const std::string compressed(output.begin(), output.end());
    QVERIFY2(compressed.find("<!DOCTYPE html>") != std::string::npos, compressed.c_str());
    QVERIFY2(compressed.find("<em>b</em>") != std::string::npos, compressed.c_str());
    QVERIFY2(compressed.find("<B>c</B>") != std::string::npos, compressed.c_str());

    QProcess cli;
    cli.start(QStringLiteral(TRIMORA_CLI_PATH), {"rules", "show", app::TagSettingsPath()});
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.exitCode(), 0);
    const QString shown = QString::fromUtf8(cli.readAllStandardOutput());
    QVERIFY2(shown.contains(QLatin1String("tag \"EM\" replace \"I\" flags none\n")), qPrintable(shown));
    QVERIFY2(shown.contains(QLatin1String("tag \"!DOCTYPE\" flags tfRemoveWhitespace\n")), qPrintable(shown));
}

void OptionsDialogTest::browseButtons() {
    F().Open();
    F().Dialogs.Folders = {QStringLiteral("/srv/originals"), QString()};
    QTest::mouseClick(F().Button("btBrowse1"), Qt::LeftButton);
    QCOMPARE(F().Edit("edMove")->text(), QStringLiteral("/srv/originals"));
    Control<QRadioButton>("rbOutDirOther")->click();
    F().Edit("edOtherFldr")->setText(QStringLiteral("out"));
    QTest::mouseClick(F().Button("btBrowse2"), Qt::LeftButton);
    QCOMPARE(F().Edit("edOtherFldr")->text(), QStringLiteral("out"));
    QCOMPARE(F().Dialogs.FolderCaptions, std::vector<QString>({"Select Directory", "Select Directory"}));
}

void OptionsDialogTest::associationFollowsTheBox() {
    const app::LstAssociation& association = F().Context.Association;
    F().Open(2);
    QVERIFY(!Control<QCheckBox>("cbAssociateLst")->isChecked());
    Control<QCheckBox>("cbAssociateLst")->click();
    F().PressOk();
    QVERIFY(app::AssociateLst(false, false, association));
    QVERIFY(QFile::exists(association.DesktopFile()));

    F().Open(2);
    QVERIFY(Control<QCheckBox>("cbAssociateLst")->isChecked());
    Control<QCheckBox>("cbAssociateLst")->click();
    F().PressOk();
    QVERIFY(!QFile::exists(association.DesktopFile()));
}

void OptionsDialogTest::toolbarListsFromTheToolbar() {
    F().Open(3);
    TToolbarPage* page = F().Dialog->ToolbarPage();
    QCOMPARE(Entries(page->CurItems()),
             QStringList({"Co&mpress Files", "-", "C&rop", "&Delete", "-", "Add &Directory...", "&New List",
                          "&Load List...", "&Save List...", "-", "Preview in Default Browser"}));
    QCOMPARE(page->Buttons(), app::DefaultToolbarButtons());
    const QStringList available = Entries(page->AvailItems());
    QCOMPARE(available.size(), 21 - 8 + 1);
    QCOMPARE(available.first(), QStringLiteral("-"));
    QStringList shown;
    for (const QString& text : available) shown << StripAccelerators(text);
    QStringList sorted = shown;
    std::sort(sorted.begin(), sorted.end(),
              [](const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; });
    QCOMPARE(shown, sorted);
    QVERIFY(shown.contains(QStringLiteral("Show Tips")));
    QVERIFY(!shown.contains(QStringLiteral("Compress Files")));
    QCOMPARE(page->AvailItems()->visualItemRect(page->AvailItems()->item(0)).height(), 20);
}

void OptionsDialogTest::separatorsDragAndAdd() {
    F().Open(3);
    TToolbarPage* page = F().Dialog->ToolbarPage();
    QListWidget* available = page->AvailItems();
    QListWidget* current = page->CurItems();
    for (int i = 0; i < 3; ++i) QVERIFY(DragEntry(available, 0, current, RowCentre(current, 0)));
    QCOMPARE(page->Buttons().mid(0, 4), QStringList({"", "", "", "CompressCmd"}));
    QCOMPARE(Entries(available).count(QStringLiteral("-")), 1);
    // Dropped back, a separator simply goes.
    QVERIFY(DragEntry(current, 0, available, RowCentre(available, 3)));
    QCOMPARE(current->count(), 13);
    QCOMPARE(Entries(available).count(QStringLiteral("-")), 1);
    // The Add button moves "-" like any other entry.
    available->setCurrentRow(0);
    QTest::mouseClick(test::Child<QPushButton>(page, "btnAdd"), Qt::LeftButton);
    QCOMPARE(Entries(available).count(QStringLiteral("-")), 0);
    QCOMPARE(Entries(current).last(), QStringLiteral("-"));
    // The available list cannot be reordered.
    QVERIFY(!DragEntry(available, 1, available, RowCentre(available, 3)));
}

void OptionsDialogTest::toolbarEntriesMove() {
    F().Open(3);
    TToolbarPage* page = F().Dialog->ToolbarPage();
    QListWidget* available = page->AvailItems();
    QListWidget* current = page->CurItems();
    // Downward within the toolbar list: the mark stands after the entry.
    current->setCurrentRow(0);
    bool after = false;
    QCOMPARE(page->MarkRow(current, current, RowCentre(current, 3), &after), 3);
    QVERIFY(after);
    QCOMPARE(page->MarkRow(available, current, RowCentre(current, 3), &after), 3);
    QVERIFY(!after);
    QVERIFY(DragEntry(current, 0, current, RowCentre(current, 3)));
    QCOMPARE(page->Buttons().mid(0, 4), QStringList({"", "CropCmd", "DeleteCmd", "CompressCmd"}));
    QCOMPARE(current->currentRow(), 3);
    // From the available list, before the entry under the pointer or at the end.
    const int about = static_cast<int>(Entries(available).indexOf(QStringLiteral("&About")));
    QVERIFY(DragEntry(available, about, current, RowCentre(current, 1)));
    QCOMPARE(page->Buttons()[1], QStringLiteral("AboutCmd"));
    QVERIFY(!Entries(available).contains(QStringLiteral("&About")));
    QVERIFY(DragEntry(available, 1, current, QPoint(10, current->viewport()->height() - 3)));
    QCOMPARE(current->count(), 13);
    // Back to the available list, sorted in.
    QVERIFY(DragEntry(current, 1, available, RowCentre(available, 0)));
    QVERIFY(Entries(available).indexOf(QStringLiteral("&About")) == 1);

    current->setCurrentRow(0);
    QTest::mouseClick(test::Child<QPushButton>(page, "btnUp"), Qt::LeftButton);
    QCOMPARE(current->currentRow(), 0);
    QTest::mouseClick(test::Child<QPushButton>(page, "btnDown"), Qt::LeftButton);
    QCOMPARE(current->currentRow(), 1);
    QCOMPARE(page->Buttons().mid(0, 2), QStringList({"CropCmd", ""}));
    current->setCurrentRow(current->count() - 1);
    QTest::mouseClick(test::Child<QPushButton>(page, "btnDown"), Qt::LeftButton);
    QCOMPARE(current->currentRow(), current->count() - 1);
    QTest::mouseClick(test::Child<QPushButton>(page, "btnRemove"), Qt::LeftButton);
    QCOMPARE(current->count(), 11);
}

void OptionsDialogTest::okRebuildsTheToolbar() {
    F().Toolbar.setVisible(false);
    F().Open(3);
    TToolbarPage* page = F().Dialog->ToolbarPage();
    page->CurItems()->setCurrentRow(0);
    page->btnRemoveClick();
    const QStringList wanted = page->Buttons();
    F().PressOk();
    QCOMPARE(ToolbarButtons(F().Toolbar), wanted);
    QVERIFY(!F().Toolbar.isHidden());
}

void OptionsDialogTest::toolbarPageLayout() {
    F().Open(3);
    TToolbarPage* page = F().Dialog->ToolbarPage();
    for (const QSize size : {QSize(300, 350), QSize(523, 611)}) {
        F().Dialog->resize(size);
        QCoreApplication::processEvents();
        const int width = page->width(), height = page->height();
        QCOMPARE(page->AvailItems()->width(), width / 2 - 30);
        QCOMPARE(page->CurItems()->width(), width / 2 - 30);
        QCOMPARE(page->CurItems()->x(), width / 2 + 15);
        QCOMPARE(page->AvailItems()->height(), height - 50);
        QCOMPARE(page->CurItems()->height(), height - 50);
        auto* add = test::Child<QPushButton>(page, "btnAdd");
        QCOMPARE(add->geometry().right() + 1 + 5, page->CurItems()->x());
        QVERIFY(add->y() < test::Child<QPushButton>(page, "btnDown")->y());
    }
}

void OptionsDialogTest::accessWord_data() {
    QTest::addColumn<QString>("typed");  // '^' presses Ctrl again, '.' releases it
    QTest::addColumn<bool>("revealed");
    QTest::newRow("the word") << "^QUORVEND" << true;
    QTest::newRow("lower case counts") << "^quorvend" << true;
    QTest::newRow("a wrong letter restarts") << "^QUOXRVEND" << false;
    QTest::newRow("then the whole word") << "^QUOXQUORVEND" << true;
    QTest::newRow("Ctrl released in between") << "^QUOR.^VEND" << false;
    QTest::newRow("without Ctrl") << ".QUORVEND" << false;
}

void OptionsDialogTest::accessWord() {
    QFETCH(QString, typed);
    QFETCH(bool, revealed);
    TfmOptions& dialog = F().Open();
    QWindow* window = dialog.windowHandle();
    TfmOptions::KeyPos = 1;
    bool control = false;
    for (const QChar c : typed) {
        if (c == '^') {
            QTest::simulateEvent(window, true, Qt::Key_Control, Qt::ControlModifier, QString(), false);
            control = true;
        } else if (c == '.') {
            if (control) QTest::simulateEvent(window, false, Qt::Key_Control, {}, QString(), false);
            control = false;
        } else {
            const int key = Qt::Key_A + (c.toUpper().toLatin1() - 'A');
            const Qt::KeyboardModifiers modifiers = control ? Qt::ControlModifier : Qt::NoModifier;
            QTest::simulateEvent(window, true, key, modifiers, control ? QString() : QString(c), false);
            QTest::simulateEvent(window, false, key, modifiers, control ? QString() : QString(c), false);
        }
    }
    QCOMPARE(F().Button("Button2")->isVisible(), revealed);
    QCOMPARE(F().Button("Button3")->isVisible(), revealed);
    // A dialog opened again hides them.
    F().Open();
    QVERIFY(!F().Button("Button2")->isVisible());
}

void OptionsDialogTest::sliderActsAtOnceAndCancelKeepsIt() {
    if (::geteuid() != 0) QSKIP("raising the priority needs root; sliderShowsARefusedRaise covers a normal user");
    F().Open(4);
    auto* slider = Control<QSlider>("TrackBar1");
    QCOMPARE(slider->value(), 4);
    QCOMPARE(Control<QLabel>("lbThreadPriority")->text(), QStringLiteral("Normal"));
    slider->setValue(7);
    QCOMPARE(Control<QLabel>("lbThreadPriority")->text(), QStringLiteral("Time Critical"));
    QCOMPARE(app::CurrentThreadPriority(), 15);
    QTest::mouseClick(F().Button("btCancel"), Qt::LeftButton);
    F().Dialog.reset();
    QCOMPARE(app::CurrentThreadPriority(), 15);
    // The next opening shows the priority in force.
    F().Open(4);
    QCOMPARE(Control<QSlider>("TrackBar1")->value(), 7);
    QCOMPARE(Control<QLabel>("lbThreadPriority")->text(), QStringLiteral("Time Critical"));
}

void OptionsDialogTest::sliderShowsARefusedRaise() {
    if (::geteuid() == 0) {
        // Root may raise the priority: run this test again as nobody, with a
        // runtime folder of its own (the test makes its home itself).
        QTemporaryDir runtime;
        QVERIFY(runtime.isValid());
        const QByteArray runtimePath = runtime.path().toLocal8Bit();
        QCOMPARE(::chown(runtimePath.constData(), 65534, 65534), 0);
        const QByteArray self = QCoreApplication::applicationFilePath().toLocal8Bit();
        const pid_t child = ::fork();
        if (child == 0) {
            ::setenv("XDG_RUNTIME_DIR", runtimePath.constData(), 1);
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
            ::execl(self.constData(), self.constData(), "sliderShowsARefusedRaise", "-silent",
                    static_cast<char*>(nullptr));
            ::_exit(4);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        if (WEXITSTATUS(status) == 4) QSKIP("the test program cannot be run as nobody here");
        QCOMPARE(WEXITSTATUS(status), 0);
        return;
    }
    F().Open(4);
    auto* slider = Control<QSlider>("TrackBar1");
    slider->setValue(1);  // lowering is always allowed
    QCOMPARE(app::CurrentThreadPriority(), -15);
    QCOMPARE(Control<QLabel>("lbThreadPriority")->text(), QStringLiteral("Idle"));
    slider->setValue(5);  // raising back is not
    QCOMPARE(app::CurrentThreadPriority(), -15);
    QCOMPARE(slider->value(), 1);
    QCOMPARE(Control<QLabel>("lbThreadPriority")->text(), QStringLiteral("Idle"));
}

void OptionsDialogTest::boundsAreStored() {
    F().Open();
    F().Dialog->setGeometry(40, 50, 420, 480);
    const QRect bounds = F().Dialog->geometry();
    F().Dialog.reset();
    QSettings& store = F().Store.Settings();
    QCOMPARE(store.value("OptionsForm/Width").toInt(), bounds.width());
    QCOMPARE(store.value("OptionsForm/Left").toInt(), bounds.left());
    {
        app::SettingsStore reread;
        QCOMPARE(reread.Settings().value("OptionsForm/Height").toInt(), bounds.height());
    }
    F().Open();
    QCOMPARE(F().Dialog->size(), bounds.size());
}

void OptionsDialogTest::everyControlHasANameAndItsHelp() {
    TfmOptions& dialog = F().Open();
    QCOMPARE(test::UnnamedControls(&dialog).join(", "), QString());
    const std::pair<const char*, int> contexts[] = {
        {"tsCompress", 11000}, {"rbOutDirOriginal", 11050}, {"rbDelExist", 11010},    {"cbRecycle", 11020},
        {"rbRenExist", 11030}, {"edSuffix", 11030},         {"rbMove", 11040},        {"edMove", 11040},
        {"rbOutDirOther", 11060}, {"edOtherFldr", 11060},   {"tsFileFormats", 13000}, {"cbAssociateLst", 13040},
        {"tsToolbar", 14000},  {"tsOther", 15000},          {"TrackBar1", 15010},     {"cbRecurse", 15020},
        {"cbAutoSaveLoad", 15030}};
    for (const auto& [name, context] : contexts)
        QVERIFY2(Control<QWidget>(name)->whatsThis().contains(QStringLiteral("name=\"%1\"").arg(context)), name);
    QCOMPARE(Control<QWidget>("cbRecurse")->toolTip(), QStringLiteral("Adds the contents of the folder and any sub folders"));
    QCOMPARE(Control<QWidget>("TrackBar1")->toolTip(),
             QStringLiteral("Sets the thread priority - the higher the priority the faster but less responsive"));
}

QTEST_MAIN(OptionsDialogTest)
#include "options_dialog_test.moc"
