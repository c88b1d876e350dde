#include "about_box.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

#include "dialogs.h"
#include "gui_resources.h"
#include "settings_prompts.h"
#include "strips.h"
#include "widget_text.h"

namespace trimora::gui {

namespace {

constexpr char Notice[] =
    "Trimora is freeware: you may use it and give it away free of charge.\n\n"
    "It comes without warranty of any kind. Trimora rewrites your files: "
    "back up your files before you use it, and check the compressed pages "
    "before you publish them.";

constexpr char Thanks[] =
    "Special thanks to: Ilse Marwood, Tomasz Reyes, Ana Lindqvist, Oren Castellano, "
    "Priya Halvorsen and everyone who sent in a page that Trimora broke";

}  // namespace

const QString& ProgramVersion() {
    static const QString version = QStringLiteral(TRIMORA_VERSION);
    return version;
}

QString TfmAbout::CreditsLine() { return QString(34, QLatin1Char(' ')) + QLatin1String(Thanks); }

TfmAbout::TfmAbout(TDesktop& desktop, QWidget* owner) : QDialog(owner), desktop_(desktop) {
    setObjectName(QStringLiteral("fmAbout"));
    setWindowTitle(QStringLiteral("About Trimora"));
    setFixedSize(276, 262);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    imLogo = new QLabel(this);
    imLogo->setObjectName(QStringLiteral("imLogo"));
    imLogo->setPixmap(Picture(QStringLiteral("logo")));
    imLogo->setGeometry(8, 6, 260, 60);
    imLogo->setCursor(Qt::PointingHandCursor);
    imLogo->setToolTip(QLatin1String(MakerWebSite));
    imLogo->setAccessibleName(QStringLiteral("Trimora"));
    imLogo->installEventFilter(this);

    Shimmer = new TShimmerStrip(100, this);
    Shimmer->setObjectName(QStringLiteral("Shimmer"));
    Shimmer->setGeometry(0, 70, 276, 5);

    lbVersion = new QLabel(QStringLiteral("Version: ") + ProgramVersion(), this);
    lbVersion->setObjectName(QStringLiteral("lbVersion"));
    lbVersion->setGeometry(8, 80, 260, 18);

    Memo = new QPlainTextEdit(QLatin1String(Notice), this);
    Memo->setObjectName(QStringLiteral("Memo"));
    SetAccessibleCaption(Memo, QStringLiteral("Notice"));
    Memo->setReadOnly(true);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setGeometry(8, 100, 260, 96);

    const QString webPage = FromBytes(ProductWebPage);
    QString shownPage = QUrl(webPage).host() + QUrl(webPage).path();
    if (shownPage.endsWith(QLatin1Char('/'))) shownPage.chop(1);
    lbMaker = new QLabel(this);
    lbMaker->setObjectName(QStringLiteral("lbMaker"));
    lbMaker->setText(QStringLiteral("Made by %1<br><a href=\"%2\">%3</a>").arg(QLatin1String(MakerName), webPage, shownPage));
    lbMaker->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    SetAccessibleCaption(lbMaker, QStringLiteral("Made by %1, %2").arg(QLatin1String(MakerName), webPage));
    lbMaker->setGeometry(8, 202, 180, 34);
    connect(lbMaker, &QLabel::linkActivated, this, [this](const QString& link) { desktop_.OpenUrl(QUrl(link)); });

    btOK = MakeControl<QPushButton>(this, "btOK", QStringLiteral("&OK"));
    btOK->setDefault(true);
    btOK->setGeometry(193, 206, 75, 26);
    connect(btOK, &QPushButton::clicked, this, &QDialog::accept);

    Credits = new TCreditsStrip(CreditsLine(), this);
    Credits->setObjectName(QStringLiteral("Credits"));
    Credits->setGeometry(0, 245, 276, 17);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    btOK->setFocus();
}

bool TfmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == imLogo && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        desktop_.OpenUrl(QUrl(QLatin1String(MakerWebSite)));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace trimora::gui
