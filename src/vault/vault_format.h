// The vault file: a count record, then four field records per entry.  Plain form when the vault
// password is empty; otherwise each field record holds "%d " of the cipher length and the cipher
// bytes of "%d " of the entry's position followed by the field's text.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "vault/archive.h"
#include "vault/field_cipher.h"
#include "vault/vault_data.h"

// Why reading or writing a vault stopped.
enum class EVaultStatus {
    kOk,
    kEndOfData,      // the file ends before the data the format expects
    kWrongPassword,  // over half the decrypted fields lack their position prefix: wrong password or plain
                     // file
    kFileError,      // the system refused or failed an operation; see EFileErrorCause
    kOutOfMemory,
    kGeneralError,
    kZeroByteInText,  // writing encrypted: a field holds a zero byte, which that form cannot keep
};

// The causes a file error is reported by (each has its own message).
enum class EFileErrorCause {
    kNone,
    kGeneric,
    kFileNotFound,
    kBadPath,
    kTooManyOpenFiles,
    kAccessDenied,
    kInvalidFile,
    kDirectoryFull,
    kBadSeek,
    kHardIO,
    kSharingViolation,
    kLockViolation,
    kDiskFull,
    kEndOfFile,
};

struct SVaultResult {
    EVaultStatus status = EVaultStatus::kOk;
    EFileErrorCause cause = EFileErrorCause::kNone;
    int sysError = 0;   // errno, when there was one
    int position = -1;  // kZeroByteInText: the entry's position
    int field = -1;     // kZeroByteInText: 0 site, 1 name, 2 password, 3 comment

    bool ok() const { return status == EVaultStatus::kOk; }
};

EFileErrorCause FileErrorCauseFromErrno(int error);
SVaultResult FileErrorResult(int error);

// One encrypted field record being written.
class CEncryptedField {
public:
    explicit CEncryptedField(const CFieldCipher& cipher) : m_cipher(cipher) {}
    CEncryptedField(const CEncryptedField&) = delete;
    CEncryptedField& operator=(const CEncryptedField&) = delete;
    ~CEncryptedField();  // wipes the plaintext

    // The plaintext: "%d " of the position, then the field's text.
    void SetText(int position, const std::string& fieldText);
    // The record: "%d " of the cipher length, then the cipher bytes of the plaintext.
    bool Write(CArchiveWriter& ar);

private:
    const CFieldCipher& m_cipher;
    std::string m_strText;
    std::vector<unsigned char> m_cipherBytes;  // reused between writes
};

// Writes the vault with the data's own password and flushes the writer.  The key set-up runs once.
// With a password, a field holding a zero byte is refused (kZeroByteInText) before anything is
// written: decrypting would cut the text there.
SVaultResult WriteVault(CArchiveWriter& ar, const CVaultData& data);

// Appends the file's entries to data through AddEntry, with the data's own password.
// End of data: the entries read before stay.  With a password, a field whose decryption lacks the
// position prefix reads as its record's plain text; but when fewer than half of the fields have
// the prefix, the password is wrong (kWrongPassword) and none of this read's entries stay.
SVaultResult ReadVault(CArchiveReader& ar, CVaultData& data);

// Whether one record's content has the encrypted field shape: "%d " of a positive multiple of 8,
// then exactly that many bytes.
bool HasEncryptedShape(const char* content, std::size_t length);
inline bool HasEncryptedShape(const std::string& content) {
    return HasEncryptedShape(content.data(), content.size());
}

// Whether the vault in the stream has the encrypted form: at least half of its field records have
// the encrypted shape.  False without any field record (an empty vault reads alike in both forms).
// Reads the stream to its end, or to the first damaged record.
bool HasEncryptedForm(CArchiveReader& ar);

// The count record's value as atoi reads it (white space, sign, digits; none gives 0), saturated.
int ParseCount(const char* text, std::size_t length);
inline int ParseCount(const std::string& text) {
    return ParseCount(text.data(), text.size());
}
