#include "vault/entry.h"

#include <functional>
#include <string_view>
#include <utility>

#include "vault/archive.h"
#include "vault/secure_wipe.h"

CEntry::CEntry(std::string seite, std::string name, std::string passwort, std::string kommentar)
    : m_strSeite(std::move(seite)),
      m_strName(std::move(name)),
      m_strPasswort(std::move(passwort)),
      m_strKommentar(std::move(kommentar)) {}

CEntry::~CEntry() {
    // Any of the four may hold a secret, not only the password.
    SecureWipe(m_strSeite);
    SecureWipe(m_strName);
    SecureWipe(m_strPasswort);
    SecureWipe(m_strKommentar);
}

bool SameTexts(const CEntry& a, const CEntry& b) {
    return a.GetSeite() == b.GetSeite() && a.GetName() == b.GetName() && a.GetPasswort() == b.GetPasswort() &&
           a.GetKommentar() == b.GetKommentar();
}

std::size_t HashOfTexts(const CEntry& entry) {
    const std::hash<std::string_view> hash;
    std::size_t h = 0;
    for (const std::string* field :
         {&entry.GetSeite(), &entry.GetName(), &entry.GetPasswort(), &entry.GetKommentar()}) {
        // The length keeps ("ab", "c") and ("a", "bc") apart before the hashes mix.
        h = (h ^ (hash(*field) + field->size())) * 0x100000001b3ULL;
    }
    return h;
}

bool CEntry::Store(CArchiveWriter& ar) const {
    return WriteStringRecord(ar, m_strSeite) && WriteStringRecord(ar, m_strName) &&
           WriteStringRecord(ar, m_strPasswort) && WriteStringRecord(ar, m_strKommentar);
}

bool CEntry::Load(CArchiveReader& ar) {
    std::string fields[4];
    for (auto& field : fields) {
        if (!ReadStringRecord(ar, field)) {
            for (auto& read : fields) {
                SecureWipe(read);
            }
            return false;
        }
    }
    *this = CEntry(std::move(fields[0]), std::move(fields[1]), std::move(fields[2]), std::move(fields[3]));
    return true;
}
