// Runs dialogs modally, with a seam for tests: while a hook is set, RunModal shows the dialog
// without a modal loop, lets the hook drive it (type, click, accept or reject) and returns.
#pragma once

#include <functional>

class QDialog;

using ModalHook = std::function<void(QDialog&)>;

// 1 (IDOK) when the dialog was accepted, 2 (IDCANCEL) otherwise.
int RunModal(QDialog& dialog);

// An empty hook restores real modal runs.  A dialog the hook leaves open counts as cancelled.
void SetModalHook(ModalHook hook);
