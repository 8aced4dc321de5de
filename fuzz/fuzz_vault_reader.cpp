// Arbitrary bytes as a vault file, read in plain form and with a password; whatever was read must
// come back after a trip through the writer (less trailing white space in the encrypted form).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "vault/vault_format.h"

namespace {

// The password of the encrypted seeds in tests/data/fuzz-seed, so that mutations reach the fields.
const char kPassword[] = "Geheimnis";

bool IsTrailingSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// What the encrypted form keeps of a text: everything but its trailing white space.
std::string Trimmed(const std::string& text, bool encrypted) {
    std::size_t end = text.size();
    while (encrypted && end > 0 && IsTrailingSpace(text[end - 1])) {
        --end;
    }
    return text.substr(0, end);
}

bool SameEntries(const CVaultData& read, const CVaultData& back, bool encrypted) {
    if (read.GetEntryCount() != back.GetEntryCount()) {
        return false;
    }
    for (int i = 0; i < read.GetEntryCount(); ++i) {
        const CEntry& x = read.GetEntryAt(i);
        const CEntry& y = back.GetEntryAt(i);
        if (Trimmed(x.GetSeite(), encrypted) != y.GetSeite() ||
            Trimmed(x.GetName(), encrypted) != y.GetName() ||
            Trimmed(x.GetPasswort(), encrypted) != y.GetPasswort() ||
            Trimmed(x.GetKommentar(), encrypted) != y.GetKommentar()) {
            return false;
        }
    }
    return true;
}

bool HoldsZeroByte(const CVaultData& data) {
    for (int i = 0; i < data.GetEntryCount(); ++i) {
        const CEntry& e = data.GetEntryAt(i);
        for (const std::string* text : {&e.GetSeite(), &e.GetName(), &e.GetPasswort(), &e.GetKommentar()}) {
            if (text->find('\0') != std::string::npos) {
                return true;
            }
        }
    }
    return false;
}

void ReadAndRoundTrip(const std::uint8_t* data, std::size_t size, const char* password) {
    const bool encrypted = *password != '\0';
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
        // Only the encrypted form refuses, and only texts with a zero byte: a record that did not
        // decrypt reads as it stands, and may hold one.
        if (written.status != EVaultStatus::kZeroByteInText || !encrypted || !HoldsZeroByte(vault)) {
            std::abort();
        }
        return;
    }
    if (!WriteVault(out2, vault).ok() || first != second) {
        std::abort();  // the output is deterministic
    }
    // Back from the writer every field is whole: the same texts, less trailing white space when
    // encrypted.
    CVaultData back;
    back.SetVaultPassword(password);
    CArchiveReader again(first.data(), first.size());
    if (!ReadVault(again, back).ok() || !SameEntries(vault, back, encrypted)) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CArchiveReader probe(data, size);
    HasEncryptedForm(probe);  // the form test reads the same untrusted bytes
    ReadAndRoundTrip(data, size, "");
    ReadAndRoundTrip(data, size, kPassword);
    return 0;
}
