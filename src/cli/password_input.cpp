#include "cli/password_input.h"

#include "vault/secure_wipe.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

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

// A line longer than this is no password: an endless input (</dev/zero) ends here instead of
// taking all memory.
constexpr std::size_t kMostLineBytes = std::size_t(16) << 20;
constexpr std::size_t kBlock = std::size_t(64) << 10;

enum class EInput { kUnknown, kRegularFile, kPipe, kSocket, kOther };

EInput InputKind() {
    static EInput kind = EInput::kUnknown;
    if (kind == EInput::kUnknown) {
        struct stat st {};
        kind = fstat(STDIN_FILENO, &st) != 0 ? EInput::kOther
               : S_ISREG(st.st_mode)         ? EInput::kRegularFile
               : S_ISFIFO(st.st_mode)        ? EInput::kPipe
               : S_ISSOCK(st.st_mode)        ? EInput::kSocket
                                             : EInput::kOther;
    }
    return kind;
}

ssize_t ReadSome(int fd, char* buffer, std::size_t size) {
    ssize_t n;
    do {
        n = read(fd, buffer, size);
    } while (n < 0 && errno == EINTR);
    return n;
}

// Reads exactly n bytes that are known to be there.
bool ReadExactly(int fd, char* buffer, std::size_t n) {
    for (std::size_t done = 0; done < n;) {
        const ssize_t got = ReadSome(fd, buffer + done, n - done);
        if (got <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(got);
    }
    return true;
}

// Reads a block of standard input up to and including the next line end, never further: later
// lines stay for later reads, by this program or the next one on the same input.  A regular file
// is read in blocks and the position set back; a pipe is looked at through a private pipe (tee)
// before the line's bytes are taken; a socket is peeked at; a terminal hands out one line per read
// anyway.  0 at the end of input, -1 on an error.
ssize_t ReadLineChunk(char* buffer, std::size_t size) {
    const auto lineLength = [buffer](ssize_t n) {
        const void* end = std::memchr(buffer, '\n', static_cast<std::size_t>(n));
        return end ? static_cast<ssize_t>(static_cast<const char*>(end) - buffer) + 1 : n;
    };
    switch (InputKind()) {
        case EInput::kRegularFile: {
            const ssize_t n = ReadSome(STDIN_FILENO, buffer, size);
            const ssize_t line = n > 0 ? lineLength(n) : n;
            if (line < n) {
                lseek(STDIN_FILENO, static_cast<off_t>(line - n), SEEK_CUR);
            }
            return line;
        }
#if defined(__linux__)
        case EInput::kPipe: {
            static int peek[2] = {-1, -1};
            if (peek[0] < 0 && pipe2(peek, O_CLOEXEC) != 0) {
                peek[0] = peek[1] = -1;
                break;
            }
            ssize_t n;
            do {
                n = tee(STDIN_FILENO, peek[1], size, 0);
            } while (n < 0 && errno == EINTR);
            if (n <= 0) {
                if (n < 0 && errno == EINVAL) {
                    break;  // not a pipe after all: a byte at a time
                }
                return n;
            }
            if (!ReadExactly(peek[0], buffer, static_cast<std::size_t>(n))) {
                return -1;
            }
            const ssize_t line = lineLength(n);
            return ReadExactly(STDIN_FILENO, buffer, static_cast<std::size_t>(line)) ? line : -1;
        }
#endif
        case EInput::kSocket: {
            ssize_t n;
            do {
                n = recv(STDIN_FILENO, buffer, size, MSG_PEEK);
            } while (n < 0 && errno == EINTR);
            if (n <= 0) {
                return n;
            }
            const ssize_t line = lineLength(n);
            return ReadExactly(STDIN_FILENO, buffer, static_cast<std::size_t>(line)) ? line : -1;
        }
        case EInput::kOther:
            return ReadSome(STDIN_FILENO, buffer, size);
        default:
            break;
    }
    return ReadSome(STDIN_FILENO, buffer, 1);
}

// Appends to a secret without leaving a copy behind in memory given back: a bigger buffer is taken
// by hand and the old one wiped.
void AppendSecret(std::string& text, const char* bytes, std::size_t n) {
    if (text.size() + n > text.capacity()) {
        std::string bigger;
        bigger.reserve(std::max(text.capacity() * 2, text.size() + n));
        bigger.append(text);
        SecureWipe(text);
        text.swap(bigger);
    }
    text.append(bytes, n);
}

enum class ELine { kLine, kEnd, kError, kTooLong };

// Reads up to the line end, in blocks.
ELine ReadLine(std::string& line) {
    SecureWipe(line);
    static char buffer[kBlock];
    bool any = false;
    ELine result = ELine::kLine;
    for (;;) {
        const ssize_t n = ReadLineChunk(buffer, sizeof buffer);
        if (n <= 0) {
            result = n < 0 ? ELine::kError : (any ? ELine::kLine : ELine::kEnd);
            break;
        }
        any = true;
        const auto size = static_cast<std::size_t>(n);
        const bool ended = buffer[size - 1] == '\n';
        if (line.size() + size > kMostLineBytes + 2) {
            result = ELine::kTooLong;
            break;
        }
        AppendSecret(line, buffer, ended ? size - 1 : size);
        if (ended) {
            break;
        }
    }
    SecureWipe(buffer, sizeof buffer);
    if (result != ELine::kLine) {
        SecureWipe(line);
        return result;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return ELine::kLine;
}

}  // namespace

bool PasswordsFromTerminal() {
    return isatty(STDIN_FILENO) == 1;
}

bool ReadPassword(const QString& prompt, std::string& utf8, QString& message) {
    if (!PasswordsFromTerminal()) {
        switch (ReadLine(utf8)) {
            case ELine::kLine:
                return true;
            case ELine::kTooLong:
                message = QStringLiteral(
                              "Die Zeile auf der Standardeingabe ist länger als %1 MiB; so lang ist "
                              "kein Passwort.")
                              .arg(kMostLineBytes >> 20);
                return false;
            default:
                message = QStringLiteral(
                    "Kein Passwort auf der Standardeingabe (eine Zeile je Passwort erwartet).");
                return false;
        }
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
    const ELine read = ReadLine(utf8);
    const bool ok = read == ELine::kLine;
    if (haveTerm) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_saved);
        g_restore = 0;
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
        signal(SIGHUP, SIG_DFL);
    }
    if (!ok) {
        fputc('\n', stderr);
        message = read == ELine::kTooLong ? QStringLiteral("Das Passwort ist zu lang.")
                                          : QStringLiteral("Kein Passwort eingegeben.");
        return false;
    }
    return true;
}
