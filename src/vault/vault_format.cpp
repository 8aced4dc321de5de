#include "vault/vault_format.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

#include "vault/secure_wipe.h"

namespace {

// "%d" of a non-negative number into out (at least 20 bytes); returns the digit count.
std::size_t FormatDecimal(std::uint64_t value, char* out) {
    char reversed[20];
    std::size_t n = 0;
    do {
        reversed[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = reversed[n - 1 - i];
    }
    return n;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The white space that atoi skips and that is trimmed from decrypted texts (the "C" locale's).
bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

SVaultResult StreamResult(EStreamStatus status, int error) {
    SVaultResult result;
    if (status == EStreamStatus::kIoError) {
        result = FileErrorResult(error);
    } else if (status == EStreamStatus::kEndOfData) {
        result.status = EVaultStatus::kEndOfData;
    }
    return result;
}

SVaultResult Status(EVaultStatus status) {
    SVaultResult result;
    result.status = status;
    return result;
}

// One encrypted field record's content to the field's text.  False when the decrypted text does
// not start with the position prefix every writer puts there: a wrong key, a plain record or a
// damaged one.
bool DecodeField(const CFieldCipher& cipher, const std::string& record, std::string& scratch,
                 std::string& text) {
    const char* data = record.data();
    const void* space = std::memchr(data, ' ', record.size());
    const unsigned char* cipherBytes = reinterpret_cast<const unsigned char*>(data);
    std::size_t available = record.size();
    std::size_t count = 0;
    if (space) {
        const std::size_t digits = static_cast<std::size_t>(static_cast<const char*>(space) - data);
        const int n = ParseCount(data, digits);
        cipherBytes += digits + 1;
        available -= digits + 1;
        // A damaged length: decrypt no more than is there.
        count = n <= 0 ? 0 : std::min(static_cast<std::size_t>(n), available);
    }
    cipher.DecryptBytes(cipherBytes, count, scratch);

    std::size_t start = 0;
    while (start < scratch.size() && IsDigit(scratch[start])) {
        ++start;
    }
    if (start == 0 || start == scratch.size() || scratch[start] != ' ') {
        return false;
    }
    ++start;
    std::size_t end = scratch.size();
    while (end > start && IsSpace(scratch[end - 1])) {
        --end;
    }
    text.assign(scratch, start, end - start);
    return true;
}

SVaultResult ReadPlain(CArchiveReader& ar, CVaultData& data, int count) {
    for (int i = 0; i < count; ++i) {
        std::string fields[4];
        for (auto& field : fields) {
            if (!ReadStringRecord(ar, field)) {
                return StreamResult(ar.Status(), ar.Errno());
            }
        }
        data.AddEntry(std::move(fields[0]), std::move(fields[1]), std::move(fields[2]), std::move(fields[3]));
    }
    return {};
}

SVaultResult ReadEncrypted(CArchiveReader& ar, CVaultData& data, int count) {
    const CFieldCipher cipher(data.GetVaultPassword());
    if (!cipher.IsValid()) {
        return Status(EVaultStatus::kOutOfMemory);
    }
    std::string records[4];
    std::string scratch;
    SVaultResult result;
    std::uint64_t fields = 0;
    std::uint64_t prefixed = 0;
    for (int i = 0; i < count; ++i) {
        bool complete = true;
        for (auto& record : records) {
            if (!ReadStringRecord(ar, record)) {
                result = StreamResult(ar.Status(), ar.Errno());
                complete = false;
                break;
            }
        }
        if (!complete) {
            break;
        }
        std::string texts[4];
        for (int k = 0; k < 4; ++k) {
            if (DecodeField(cipher, records[k], scratch, texts[k])) {
                ++prefixed;
            } else {
                // A record written in plain form (an entry added while the vault was open without
                // its password) or a damaged one: it reads as the plain form would read it.
                texts[k].swap(records[k]);
            }
        }
        fields += 4;
        data.AddEntry(std::move(texts[0]), std::move(texts[1]), std::move(texts[2]), std::move(texts[3]));
    }
    for (auto& record : records) {
        SecureWipe(record);
    }
    SecureWipe(scratch);
    // With a wrong key a field shows a prefix by chance only (about 1.6e-4), so a share decides:
    // one plain or damaged record must not hide the vault, and luck must not open it.
    if (prefixed * 2 < fields) {
        return Status(EVaultStatus::kWrongPassword);
    }
    return result;
}

}  // namespace

int ParseCount(const char* text, std::size_t length) {
    std::size_t i = 0;
    while (i < length && IsSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate towards the sign so that INT_MIN is reachable; stop at the limit.
    long long value = 0;
    for (; i < length && IsDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            value = static_cast<long long>(INT_MAX) + 1;
        }
    }
    if (negative) {
        return static_cast<int>(-value);
    }
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

bool HasEncryptedShape(const char* content, std::size_t length) {
    std::size_t digits = 0;
    while (digits < length && IsDigit(content[digits])) {
        ++digits;
    }
    // "%d " of a positive multiple of 8: no sign, no leading zero, and at most what fits in the
    // 32-bit record length.
    if (digits == 0 || digits > 10 || content[0] == '0' || digits == length || content[digits] != ' ') {
        return false;
    }
    std::uint64_t n = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        n = n * 10 + static_cast<std::uint64_t>(content[i] - '0');
    }
    return n % 8 == 0 && n == length - digits - 1;
}

bool HasEncryptedForm(CArchiveReader& ar) {
    std::string record;
    if (!ReadStringRecord(ar, record)) {
        return false;
    }
    const int count = ParseCount(record);
    std::uint64_t fields = 0;
    std::uint64_t shaped = 0;
    for (std::uint64_t i = 0; count > 0 && i < 4 * static_cast<std::uint64_t>(count); ++i) {
        if (!ReadStringRecord(ar, record)) {
            break;  // a damaged end: judge by the records before it
        }
        ++fields;
        if (HasEncryptedShape(record)) {
            ++shaped;
        }
    }
    SecureWipe(record);
    // The same share as the reader's: a vault it opens with the right password counts as encrypted.
    return fields != 0 && shaped * 2 >= fields;
}

EFileErrorCause FileErrorCauseFromErrno(int error) {
    switch (error) {
        case 0:
            return EFileErrorCause::kNone;
        case ENOENT:
        case ENXIO:
        case ENODEV:
            return EFileErrorCause::kFileNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case ETXTBSY:
            return EFileErrorCause::kAccessDenied;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return EFileErrorCause::kDiskFull;
        case EMFILE:
        case ENFILE:
            return EFileErrorCause::kTooManyOpenFiles;
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
        case EINVAL:
            return EFileErrorCause::kBadPath;
        case EIO:
            return EFileErrorCause::kHardIO;
        case EBADF:
            return EFileErrorCause::kInvalidFile;
        case ESPIPE:
            return EFileErrorCause::kBadSeek;
        case EOVERFLOW:  // an offset or size past what the file can address
            return EFileErrorCause::kEndOfFile;
        case EBUSY:
            return EFileErrorCause::kSharingViolation;
        case ENOLCK:
        case EDEADLK:
            return EFileErrorCause::kLockViolation;
        case EMLINK:
            return EFileErrorCause::kDirectoryFull;
        default:
            return EFileErrorCause::kGeneric;
    }
}

SVaultResult FileErrorResult(int error) {
    SVaultResult result;
    if (error == ENOMEM) {
        result.status = EVaultStatus::kOutOfMemory;
    } else {
        result.status = EVaultStatus::kFileError;
        result.cause = error == 0 ? EFileErrorCause::kGeneric : FileErrorCauseFromErrno(error);
    }
    result.sysError = error;
    return result;
}

// ---- CEncryptedField

CEncryptedField::~CEncryptedField() {
    SecureWipe(m_strText);
}

void CEncryptedField::SetText(int position, const std::string& fieldText) {
    char digits[20];
    const std::size_t n = FormatDecimal(static_cast<std::uint64_t>(position < 0 ? 0 : position), digits);
    m_strText.assign(digits, n).append(1, ' ').append(fieldText);
}

bool CEncryptedField::Write(CArchiveWriter& ar) {
    const std::size_t n = m_cipher.EncryptText(m_strText.data(), m_strText.size(), m_cipherBytes);
    char digits[21];
    std::size_t d = FormatDecimal(n, digits);
    digits[d++] = ' ';
    unsigned char prefix[7];
    const std::size_t prefixLength = EncodeRecordPrefix(d + n, prefix);
    if (prefixLength == 0) {
        ar.Fail(EFBIG);
        return false;
    }
    return ar.Write(prefix, prefixLength) && ar.Write(digits, d) && ar.Write(m_cipherBytes.data(), n);
}

// ---- Reading and writing

SVaultResult WriteVault(CArchiveWriter& ar, const CVaultData& data) {
    try {
        const std::string& password = data.GetVaultPassword();
        const int count = data.GetEntryCount();
        if (!password.empty()) {
            for (int p = 0; p < count; ++p) {
                const CEntry& e = data.GetEntryAt(p);
                const std::string* texts[4] = {&e.GetSeite(), &e.GetName(), &e.GetPasswort(),
                                               &e.GetKommentar()};
                for (int k = 0; k < 4; ++k) {
                    if (texts[k]->find('\0') != std::string::npos) {
                        SVaultResult result = Status(EVaultStatus::kZeroByteInText);
                        result.position = p;
                        result.field = k;
                        return result;
                    }
                }
            }
        }

        char digits[20];
        WriteStringRecord(ar, digits, FormatDecimal(static_cast<std::uint64_t>(count), digits));
        if (password.empty()) {
            for (int p = 0; p < count && ar.Status() == EStreamStatus::kOk; ++p) {
                data.GetEntryAt(p).Store(ar);
            }
        } else {
            const CFieldCipher cipher(password);
            if (!cipher.IsValid()) {
                return Status(EVaultStatus::kOutOfMemory);
            }
            CEncryptedField field(cipher);
            for (int p = 0; p < count && ar.Status() == EStreamStatus::kOk; ++p) {
                const CEntry& e = data.GetEntryAt(p);
                for (const std::string* text :
                     {&e.GetSeite(), &e.GetName(), &e.GetPasswort(), &e.GetKommentar()}) {
                    field.SetText(p, *text);
                    field.Write(ar);
                }
            }
        }
        ar.Flush();
        return StreamResult(ar.Status(), ar.Errno());
    } catch (const std::bad_alloc&) {
        return Status(EVaultStatus::kOutOfMemory);
    } catch (const std::exception&) {  // whatever else the library throws stops here, reported
        return Status(EVaultStatus::kGeneralError);
    }
}

SVaultResult ReadVault(CArchiveReader& ar, CVaultData& data) {
    const int countBefore = data.GetEntryCount();
    const bool wasModified = data.IsModified();
    try {
        std::string countText;
        if (!ReadStringRecord(ar, countText)) {
            return StreamResult(ar.Status(), ar.Errno());
        }
        const int count = ParseCount(countText);
        if (count <= 0) {
            return {};
        }
        // Never from the count alone: every entry takes at least four bytes of the file.
        const std::uint64_t remaining = ar.Remaining();
        const std::uint64_t fits = remaining == UINT64_MAX ? 4096 : remaining / 4;
        data.ReserveEntries(
            static_cast<std::size_t>(countBefore) +
            static_cast<std::size_t>(std::min<std::uint64_t>(fits, static_cast<std::uint64_t>(count))));

        if (data.GetVaultPassword().empty()) {
            return ReadPlain(ar, data, count);
        }
        SVaultResult result = ReadEncrypted(ar, data, count);
        if (result.status == EVaultStatus::kWrongPassword) {
            data.TruncateEntries(countBefore);
            data.SetModified(wasModified);
        }
        return result;
    } catch (const std::bad_alloc&) {
        return Status(EVaultStatus::kOutOfMemory);
    } catch (const std::exception&) {  // whatever else the library throws stops here, reported
        return Status(EVaultStatus::kGeneralError);
    }
}
