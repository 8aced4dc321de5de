#include "platform/launch_error.h"

#include "platform/message_box.h"

using namespace Qt::StringLiterals;

QString LaunchErrorText(int code) {
    QString reason;
    switch (code) {
        case launch::kOutOfResources:
            reason = u"The operating system is out\nof memory or resources."_s;
            break;
        case launch::kFileNotFound:
            reason = u"The specified file was not found."_s;
            break;
        case launch::kPathNotFound:
            reason = u"The specified path was not found."_s;
            break;
        case launch::kAccessDenied:
            reason = u"The operating system denied\naccess to the specified file."_s;
            break;
        case launch::kOutOfMemory:
            reason = u"There was not enough memory to complete the operation."_s;
            break;
        case launch::kBadFormat:
            reason = u"The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."_s;
            break;
        case launch::kShare:
            reason = u"A sharing violation occurred. "_s;
            break;
        case launch::kAssocIncomplete:
            reason = u"The filename association is\nincomplete or invalid."_s;
            break;
        case launch::kDdeTimeout:
            reason = u"The DDE transaction could not\nbe completed because the request timed out."_s;
            break;
        case launch::kDdeFail:
            reason = u"The DDE transaction failed."_s;
            break;
        case launch::kDdeBusy:
            reason =
                u"The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed."_s;
            break;
        case launch::kNoAssociation:
            reason = u"There is no application associated\nwith the given filename extension."_s;
            break;
        case launch::kDllNotFound:
            reason = u"The specified dynamic-link library was not found."_s;
            break;
        default:
            reason = u"Unknown Error (%1) occurred."_s.arg(code);
            break;
    }
    return u"Unable to open hyperlink:\n\n"_s + reason;
}

void ShowLaunchError(int code) {
    ZMessageBox(LaunchErrorText(code), QMessageBox::Ok, QMessageBox::Warning);
}
