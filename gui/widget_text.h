#pragma once

#include <string>
#include <string_view>

#include <QString>
#include <QWidget>

namespace trimora::gui {

// The rule tree holds 8-bit text, one byte a character; Latin-1 maps every
// byte to one character and back, so texts from a tag-settings file return
// to it unchanged.
QString FromBytes(std::string_view bytes);
std::string ToBytes(const QString& text);

// A caption without its access-key markers: "Co&mpress Files" is
// "Compress Files", "&&" is "&".
QString StripAccelerators(const QString& caption);

// The name a screen reader reads for a control: its caption without markers.
void SetAccessibleCaption(QWidget* widget, const QString& caption);

// A control with its caption, the object name the code and tests know it
// by, and its caption as its accessible name: a button, check box, radio
// button, group box or label.
template <typename Control>
Control* MakeControl(QWidget* parent, const char* objectName, const QString& caption) {
    auto* control = new Control(caption, parent);
    control->setObjectName(QLatin1String(objectName));
    SetAccessibleCaption(control, caption);
    return control;
}

}  // namespace trimora::gui
