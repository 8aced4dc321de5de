// Every message box of the program goes through ZMessageBox: caption "Zelmora", the exclamation
// icon unless another is asked for, German button texts.  Tests install an answer function instead.
#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

struct SMessageBoxCall {
    QString text;
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon;
};

using MessageBoxAnswer = std::function<QMessageBox::StandardButton(const SMessageBoxCall&)>;

// icon NoIcon means "none asked for" and shows the exclamation icon.  Returns the button pressed
// (Escape and the close box give Cancel, or No, or the only button when there is no Cancel).
QMessageBox::StandardButton ZMessageBox(const QString& text,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                        QMessageBox::Icon icon = QMessageBox::NoIcon,
                                        QWidget* parent = nullptr);

// What Escape gives for these buttons: Cancel, else No, else OK.  Also the answer of a box that
// the lock closes, or that starts while it closes them.
QMessageBox::StandardButton EscapeButton(QMessageBox::StandardButtons buttons);

// Replaces the real boxes while set (an empty function restores them).
void SetMessageBoxAnswer(MessageBoxAnswer answer);
