#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace trimora::gui {

class TCreditsStrip;
class TDesktop;
class TShimmerStrip;

// The program's version as built, "0.1.0".
const QString& ProgramVersion();

// Who made Trimora and where to find it.
inline constexpr char MakerName[] = "Kestrova";
inline constexpr char MakerWebSite[] = "https://www.kestrova.com/";

// The About box.
class TfmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfmAbout(TDesktop& desktop, QWidget* owner = nullptr);

    // " " * 34 + "Special thanks to: " + the names.
    static QString CreditsLine();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TDesktop& desktop_;
    QLabel* imLogo;
    TShimmerStrip* Shimmer;
    QLabel* lbVersion;
    QPlainTextEdit* Memo;
    QLabel* lbMaker;
    QPushButton* btOK;
    TCreditsStrip* Credits;
};

}  // namespace trimora::gui
