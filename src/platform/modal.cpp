#include "platform/modal.h"

#include "resources/resource_ids.h"

#include <QDialog>

namespace {

ModalHook& Hook() {
    static ModalHook hook;
    return hook;
}

}  // namespace

int RunModal(QDialog& dialog) {
    if (!Hook()) {
        return dialog.exec() == QDialog::Accepted ? zid::IDOK : zid::IDCANCEL;
    }
    // A copy, so that the hook may replace itself while it drives the dialog.
    const ModalHook hook = Hook();
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    hook(dialog);
    if (dialog.isVisible()) {
        dialog.reject();  // what Escape would have done
        if (dialog.isVisible()) {
            dialog.hide();
        }
        return zid::IDCANCEL;
    }
    return dialog.result() == QDialog::Accepted ? zid::IDOK : zid::IDCANCEL;
}

void SetModalHook(ModalHook hook) {
    Hook() = std::move(hook);
}
