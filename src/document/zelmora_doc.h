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

class QTemporaryDir;

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

    // Empties the document, asks for the password and opens path.
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

    // The mail program (a name looked up in PATH, or a path); tests put a recorder in its place.
    static void SetMailProgram(const QString& program);

protected:
    void PrepareOpenRoute(const QString& path) override;
    SVaultResult ReadDocument(const QString& path) override;
    SVaultResult WriteDocument(const QString& path) override;

private:
    // The path as written by "Speichern &unter...": ".zlm" appended unless it ends so already.
    static QString WithVaultExtension(const QString& path);
    // Saves to path (taking it as the document's path when asked) and, when "Bak" is set, to
    // path + ".bak"; the modified flag follows the vault, not its copy.
    void SaveWithBackup(const QString& path, bool takePath);
    // The password dialog: the typed text, or the empty text when cancelled.
    std::string AskPassword(int showLength, bool* confirmed = nullptr) const;

    CVaultData m_data;
    std::unique_ptr<QTemporaryDir> m_mailDir;
};
