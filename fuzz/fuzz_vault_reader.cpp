// Arbitrary bytes as a vault file, read in plain form and with a password; whatever was read must
// come back equal after a trip through the writer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "vault/vault_format.h"

namespace {

// The password of the encrypted seeds in tests/data/fuzz-seed, so that mutations reach the fields.
const char kPassword[] = "Geheimnis";

bool SameEntries(const CVaultData& a, const CVaultData& b) {
    if (a.GetEntryCount() != b.GetEntryCount()) {
        return false;
    }
    for (int i = 0; i < a.GetEntryCount(); ++i) {
        const CEntry& x = a.GetEntryAt(i);
        const CEntry& y = b.GetEntryAt(i);
        if (x.GetSeite() != y.GetSeite() || x.GetName() != y.GetName() ||
            x.GetPasswort() != y.GetPasswort() || x.GetKommentar() != y.GetKommentar()) {
            return false;
        }
    }
    return true;
}

void ReadAndRoundTrip(const std::uint8_t* data, std::size_t size, const char* password) {
    CVaultData vault;
    vault.SetVaultPassword(password);
    CArchiveReader in(data, size);
    const SVaultResult result = ReadVault(in, vault);
    if (result.status == EVaultStatus::kWrongPassword && vault.GetEntryCount() != 0) {
        std::abort();  // a wrong password must leave nothing behind
    }

    std::string first, second;
    CArchiveWriter out1(first), out2(second);
    const SVaultResult written = WriteVault(out1, vault);
    if (!written.ok()) {
        // Only the encrypted form refuses, and only texts with a zero byte; reading never gives
        // those with a password (decrypted texts end at their first zero byte).
        std::abort();
    }
    if (!WriteVault(out2, vault).ok() || first != second) {
        std::abort();  // the output is deterministic
    }
    CVaultData back;
    back.SetVaultPassword(password);
    CArchiveReader again(first.data(), first.size());
    if (!ReadVault(again, back).ok() || !SameEntries(vault, back)) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ReadAndRoundTrip(data, size, "");
    ReadAndRoundTrip(data, size, kPassword);
    return 0;
}
