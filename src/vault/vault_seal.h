// The open vault while it is locked: the bytes its file would hold (WriteVault under the vault
// password), so that nothing of it can be read without that password and a save can still write
// it.  Beside them, under the same cipher, what the file cannot keep (the white space that ends a
// field, which reading trims) and a check that tells the right password from a wrong one also for
// a vault without entries.
#pragma once

#include <string>
#include <vector>

#include "vault/vault_data.h"
#include "vault/vault_format.h"

struct SSealedVault {
    std::string image;                 // exactly what SaveVaultFile would write
    std::vector<unsigned char> tails;  // cipher bytes of the trimmed field ends
    std::vector<unsigned char> check;  // cipher bytes of a known text and the password's length
    int entryCount = 0;

    bool IsEmpty() const { return image.empty(); }
    // Only cipher text is held; this gives the memory back.
    void Clear();
};

// Seals data under its own vault password, which must not be empty.  Fails as WriteVault does (a
// zero byte in a text), and then sealed is left empty.
SVaultResult SealVault(const CVaultData& data, SSealedVault& sealed);

// Whether password is the one the vault was sealed under.
bool MatchesSeal(const SSealedVault& sealed, const std::string& password);

// The sealed entries, as they were, appended to data, which takes password as its vault password.
// kWrongPassword (and data unchanged) when the password does not match.  The modified flag of data
// is left as it was.
SVaultResult UnsealVault(const SSealedVault& sealed, const std::string& password, CVaultData& data);
