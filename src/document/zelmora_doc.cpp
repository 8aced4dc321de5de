#include "document/zelmora_doc.h"

#include "cli/kdbx_writer.h"
#include "dialogs/kdbx_password_dlg.h"
#include "dialogs/password_dlg.h"
#include "document/vault_sync.h"
#include "platform/busy_progress.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/settings_store.h"
#include "platform/text_codec.h"
#include "resources/resource_ids.h"
#include "vault/secure_wipe.h"
#include "vault/vault_file.h"
#include "vault/vault_seal.h"
#include "vault/vault_snapshot.h"

#include <cerrno>
#include <memory>
#include <new>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

QString& MailProgram() {
    static QString program = u"xdg-email"_s;
    return program;
}

}  // namespace

CZelmoraDoc::CZelmoraDoc(QObject* parent) : CDocument(parent), m_sync(new CVaultSync(*this)) {}

CZelmoraDoc::~CZelmoraDoc() {
    // A mail program still starting keeps running after Zelmora ends, and keeps its attachment.
    for (QProcess* process : findChildren<QProcess*>()) {
        if (process->state() != QProcess::NotRunning) {
            process->setParent(nullptr);
            if (m_mailDir) {
                m_mailDir->setAutoRemove(false);
            }
        }
    }
}

void CZelmoraDoc::SetMailProgram(const QString& program) {
    MailProgram() = program;
}

std::string CZelmoraDoc::AskPassword(int showLength, const QString& path, bool* confirmed) const {
    CPasswordDlg dlg(showLength, MainWindow());
    if (!path.isEmpty()) {
        dlg.SetFileName(QFileInfo(path).fileName());
    }
    const bool ok = dlg.DoModal() == zid::IDOK;
    if (confirmed) {
        *confirmed = ok;
    }
    return ok ? dlg.m_strPassword : std::string();
}

bool CZelmoraDoc::AskOpenPassword(const QString& path, std::string& password) const {
    bool confirmed = false;
    password = AskPassword(0, path, &confirmed);
    // Read without its password, an encrypted file would show its cipher records as entries, and
    // a save would encrypt them once more.
    return confirmed || !IsEncryptedVaultFile(PathToCore(path));
}

bool CZelmoraDoc::ReadDocument(const QString& path, SVaultResult& result) {
    const std::string corePath = PathToCore(path);
    auto read = std::make_unique<CVaultData>();
    read->SetVaultPassword(m_strOpenPassword);
    SecureWipe(m_strOpenPassword);
    CVaultSnapshot snapshot;
    for (;;) {
        result = LoadVaultSnapshot(corePath, *read, snapshot);
        if (result.status != EVaultStatus::kWrongPassword) {
            break;
        }
        // Nothing of the file was kept: tell the user and ask again.
        ReportError(result, path, false);
        std::string password;
        const bool again = AskOpenPassword(path, password);
        read->SetVaultPassword(password);
        SecureWipe(password);
        if (!again) {
            return false;
        }
    }
    m_pRead = std::move(read);
    m_sync->Read(path, std::move(snapshot), result.ok());
    return true;
}

void CZelmoraDoc::TakeReadContent() {
    if (m_pRead) {
        m_data.TakeContent(*m_pRead);
        m_pRead.reset();
    }
    m_sync->ReadTaken();
}

SVaultResult CZelmoraDoc::WriteDocument(const QString& path) {
    if (IsLocked()) {
        return WriteSealed(path);
    }
    return m_sync->Write(path, m_data);
}

bool CZelmoraDoc::SaveToPath(const QString& path) {
    return m_sync->Save(path, [this, &path] { return OnSaveDocument(path); }) ==
           CVaultSync::ESaveResult::kSaved;
}

QString CZelmoraDoc::FailureDetail(const SVaultResult& result) const {
    if (result.status != EVaultStatus::kZeroByteInText || result.position < 0 ||
        result.position >= GetEntryCount()) {
        return {};
    }
    static const QString kFields[4] = {u"Seite"_s, u"Name"_s, u"Passwort"_s, u"Kommentar"_s};
    // One pass of arg(): a site holding "%2" stays as it is.
    return u"Der Eintrag „%1“ (Nr. %2) lässt sich nicht verschlüsseln: sein Feld „%3“ enthält ein "
           u"Null-Zeichen, das verschlüsselt verloren ginge."_s.arg(
               ShortTextFromVault(GetEntryAt(result.position).GetSeite(), 60),
               QString::number(result.position + 1), kFields[result.field & 3]);
}

bool CZelmoraDoc::PrepareOpenRoute(const QString& path) {
    // The file's own password, never the open vault's: a plain file is read without one.
    if (!IsEncryptedVaultFile(PathToCore(path))) {
        SecureWipe(m_strOpenPassword);
        return true;
    }
    return AskOpenPassword(path, m_strOpenPassword);
}

void CZelmoraDoc::LoadVault(const QString& path) {
    if (path.isEmpty()) {
        return;
    }
    std::string password;
    if (!AskOpenPassword(path, password)) {
        return;
    }
    m_strOpenPassword = password;
    switch (OnOpenDocument(path)) {
        case EOpenResult::kAbandoned:
            SecureWipe(password);
            return;
        case EOpenResult::kNotOpened:
            // The vault that was open is left all the same, and the path is taken when the file
            // does not exist yet; a file that exists but was refused must not be overwritten.
            RemoveAllEntries();
            OnNewDocument();
            SetVaultPassword(password);
            if (QFileInfo::exists(path)) {
                SetTitle(u"Unbenannt"_s);
            } else {
                SetPathName(path);
            }
            break;
        case EOpenResult::kReadFailed: {
            // What was read stays visible, but a save must not overwrite the file that failed to read.
            const bool modified = IsModified();
            OnNewDocument();
            SetModifiedFlag(modified);
            SetTitle(u"Unbenannt"_s);
            break;
        }
        case EOpenResult::kOpened:
            SetPathName(path);
            break;
    }
    SecureWipe(password);
    SecureWipe(m_strOpenPassword);  // not taken by a read when the file could not be opened
    UpdateAllViews();
}

void CZelmoraDoc::OnFileOpen() {
    if (!SaveModified()) {
        return;
    }
    const QString path = AskOpenFileName(MainWindow(), VaultFileFilters());
    if (path.isEmpty()) {
        return;
    }
    LoadVault(path);
    CSettingsStore::WriteString(settings::kSectionGeneral, settings::kLastFile, path);
}

void CZelmoraDoc::OnOpenLastFile() {
    const QString path = CSettingsStore::ReadString(settings::kSectionGeneral, settings::kLastFile);
    if (path.isEmpty() || !SaveModified()) {
        return;
    }
    LoadVault(path);
}

void CZelmoraDoc::SaveWithBackup(const QString& path, bool takePath) {
    const CVaultSync::ESaveResult outcome =
        m_sync->Save(path, [this, &path] { return OnSaveDocument(path); });
    if (outcome == CVaultSync::ESaveResult::kCancelled) {
        return;  // nothing written, no copy either
    }
    const bool saved = outcome == CVaultSync::ESaveResult::kSaved;
    if (takePath) {
        SetPathName(path);  // also after a failed save, so that the next save tries the same name
    }
    if (CSettingsStore::ReadInt(settings::kSectionProperties, settings::kBak, 1) != 0) {
        OnSaveDocument(path + u".bak"_s);
        // The copy's success says nothing about the vault itself.
        SetModifiedFlag(!saved);
    }
}

void CZelmoraDoc::OnFileSave() {
    if (GetPathName().isEmpty()) {
        OnFileSaveAs();
        return;
    }
    SaveWithBackup(GetPathName(), false);
}

QString CZelmoraDoc::WithVaultExtension(const QString& path) {
    if (path.right(4).compare(u".zlm"_s, Qt::CaseInsensitive) == 0) {
        return path;
    }
    return path + u".zlm"_s;
}

void CZelmoraDoc::OnFileSaveAs() {
    QString chosen;
    for (;;) {
        chosen = AskSaveFileName(MainWindow(), u"Speichern unter"_s, VaultFileFilters(), QString(), chosen);
        if (chosen.isEmpty()) {
            return;
        }
        // Asked only now: the extension may name another file than the one chosen in the dialog.
        // No returns to the dialog.
        const QString path = WithVaultExtension(chosen);
        if (ConfirmReplace(path)) {
            SaveWithBackup(path, true);
            return;
        }
    }
}

void CZelmoraDoc::OnChangePassword() {
    if (IsLocked()) {
        return;
    }
    if (GetVaultPasswordLength() != 0 &&
        ZMessageBox(u"Du hast schon ein Passwort für diese Datei, bist Du sicher das Du das ändern willst?"_s,
                    QMessageBox::Yes | QMessageBox::No, QMessageBox::NoIcon,
                    MainWindow()) != QMessageBox::Yes) {
        return;
    }
    bool confirmed = false;
    std::string password = AskPassword(1, QString(), &confirmed);
    if (!confirmed) {
        ZMessageBox(u"Passwort ändern abgebrochen."_s, QMessageBox::Ok, QMessageBox::NoIcon, MainWindow());
        return;
    }
    SetVaultPassword(password);
    SecureWipe(password);
    SetModifiedFlag(true);
    UpdateAllViews();
}

void CZelmoraDoc::OnFileSendMail() {
    if (IsLocked()) {
        return;
    }
    QString program = MailProgram();
    if (!QFileInfo(program).isAbsolute()) {
        program = QStandardPaths::findExecutable(program);
    }
    if (program.isEmpty() || !QFileInfo(program).isExecutable()) {
        ZMessageBox(
            u"Das Programm xdg-email wurde nicht gefunden. Die Datei kann nicht per e-mail versendet "
            u"werden (Paket xdg-utils)."_s,
            QMessageBox::Ok, QMessageBox::NoIcon, MainWindow());
        return;
    }
    QString attachment = GetPathName();
    if (IsModified() || attachment.isEmpty()) {
        // A copy of what the user sees, written by the same serialization; the vault stays modified.
        m_mailDir = std::make_unique<QTemporaryDir>();
        if (!m_mailDir->isValid()) {
            ReportError(FileErrorResult(EACCES), m_mailDir->path(), true);
            return;
        }
        QFile::setPermissions(m_mailDir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString name =
            GetPathName().isEmpty() ? DisplayName() + u".zlm"_s : QFileInfo(GetPathName()).fileName();
        attachment = m_mailDir->filePath(name);
        const SVaultResult result = SaveVaultFile(PathToCore(attachment), m_data);
        if (!result.ok()) {
            ReportError(result, attachment, true);
            return;
        }
    }
    auto* process = new QProcess(this);
    connect(process, &QProcess::finished, this, [this, process](int exitCode, QProcess::ExitStatus status) {
        process->deleteLater();
        if (status != QProcess::NormalExit || exitCode != 0) {
            ZMessageBox(
                u"Die Nachricht konnte nicht gesendet werden: xdg-email meldet einen Fehler (%1)."_s.arg(
                    exitCode),
                QMessageBox::Ok, QMessageBox::NoIcon, MainWindow());
        }
    });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            process->deleteLater();
            ZMessageBox(u"Das Programm xdg-email konnte nicht gestartet werden."_s, QMessageBox::Ok,
                        QMessageBox::NoIcon, MainWindow());
        }
    });
    process->start(program, {u"--attach"_s, attachment});
}

void CZelmoraDoc::OnFileExportKdbx() {
    if (IsLocked()) {
        return;
    }
    const QString title = u"Als KDBX exportieren"_s;
    // Proposed: the vault's name with ".kdbx", beside the vault.
    const QFileInfo vault(GetPathName());
    const QString proposal = GetPathName().isEmpty()
                                 ? QString()
                                 : vault.absoluteDir().filePath(vault.completeBaseName() + u".kdbx"_s);
    const QString path = AskSaveFileName(
        MainWindow(), title, {u"KDBX-Dateien (*.kdbx)"_s, u"Alle Dateien (*)"_s}, u"kdbx"_s, proposal);
    if (path.isEmpty()) {
        return;
    }
    if (QFileInfo::exists(path) &&
        ZMessageBox(u"%1 ist bereits vorhanden.\nSoll die Datei ersetzt werden?"_s.arg(
                        QDir::toNativeSeparators(path)),
                    QMessageBox::Yes | QMessageBox::No, QMessageBox::Warning,
                    MainWindow()) != QMessageBox::Yes) {
        return;
    }
    CKdbxPasswordDlg dlg(MainWindow());
    if (dlg.DoModal() != zid::IDOK) {
        return;
    }

    // The texts are taken here, on this thread; the worker sees only the payload.
    const QString name = GetPathName().isEmpty() ? GetTitle() : vault.completeBaseName();
    std::unique_ptr<kdbx::CKdbxPayload> payload;
    SVaultResult result;
    try {
        payload = std::make_unique<kdbx::CKdbxPayload>(m_data, name.toStdString());
    } catch (const std::bad_alloc&) {
        result.status = EVaultStatus::kOutOfMemory;
    } catch (const std::exception&) {
        result.status = EVaultStatus::kGeneralError;
    }
    if (payload) {
        const std::string corePath = PathToCore(path);
        RunWithProgress(MainWindow(), title,
                        u"Der Schlüssel für %1 wird abgeleitet ..."_s.arg(QFileInfo(path).fileName()), [&] {
                            result = kdbx::WriteKdbxFile(corePath, *payload, dlg.m_strPassword,
                                                         kdbx::CalibrateKdf());
                        });
    }
    SecureWipe(dlg.m_strPassword);
    if (!result.ok()) {
        ReportError(result, path, true);
        return;
    }
    QString text = (payload->EntryCount() == 1 ? u"%1 Eintrag wurde nach %2 exportiert."_s
                                               : u"%1 Einträge wurden nach %2 exportiert."_s)
                       .arg(payload->EntryCount())
                       .arg(QDir::toNativeSeparators(path));
    if (const int dropped = payload->DroppedCount()) {
        QStringList positions;
        for (const kdbx::SDropped& d : payload->Dropped()) {
            const QString p = QString::number(d.position + 1);
            if (!positions.contains(p)) {
                positions.append(p);
            }
        }
        text +=
            u"\n\n%1 Steuerzeichen, die eine KDBX-Datei nicht aufnehmen kann, wurden ausgelassen "
            u"(Eintrag %2)."_s.arg(dropped)
                .arg(positions.join(u", "_s));
    }
    ZMessageBox(text, QMessageBox::Ok, QMessageBox::Information, MainWindow());
}
