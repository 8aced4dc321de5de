#include "vault/vault_data.h"

#include <exception>
#include <utility>

#include "vault/secure_wipe.h"

CVaultData::~CVaultData() {
    // Last to first, as the entries were always torn down; each entry wipes its own texts.
    while (!m_arrEntries.empty()) {
        m_arrEntries.pop_back();
    }
    SecureWipe(m_strVaultPassword);
}

void CVaultData::AddEntry(std::string seite, std::string name, std::string passwort, std::string kommentar) {
    m_arrEntries.emplace_back(std::move(seite), std::move(name), std::move(passwort), std::move(kommentar));
    m_bModified = true;
}

void CVaultData::ReplaceEntries(std::vector<CEntry> entries) {
    m_arrEntries.swap(entries);  // the old entries wipe their texts as they go
}

std::vector<CEntry> CVaultData::TakeEntries() {
    std::vector<CEntry> taken;
    taken.swap(m_arrEntries);
    return taken;
}

void CVaultData::RemoveEntryAt(int position) {
    m_arrEntries.erase(m_arrEntries.begin() + position);
}

void CVaultData::ReplaceEntryAt(int position, CEntry entry) {
    m_arrEntries[static_cast<std::size_t>(position)] = std::move(entry);
}

void CVaultData::RemoveAllEntries() {
    m_arrEntries.clear();
}

void CVaultData::TruncateEntries(int count) {
    if (count < 0) {
        count = 0;
    }
    if (static_cast<std::size_t>(count) < m_arrEntries.size()) {
        m_arrEntries.erase(m_arrEntries.begin() + count, m_arrEntries.end());
    }
}

void CVaultData::ReserveEntries(std::size_t count) {
    // A hint must not fail the operation that gave it.
    try {
        m_arrEntries.reserve(count);
    } catch (const std::exception&) {
    }
}

void CVaultData::TakeContent(CVaultData& other) {
    if (&other == this) {
        return;
    }
    if (!other.m_arrEntries.empty()) {
        if (m_arrEntries.empty()) {
            m_arrEntries.swap(other.m_arrEntries);
        } else {
            m_arrEntries.reserve(m_arrEntries.size() + other.m_arrEntries.size());
            for (CEntry& entry : other.m_arrEntries) {
                m_arrEntries.push_back(std::move(entry));
            }
            other.m_arrEntries.clear();
        }
        m_bModified = true;
    }
    m_strVaultPassword.swap(other.m_strVaultPassword);
    SecureWipe(other.m_strVaultPassword);
    other.m_strVaultPassword.clear();
}

void CVaultData::SetVaultPassword(const std::string& password) {
    if (&password == &m_strVaultPassword) {
        return;
    }
    SecureWipe(m_strVaultPassword);
    m_strVaultPassword = password;
}
