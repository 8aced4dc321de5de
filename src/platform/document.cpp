#include "platform/document.h"

#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/product.h"
#include "platform/text_codec.h"
#include "vault/vault_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

const QString kUntitled = u"Unbenannt"_s;

}  // namespace

std::string PathToCore(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

CDocument::CDocument(QObject* parent) : QObject(parent), m_strTitle(kUntitled) {}

CDocument::~CDocument() = default;

void CDocument::SetTitle(const QString& title) {
    m_strTitle = title;
    emit titleChanged(m_strTitle);
}

void CDocument::SetPathName(const QString& path) {
    m_strPathName = path;
    m_recentFiles.Add(path);
    SetTitle(QFileInfo(path).fileName());
    emit pathChanged();
}

QString CDocument::FileErrorMessage(const SVaultResult& result, const QString& path, bool saving) {
    QString text = TextFromVault(VaultErrorTemplate(result, saving));
    // replace, not arg: a path may itself hold "%1".
    return text.replace(u"%1"_s, QDir::toNativeSeparators(path));
}

void CDocument::ReportError(const SVaultResult& result, const QString& path, bool saving) const {
    QString text = FileErrorMessage(result, path, saving);
    const QString detail = FailureDetail(result);
    if (!detail.isEmpty()) {
        text += u'\n' + detail;
    }
    ZMessageBox(text, QMessageBox::Ok, QMessageBox::NoIcon, m_mainWindow);
}

CDocument::EOpenResult CDocument::OnOpenDocument(const QString& path) {
    // The file is opened first: one that cannot be opened leaves the document and its flag alone.
    const SVaultResult access = CheckVaultFileReadable(PathToCore(path));
    if (!access.ok()) {
        ReportError(access, path, false);
        return EOpenResult::kNotOpened;
    }
    SVaultResult result;
    if (!ReadDocument(path, result)) {
        return EOpenResult::kAbandoned;
    }
    DeleteContents();
    // Marked before the entries come: a read that failed half-way leaves entries the user has not
    // saved anywhere.
    SetModifiedFlag(true);
    TakeReadContent();
    if (!result.ok()) {
        ReportError(result, path, false);
        return EOpenResult::kReadFailed;
    }
    SetModifiedFlag(false);
    return EOpenResult::kOpened;
}

bool CDocument::OnSaveDocument(const QString& path) {
    const SVaultResult result = WriteDocument(path);
    if (!result.ok()) {
        ReportError(result, path, true);
        return false;
    }
    SetModifiedFlag(false);
    return true;
}

void CDocument::OnNewDocument() {
    m_strPathName.clear();
    SetModifiedFlag(false);
    emit pathChanged();
}

QString CDocument::DisplayName() const {
    if (!m_strPathName.isEmpty()) {
        return QFileInfo(m_strPathName).fileName();
    }
    return m_strTitle.isEmpty() ? kUntitled : m_strTitle;
}

bool CDocument::SaveModified() {
    if (!IsModified()) {
        return true;
    }
    const QString question = u"Änderungen in %1 speichern?"_s;
    switch (ZMessageBox(QString(question).replace(u"%1"_s, DisplayName()),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::NoIcon,
                        m_mainWindow)) {
        case QMessageBox::Yes:
            return DoFileSave();
        case QMessageBox::No:
            return true;
        default:
            return false;
    }
}

bool CDocument::DoFileSave() {
    if (!m_strPathName.isEmpty()) {
        return SaveToPath(m_strPathName);
    }
    const QStringList type = QString::fromUtf8(product::kDocTemplate).split(u'\n');
    const QString path = AskSaveFileName(m_mainWindow, u"Speichern unter"_s,
                                         {type[product::kFilterName], u"Alle Dateien (*)"_s},
                                         type[product::kFilterExt].mid(1).toLower());
    if (path.isEmpty() || !ConfirmReplace(path)) {
        return false;
    }
    if (!SaveToPath(path)) {
        return false;
    }
    SetPathName(path);
    return true;
}

bool CDocument::ConfirmReplace(const QString& path) const {
    if (!QFileInfo::exists(path)) {
        return true;
    }
    const QString question = u"%1 ist bereits vorhanden.\nSoll die Datei ersetzt werden?"_s;
    return ZMessageBox(QString(question).replace(u"%1"_s, QDir::toNativeSeparators(path)),
                       QMessageBox::Yes | QMessageBox::No, QMessageBox::Warning,
                       m_mainWindow) == QMessageBox::Yes;
}

QString CDocument::CleanPath(const QString& path) {
    QString clean = path;
    if (clean.startsWith(u'"')) {
        clean.remove(0, 1);
        const qsizetype quote = clean.indexOf(u'"');
        if (quote >= 0) {
            clean.truncate(quote);
        }
    }
    if (clean.isEmpty()) {
        return clean;
    }
    QFileInfo info(clean);
    clean = info.absoluteFilePath();
    // A link stands for its target, as a shortcut file does; one planted by another user stays,
    // so that its open is refused.
    if (QFileInfo(clean).isSymLink() && !IsRefusedLink(PathToCore(clean))) {
        const QString target = QFileInfo(clean).canonicalFilePath();
        clean = target.isEmpty() ? QFileInfo(clean).symLinkTarget() : target;
    }
    return QDir::cleanPath(clean);
}

bool CDocument::OpenDocumentFile(const QString& path, bool atStartup, bool* abandoned) {
    if (abandoned) {
        *abandoned = false;
    }
    const QString clean = CleanPath(path);
    if (clean.isEmpty()) {
        return false;
    }
    if (!m_strPathName.isEmpty() && clean == m_strPathName) {
        emit bringToFront();
        return true;
    }
    if (!SaveModified()) {
        return false;
    }
    const bool wasModified = IsModified();
    SetModifiedFlag(false);
    const EOpenResult result = PrepareOpenRoute(clean) ? OnOpenDocument(clean) : EOpenResult::kAbandoned;
    if (result == EOpenResult::kAbandoned) {
        SetModifiedFlag(wasModified);
        if (abandoned) {
            *abandoned = true;
        }
        return false;
    }
    if (result != EOpenResult::kOpened) {
        if (!atStartup) {
            if (!IsModified()) {
                SetModifiedFlag(wasModified);
            } else {
                OnNewDocument();
                SetTitle(kUntitled);
            }
            UpdateAllViews();
        }
        return false;
    }
    SetPathName(clean);
    emit initialUpdate();
    emit bringToFront();
    return true;
}
