// The settings of our own for everyday safety, section "Security": how long a copied text stays on
// the clipboard, when the vault locks, and whether the list hides passwords.  Read afresh at each
// use; a value out of range (negative, huge, text) gives the default.
#pragma once

namespace settings {

constexpr const char* kSectionSecurity = "Security";
constexpr const char* kClipboardSeconds = "ClipboardSeconds";  // 0: never emptied
constexpr const char* kLockOnScreenLock = "LockOnScreenLock";  // lock with the session
constexpr const char* kLockMinutes = "LockMinutes";            // idle minutes; 0: never
constexpr const char* kHidePasswords = "HidePasswords";        // the list shows "••••••"

}  // namespace settings

namespace security {

constexpr int kDefaultClipboardSeconds = 10;
constexpr int kMaxClipboardSeconds = 3600;
constexpr int kDefaultLockMinutes = 0;
constexpr int kMaxLockMinutes = 1440;

int ClipboardSeconds();
bool LockOnScreenLock();
int LockMinutes();
bool HidePasswords();

void SetClipboardSeconds(int seconds);
void SetLockOnScreenLock(bool on);
void SetLockMinutes(int minutes);
void SetHidePasswords(bool on);

}  // namespace security
