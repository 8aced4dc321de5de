// What the dialogs share: their owner, frame and icon, the "#" mask of password fields, the
// check for characters a vault cannot hold and sizes in dialog units.
#pragma once

class QDialog;
class QLabel;
class QLineEdit;
class QString;
class QWidget;

// The owner a dialog gets when its caller passes none: the application's active window.
QWidget* DialogOwner(QWidget* parent);

// Caption with system menu and close box, no help button; the application icon.
void PrepareDialogFrame(QDialog& dialog);

// The application icon at the style's size for large icons.
void ShowAppIcon(QLabel& label);

// masked: every character shows as "#"; otherwise the text shows plain.  The text stays.  Masked or
// not, what is selected in the field is never offered to other programs as the X selection.
void SetMasked(QLineEdit& field, bool masked);

// The masking step of both password fields: mask or show the field, give it the focus and
// remember the choice as 1 or 0 under valueName in section "Password".
void ApplyMaskChoice(QLineEdit& field, bool masked, const char* valueName);

// On confirming: when the field holds characters that a vault text cannot hold, says which ones in
// a message naming the field (fieldName), gives the field the focus and returns false; the text
// stays as it is, so that nothing is lost without a word.
bool CheckStorable(QLineEdit& field, const QString& fieldName, QWidget* owner);

// Horizontal dialog units in pixels of the widget's font (a quarter of its average character
// width), so that sizes follow the desktop's dialog font.
int DialogUnitsX(const QWidget& widget, int units);
