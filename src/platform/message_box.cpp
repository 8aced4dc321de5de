#include "platform/message_box.h"

#include "platform/modal.h"
#include "platform/product.h"

#include <QAbstractButton>
#include <QApplication>

namespace {

MessageBoxAnswer& Answer() {
    static MessageBoxAnswer answer;
    return answer;
}

}  // namespace

QMessageBox::StandardButton ZMessageBox(const QString& text, QMessageBox::StandardButtons buttons,
                                        QMessageBox::Icon icon, QWidget* parent) {
    const SMessageBoxCall call{text, buttons, icon == QMessageBox::NoIcon ? QMessageBox::Warning : icon};
    if (CancellingModals()) {
        return EscapeButton(buttons);
    }
    if (Answer()) {
        // A copy, so that an answer may replace itself while it runs.
        const MessageBoxAnswer answer = Answer();
        const CModalRun run(nullptr);
        const QMessageBox::StandardButton reply = answer(call);
        // Closed by a lock while it was open.
        return CancellingModals() ? EscapeButton(buttons) : reply;
    }
    QMessageBox box(call.icon, QString::fromLatin1(product::kAppTitle), text, buttons,
                    parent ? parent : QApplication::activeWindow());
    // Messages quote file names and site names; none of them is markup.
    box.setTextFormat(Qt::PlainText);
    const CModalRun run(&box);
    const int result = box.exec();
    if (QAbstractButton* clicked = box.clickedButton()) {
        return box.standardButton(clicked);
    }
    return static_cast<QMessageBox::StandardButton>(result);
}

QMessageBox::StandardButton EscapeButton(QMessageBox::StandardButtons buttons) {
    for (const auto button : {QMessageBox::Cancel, QMessageBox::No}) {
        if (buttons.testFlag(button)) {
            return button;
        }
    }
    return QMessageBox::Ok;
}

void SetMessageBoxAnswer(MessageBoxAnswer answer) {
    Answer() = std::move(answer);
}
