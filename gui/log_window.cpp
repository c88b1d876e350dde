#include "log_window.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

#include "dialogs.h"
#include "widget_text.h"

namespace trimora::gui {

TfmLog::TfmLog(TDialogs& dialogs, QWidget* owner) : QDialog(owner), dialogs_(dialogs) {
    setObjectName(QStringLiteral("fmLog"));
    setWindowTitle(QStringLiteral("Log"));
    resize(390, 276);

    Memo = new QPlainTextEdit(this);
    Memo->setObjectName(QStringLiteral("Memo"));
    SetAccessibleCaption(Memo, QStringLiteral("Log"));
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    // Without Courier New the font database's fixed-pitch font stands in.
    if (!QFontInfo(font).fixedPitch()) font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    Memo->setFont(font);
    Memo->setTabStopDistance(8 * QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')));
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    btSave = MakeControl<QPushButton>(this, "btSave", QStringLiteral("&Save Log"));
    btSave->setAutoDefault(false);
    connect(btSave, &QPushButton::clicked, this, &TfmLog::btSaveClick);
    btClose = MakeControl<QPushButton>(this, "btClose", QStringLiteral("&Close"));
    btClose->setAutoDefault(false);
    connect(btClose, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btSave);
    buttons->addStretch();
    buttons->addWidget(btClose);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(Memo);
    layout->addLayout(buttons);
}

void TfmLog::SetLines(const QStringList& lines) { Memo->setPlainText(lines.join(QLatin1Char('\n'))); }

QStringList TfmLog::Lines() const {
    QStringList lines = Memo->toPlainText().split(QLatin1Char('\n'));
    // A line break at the very end starts no further line.
    if (!lines.isEmpty() && lines.constLast().isEmpty()) lines.removeLast();
    return lines;
}

bool TfmLog::SaveLines(const QString& path, QString* error) const {
    QByteArray bytes;
    for (const QString& line : Lines()) bytes += line.toUtf8() + "\r\n";
    const QFileInfo existing(path);
    QSaveFile file(path);
    // A write-protected file stays as it is, although its folder would let a
    // new file take its place.
    const bool refused = existing.exists() && !existing.isWritable();
    if (refused || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error != nullptr) *error = QStringLiteral("Cannot create file %1").arg(QDir::toNativeSeparators(path));
        return false;
    }
    return true;
}

void TfmLog::btSaveClick() {
    TDialogs::FileRequest request;
    request.Filter = QStringLiteral("Text Files (*.txt)");
    request.DefaultSuffix = QStringLiteral("txt");
    const QString path = dialogs_.SaveFileName(this, request);
    if (path.isEmpty()) return;
    QString error;
    if (!SaveLines(path, &error)) dialogs_.ShowError(this, error);
}

}  // namespace trimora::gui
