#include "cli/password_input.h"

#include <termios.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>

namespace {

struct termios g_saved;
volatile sig_atomic_t g_restore = 0;

void RestoreEchoAndDie(int sig) {
    if (g_restore) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_saved);
    }
    signal(sig, SIG_DFL);
    raise(sig);
}

// Reads up to the line end; false at end of input before any byte or on an error.
bool ReadLine(std::string& line) {
    line.clear();
    bool any = false;
    for (;;) {
        char c;
        const ssize_t n = read(STDIN_FILENO, &c, 1);  // unbuffered: later lines stay for later reads
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            return any;
        }
        any = true;
        if (c == '\n') {
            break;
        }
        line.push_back(c);
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return true;
}

}  // namespace

bool PasswordsFromTerminal() {
    return isatty(STDIN_FILENO) == 1;
}

bool ReadPassword(const QString& prompt, std::string& utf8, QString& message) {
    if (!PasswordsFromTerminal()) {
        if (!ReadLine(utf8)) {
            message =
                QStringLiteral("Kein Passwort auf der Standardeingabe (eine Zeile je Passwort erwartet).");
            return false;
        }
        return true;
    }

    const QByteArray p = prompt.toUtf8();
    fwrite(p.constData(), 1, static_cast<size_t>(p.size()), stderr);
    fflush(stderr);

    struct termios quiet;
    const bool haveTerm = tcgetattr(STDIN_FILENO, &g_saved) == 0;
    if (haveTerm) {
        quiet = g_saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        // Ctrl+C while echo is off must not leave the terminal silent.
        g_restore = 1;
        signal(SIGINT, RestoreEchoAndDie);
        signal(SIGTERM, RestoreEchoAndDie);
        signal(SIGHUP, RestoreEchoAndDie);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    const bool ok = ReadLine(utf8);
    if (haveTerm) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_saved);
        g_restore = 0;
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
        signal(SIGHUP, SIG_DFL);
    }
    if (!ok) {
        fputc('\n', stderr);
        message = QStringLiteral("Kein Passwort eingegeben.");
        return false;
    }
    return true;
}
