// One remembered login: site name, user name, password, comment.  Immutable; an edit replaces it.
#pragma once

#include <cstddef>
#include <string>

class CArchiveReader;
class CArchiveWriter;

class CEntry {
public:
    CEntry() = default;
    CEntry(std::string seite, std::string name, std::string passwort, std::string kommentar);
    CEntry(const CEntry&) = default;
    CEntry(CEntry&&) noexcept = default;
    CEntry& operator=(const CEntry&) = default;
    CEntry& operator=(CEntry&&) noexcept = default;
    ~CEntry();

    const std::string& GetSeite() const { return m_strSeite; }
    const std::string& GetName() const { return m_strName; }
    const std::string& GetPasswort() const { return m_strPasswort; }
    const std::string& GetKommentar() const { return m_strKommentar; }

    // The entry's own serialization: the four fields as string records in field order, which is
    // also an entry of the vault file's plain form.
    bool Store(CArchiveWriter& ar) const;
    bool Load(CArchiveReader& ar);  // false at end of data; the entry is then unchanged

private:
    std::string m_strSeite;
    std::string m_strName;
    std::string m_strPasswort;
    std::string m_strKommentar;
};

// Entries compared as all four texts (a vault may hold equal ones): the equality and a hash that
// agrees with it, for the merge of two versions and for finding entries again after a reload.
bool SameTexts(const CEntry& a, const CEntry& b);
std::size_t HashOfTexts(const CEntry& entry);
