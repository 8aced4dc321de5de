#include "platform/modal.h"

#include "resources/resource_ids.h"

#include <QDialog>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <vector>

namespace {

ModalHook& Hook() {
    static ModalHook hook;
    return hook;
}

struct SModalState {
    std::vector<QPointer<QDialog>> open;  // innermost last; a null entry cannot be closed
    int count = 0;
    bool cancelling = false;
    std::function<void()> ended;
};

SModalState& State() {
    static SModalState state;
    return state;
}

void CloseAsCancelled(QDialog& dialog) {
    if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
        for (const auto button :
             {QMessageBox::Cancel, QMessageBox::No, QMessageBox::Ok, QMessageBox::Close}) {
            if (QAbstractButton* found = box->button(button)) {
                found->click();
                return;
            }
        }
    }
    dialog.reject();
}

}  // namespace

CModalRun::CModalRun(QDialog* dialog) : m_dialog(dialog) {
    State().open.push_back(m_dialog);
    ++State().count;
}

CModalRun::~CModalRun() {
    SModalState& state = State();
    if (!state.open.empty()) {
        state.open.pop_back();
    }
    if (--state.count == 0 && state.ended) {
        // A copy: the handler may replace itself.
        const std::function<void()> ended = state.ended;
        ended();
    }
}

int OpenModalCount() {
    return State().count;
}

void SetCancellingModals(bool on) {
    State().cancelling = on;
    if (!on) {
        return;
    }
    // Innermost first: a message box over a dialog answers before the dialog goes.
    const std::vector<QPointer<QDialog>> open = State().open;
    for (auto it = open.rbegin(); it != open.rend(); ++it) {
        if (QDialog* dialog = it->data(); dialog && dialog->isVisible()) {
            CloseAsCancelled(*dialog);
        }
    }
}

bool CancellingModals() {
    return State().cancelling;
}

void SetModalsEndedHandler(std::function<void()> handler) {
    State().ended = std::move(handler);
}

int RunModal(QDialog& dialog) {
    if (CancellingModals()) {
        return zid::IDCANCEL;
    }
    const CModalRun run(&dialog);
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
