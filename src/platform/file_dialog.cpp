#include "platform/file_dialog.h"

#include "platform/modal.h"
#include "resources/resource_ids.h"

#include <QFileDialog>

using namespace Qt::StringLiterals;

namespace {

QString RunFileDialog(QFileDialog& dialog) {
    // Qt's dialog, so that it behaves the same on every desktop and tests can drive it.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (RunModal(dialog) != zid::IDOK) {
        return {};
    }
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

}  // namespace

QStringList VaultFileFilters() {
    return {u"Zelmora Dateien (*.zlm)"_s, u"Zelmora Bak Dateien (*.bak)"_s, u"Alle Dateien (*)"_s};
}

QString AskOpenFileName(QWidget* parent, const QStringList& filters) {
    QFileDialog dialog(parent, u"Öffnen"_s);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(filters);
    return RunFileDialog(dialog);
}

QString AskSaveFileName(QWidget* parent, const QString& title, const QStringList& filters,
                        const QString& defaultSuffix, const QString& initialPath) {
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(defaultSuffix);
    if (!initialPath.isEmpty()) {
        dialog.selectFile(initialPath);
    }
    return RunFileDialog(dialog);
}
