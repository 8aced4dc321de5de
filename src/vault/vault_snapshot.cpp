#include "vault/vault_snapshot.h"

#include <utility>

#include "vault/archive.h"
#include "vault/second_thread.h"
#include "vault/secure_wipe.h"
#include "vault/vault_file.h"

namespace {

// Wiped, and its memory given back (a wipe alone keeps the buffer).
void Release(std::string& text) {
    SecureWipe(text);
    std::string().swap(text);
}

}  // namespace

CVaultSnapshot::CVaultSnapshot(CVaultSnapshot&& other) noexcept {
    *this = std::move(other);
}

CVaultSnapshot& CVaultSnapshot::operator=(CVaultSnapshot&& other) noexcept {
    if (this != &other) {
        Clear();
        m_strBytes.swap(other.m_strBytes);
        m_strPassword.swap(other.m_strPassword);
        m_identity = other.m_identity;
        m_bHasBytes = other.m_bHasBytes;
        other.Clear();
    }
    return *this;
}

void CVaultSnapshot::Clear() {
    Release(m_strBytes);
    SecureWipe(m_strPassword);
    m_identity = SFileIdentity();
    m_bHasBytes = false;
}

void CVaultSnapshot::Set(std::string&& bytes, const SFileIdentity& identity, const std::string& password) {
    Clear();
    m_strBytes.swap(bytes);
    m_strPassword = password;
    m_identity = identity;
    m_bHasBytes = true;
}

void CVaultSnapshot::WipePassword() {
    SecureWipe(m_strPassword);
}

void CVaultSnapshot::SetIdentity(const SFileIdentity& identity) {
    Clear();
    m_identity = identity;
}

SVaultResult CVaultSnapshot::ReadEntries(std::vector<CEntry>& entries) const {
    entries.clear();
    if (!m_bHasBytes || m_strBytes.empty()) {
        return {};
    }
    CVaultData data;
    data.SetVaultPassword(m_strPassword);
    CArchiveReader ar(m_strBytes.data(), m_strBytes.size());
    const SVaultResult result = ReadVault(ar, data);
    entries = data.TakeEntries();
    return result;
}

bool CVaultSnapshot::HasEncryptedForm() const {
    if (!m_bHasBytes) {
        return false;
    }
    CArchiveReader ar(m_strBytes.data(), m_strBytes.size());
    return ::HasEncryptedForm(ar);
}

CSnapshotReader::CSnapshotReader(const CVaultSnapshot& snapshot) {
    if (!snapshot.HasBytes()) {
        return;
    }
    m_result = RunOnSecondThread([this, &snapshot] { return snapshot.ReadEntries(m_entries); });
}

CSnapshotReader::~CSnapshotReader() {
    if (m_result.valid()) {
        m_result.wait();
    }
}

std::vector<CEntry> CSnapshotReader::Take() {
    if (m_result.valid() && !m_result.get().ok()) {
        m_entries.clear();
    }
    return std::move(m_entries);
}

namespace {

// Room for the whole serialization, so that the bytes are never moved (and a copy left behind)
// while they grow: a record's prefix, "%d " of the cipher length, the position prefix and the
// padding stay well below 64 bytes per field.
std::size_t SerializedBound(const CVaultData& data) {
    std::size_t bound = 32;
    for (const CEntry& e : data.Entries()) {
        bound += e.GetSeite().size() + e.GetName().size() + e.GetPasswort().size() + e.GetKommentar().size() +
                 4 * 64;
    }
    return bound;
}

}  // namespace

SVaultResult LoadVaultSnapshot(const std::string& path, CVaultData& data, CVaultSnapshot& snapshot) {
    snapshot.Clear();
    std::string bytes;
    SFileIdentity identity;
    SVaultResult result = ReadFileBytes(path, bytes, identity);
    if (result.ok()) {
        const int before = data.GetEntryCount();
        const bool wasModified = data.IsModified();
        if (!bytes.empty()) {  // a file of 0 bytes is not read, as LoadVaultFile does
            CArchiveReader ar(bytes.data(), bytes.size());
            result = ReadVault(ar, data);
        }
        if (result.ok() && data.GetVaultPassword().empty()) {
            CArchiveReader ar(bytes.data(), bytes.size());
            if (HasEncryptedForm(ar)) {
                data.TruncateEntries(before);
                data.SetModified(wasModified);
                result.status = EVaultStatus::kWrongPassword;
            }
        }
        if (result.ok()) {
            snapshot.Set(std::move(bytes), identity, data.GetVaultPassword());
            return result;
        }
        Release(bytes);
        if (result.status != EVaultStatus::kOutOfMemory) {
            return result;
        }
        data.TruncateEntries(before);
        data.SetModified(wasModified);
    } else if (result.status != EVaultStatus::kOutOfMemory) {
        return result;
    }
    // The bytes and the entries are too much together: the entries alone, and the identity read
    // after them.
    if (data.GetVaultPassword().empty() && IsEncryptedVaultFile(path)) {
        result.status = EVaultStatus::kWrongPassword;
        return result;
    }
    result = LoadVaultFile(path, data);
    if (result.ok() && ReadFileIdentity(path, identity)) {
        snapshot.SetIdentity(identity);
    }
    return result;
}

SVaultResult SaveVaultSnapshot(const std::string& path, const CVaultData& data, CVaultSnapshot& snapshot) {
    snapshot.Clear();
    std::string bytes;
    SVaultResult result;
    try {
        bytes.reserve(SerializedBound(data));
        CArchiveWriter ar(bytes);
        result = WriteVault(ar, data);
    } catch (const std::bad_alloc&) {
        result.status = EVaultStatus::kOutOfMemory;
    }
    if (result.status == EVaultStatus::kOutOfMemory) {
        Release(bytes);
        result = SaveVaultFile(path, data);
        SFileIdentity identity;
        if (result.ok() && ReadFileIdentity(path, identity)) {
            snapshot.SetIdentity(identity);
        }
        return result;
    }
    if (!result.ok()) {
        SecureWipe(bytes);
        return result;
    }
    SFileIdentity identity;
    result = SaveFileBytes(path, bytes, &identity);
    if (result.ok()) {
        snapshot.Set(std::move(bytes), identity, data.GetVaultPassword());
    } else {
        SecureWipe(bytes);
    }
    return result;
}
