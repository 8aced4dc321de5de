#include "document/vault_sync.h"

#include "document/file_watch.h"
#include "document/zelmora_doc.h"
#include "platform/message_box.h"
#include "vault/field_cipher.h"
#include "vault/secure_wipe.h"
#include "vault/vault_file.h"
#include "vault/vault_lock.h"
#include "vault/vault_merge.h"

#include <QApplication>
#include <QDir>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Counts a step of ours, during which no reload may start.
class CBusy {
public:
    explicit CBusy(int& count) : m_count(count) { ++m_count; }
    ~CBusy() { --m_count; }
    CBusy(const CBusy&) = delete;
    CBusy& operator=(const CBusy&) = delete;

private:
    int& m_count;
};

// The passwords a step tries, wiped when it ends.
struct SPasswords {
    std::vector<std::string> list;
    SPasswords() = default;
    SPasswords(const SPasswords&) = delete;
    SPasswords& operator=(const SPasswords&) = delete;
    ~SPasswords() {
        for (std::string& p : list) {
            SecureWipe(p);
        }
    }
};

class CWaitCursor {
public:
    CWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QApplication::restoreOverrideCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

bool SameVersion(const SFileIdentity& a, const SFileIdentity& b) {
    return a.exists == b.exists && a.hash == b.hash && a.size == b.size;
}

QString Entries(int count) {
    return count == 1 ? u"1 Eintrag"_s : u"%1 Einträge"_s.arg(count);
}

}  // namespace

CVaultSync::CVaultSync(CZelmoraDoc& doc) : QObject(&doc), m_doc(doc), m_watch(new CFileWatch(this)) {
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &CVaultSync::Check);
    connect(m_watch, &CFileWatch::settled, this, &CVaultSync::Check);
    connect(&m_doc, &CDocument::pathChanged, this, &CVaultSync::OnPathChanged);
}

CVaultSync::~CVaultSync() = default;

bool CVaultSync::Watching() const {
    return m_watch->Watching();
}

bool CVaultSync::MayReloadNow() const {
    // Not during a step of ours, and not under a dialog or message box: an open entry dialog holds
    // the position of the entry it edits.  Once the window can be locked: not while it is, since a
    // locked window reads no file behind the user's back.
    return m_nBusy == 0 && QApplication::activeModalWidget() == nullptr && !m_doc.IsLocked();
}

void CVaultSync::Seal(const std::string& vaultPassword) {
    DropSeal();
    m_pendingRead = SKnown();
    m_lastWrite = SKnown();
    const std::string& password = m_base.snapshot.Password();
    if (password == vaultPassword) {
        m_bBasePasswordIsVaults = true;
    } else if (!password.empty()) {
        // A password changed since the base was read: the base's own is kept, enciphered.
        m_sealedPassword = CFieldCipher(vaultPassword).EncryptText(password);
        m_nSealedPasswordLength = password.size();
    }
    m_base.snapshot.WipePassword();
}

void CVaultSync::Unseal(const std::string& vaultPassword) {
    m_bUnlockedWithOldPassword = m_bLockedForNewPassword;
    m_bLockedForNewPassword = false;
    if (m_bBasePasswordIsVaults) {
        m_base.snapshot.SetPassword(vaultPassword);
    } else if (!m_sealedPassword.empty()) {
        std::string password =
            CFieldCipher(vaultPassword).DecryptBytes(m_sealedPassword.data(), m_sealedPassword.size());
        password.resize(std::min(password.size(), m_nSealedPasswordLength));
        m_base.snapshot.SetPassword(password);
        SecureWipe(password);
    }
    DropSeal();
    // What happened to the file while the window was locked is looked at now.
    QTimer::singleShot(0, this, &CVaultSync::Check);
}

void CVaultSync::DropSeal() {
    SecureWipe(m_sealedPassword.data(), m_sealedPassword.size());
    m_sealedPassword.clear();
    m_nSealedPasswordLength = 0;
    m_bBasePasswordIsVaults = false;
}

void CVaultSync::OnPathChanged() {
    const QString path = m_doc.GetPathName();
    m_watch->SetFile(path);
    if (m_base.path != path) {
        m_base = SKnown();
    }
    ForgetSeen();
    Offer(false);
}

void CVaultSync::Read(const QString& path, CVaultSnapshot&& snapshot, bool ok) {
    m_pendingRead = SKnown{path, std::move(snapshot)};
    m_bPendingOk = ok;
}

void CVaultSync::ReadTaken() {
    // A read that failed half-way is no base: the window then has no path either.
    m_base = m_bPendingOk ? std::move(m_pendingRead) : SKnown();
    m_pendingRead = SKnown();
    m_bPendingOk = false;
}

SVaultResult CVaultSync::Write(const QString& path, const CVaultData& data) {
    if (path.isEmpty() || path != m_strExpectedWrite) {
        return SaveVaultFile(PathToCore(path), data);  // a copy (".bak"): no base
    }
    CVaultSnapshot snapshot;
    const SVaultResult result = SaveVaultSnapshot(PathToCore(path), data, snapshot);
    if (result.ok()) {
        m_lastWrite = SKnown{path, std::move(snapshot)};
    }
    return result;
}

SVaultResult CVaultSync::WriteBytes(const QString& path, const std::string& bytes) {
    if (path.isEmpty() || path != m_strExpectedWrite) {
        return SaveFileBytes(PathToCore(path), bytes);
    }
    SFileIdentity identity;
    const SVaultResult result = SaveFileBytes(PathToCore(path), bytes, &identity);
    if (result.ok()) {
        // Without a password while locked; Save marks the base as the vault password's.
        CVaultSnapshot snapshot;
        snapshot.Set(std::string(bytes), identity, std::string());
        m_lastWrite = SKnown{path, std::move(snapshot)};
    }
    return result;
}

SFileIdentity CVaultSync::KnownIdentity(const QString& path) const {
    return m_base.path == path ? m_base.snapshot.Identity() : SFileIdentity();
}

std::vector<std::string> CVaultSync::PasswordsToTry() const {
    // The vault's own password; then the one the base was read with, which another Zelmora kept
    // when this window's password was changed.
    std::vector<std::string> passwords{m_doc.m_data.GetVaultPassword()};
    if (m_base.snapshot.HasBytes() && m_base.snapshot.Password() != passwords.front()) {
        passwords.push_back(m_base.snapshot.Password());
    }
    return passwords;
}

SVaultResult CVaultSync::ReadTheirs(const QString& path, const std::vector<std::string>& passwords,
                                    CVaultData& theirs, CVaultSnapshot& snapshot) {
    SVaultResult result;
    result.status = EVaultStatus::kWrongPassword;
    for (const std::string& password : passwords) {
        theirs.RemoveAllEntries();
        theirs.SetVaultPassword(password);
        result = LoadVaultSnapshot(PathToCore(path), theirs, snapshot);
        if (result.status != EVaultStatus::kWrongPassword) {
            break;
        }
    }
    if (!result.ok()) {
        theirs.RemoveAllEntries();
        snapshot.Clear();
    }
    return result;
}

bool CVaultSync::AskPassword(const QString& path, std::vector<std::string>& passwords,
                             const SVaultResult& result) {
    m_doc.ReportError(result, path, false);
    std::string password;
    if (!m_doc.AskOpenPassword(path, password)) {
        return false;
    }
    passwords.push_back(password);
    SecureWipe(password);
    return true;
}

void CVaultSync::ApplyReload(const QString& path, CVaultData& theirs, CVaultSnapshot&& snapshot) {
    emit aboutToReload();
    CVaultData& data = m_doc.m_data;
    data.RemoveAllEntries();
    data.TakeContent(theirs);  // the entries and the password that fitted
    data.SetModified(false);
    m_base = SKnown{path, std::move(snapshot)};
    ForgetSeen();
    Offer(false);
    emit reloaded();
}

const CVaultSnapshot& CVaultSync::BaseFor(const QString& path) const {
    // Without a base of this file (or without its bytes: a vault too large for them) nothing
    // counts as removed by theirs: the merge keeps the entries of both.
    static const CVaultSnapshot kNone;
    return m_base.path == path ? m_base.snapshot : kNone;
}

void CVaultSync::ApplyMerge(const QString& path, std::vector<CEntry>&& base, CVaultData& theirs,
                            CVaultSnapshot&& snapshot, int& added, int& removed) {
    emit aboutToReload();
    CVaultData& data = m_doc.m_data;
    SMergeResult merged = MergeEntries(base, data.TakeEntries(), theirs.Entries());
    data.ReplaceEntries(std::move(merged.entries));
    data.SetModified(true);
    added = merged.added;
    removed = merged.removed;
    m_base = SKnown{path, std::move(snapshot)};
    ForgetSeen();
    Offer(false);
    emit reloaded();
}

QString CVaultSync::MergeMessage(int added, int removed) {
    return u"Zusammengeführt: %1 hinzugekommen, %2 weggefallen."_s.arg(Entries(added), Entries(removed));
}

void CVaultSync::Offer(bool offered) {
    if (m_bOffered != offered) {
        m_bOffered = offered;
        emit changeOffered(offered);
    }
}

void CVaultSync::Check() {
    if (!MayReloadNow()) {
        m_retry.start(CFileWatch::kSettleMs);
        return;
    }
    const QString path = m_doc.GetPathName();
    if (path.isEmpty()) {
        return;
    }
    const std::string corePath = PathToCore(path);
    SFileIdentity now;
    // A version already dealt with costs one stat, not a hash.
    if (m_bSeen && CheckFileChange(corePath, m_seen, now) == EFileChange::kUnchanged) {
        return;
    }
    const EFileChange change = CheckFileChange(corePath, KnownIdentity(path), now);
    if (change == EFileChange::kUnchanged) {
        ForgetSeen();
        Offer(false);
        return;
    }
    m_seen = now;
    m_bSeen = true;
    if (change == EFileChange::kGone) {
        // What is shown is all that is left of the vault: a save writes it again.
        m_doc.SetModifiedFlag(true);
        Offer(false);
        emit statusMessage(
            u"%1 wurde außerhalb von Zelmora gelöscht oder umbenannt. Die Einträge bleiben; Speichern "
            u"legt die Datei wieder an."_s.arg(m_doc.DisplayName()));
        return;
    }
    if (m_doc.IsModified()) {
        Offer(true);
        return;
    }
    Reload();
}

void CVaultSync::Reload() {
    const CBusy busy(m_nBusy);
    const QString path = m_doc.GetPathName();
    SPasswords passwords;
    passwords.list = PasswordsToTry();
    for (;;) {
        CVaultData theirs;
        CVaultSnapshot snapshot;
        const SVaultResult result = ReadTheirs(path, passwords.list, theirs, snapshot);
        if (result.ok()) {
            ApplyReload(path, theirs, std::move(snapshot));
            emit statusMessage(u"Tresor neu geladen: außerhalb von Zelmora geändert."_s);
            return;
        }
        if (result.status != EVaultStatus::kWrongPassword) {
            emit statusMessage(u"Tresor nicht neu geladen: "_s +
                               CDocument::FileErrorMessage(result, path, false));
            return;
        }
        // The password was changed elsewhere.  An unmodified vault with a password locks, as for
        // a lock: its unlock takes the file's new password.
        if (!m_bUnlockedWithOldPassword && !m_doc.IsModified() && m_doc.CanLock()) {
            m_bLockedForNewPassword = true;
            if (m_doc.Lock()) {
                emit statusMessage(
                    u"Tresor gesperrt: Das Passwort passt nicht mehr zu %1."_s.arg(m_doc.DisplayName()));
                return;
            }
            m_bLockedForNewPassword = false;
        }
        m_bUnlockedWithOldPassword = false;
        if (!AskPassword(path, passwords.list, result)) {
            emit statusMessage(
                u"Tresor nicht neu geladen: Das Passwort passt nicht mehr zu %1."_s.arg(m_doc.DisplayName()));
            return;
        }
    }
}

bool CVaultSync::UnlockFromFile(const std::string& password) {
    const QString path = m_doc.GetPathName();
    if (!m_bLockedForNewPassword || path.isEmpty()) {
        return false;
    }
    CVaultData theirs;
    CVaultSnapshot snapshot;
    if (!ReadTheirs(path, {password}, theirs, snapshot).ok()) {
        return false;
    }
    const CBusy busy(m_nBusy);
    m_bLockedForNewPassword = false;
    DropSeal();
    ApplyReload(path, theirs, std::move(snapshot));
    emit statusMessage(u"Tresor neu geladen: außerhalb von Zelmora geändert."_s);
    return true;
}

void CVaultSync::ReloadDiscarding() {
    if (MayReloadNow() && !m_doc.GetPathName().isEmpty()) {
        Reload();
    }
}

void CVaultSync::Merge() {
    if (!MayReloadNow() || m_doc.GetPathName().isEmpty()) {
        return;
    }
    const CBusy busy(m_nBusy);
    const QString path = m_doc.GetPathName();
    SPasswords passwords;
    passwords.list = PasswordsToTry();
    // The base is read on a second thread meanwhile.
    CSnapshotReader base(BaseFor(path));
    for (;;) {
        CVaultData theirs;
        CVaultSnapshot snapshot;
        const SVaultResult result = ReadTheirs(path, passwords.list, theirs, snapshot);
        if (result.ok()) {
            int added = 0;
            int removed = 0;
            ApplyMerge(path, base.Take(), theirs, std::move(snapshot), added, removed);
            emit statusMessage(MergeMessage(added, removed));
            return;
        }
        if (result.status != EVaultStatus::kWrongPassword) {
            m_doc.ReportError(result, path, false);
            return;
        }
        if (!AskPassword(path, passwords.list, result)) {
            return;  // the bar stays: nothing chosen yet
        }
    }
}

void CVaultSync::KeepMine() {
    // The version seen stays dealt with; the next save still asks before it replaces it.
    Offer(false);
}

CVaultSync::ESaveResult CVaultSync::Save(const QString& path, const std::function<bool()>& write) {
    const CBusy busy(m_nBusy);
    const std::string corePath = PathToCore(path);
    // Only the file the base came from can have been changed behind our back; another one the
    // user chose to replace.
    const bool known = !path.isEmpty() && m_base.path == path;
    SPasswords passwords;
    passwords.list = PasswordsToTry();
    bool decided = false;
    bool merge = false;
    SFileIdentity decidedFor;
    for (;;) {
        CVaultLock lock;
        ELockStatus locked;
        {
            const CWaitCursor wait;
            locked = lock.Acquire(corePath, CVaultLock::kWaitMs);
        }
        if (locked == ELockStatus::kTimeout) {
            ZMessageBox(
                u"%1 wird gerade von einem anderen Programm gespeichert. Bitte versuchen Sie es "
                u"gleich noch einmal."_s.arg(QDir::toNativeSeparators(path)),
                QMessageBox::Ok, QMessageBox::NoIcon, m_doc.MainWindow());
            return ESaveResult::kCancelled;
        }
        // kError: no lock file beside the vault (a folder we may not write); the save says why.
        bool merged = false;
        int added = 0;
        int removed = 0;
        SFileIdentity now;
        if (known && CheckFileChange(corePath, m_base.snapshot.Identity(), now) == EFileChange::kChanged) {
            if (!decided || !SameVersion(now, decidedFor)) {
                // Never a question while others wait for the lock.
                lock.Release();
                QString question =
                    u"%1 wurde seit dem Öffnen außerhalb von Zelmora geändert. "
                    u"Zusammenführen und speichern?"_s;
                switch (ZMessageBox(question.replace(u"%1"_s, m_doc.DisplayName()),
                                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                    QMessageBox::NoIcon, m_doc.MainWindow())) {
                    case QMessageBox::Yes:
                        merge = true;
                        break;
                    case QMessageBox::No:
                        merge = false;
                        break;
                    default:
                        return ESaveResult::kCancelled;
                }
                decided = true;
                decidedFor = now;
                continue;  // locked again, and looked at again
            }
            if (merge && m_doc.IsLocked()) {
                // Merging needs the vault's texts, which a locked window does not hold.
                lock.Release();
                ZMessageBox(u"Zum Zusammenführen entsperren Sie den Tresor bitte zuerst."_s, QMessageBox::Ok,
                            QMessageBox::NoIcon, m_doc.MainWindow());
                return ESaveResult::kCancelled;
            }
            if (merge) {
                CSnapshotReader base(BaseFor(path));
                CVaultData theirs;
                CVaultSnapshot snapshot;
                const SVaultResult result = ReadTheirs(path, passwords.list, theirs, snapshot);
                if (!result.ok()) {
                    lock.Release();
                    if (result.status == EVaultStatus::kWrongPassword) {
                        if (AskPassword(path, passwords.list, result)) {
                            continue;
                        }
                    } else {
                        m_doc.ReportError(result, path, false);
                    }
                    return ESaveResult::kCancelled;
                }
                ApplyMerge(path, base.Take(), theirs, std::move(snapshot), added, removed);
                merged = true;
            }
        }
        m_strExpectedWrite = path;
        m_lastWrite = SKnown();
        const bool saved = write();
        m_strExpectedWrite.clear();
        if (saved && m_lastWrite.path == path) {
            m_base = std::move(m_lastWrite);
            if (m_doc.IsLocked()) {
                DropSeal();
                m_bBasePasswordIsVaults = true;
            }
            ForgetSeen();
            Offer(false);
        }
        m_lastWrite = SKnown();
        if (merged) {
            emit statusMessage(MergeMessage(added, removed));
        }
        return saved ? ESaveResult::kSaved : ESaveResult::kFailed;
    }
}
