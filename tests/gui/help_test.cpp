#include <algorithm>

#include <QScrollBar>
#include <QTextBrowser>
#include <QtTest>

#include "commands.h"
#include "gui_test_support.h"
#include "help.h"

using namespace trimora::gui;

class HelpTest : public QObject {
    Q_OBJECT

private slots:
    void everyHelpContextHasOneTopic();
    void topicTextIsThatTopicOnly();
    void windowOpensAtTheTopic();
    void webLinksGoToTheDesktop();
};

namespace {
// The options dialog's help contexts, and the list view's.
const QList<int> DialogContexts = {11000, 11050, 11010, 11020, 11030, 11040, 11060,
                                   13000, 13040, 14000, 15000, 15010, 15020, 15030};
}  // namespace

void HelpTest::everyHelpContextHasOneTopic() {
    QList<int> expected = DialogContexts;
    expected << ListViewHelpContext;
    for (const CommandSpec& spec : CommandTable())
        if (spec.HelpContext != 0) expected << spec.HelpContext;
    QList<int> found = ManualHelpContexts();
    std::sort(expected.begin(), expected.end());
    std::sort(found.begin(), found.end());
    QCOMPARE(found, expected);
    for (int context : expected) QVERIFY2(!HelpContextText(context).isEmpty(), qPrintable(QString::number(context)));
    QVERIFY(HelpContextText(0).isEmpty());
    QVERIFY(HelpContextText(12345).isEmpty());
}

void HelpTest::topicTextIsThatTopicOnly() {
    const QString compress = HelpContextText(10030);
    QVERIFY(compress.startsWith(QLatin1String("<h3")));
    QVERIFY(compress.contains(QLatin1String("Compress Files")));
    QVERIFY(!compress.contains(QLatin1String("name=\"10040\"")));
    QCOMPARE(compress.count(QLatin1String("<h")), 1);
    // The last topic ends with the document.
    const QString last = HelpContextText(15030);
    QVERIFY(last.contains(QLatin1String("AutoSave/AutoLoad")));
    QVERIFY(!last.contains(QLatin1String("</body>")));
}

void HelpTest::windowOpensAtTheTopic() {
    trimora::test::RecordingDesktop desktop;
    TfmHelp help(desktop);
    help.resize(500, 300);
    help.ShowTopic(0);
    QTextBrowser* browser = help.Browser();
    QCOMPARE(browser->verticalScrollBar()->value(), 0);
    QVERIFY(browser->toPlainText().contains(QLatin1String("Getting started")));
    help.ShowTopic(15030);
    QCOMPARE(browser->source().fragment(), QStringLiteral("15030"));
    QTRY_VERIFY(browser->verticalScrollBar()->value() > 0);
    const int atTheEnd = browser->verticalScrollBar()->value();
    help.ShowTopic(10030);
    QTRY_VERIFY(browser->verticalScrollBar()->value() < atTheEnd);
    QVERIFY(desktop.Opened.empty());
}

void HelpTest::webLinksGoToTheDesktop() {
    trimora::test::RecordingDesktop desktop;
    TfmHelp help(desktop);
    help.ShowTopic(0);
    const QUrl before = help.Browser()->source();
    emit help.Browser()->anchorClicked(QUrl(QStringLiteral("https://www.kestrova.com/trimora/")));
    QCOMPARE(desktop.Opened.size(), size_t(1));
    QCOMPARE(help.Browser()->source(), before);
    emit help.Browser()->anchorClicked(QUrl(QStringLiteral("#11000")));
    QCOMPARE(help.Browser()->source().fragment(), QStringLiteral("11000"));
    QCOMPARE(desktop.Opened.size(), size_t(1));
}

QTEST_MAIN(HelpTest)
#include "help_test.moc"
