#include "tip_window.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScreen>

#include "app_paths.h"
#include "dialogs.h"
#include "gui_resources.h"
#include "lst_association.h"
#include "restore_defaults.h"
#include "settings_store.h"
#include "widget_text.h"

namespace trimora::gui {

namespace {

// One tip per line; a line break at the end starts no further tip.
QStringList TipLines(const QByteArray& bytes) {
    QString text = QString::fromUtf8(bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.constLast().isEmpty()) lines.removeLast();
    return lines;
}

QString ListIndexError(int index) { return QStringLiteral("List index out of bounds (%1)").arg(index); }

}  // namespace

QString TipsFilePath() { return app::DataFolder() + QStringLiteral("/tips.txt"); }

TfmTip::TfmTip(TDialogs& dialogs, QWidget* owner) : QDialog(owner), dialogs_(dialogs) {
    setObjectName(QStringLiteral("fmTip"));
    setWindowTitle(QStringLiteral("Tip of the Day"));
    setFixedSize(343, 240);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("pnTip"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setAutoFillBackground(true);
    QPalette white = panel->palette();
    white.setColor(QPalette::Window, Qt::white);
    panel->setPalette(white);
    panel->setGeometry(8, 8, 327, 186);

    auto* imBulb = new QLabel(panel);
    imBulb->setObjectName(QStringLiteral("imBulb"));
    imBulb->setPixmap(Picture(QStringLiteral("bulb")));
    imBulb->setGeometry(12, 12, 32, 32);

    auto* lbHeading = new QLabel(QStringLiteral("Did you know..."), panel);
    lbHeading->setObjectName(QStringLiteral("lbHeading"));
    QFont bold = lbHeading->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    lbHeading->setFont(bold);
    lbHeading->setGeometry(56, 16, 260, 24);

    auto* rule = new QFrame(panel);
    rule->setFrameStyle(QFrame::HLine | QFrame::Plain);
    rule->setStyleSheet(QStringLiteral("color: #b8c2cc"));
    rule->setGeometry(56, 44, 258, 1);

    lbTip = new QLabel(QLatin1String(DefaultTip), panel);
    lbTip->setObjectName(QStringLiteral("lbTip"));
    lbTip->setTextFormat(Qt::PlainText);
    lbTip->setWordWrap(true);
    lbTip->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lbTip->setGeometry(56, 54, 258, 122);

    cbShowTips = MakeControl<QCheckBox>(this, "cbShowTips", QStringLiteral("&Show tips on startup"));
    cbShowTips->setGeometry(8, 206, 160, 22);

    btNext = MakeControl<QPushButton>(this, "btNext", QStringLiteral("&Next Tip"));
    btNext->setAutoDefault(false);
    btNext->setGeometry(178, 204, 75, 26);
    connect(btNext, &QPushButton::clicked, this, &TfmTip::NextTip);

    // The default button; Esc closes the window as well.
    btClose = MakeControl<QPushButton>(this, "btClose", QStringLiteral("&Close"));
    btClose->setDefault(true);
    btClose->setGeometry(260, 204, 75, 26);
    connect(btClose, &QPushButton::clicked, this, &QDialog::accept);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    // Tips of the data folder replace the shipped ones. A file that is there
    // but cannot be read leaves no tips, and the window opens all the same.
    const QString path = TipsFilePath();
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink()) {
        QFile file(path);
        if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
            dialogs_.ShowError(owner, QStringLiteral("Cannot open file %1").arg(QDir::toNativeSeparators(path)));
            return;
        }
        Tips_ = TipLines(file.readAll());
    } else {
        EnsureGuiResources();
        QFile shipped(QStringLiteral(":/tips.txt"));
        if (shipped.open(QIODevice::ReadOnly)) Tips_ = TipLines(shipped.readAll());
    }
    TipIndex_ = Tips_.isEmpty() ? 0 : static_cast<int>(QRandomGenerator::global()->bounded(Tips_.size()));
    NextTip();
}

void TfmTip::SetShowTips(bool show) { cbShowTips->setChecked(show); }

bool TfmTip::GetShowTips() const { return cbShowTips->isChecked(); }

QString TfmTip::TipText() const { return lbTip->text(); }

void TfmTip::NextTip() {
    if (TipIndex_ >= Tips_.size() - 1 || TipIndex_ < 0)
        TipIndex_ = 0;
    else
        ++TipIndex_;
    if (TipIndex_ >= Tips_.size()) {
        dialogs_.ShowError(isVisible() ? this : parentWidget(), ListIndexError(TipIndex_));
        return;
    }
    lbTip->setText(Tips_[TipIndex_]);
}

bool RunTipOfTheDay(app::SettingsStore& store, TDialogs& dialogs, TipOccasion occasion, QWidget* owner) {
    if (!store.KeyExists()) {
        std::optional<QSize> screen;
        if (const QScreen* primary = QGuiApplication::primaryScreen()) screen = primary->size();
        app::RunFirstStart(store, screen,
                           app::LstAssociation::ForProgram(QCoreApplication::applicationFilePath()));
    }
    const std::optional<bool> stored = app::ReadShowTips(store.Settings());
    if (occasion == TipOccasion::FirstActivation && stored.has_value() && !*stored) return false;
    TfmTip tip(dialogs, owner);
    tip.SetShowTips(occasion == TipOccasion::FirstActivation ? true : stored.value_or(false));
    dialogs.Exec(tip);
    QString error;
    if (!app::WriteShowTips(store, tip.GetShowTips(), &error)) dialogs.ShowError(owner, error);
    return true;
}

}  // namespace trimora::gui
