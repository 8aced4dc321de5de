#include "dialogs/dialog_support.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProxyStyle>
#include <QString>
#include <QStringList>
#include <QStyleFactory>

#include "platform/message_box.h"
#include "platform/settings_store.h"
#include "platform/text_codec.h"
#include "resources/app_icon.h"

using namespace Qt::StringLiterals;

namespace {

class CHashMaskStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        switch (hint) {
            case SH_LineEdit_PasswordCharacter:
                return u'#';
            case SH_LineEdit_PasswordMaskDelay:
                // Not even the last typed character is shown.
                return 0;
            default:
                return QProxyStyle::styleHint(hint, option, widget, returnData);
        }
    }
};

// One instance for all fields; it lives as long as the application, longer than any field.
QStyle* HashMaskStyle() {
    static QPointer<CHashMaskStyle> style;
    if (!style) {
        // Over a style of the application's own kind, so that masked fields look like the others.
        style = new CHashMaskStyle(QStyleFactory::create(QApplication::style()->name()));
        style->setParent(qApp);
    }
    return style;
}

// A line edit offers what is selected in it as the X selection PRIMARY, which every program of the
// session may read without the clipboard's password hint; Qt holds that back only while the text
// is masked.  A password field's selection stays in the field: whatever it hands to PRIMARY is
// taken back at once, before the event loop could answer another program asking for it.
void KeepSelectionLocal(QLineEdit& field) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard || !clipboard->supportsSelection()) {
        return;
    }
    QObject::connect(clipboard, &QClipboard::changed, &field, [&field, clipboard](QClipboard::Mode mode) {
        if (mode == QClipboard::Selection && clipboard->ownsSelection() &&
            QApplication::focusWidget() == &field && field.hasSelectedText() &&
            clipboard->text(QClipboard::Selection) == field.selectedText()) {
            clipboard->clear(QClipboard::Selection);
        }
    });
}

}  // namespace

QWidget* DialogOwner(QWidget* parent) {
    return parent ? parent : QApplication::activeWindow();
}

void PrepareDialogFrame(QDialog& dialog) {
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    dialog.setWindowIcon(AppIcon());
}

void ShowAppIcon(QLabel& label) {
    const int size = label.style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, &label);
    label.setPixmap(AppIcon().pixmap(QSize(size, size), label.devicePixelRatioF()));
    label.setFixedSize(size, size);
}

void SetMasked(QLineEdit& field, bool masked) {
    if (field.style() != HashMaskStyle()) {
        field.setStyle(HashMaskStyle());
        KeepSelectionLocal(field);
    }
    field.setEchoMode(masked ? QLineEdit::Password : QLineEdit::Normal);
}

void ApplyMaskChoice(QLineEdit& field, bool masked, const char* valueName) {
    SetMasked(field, masked);
    field.setFocus();
    CSettingsStore::WriteInt(settings::kSectionPassword, valueName, masked ? 1 : 0);
}

bool CheckStorable(QLineEdit& field, const QString& fieldName, QWidget* owner) {
    const QString text = field.text();
    if (IsStorableText(text)) {
        return true;
    }
    QStringList refused;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2 : 1;
        const QString one = text.mid(i, n);
        i += n;
        if (IsStorableText(one)) {
            continue;
        }
        const char32_t cp = one.toUcs4().value(0);
        // Invisible ones by their number, so that the message names something.
        const QString shown = QChar::isPrint(cp) && !QChar::isSpace(cp)
                                  ? one
                                  : u"U+"_s + QString::number(cp, 16).toUpper().rightJustified(4, u'0');
        if (!refused.contains(shown)) {
            refused.append(shown);
        }
    }
    ZMessageBox(
        u"Das Feld „%1“ enthält Zeichen, die ein Zelmora-Tresor nicht speichern kann: %2\n"
        u"Bitte ersetzen oder entfernen Sie sie."_s.arg(fieldName, refused.join(u' ')),
        QMessageBox::Ok, QMessageBox::Warning, owner);
    field.setFocus();
    return false;
}

int DialogUnitsX(const QWidget& widget, int units) {
    // The average width over the Latin letters, as dialog base units are measured.
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int average = (QFontMetrics(widget.font()).horizontalAdvance(letters) / 26 + 1) / 2;
    return (units * average + 2) / 4;
}
