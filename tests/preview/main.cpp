// Opens one dialog with the real settings store, for looking at it:
//   zelmora-preview password|password-change|entry|options|about
// Prints the result code (and the fields after "OK", passwords by their length) when it closes.
#include <QApplication>
#include <QString>

#include <cstdio>
#include <string>

#include "dialogs/about_dlg.h"
#include "dialogs/entry_dlg.h"
#include "dialogs/options_dlg.h"
#include "dialogs/password_dlg.h"
#include "platform/product.h"
#include "platform/text_codec.h"
#include "resources/app_icon.h"

namespace {

void Print(const char* name, const std::string& cp1252) {
    std::printf("%s: %s\n", name, TextFromVault(cp1252).toUtf8().constData());
}

// Passwords are not echoed to the terminal, only their length.
void PrintLength(const char* name, const std::string& cp1252) {
    std::printf("%s: %zu Zeichen\n", name, cp1252.size());
}

int Usage() {
    std::fprintf(stderr, "usage: zelmora-preview password|password-change|entry|options|about\n");
    return 64;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QString::fromUtf8(product::kMakerKey));
    QApplication::setApplicationName(QString::fromUtf8(product::kAppTitle));
    QApplication::setWindowIcon(AppIcon());
    const QStringList args = QApplication::arguments();
    if (args.size() != 2) {
        return Usage();
    }
    const QString which = args.at(1);
    int result = 0;
    if (which == u"password" || which == u"password-change") {
        CPasswordDlg dlg(which == u"password-change" ? 1 : 0);
        result = dlg.DoModal();
        if (result == 1) {
            PrintLength("password", dlg.m_strPassword);
        }
    } else if (which == u"entry") {
        CEntryDlg dlg;
        result = dlg.DoModal();
        if (result == 1) {
            Print("site", dlg.m_strSeite);
            Print("name", dlg.m_strName);
            PrintLength("password", dlg.m_strPasswort);
            Print("comment", dlg.m_strKommentar);
        }
    } else if (which == u"options") {
        COptionsDlg dlg;
        result = dlg.DoModal();
    } else if (which == u"about") {
        CAboutDlg dlg;
        result = dlg.DoModal();
    } else {
        return Usage();
    }
    std::printf("result: %d\n", result);
    return 0;
}
