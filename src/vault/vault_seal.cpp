#include "vault/vault_seal.h"

#include <exception>
#include <new>

#include "vault/archive.h"
#include "vault/field_cipher.h"
#include "vault/secure_wipe.h"

namespace {

constexpr const char kCheckText[] = "Zelmora-Siegel ";

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string CheckText(std::size_t passwordLength) {
    return kCheckText + std::to_string(passwordLength);
}

// "entry field length " before each trimmed end, then the end's bytes.
void AppendTail(std::string& tails, int entry, int field, const std::string& text) {
    std::size_t end = text.size();
    while (end > 0 && IsSpace(text[end - 1])) {
        --end;
    }
    if (end == text.size()) {
        return;
    }
    tails +=
        std::to_string(entry) + ' ' + std::to_string(field) + ' ' + std::to_string(text.size() - end) + ' ';
    tails.append(text, end, std::string::npos);
}

// Reads one "%d " from text at pos; -1 when there is none.
long long ReadNumber(const std::string& text, std::size_t& pos) {
    long long value = 0;
    const std::size_t start = pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < 12) {
        value = value * 10 + (text[pos++] - '0');
    }
    if (pos == start || pos >= text.size() || text[pos] != ' ') {
        return -1;
    }
    ++pos;
    return value;
}

SVaultResult Failed(EVaultStatus status) {
    SVaultResult result;
    result.status = status;
    return result;
}

}  // namespace

void SSealedVault::Clear() {
    std::string().swap(image);
    std::vector<unsigned char>().swap(tails);
    std::vector<unsigned char>().swap(check);
    entryCount = 0;
}

SVaultResult SealVault(const CVaultData& data, SSealedVault& sealed) {
    sealed.Clear();
    if (data.GetVaultPassword().empty()) {
        return Failed(EVaultStatus::kGeneralError);
    }
    try {
        std::string image;
        {
            CArchiveWriter ar(image);
            const SVaultResult result = WriteVault(ar, data);
            if (!result.ok()) {
                return result;
            }
        }
        const CFieldCipher cipher(data.GetVaultPassword());
        if (!cipher.IsValid()) {
            return Failed(EVaultStatus::kOutOfMemory);
        }
        std::string tails;
        for (int i = 0; i < data.GetEntryCount(); ++i) {
            const CEntry& e = data.GetEntryAt(i);
            const std::string* fields[4] = {&e.GetSeite(), &e.GetName(), &e.GetPasswort(), &e.GetKommentar()};
            for (int k = 0; k < 4; ++k) {
                AppendTail(tails, i, k, *fields[k]);
            }
        }
        sealed.tails = cipher.EncryptText(tails);
        SecureWipe(tails);
        sealed.check = cipher.EncryptText(CheckText(data.GetVaultPassword().size()));
        sealed.image.swap(image);
        sealed.entryCount = data.GetEntryCount();
    } catch (const std::bad_alloc&) {
        sealed.Clear();
        return Failed(EVaultStatus::kOutOfMemory);
    } catch (const std::exception&) {
        sealed.Clear();
        return Failed(EVaultStatus::kGeneralError);
    }
    return {};
}

bool MatchesSeal(const SSealedVault& sealed, const std::string& password) {
    if (password.empty() || sealed.check.empty()) {
        return false;
    }
    const CFieldCipher cipher(password);
    if (!cipher.IsValid()) {
        return false;
    }
    // The length too: a key and its repetition ("ab", "abab") key Blowfish alike.
    return cipher.DecryptBytes(sealed.check.data(), sealed.check.size()) == CheckText(password.size());
}

SVaultResult UnsealVault(const SSealedVault& sealed, const std::string& password, CVaultData& data) {
    if (!MatchesSeal(sealed, password)) {
        return Failed(EVaultStatus::kWrongPassword);
    }
    CVaultData read;
    read.SetVaultPassword(password);
    read.ReserveEntries(static_cast<std::size_t>(sealed.entryCount));
    CArchiveReader ar(sealed.image.data(), sealed.image.size());
    SVaultResult result = ReadVault(ar, read);
    if (!result.ok()) {
        return result;
    }
    std::string tails;
    {
        const CFieldCipher cipher(password);
        cipher.DecryptBytes(sealed.tails.data(), sealed.tails.size(), tails);
    }
    // Entries are immutable: the few with a trimmed end are built anew.
    std::size_t pos = 0;
    while (pos < tails.size()) {
        const long long entry = ReadNumber(tails, pos);
        const long long field = ReadNumber(tails, pos);
        const long long length = ReadNumber(tails, pos);
        if (entry < 0 || entry >= read.GetEntryCount() || field < 0 || field > 3 || length < 0 ||
            static_cast<std::size_t>(length) > tails.size() - pos) {
            break;
        }
        const CEntry& e = read.GetEntryAt(static_cast<int>(entry));
        std::string fields[4] = {e.GetSeite(), e.GetName(), e.GetPasswort(), e.GetKommentar()};
        fields[field].append(tails, pos, static_cast<std::size_t>(length));
        pos += static_cast<std::size_t>(length);
        read.ReplaceEntryAt(static_cast<int>(entry), CEntry(std::move(fields[0]), std::move(fields[1]),
                                                            std::move(fields[2]), std::move(fields[3])));
        for (auto& f : fields) {
            SecureWipe(f);
        }
    }
    SecureWipe(tails);
    const bool modified = data.IsModified();
    data.TakeContent(read);
    data.SetModified(modified);
    return {};
}
