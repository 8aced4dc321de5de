// zelmora: the desktop program.
#include "app/command_line.h"
#include "app/zelmora_app.h"
#include "platform/product.h"
#include "vault/heap_hygiene.h"
#include "vault/process_hardening.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>

namespace {

// "--help" is answered before the window system is reached, so it needs no display.
bool PrintedHelp(int argc, char* argv[]) {
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        args << QString::fromLocal8Bit(argv[i]);
    }
    const SCommandLine line = ParseCommandLine(args);
    if (line.action != SCommandLine::EAction::kHelp || !line.error.isEmpty()) {
        return false;
    }
    std::fputs(CommandLineUsage().toLocal8Bit().constData(), stdout);
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    // Vault texts must never land in a core file or be read by a debugger of the same user.
    DisableCoreDumpsInReleaseBuilds();
    // Freed blocks are filled, so that a locked vault leaves no text behind in them.
    FillFreedMemory(true);
    if (PrintedHelp(argc, argv)) {
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    }
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
