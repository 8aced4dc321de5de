// zelmora: the desktop program.
#include "app/zelmora_app.h"
#include "platform/process_hardening.h"
#include "platform/product.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // Vault texts must never land in a core file or be read by a debugger of the same user.
    DisableCoreDumpsInReleaseBuilds();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QString::fromLatin1(product::kMakerKey));
    QApplication::setApplicationName(QString::fromLatin1(product::kAppTitle));
    QApplication::setDesktopFileName(QStringLiteral("de.halvorn.Zelmora"));

    CZelmoraApp zelmora;
    int exitCode = 0;
    if (!zelmora.InitInstance(QApplication::arguments().mid(1), &exitCode)) {
        return exitCode;
    }
    const int result = QApplication::exec();
    zelmora.ExitInstance();
    return result;
}
