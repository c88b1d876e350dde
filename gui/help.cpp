#include "help.h"

#include <QFile>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "dialogs.h"
#include "gui_resources.h"
#include "widget_text.h"

namespace trimora::gui {

namespace {

constexpr char ManualPath[] = "qrc:/manual/trimora.html";

const QString& ManualText() {
    static const QString text = [] {
        EnsureGuiResources();
        QFile file(QStringLiteral(":/manual/trimora.html"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }();
    return text;
}

// Each topic of the manual is a heading holding its anchor,
//   <h3><a name="10030"></a>Compress Files</h3><p>...</p>
// and runs to the next heading of level 2 or 3.
const QRegularExpression& TopicAnchor() {
    static const QRegularExpression anchor(QStringLiteral(R"re(<h([23])[^>]*>\s*<a name="(\d+)"></a>)re"));
    return anchor;
}

}  // namespace

QUrl ManualUrl(int helpContext) {
    QUrl url{QLatin1String(ManualPath)};
    if (helpContext != 0) url.setFragment(QString::number(helpContext));
    return url;
}

QString HelpContextText(int helpContext) {
    const QString& manual = ManualText();
    const QString wanted = QStringLiteral(R"(<a name="%1"></a>)").arg(helpContext);
    const qsizetype at = manual.indexOf(wanted);
    if (helpContext == 0 || at < 0) return {};
    const qsizetype start = manual.lastIndexOf(QLatin1String("<h"), at);
    static const QRegularExpression nextTopic(QStringLiteral("<h[23][ >]|</body>"));
    const QRegularExpressionMatch next = nextTopic.match(manual, at);
    const qsizetype end = next.hasMatch() ? next.capturedStart() : manual.size();
    return manual.mid(start, end - start).trimmed();
}

QList<int> ManualHelpContexts() {
    QList<int> contexts;
    for (auto it = TopicAnchor().globalMatch(ManualText()); it.hasNext();) contexts << it.next().captured(2).toInt();
    return contexts;
}

TfmHelp::TfmHelp(TDesktop& desktop, QWidget* parent) : QDialog(parent), desktop_(desktop) {
    setObjectName(QStringLiteral("fmHelp"));
    setWindowTitle(QStringLiteral("Trimora Help"));
    setWindowIcon(ApplicationIcon());
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    resize(640, 520);

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("Browser"));
    SetAccessibleCaption(browser_, QStringLiteral("Trimora Help"));
    browser_->setOpenLinks(false);
    connect(browser_, &QTextBrowser::anchorClicked, this, &TfmHelp::BrowserAnchorClicked);

    auto* btContents = MakeControl<QPushButton>(this, "btContents", QStringLiteral("C&ontents"));
    connect(btContents, &QPushButton::clicked, this, [this] { ShowTopic(0); });
    auto* btBack = MakeControl<QPushButton>(this, "btBack", QStringLiteral("&Back"));
    connect(btBack, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(browser_, &QTextBrowser::backwardAvailable, btBack, &QPushButton::setEnabled);
    btBack->setEnabled(false);
    auto* btClose = MakeControl<QPushButton>(this, "btClose", QStringLiteral("&Close"));
    connect(btClose, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btContents);
    buttons->addWidget(btBack);
    buttons->addStretch();
    buttons->addWidget(btClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser_);
    layout->addLayout(buttons);
}

void TfmHelp::ShowTopic(int helpContext) {
    browser_->setSource(ManualUrl(helpContext));
    show();
    raise();
    activateWindow();
}

void TfmHelp::BrowserAnchorClicked(const QUrl& url) {
    if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https") ||
        url.scheme() == QLatin1String("mailto"))
        desktop_.OpenUrl(url);
    else
        browser_->setSource(url);
}

}  // namespace trimora::gui
