// The launch results of a web address or document and the message for a failed one.
#pragma once

#include <QString>

// Launch results: the shell's error codes (32 or less) and the value for success.
namespace launch {
constexpr int kOutOfResources = 0;
constexpr int kFileNotFound = 2;      // SE_ERR_FNF
constexpr int kPathNotFound = 3;      // SE_ERR_PNF
constexpr int kAccessDenied = 5;      // SE_ERR_ACCESSDENIED
constexpr int kOutOfMemory = 8;       // SE_ERR_OOM
constexpr int kBadFormat = 11;        // ERROR_BAD_FORMAT
constexpr int kShare = 26;            // SE_ERR_SHARE
constexpr int kAssocIncomplete = 27;  // SE_ERR_ASSOCINCOMPLETE
constexpr int kDdeTimeout = 28;       // SE_ERR_DDETIMEOUT
constexpr int kDdeFail = 29;          // SE_ERR_DDEFAIL
constexpr int kDdeBusy = 30;          // SE_ERR_DDEBUSY
constexpr int kNoAssociation = 31;    // SE_ERR_NOASSOC
constexpr int kDllNotFound = 32;      // SE_ERR_DLLNOTFOUND
constexpr int kSucceeded = 42;        // above 32 for the desktop's open, above 31 for a started handler
}  // namespace launch

// "Unable to open hyperlink:\n\n" and the text for the code.
QString LaunchErrorText(int code);
void ShowLaunchError(int code);
