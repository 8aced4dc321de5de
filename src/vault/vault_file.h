// Reading and saving vault files on disk, and the texts that report their failures.
#pragma once

#include <string>

#include "vault/file_identity.h"
#include "vault/vault_data.h"
#include "vault/vault_format.h"

// Opens path for reading and appends its entries to data (ReadVault).  A file of 0 bytes is not
// read and gives no entries.  Anything but a regular file (a FIFO, a device, a socket, a folder) is
// refused as access denied before it is read, and so is a symbolic link in a sticky folder that
// everyone may write unless it belongs to the user or the folder's owner (the kernel's
// protected-symlinks rule).
SVaultResult LoadVaultFile(const std::string& path, CVaultData& data);

// Whether LoadVaultFile would get past opening path: the same refusals, nothing read.
SVaultResult CheckVaultFileReadable(const std::string& path);

// Whether path is a symbolic link (or a chain of them) that the protected-symlinks rule refuses.
bool IsRefusedLink(const std::string& path);

// Whether the file has the encrypted form (HasEncryptedForm): at least half of its field records
// are "%d " of a positive multiple of 8 followed by exactly that many bytes.  False for a missing, unreadable
// or empty file, anything but a regular file, a plain vault and a vault without entries.
bool IsEncryptedVaultFile(const std::string& path);

// Writes data to path without ever destroying the previous file: the vault goes into a temporary
// file in the target's folder, is flushed and fsync'ed, then renamed over the target.  On failure
// the old file is unchanged and the temporary file removed; temporary files of the same vault left
// by a killed save (the user's, older than an hour) are removed.  A new file gets mode 0600, a
// replaced one keeps its mode without the bits for others (and its owner, where the process may
// give it); a symbolic link is saved to its final target and stays a link, unless the
// protected-symlinks rule above refuses it.  A target that exists but is not a regular file (a
// folder, a device), or that the user may not write (read-only mode, immutable, someone else's),
// is refused as access denied.
SVaultResult SaveVaultFile(const std::string& path, const CVaultData& data);

enum class EReplace { kAllowed, kNever };

// Writes bytes to path with the same atomic save (for a byte-exact copy of a vault file).  written,
// when given, receives the identity of the file that now stands at path, taken from the file
// itself before it replaced the old one.  With EReplace::kNever a file at path, even one that
// appears while the bytes are written, is left alone and the result is a file error with EEXIST.
SVaultResult SaveFileBytes(const std::string& path, const std::string& bytes,
                           SFileIdentity* written = nullptr, EReplace replace = EReplace::kAllowed);

// The whole content of the file at path (the same refusals as LoadVaultFile) and the identity of
// the very file it came from.  bytes is wiped first and on failure.
SVaultResult ReadFileBytes(const std::string& path, std::string& bytes, SFileIdentity& identity);

// The message template (code page 1252, "%1" stands for the path) for a failed open or save.
// Empty for kOk.
std::string VaultErrorTemplate(const SVaultResult& result, bool saving);
