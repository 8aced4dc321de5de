// The open vault: its entries and vault password (held in CVaultData, shared with the CLI), its
// life as a file (new, open, save, save as, the ".bak" copy, the password change) and the
// sending of the vault by e-mail.
#pragma once

#include <QString>

#include <memory>
#include <string>
#include <utility>

#include "platform/document.h"
#include "vault/vault_data.h"

class CVaultSync;
class QTemporaryDir;
struct SSealedVault;

class CZelmoraDoc : public CDocument {
    Q_OBJECT
public:
    explicit CZelmoraDoc(QObject* parent = nullptr);
    ~CZelmoraDoc() override;

    // The entry array.
    int GetEntryCount() const { return m_data.GetEntryCount(); }
    const CEntry& GetEntryAt(int position) const { return m_data.GetEntryAt(position); }
    void AddEntry(std::string seite, std::string name, std::string passwort, std::string kommentar) {
        m_data.AddEntry(std::move(seite), std::move(name), std::move(passwort), std::move(kommentar));
    }
    void RemoveEntryAt(int position) { m_data.RemoveEntryAt(position); }
    void RemoveAllEntries() { m_data.RemoveAllEntries(); }
    void SetVaultPassword(const std::string& password) { m_data.SetVaultPassword(password); }
    int GetVaultPasswordLength() const { return m_data.GetVaultPasswordLength(); }
    const CVaultData& Data() const { return m_data; }

    bool IsModified() const override { return m_data.IsModified(); }
    void SetModifiedFlag(bool modified = true) override { m_data.SetModified(modified); }

    // Asks for the password of path and opens it in place of the open vault.  Cancelling the
    // password of a file in the encrypted form leaves the open vault as it was.
    void LoadVault(const QString& path);

    // Commands.
    void OnFileOpen();
    void OnFileSave();
    void OnFileSaveAs();
    void OnOpenLastFile();
    void OnChangePassword();
    void OnFileSendMail();
    // Ours: the entries, under a new password, into a KDBX 4 file for KeePassXC and KeePass.
    void OnFileExportKdbx();

    // Ours: the lock.  While locked the vault exists only as its file's bytes under the vault
    // password (a save writes them as they are); its texts and the password are wiped.
    bool IsLocked() const { return m_pSealed != nullptr; }
    // A vault password is set and the vault is not locked yet.
    bool CanLock() const;
    // False (nothing changed) when the vault cannot be sealed; the reason is reported.
    bool Lock();
    // False, and still locked, when password is not the vault's.
    bool Unlock(const std::string& password);
    // The new-document step also ends a lock: what was locked is gone then.
    void OnNewDocument() override;

    // The mail program (a name looked up in PATH, or a path); tests put a recorder in its place.
    static void SetMailProgram(const QString& program);

    // Ours: the file watched, reloaded and merged when another program changes it.
    CVaultSync& Sync() const { return *m_sync; }
    bool SaveToPath(const QString& path) override;

signals:
    // Before the texts are wiped: the views drop what they show of them.
    void aboutToLock();
    void lockChanged(bool locked);

protected:
    bool PrepareOpenRoute(const QString& path) override;
    bool ReadDocument(const QString& path, SVaultResult& result) override;
    void DeleteContents() override;
    void TakeReadContent() override;
    SVaultResult WriteDocument(const QString& path) override;
    QString FailureDetail(const SVaultResult& result) const override;

private:
    friend class CVaultSync;

    // The path as written by "Speichern &unter...": ".zlm" appended unless it ends so already.
    static QString WithVaultExtension(const QString& path);
    // Saves to path (taking it as the document's path when asked) and, when "Bak" is set, to
    // path + ".bak"; the modified flag follows the vault, not its copy.
    void SaveWithBackup(const QString& path, bool takePath);
    // The password dialog, for the vault file path when one is given: the typed text, or the empty
    // text when cancelled.
    std::string AskPassword(int showLength, const QString& path, bool* confirmed = nullptr) const;
    // The password to open path with.  False when it was cancelled for a file in the encrypted
    // form: its open is abandoned.  A plain file is read with the empty password then.
    bool AskOpenPassword(const QString& path, std::string& password) const;

    CVaultData m_data;
    std::string m_strOpenPassword;        // the password the next read starts with
    std::unique_ptr<CVaultData> m_pRead;  // what the last read gave, until it is taken
    std::unique_ptr<QTemporaryDir> m_mailDir;
    std::unique_ptr<SSealedVault> m_pSealed;  // while locked

    SVaultResult WriteSealed(const QString& path) const;
    void DropSeal();
    CVaultSync* m_sync;  // a child
};
