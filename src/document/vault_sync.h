// Keeps the open vault in step with its file when another program changes it (a script, a sync
// tool, Zelmora on another machine): remembers the file as it was last read or written (the base,
// as the file's own bytes), watches it, reloads an unmodified vault at once, offers a merge for a
// modified one, and asks before a save would overwrite another program's change.  Saves hold the
// lock that zelmora-cli takes around its read-modify-write.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

#include "vault/vault_snapshot.h"

class CFileWatch;
class CZelmoraDoc;

class CVaultSync : public QObject {
    Q_OBJECT
public:
    explicit CVaultSync(CZelmoraDoc& doc);
    ~CVaultSync() override;

    // From the document's read step: what the file was, for the base once the read is taken.
    void Read(const QString& path, CVaultSnapshot&& snapshot, bool ok);
    void ReadTaken();
    // The document's write step.  A write to the file being saved keeps what was written.
    SVaultResult Write(const QString& path, const CVaultData& data);
    // The same for a locked window, which writes the vault's sealed bytes as they are.
    SVaultResult WriteBytes(const QString& path, const std::string& bytes);

    enum class ESaveResult { kSaved, kFailed, kCancelled };
    // Saves the vault to path with write (the framework's save step) under the lock.  When path is
    // the file the base came from and it changed since, asks first: Ja merges and saves, Nein
    // overwrites, Abbrechen writes nothing.
    ESaveResult Save(const QString& path, const std::function<bool()>& write);

    // Whether the window's content may be replaced from the file now.  Every reload and merge
    // asks this first.
    bool MayReloadNow() const;

    // Looks at the file now (the watch settled, the window was activated).
    void Check();

    // The choices of the bar shown for a modified vault.
    void Merge();
    void ReloadDiscarding();
    void KeepMine();

    // The lock of the window: the base's password is kept only under the vault password (cipher
    // text), and put back with it; a save while locked wrote bytes under the vault password.
    void Seal(const std::string& vaultPassword);
    void Unseal(const std::string& vaultPassword);
    void DropSeal();
    // Locked because the file's password was changed elsewhere: an unlock with the file's new
    // password reads the file (the vault was unmodified, nothing of it is lost).
    bool UnlockFromFile(const std::string& password);

    bool Watching() const;
    bool ChangeOffered() const { return m_bOffered; }

signals:
    // The bar above the list shows (the file changed under a modified vault) or hides.
    void changeOffered(bool offered);
    // The entries are about to be replaced from the file: the views note what they show while
    // their rows still name the old entries.
    void aboutToReload();
    // The entries were replaced from the file: the views refill, keeping what they show.
    void reloaded();
    void statusMessage(const QString& text);

private:
    struct SKnown {
        QString path;
        CVaultSnapshot snapshot;
    };

    void OnPathChanged();
    // The identity the file at path had when last read or written (none known: it did not exist).
    SFileIdentity KnownIdentity(const QString& path) const;
    // Reads the file at path with the first of passwords that fits (kWrongPassword when none does).
    SVaultResult ReadTheirs(const QString& path, const std::vector<std::string>& passwords,
                            CVaultData& theirs, CVaultSnapshot& snapshot);
    // Says that the password does not fit and asks for the file's password, added to passwords.
    // False when cancelled.
    bool AskPassword(const QString& path, std::vector<std::string>& passwords, const SVaultResult& result);
    std::vector<std::string> PasswordsToTry() const;
    // The snapshot a merge of path starts from.
    const CVaultSnapshot& BaseFor(const QString& path) const;
    // Puts the merge of base, mine and theirs into the document; the base becomes theirs.
    void ApplyMerge(const QString& path, std::vector<CEntry>&& base, CVaultData& theirs,
                    CVaultSnapshot&& snapshot, int& added, int& removed);
    // The file's content replaces the document's.
    void ApplyReload(const QString& path, CVaultData& theirs, CVaultSnapshot&& snapshot);
    void Reload();
    void Offer(bool offered);
    void ForgetSeen() { m_bSeen = false; }
    static QString MergeMessage(int added, int removed);

    CZelmoraDoc& m_doc;
    CFileWatch* m_watch;
    QTimer m_retry;
    SKnown m_base;
    SKnown m_pendingRead;
    bool m_bPendingOk = false;
    SKnown m_lastWrite;
    QString m_strExpectedWrite;  // the path Save is writing
    // The version of the file already dealt with (offered, kept, gone, password cancelled), so that
    // the same change is not acted on twice.
    SFileIdentity m_seen;
    bool m_bSeen = false;
    bool m_bOffered = false;
    int m_nBusy = 0;
    // While locked: the base's password under the vault password, or the vault password itself.
    std::vector<unsigned char> m_sealedPassword;
    std::size_t m_nSealedPasswordLength = 0;
    bool m_bBasePasswordIsVaults = false;
    bool m_bLockedForNewPassword = false;
    bool m_bUnlockedWithOldPassword = false;  // then the reload asks rather than locking again
};
