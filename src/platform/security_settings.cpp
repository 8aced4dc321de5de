#include "platform/security_settings.h"

#include "platform/settings_store.h"

namespace security {

namespace {

int ReadInRange(const char* name, int defaultValue, int max) {
    return CSettingsStore::ReadIntInRange(settings::kSectionSecurity, name, defaultValue, 0, max);
}

}  // namespace

int ClipboardSeconds() {
    return ReadInRange(settings::kClipboardSeconds, kDefaultClipboardSeconds, kMaxClipboardSeconds);
}

bool LockOnScreenLock() {
    return ReadInRange(settings::kLockOnScreenLock, 1, 1) == 1;
}

int LockMinutes() {
    return ReadInRange(settings::kLockMinutes, kDefaultLockMinutes, kMaxLockMinutes);
}

bool HidePasswords() {
    return ReadInRange(settings::kHidePasswords, 0, 1) == 1;
}

void SetClipboardSeconds(int seconds) {
    CSettingsStore::WriteInt(settings::kSectionSecurity, settings::kClipboardSeconds, seconds);
}

void SetLockOnScreenLock(bool on) {
    CSettingsStore::WriteInt(settings::kSectionSecurity, settings::kLockOnScreenLock, on ? 1 : 0);
}

void SetLockMinutes(int minutes) {
    CSettingsStore::WriteInt(settings::kSectionSecurity, settings::kLockMinutes, minutes);
}

void SetHidePasswords(bool on) {
    CSettingsStore::WriteInt(settings::kSectionSecurity, settings::kHidePasswords, on ? 1 : 0);
}

}  // namespace security
