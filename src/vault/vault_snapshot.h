// A vault file as Zelmora last read or wrote it: its bytes (the vault's serialization under the
// password it was read or written with, so nothing in clear that the file does not hold in clear),
// that password, and the file's identity.  A merge reads the entries back from it later.
#pragma once

#include <future>
#include <string>
#include <vector>

#include "vault/entry.h"
#include "vault/file_identity.h"
#include "vault/vault_data.h"
#include "vault/vault_format.h"

class CVaultSnapshot {
public:
    CVaultSnapshot() = default;
    CVaultSnapshot(const CVaultSnapshot&) = delete;
    CVaultSnapshot& operator=(const CVaultSnapshot&) = delete;
    CVaultSnapshot(CVaultSnapshot&& other) noexcept;
    CVaultSnapshot& operator=(CVaultSnapshot&& other) noexcept;
    ~CVaultSnapshot() { Clear(); }

    // Without bytes the snapshot knows only the file's identity: a vault too large for a second
    // copy in memory, or a file that did not exist.
    bool HasBytes() const { return m_bHasBytes; }
    const SFileIdentity& Identity() const { return m_identity; }
    const std::string& Password() const { return m_strPassword; }

    // The entries the bytes hold, read with the snapshot's password; none without bytes.
    SVaultResult ReadEntries(std::vector<CEntry>& entries) const;
    // Whether the bytes are the encrypted form (HasEncryptedForm).
    bool HasEncryptedForm() const;

    void Set(std::string&& bytes, const SFileIdentity& identity, const std::string& password);
    void SetIdentity(const SFileIdentity& identity);
    // While the window is locked the password is held nowhere in clear: taken out here and put
    // back after the unlock.  The bytes stay as they are (cipher text).
    void WipePassword();
    void SetPassword(const std::string& password) { m_strPassword = password; }
    void Clear();  // wipes bytes and password

private:
    std::string m_strBytes;
    std::string m_strPassword;
    SFileIdentity m_identity;
    bool m_bHasBytes = false;
};

// The entries of a snapshot, read on a second thread while the caller reads the other version of
// a merge.  The snapshot must stay as it is until Take or the end of the reader.
class CSnapshotReader {
public:
    explicit CSnapshotReader(const CVaultSnapshot& snapshot);
    CSnapshotReader(const CSnapshotReader&) = delete;
    CSnapshotReader& operator=(const CSnapshotReader&) = delete;
    ~CSnapshotReader();
    // The entries; none when the read failed.
    std::vector<CEntry> Take();

private:
    std::vector<CEntry> m_entries;
    std::future<SVaultResult> m_result;
};

// Appends the vault at path to data, read with data's password as LoadVaultFile reads it, and takes
// the snapshot of exactly the bytes that were read (only when the read succeeded).  When the bytes
// and the entries do not both fit into memory, the file is read as it streams and the snapshot
// keeps only the identity.  Unlike LoadVaultFile, a file in the encrypted form read without a
// password is kWrongPassword: its cipher records never become entries that a save would encrypt
// once more.  Then data holds what it held before, as for any wrong password.
SVaultResult LoadVaultSnapshot(const std::string& path, CVaultData& data, CVaultSnapshot& snapshot);

// Saves data to path as SaveVaultFile does and takes the snapshot of what was written.
SVaultResult SaveVaultSnapshot(const std::string& path, const CVaultData& data, CVaultSnapshot& snapshot);
