#include "platform/clipboard_guard.h"

#include "platform/clock.h"
#include "platform/security_settings.h"
#include "platform/text_wipe.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

struct SWaylandTools {
    QString copy;
    QString paste;
};

SWaylandTools& TestTools() {
    static SWaylandTools tools;
    return tools;
}

// The programs of the Wayland route, or none where it is not needed or not installed.
SWaylandTools WaylandTools() {
    if (!TestTools().copy.isEmpty()) {
        return TestTools();
    }
    if (!QGuiApplication::platformName().startsWith(u"wayland"_s)) {
        return {};
    }
    return {QStandardPaths::findExecutable(u"wl-copy"_s), QStandardPaths::findExecutable(u"wl-paste"_s)};
}

// Runs program to its end (at most 2 s); its standard output.
QByteArray RunTool(const QString& program, const QStringList& args, bool* ok) {
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, args);
    *ok = process.waitForFinished(2000) && process.exitStatus() == QProcess::NormalExit &&
          process.exitCode() == 0;
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(500);
    }
    return process.readAllStandardOutput();
}

}  // namespace

CClipboardGuard::CClipboardGuard(QObject* parent) : QObject(parent) {
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &CClipboardGuard::Poll);
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        connect(clipboard, &QClipboard::dataChanged, this, &CClipboardGuard::OnClipboardChanged);
    }
}

CClipboardGuard::~CClipboardGuard() {
    WipeText(m_strCopied);
}

void CClipboardGuard::UseWaylandTools(const QString& copyProgram, const QString& pasteProgram) {
    TestTools() = {copyProgram, pasteProgram};
}

bool CClipboardGuard::HoldsOwnCopy() const {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard || !m_bHolding) {
        return false;
    }
    // Under X11 a text of another program is not even asked for.
    if (QGuiApplication::platformName() == u"xcb"_s && !clipboard->ownsClipboard()) {
        return false;
    }
    const QMimeData* data = clipboard->mimeData(QClipboard::Clipboard);
    return data && data->hasFormat(QString::fromLatin1(kPasswordHintType)) && data->text() == m_strCopied;
}

void CClipboardGuard::Copy(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        return;
    }
    ForgetCopy();
    m_strCopied = text;
    m_bHolding = true;
    auto* data = new QMimeData;
    data->setText(m_strCopied);
    data->setData(QString::fromLatin1(kPasswordHintType), QByteArrayLiteral("secret"));
    clipboard->setMimeData(data, QClipboard::Clipboard);
    const int seconds = security::ClipboardSeconds();
    if (seconds == 0) {
        Stop();
        return;
    }
    m_nDeadline = CClock::Current().NowMs() + qint64(seconds) * 1000;
    m_timer.start();
    Poll();
}

void CClipboardGuard::PutEmptyText() {
    Stop();
    ForgetCopy();
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        if (clipboard->supportsSelection() && clipboard->ownsSelection()) {
            clipboard->clear(QClipboard::Selection);
        }
        auto* data = new QMimeData;
        data->setText(QString());
        data->setData(QString::fromLatin1(kPasswordHintType), QByteArrayLiteral("secret"));
        clipboard->setMimeData(data, QClipboard::Clipboard);
    }
}

void CClipboardGuard::ClearOwn() {
    Stop();
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard) {
        const bool own = HoldsOwnCopy();
        const bool primary = clipboard->supportsSelection() && clipboard->ownsSelection();
        if (!ClearWithTools(m_bHolding, primary)) {
            if (own) {
                clipboard->clear(QClipboard::Clipboard);
            }
            if (primary) {
                clipboard->clear(QClipboard::Selection);
            }
        }
    }
    ForgetCopy();
}

bool CClipboardGuard::ClearWithTools(bool clipboard, bool primary) {
    const SWaylandTools tools = WaylandTools();
    // Taken with the focus too: then nothing depends on which window the compositor favours.
    if (tools.copy.isEmpty()) {
        return false;
    }
    bool ok = false;
    QClipboard* qtClipboard = QGuiApplication::clipboard();
    if (clipboard && qtClipboard && qtClipboard->ownsClipboard()) {
        // Our data source is still the clipboard (the compositor cancels it when another program
        // copies, focus or not), so Qt knows what it holds; wl-paste would ask this very process,
        // which waits for it, and never get an answer.
        if (HoldsOwnCopy()) {
            RunTool(tools.copy, {u"--clear"_s}, &ok);
        }
    } else if (clipboard) {
        // Asked of the compositor, not of Qt, whose view of another program's text is stale
        // without focus.
        QByteArray held = tools.paste.isEmpty()
                              ? QByteArray()
                              : RunTool(tools.paste, {u"--no-newline"_s, u"--type"_s, u"text"_s}, &ok);
        QString text = QString::fromUtf8(held);
        if (ok && text == m_strCopied) {
            RunTool(tools.copy, {u"--clear"_s}, &ok);
        }
        WipeText(held);
        WipeText(text);
    }
    if (primary) {
        RunTool(tools.copy, {u"--primary"_s, u"--clear"_s}, &ok);
    }
    return true;
}

int CClipboardGuard::SecondsLeft() const {
    if (!m_timer.isActive()) {
        return 0;
    }
    const qint64 left = m_nDeadline - CClock::Current().NowMs();
    return left <= 0 ? 0 : int((left + 999) / 1000);
}

void CClipboardGuard::Poll() {
    if (!m_timer.isActive()) {
        return;
    }
    const int left = SecondsLeft();
    if (left == 0) {
        ClearOwn();
        return;
    }
    if (left != m_nShown) {
        m_nShown = left;
        emit countdownChanged(left);
    }
}

void CClipboardGuard::Stop() {
    const bool running = m_timer.isActive() || m_nShown != 0;
    m_timer.stop();
    m_nShown = 0;
    if (running) {
        emit countdownChanged(0);
    }
}

void CClipboardGuard::ForgetCopy() {
    // The clipboard's own copy of the text went with its data; this one is the last.
    WipeText(m_strCopied);
    m_bHolding = false;
}

void CClipboardGuard::OnClipboardChanged() {
    // Another program's text replaced ours: nothing is left to empty.
    if (m_bHolding && !HoldsOwnCopy()) {
        Stop();
        ForgetCopy();
    }
}
