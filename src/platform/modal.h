// Runs dialogs modally, with a seam for tests: while a hook is set, RunModal shows the dialog
// without a modal loop, lets the hook drive it (type, click, accept or reject) and returns.
#pragma once

#include <QPointer>

#include <functional>

class QDialog;

using ModalHook = std::function<void(QDialog&)>;

// 1 (IDOK) when the dialog was accepted, 2 (IDCANCEL) otherwise.
int RunModal(QDialog& dialog);

// An empty hook restores real modal runs.  A dialog the hook leaves open counts as cancelled.
void SetModalHook(ModalHook hook);

// Ours, for the lock: every modal run (dialog, message box, progress indication) counts while it
// is open, and all of them can be closed as if cancelled.
class CModalRun {
public:
    // dialog: what closing the run closes (nullptr for one that cannot be closed, which is waited for).
    explicit CModalRun(QDialog* dialog);
    ~CModalRun();
    CModalRun(const CModalRun&) = delete;
    CModalRun& operator=(const CModalRun&) = delete;

private:
    QPointer<QDialog> m_dialog;
};

int OpenModalCount();
// On: every open dialog and message box is closed as Escape would close it, and those that start
// while it stays on end at once the same way.  Off: they run again.
void SetCancellingModals(bool on);
bool CancellingModals();
// Called each time the last open modal run has ended.
void SetModalsEndedHandler(std::function<void()> handler);
