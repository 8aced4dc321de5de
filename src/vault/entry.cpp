#include "vault/entry.h"

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
