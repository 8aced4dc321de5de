// The open vault's entry array, vault password and modified flag.  The document holds one and
// forwards to it; the CLI uses it directly, so both run the very same code.
#pragma once

#include <string>
#include <vector>

#include "vault/entry.h"

class CVaultData {
public:
    CVaultData() = default;
    CVaultData(const CVaultData&) = delete;
    CVaultData& operator=(const CVaultData&) = delete;
    ~CVaultData();

    int GetEntryCount() const { return static_cast<int>(m_arrEntries.size()); }
    const CEntry& GetEntryAt(int position) const { return m_arrEntries[static_cast<std::size_t>(position)]; }

    // Appends a new entry at position count and sets the modified flag, also while reading a file.
    void AddEntry(std::string seite, std::string name, std::string passwort, std::string kommentar);
    const std::vector<CEntry>& Entries() const { return m_arrEntries; }
    // The entries become these (a merge's result).  Does not touch the modified flag.
    void ReplaceEntries(std::vector<CEntry> entries);
    // The entries, moved out; the data is left without any.
    std::vector<CEntry> TakeEntries();
    // Removes the entry; the ones behind it move down by one.  Does not touch the modified flag.
    void RemoveEntryAt(int position);
    // Puts entry in the place of the one at position; does not touch the modified flag.
    void ReplaceEntryAt(int position, CEntry entry);
    // Removes every entry.  Does not touch the modified flag.
    void RemoveAllEntries();
    // Drops the entries from position `count` on (used to undo a read that turned out wrong).
    void TruncateEntries(int count);
    // Room for this many entries in all; only a hint.
    void ReserveEntries(std::size_t count);
    // Appends other's entries and takes its vault password; other is left without either.  Sets
    // the modified flag when entries came, as AddEntry does.
    void TakeContent(CVaultData& other);

    void SetVaultPassword(const std::string& password);
    const std::string& GetVaultPassword() const { return m_strVaultPassword; }
    int GetVaultPasswordLength() const { return static_cast<int>(m_strVaultPassword.size()); }

    bool IsModified() const { return m_bModified; }
    void SetModified(bool modified) { m_bModified = modified; }

private:
    std::string m_strVaultPassword;
    std::vector<CEntry> m_arrEntries;
    bool m_bModified = false;
};
