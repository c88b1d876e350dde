#include <memory>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QtTest>

#include "about_box.h"
#include "app_paths.h"
#include "gui_test_support.h"
#include "isolated_home.h"
#include "log_window.h"
#include "settings_store.h"
#include "splash_window.h"
#include "strips.h"
#include "tip_window.h"

using namespace trimora;
using namespace trimora::gui;
using trimora::test::Child;
using trimora::test::ScriptedDialogs;

class SmallWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void logSavesTheMemoAsTypedWithCrLf();
    void logReplacesAnExistingFileWithoutAsking();
    void logReportsAFailedSaveAndStaysOpen();
    void logCancelledSaveWritesNothing();

    void shimmerPhase_data();
    void shimmerPhase();
    void shimmerStripDrawsTheBand();
    void creditsComeBackFromTheRight();
    void aboutBox();

    void splashClosesOnceTheMainWindowShows();
    void splashEscapeAsksToStop();

    void tipsCycle();
    void shippedTipsWithoutATipsFile();
    void emptyTipsFile();
    void unreadableTipsFile();
    void showTipsIsStored();
    void firstActivationWritesTheDefaultsFirst();

    void everyControlHasAName();

private:
    void WriteTips(const QByteArray& content);
    std::unique_ptr<test::IsolatedHome> home_;
};

void SmallWindowsTest::init() {
    home_ = std::make_unique<test::IsolatedHome>();
    QDir().mkpath(app::DataFolder());
}

void SmallWindowsTest::cleanup() { home_.reset(); }

void SmallWindowsTest::WriteTips(const QByteArray& content) {
    QFile file(TipsFilePath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

namespace {
QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
}  // namespace

void SmallWindowsTest::logSavesTheMemoAsTypedWithCrLf() {
    ScriptedDialogs dialogs;
    const QString target = QString::fromStdString(*home_ / "report.txt");
    dialogs.SaveNames.push_back(target);
    TfmLog log(dialogs);
    log.SetLines({"File\tSize", "a.html\t100", "Total\t100"});
    auto* memo = Child<QPlainTextEdit>(&log, "Memo");
    memo->moveCursor(QTextCursor::End);
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, "checked by hand");
    QTest::mouseClick(Child<QPushButton>(&log, "btSave"), Qt::LeftButton);

    QCOMPARE(ReadAll(target), QByteArray("File\tSize\r\na.html\t100\r\nTotal\t100\r\nchecked by hand\r\n"));
    QCOMPARE(dialogs.SaveRequests.size(), size_t(1));
    QCOMPARE(dialogs.SaveRequests[0].Filter, QStringLiteral("Text Files (*.txt)"));
    QCOMPARE(dialogs.SaveRequests[0].DefaultSuffix, QStringLiteral("txt"));
    QVERIFY(!dialogs.SaveRequests[0].ConfirmReplace);
    QVERIFY(dialogs.Messages.empty());
}

void SmallWindowsTest::logReplacesAnExistingFileWithoutAsking() {
    ScriptedDialogs dialogs;
    const QString target = QString::fromStdString(*home_ / "report.txt");
    test::WriteText(target.toStdString(), "an older and much longer report\r\nwith two lines\r\n");
    dialogs.SaveNames.push_back(target);
    TfmLog log(dialogs);
    log.SetLines({"Total\t1"});
    QTest::mouseClick(Child<QPushButton>(&log, "btSave"), Qt::LeftButton);
    QCOMPARE(ReadAll(target), QByteArray("Total\t1\r\n"));
    QVERIFY(dialogs.Messages.empty());
}

void SmallWindowsTest::logReportsAFailedSaveAndStaysOpen() {
    ScriptedDialogs dialogs;
    const QString target = QString::fromStdString(*home_ / "no such folder/report.txt");
    dialogs.SaveNames.push_back(target);
    TfmLog log(dialogs);
    log.SetLines({"Total\t1"});
    log.show();
    QTest::mouseClick(Child<QPushButton>(&log, "btSave"), Qt::LeftButton);
    QCOMPARE(dialogs.Messages.size(), size_t(1));
    QCOMPARE(dialogs.Messages[0].Caption, QStringLiteral("Trimora"));
    QCOMPARE(dialogs.Messages[0].Text, QStringLiteral("Cannot create file ") + target);
    QCOMPARE(dialogs.Messages[0].Icon, QMessageBox::Critical);
    QVERIFY(log.isVisible());
    QVERIFY(!QFile::exists(target));
}

void SmallWindowsTest::logCancelledSaveWritesNothing() {
    ScriptedDialogs dialogs;  // no name: the dialog is cancelled
    TfmLog log(dialogs);
    log.SetLines({"Total\t1"});
    QTest::mouseClick(Child<QPushButton>(&log, "btSave"), Qt::LeftButton);
    QCOMPARE(dialogs.SaveRequests.size(), size_t(1));
    QVERIFY(dialogs.Messages.empty());
    QCOMPARE(QDir(QString::fromStdString(home_->Path().string())).entryList(QStringList{"*.txt"}), QStringList());
}

void SmallWindowsTest::shimmerPhase_data() {
    QTest::addColumn<int>("phase");
    QTest::addColumn<qint64>("elapsed");
    QTest::addColumn<int>("next");
    QTest::newRow("at start, 10 ms") << 0 << qint64(10) << 0;
    QTest::newRow("at start, 11 ms") << 0 << qint64(11) << 5;
    QTest::newRow("exactly 10 per step") << 5 << qint64(60) << 5;
    QTest::newRow("just over") << 5 << qint64(66) << 10;
    QTest::newRow("far behind moves one step") << 5 << qint64(100000) << 10;
}

void SmallWindowsTest::shimmerPhase() {
    QFETCH(int, phase);
    QFETCH(qint64, elapsed);
    QFETCH(int, next);
    QCOMPARE(NextShimmerPhase(phase, elapsed), next);
}

void SmallWindowsTest::shimmerStripDrawsTheBand() {
    QWidget host;
    auto* strip = new TShimmerStrip(1000000, &host);
    strip->setGeometry(0, 0, 300, 5);
    for (qint64 ms = 11; strip->Phase() < 250; ms += 1000000) strip->Tick(ms);
    const int phase = strip->Phase();
    const QImage image = strip->grab().toImage();
    // Column c shows line W - c: v = (phase + W - c) mod 512, folded above 255.
    for (int column : {0, 1, 50, 150, 299}) {
        int v = (phase + 300 - column) % 512;
        if (v > 255) v = 511 - v;
        QCOMPARE(image.pixelColor(column, 2), QColor(v, v, 255));
        QCOMPARE(image.pixelColor(column, 0), image.pixelColor(column, 4));
    }
    QCOMPARE(ShimmerColor(0, 255), QColor(255, 255, 255));
    QCOMPARE(ShimmerColor(0, 256), QColor(255, 255, 255));
    QCOMPARE(ShimmerColor(0, 511), QColor(0, 0, 255));
    QCOMPARE(ShimmerColor(12, 500), QColor(0, 0, 255));
}

void SmallWindowsTest::creditsComeBackFromTheRight() {
    QWidget host;
    auto* credits = new TCreditsStrip(QStringLiteral("abc"), &host);
    credits->setGeometry(0, 0, 40, 17);
    host.show();
    const int width = credits->fontMetrics().horizontalAdvance(QStringLiteral("abc"));
    QCOMPARE(credits->ScrollX(), 0);
    credits->Tick();
    QCOMPARE(credits->ScrollX(), -1);
    while (credits->ScrollX() > 1 - width) credits->Tick();
    credits->Tick();
    QCOMPARE(credits->ScrollX(), 40);
    QVERIFY(TfmAbout::CreditsLine().startsWith(QString(34, ' ') + "Special thanks to: "));
    QVERIFY(!TfmAbout::CreditsLine().startsWith(QString(35, ' ')));
}

void SmallWindowsTest::aboutBox() {
    test::RecordingDesktop desktop;
    TfmAbout about(desktop);
    QCOMPARE(about.windowTitle(), QStringLiteral("About Trimora"));
    QCOMPARE(about.size(), QSize(276, 262));
    QVERIFY(QRegularExpression(QStringLiteral(R"(^\d+\.\d+\.\d+$)")).match(ProgramVersion()).hasMatch());
    QCOMPARE(Child<QLabel>(&about, "lbVersion")->text(), QStringLiteral("Version: ") + ProgramVersion());
    auto* ok = Child<QPushButton>(&about, "btOK");
    QVERIFY(ok->isDefault());
    QCOMPARE(ok->text(), QStringLiteral("&OK"));

    about.show();
    QTest::mouseClick(Child<QLabel>(&about, "imLogo"), Qt::LeftButton);
    QCOMPARE(desktop.Opened.size(), size_t(1));
    QCOMPARE(desktop.Opened[0], QUrl(QStringLiteral("https://www.kestrova.com/")));
    QTest::keyClick(&about, Qt::Key_Return);
    QCOMPARE(about.result(), int(QDialog::Accepted));
}

void SmallWindowsTest::splashClosesOnceTheMainWindowShows() {
    QPointer<TfmSplash> splash = new TfmSplash;
    QWidget mainWindow;
    splash->SetMainWindow(&mainWindow);
    splash->show();
    QTest::qWait(200);
    QVERIFY2(!splash.isNull() && splash->isVisible(), "the main window is not visible yet");
    mainWindow.show();
    QTRY_VERIFY_WITH_TIMEOUT(splash.isNull(), 2000);
}

void SmallWindowsTest::splashEscapeAsksToStop() {
    std::vector<bool> requests;
    QPointer<TfmSplash> splash = new TfmSplash([&](bool abort) { requests.push_back(abort); });
    splash->show();
    QWidget other;
    other.show();
    QTest::keyClick(&other, Qt::Key_Escape);
    QVERIFY(!requests.empty());
    QVERIFY(requests.back());
    QTest::keyClick(&other, Qt::Key_A);
    QVERIFY(!requests.back());
    splash->close();
    QVERIFY(splash.isNull() || !splash->isVisible());
    requests.clear();
    QTest::keyClick(&other, Qt::Key_Escape);
    QVERIFY2(requests.empty(), "a closed splash sees no keys");
}

void SmallWindowsTest::tipsCycle() {
    WriteTips("first\r\nsecond & third\nthird\n");
    ScriptedDialogs dialogs;
    TfmTip tip(dialogs);
    QCOMPARE(tip.Tips(), QStringList({"first", "second & third", "third"}));
    const QStringList order = tip.Tips();
    QString shown = tip.TipText();
    for (int step = 0; step < 6; ++step) {
        QTest::mouseClick(Child<QPushButton>(&tip, "btNext"), Qt::LeftButton);
        const qsizetype before = order.indexOf(shown);
        QVERIFY(before >= 0);
        QCOMPARE(tip.TipText(), order[(before + 1) % 3]);
        shown = tip.TipText();
    }
    QVERIFY(dialogs.Messages.empty());
    QCOMPARE(Child<QLabel>(&tip, "lbTip")->textFormat(), Qt::PlainText);
}

void SmallWindowsTest::shippedTipsWithoutATipsFile() {
    ScriptedDialogs dialogs;
    TfmTip tip(dialogs);
    QVERIFY(tip.Tips().size() >= 10);
    QVERIFY(tip.Tips().contains(tip.TipText()));
    QVERIFY(dialogs.Messages.empty());
}

void SmallWindowsTest::emptyTipsFile() {
    WriteTips("");
    ScriptedDialogs dialogs;
    TfmTip tip(dialogs);
    QCOMPARE(dialogs.MessageTexts(), QStringList{"List index out of bounds (0)"});
    QCOMPARE(tip.TipText(), QString::fromLatin1(DefaultTip));
    QTest::mouseClick(Child<QPushButton>(&tip, "btNext"), Qt::LeftButton);
    QCOMPARE(dialogs.MessageTexts(), QStringList({"List index out of bounds (0)", "List index out of bounds (0)"}));
    QCOMPARE(tip.TipText(), QString::fromLatin1(DefaultTip));
}

void SmallWindowsTest::unreadableTipsFile() {
    // A folder by that name cannot be read as a file, whoever runs the test.
    QVERIFY(QDir().mkpath(TipsFilePath()));
    ScriptedDialogs dialogs;
    TfmTip tip(dialogs);
    QCOMPARE(dialogs.MessageTexts(), QStringList{"Cannot open file " + TipsFilePath()});
    QCOMPARE(dialogs.Messages[0].Caption, QStringLiteral("Trimora"));
    QCOMPARE(tip.TipText(), QString::fromLatin1(DefaultTip));
    QTest::mouseClick(Child<QPushButton>(&tip, "btNext"), Qt::LeftButton);
    QCOMPARE(dialogs.MessageTexts().last(), QStringLiteral("List index out of bounds (0)"));
}

void SmallWindowsTest::showTipsIsStored() {
    {
        app::SettingsStore store;
        store.Settings().setValue("CompressOptions", 40);
        QVERIFY(store.Sync());
    }
    ScriptedDialogs dialogs;
    std::vector<bool> ticked;
    bool untick = true;
    dialogs.OnExec = [&](QDialog& window) {
        auto* box = Child<QCheckBox>(&window, "cbShowTips");
        ticked.push_back(box->isChecked());
        if (box->isChecked() == untick) QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
        QTest::mouseClick(Child<QPushButton>(&window, "btClose"), Qt::LeftButton);
        return window.result();
    };
    auto storedShowTips = [] {
        app::SettingsStore store;
        return store.Settings().value("ShowTips");
    };

    {
        app::SettingsStore store;
        QVERIFY(RunTipOfTheDay(store, dialogs, TipOccasion::FirstActivation, nullptr));
    }
    QCOMPARE(ticked, std::vector<bool>{true});
    QCOMPARE(storedShowTips().toInt(), 0);

    // The next start shows nothing; the command still does, its box unticked.
    {
        app::SettingsStore store;
        QVERIFY(!RunTipOfTheDay(store, dialogs, TipOccasion::FirstActivation, nullptr));
        untick = false;  // tick it this time
        QVERIFY(RunTipOfTheDay(store, dialogs, TipOccasion::ShowTipsCommand, nullptr));
    }
    QCOMPARE(ticked, std::vector<bool>({true, false}));
    QCOMPARE(storedShowTips().toInt(), 1);
    QVERIFY(dialogs.Messages.empty());
}

void SmallWindowsTest::firstActivationWritesTheDefaultsFirst() {
    ScriptedDialogs dialogs;
    app::SettingsStore store;
    QVERIFY(!store.KeyExists());
    QVERIFY(RunTipOfTheDay(store, dialogs, TipOccasion::ShowTipsCommand, nullptr));
    QCOMPARE(store.Settings().value("CompressOptions").toInt(), 40);
    QVERIFY(QFile::exists(app::TagSettingsPath()));
    QCOMPARE(store.Settings().value("ShowTips").toInt(), 0);  // absent counts as unticked for the command
}

void SmallWindowsTest::everyControlHasAName() {
    ScriptedDialogs dialogs;
    test::RecordingDesktop desktop;
    TfmLog log(dialogs);
    TfmAbout about(desktop);
    TfmTip tip(dialogs);
    for (const QWidget* window : std::initializer_list<const QWidget*>{&log, &about, &tip})
        QCOMPARE(test::UnnamedControls(window).join(", "), QString());
}

QTEST_MAIN(SmallWindowsTest)
#include "small_windows_test.moc"
