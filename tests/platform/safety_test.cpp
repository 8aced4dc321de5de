// The pieces the lock, the clipboard countdown and the hidden passwords stand on.
#include "platform/clipboard_guard.h"
#include "platform/idle_watch.h"
#include "platform/message_box.h"
#include "platform/modal.h"
#include "platform/security_settings.h"
#include "platform/text_wipe.h"

#include "fake_clock.h"
#include "modal_driver.h"
#include "private_settings.h"
#include "resources/resource_ids.h"

#include <QClipboard>
#include <QDialog>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include "qt_printers.h"

using namespace Qt::StringLiterals;

namespace {

TEST(SecuritySettings, DefaultsAndOutOfRangeValuesFallBack) {
    CPrivateSettings store;
    EXPECT_EQ(security::ClipboardSeconds(), 10);
    EXPECT_TRUE(security::LockOnScreenLock());
    EXPECT_EQ(security::LockMinutes(), 0);
    EXPECT_FALSE(security::HidePasswords());
    using namespace settings;
    for (const QString& bad : {u"-1"_s, u"99999999"_s, u"abc"_s}) {
        for (const char* name : {kClipboardSeconds, kLockOnScreenLock, kLockMinutes, kHidePasswords}) {
            CSettingsStore::WriteString(kSectionSecurity, name, bad);
        }
        EXPECT_EQ(security::ClipboardSeconds(), 10) << bad.toStdString();
        EXPECT_TRUE(security::LockOnScreenLock());
        EXPECT_EQ(security::LockMinutes(), 0);
        EXPECT_FALSE(security::HidePasswords());
    }
    CSettingsStore::WriteInt(kSectionSecurity, kLockOnScreenLock, 7);
    EXPECT_TRUE(security::LockOnScreenLock()) << "not 0 or 1: the default";
    security::SetClipboardSeconds(0);
    security::SetLockOnScreenLock(false);
    security::SetLockMinutes(1440);
    security::SetHidePasswords(true);
    EXPECT_EQ(security::ClipboardSeconds(), 0);
    EXPECT_FALSE(security::LockOnScreenLock());
    EXPECT_EQ(security::LockMinutes(), 1440);
    EXPECT_TRUE(security::HidePasswords());
}

TEST(WipeText, ZeroesTheWholeSharedBufferAndLeavesLiteralsAlone) {
    QString text = u"Pin-4711-und-mehr"_s;
    text.detach();
    text.remove(0, 4);  // moves the start past "Pin-"
    text.chop(5);
    const QString shared = text;
    const ushort* start = shared.utf16() - 4;
    WipeText(text);
    EXPECT_TRUE(text.isNull());
    for (int i = 0; i < 17; ++i) {
        EXPECT_EQ(start[i], 0) << i;
    }
    QString literal = u"Seite"_s;
    WipeText(literal);
    EXPECT_EQ(QString(u"Seite"_s), u"Seite"_s);
    QByteArray bytes("Geheimnis");
    const QByteArray alias = bytes;
    WipeText(bytes);
    EXPECT_EQ(alias, QByteArray(9, '\0'));
}

TEST(CancellingModals, ClosesOpenRunsAsEscapeWouldAndRefusesNewOnesUntilOff) {
    int ended = 0;
    SetModalsEndedHandler([&] { ++ended; });
    QDialog outer;
    int inner = 0;
    QMessageBox::StandardButton answer = QMessageBox::NoButton;
    // A real modal run with a real message box over it, both open when the closing starts.
    QTimer::singleShot(0, &outer, [&] {
        QTimer::singleShot(0, &outer, [&] {
            EXPECT_EQ(OpenModalCount(), 2);
            SetCancellingModals(true);
        });
        answer = ZMessageBox(u"Änderungen speichern?"_s, QMessageBox::Yes | QMessageBox::No);
        QDialog again;
        inner = RunModal(again);  // starts while closing: ends at once
    });
    EXPECT_EQ(RunModal(outer), zid::IDCANCEL);
    EXPECT_EQ(answer, QMessageBox::No);
    EXPECT_EQ(inner, zid::IDCANCEL);
    EXPECT_EQ(OpenModalCount(), 0);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(ZMessageBox(u"x"_s, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel),
              QMessageBox::Cancel);
    SetCancellingModals(false);
    SetModalsEndedHandler({});
    CModalDriver driver{[](QDialog& dialog) { dialog.accept(); }};
    QDialog later;
    EXPECT_EQ(RunModal(later), zid::IDOK) << "runs again once it is off";
}

class ClipboardGuardTest : public ::testing::Test {
protected:
    QClipboard& Clipboard() { return *QGuiApplication::clipboard(); }

    CPrivateSettings m_store;
    CFakeClock m_clock;
    CClipboardGuard m_guard;
    QSignalSpy m_changes{&m_guard, &CClipboardGuard::countdownChanged};
};

TEST_F(ClipboardGuardTest, CountdownEmptiesOnlyItsOwnTextWhenTheTimeIsUp) {
    security::SetClipboardSeconds(3);
    m_guard.Copy(u"Pin-4711"_s);
    EXPECT_EQ(Clipboard().text(), u"Pin-4711"_s);
    EXPECT_EQ(Clipboard().mimeData()->data(QString::fromLatin1(CClipboardGuard::kPasswordHintType)),
              "secret");
    EXPECT_EQ(m_guard.SecondsLeft(), 3);
    m_clock.Advance(1500);
    m_guard.Poll();
    EXPECT_EQ(m_guard.SecondsLeft(), 2);
    // A new copy starts the countdown again.
    m_guard.Copy(u"anna"_s);
    EXPECT_EQ(m_guard.SecondsLeft(), 3);
    m_clock.Advance(2999);
    m_guard.Poll();
    EXPECT_EQ(Clipboard().text(), u"anna"_s);
    m_clock.Advance(1);
    m_guard.Poll();
    EXPECT_FALSE(Clipboard().text().contains(u"anna"_s));
    EXPECT_EQ(m_guard.SecondsLeft(), 0);
    QList<int> shown;
    for (const QList<QVariant>& change : m_changes) {
        shown << change.at(0).toInt();
    }
    EXPECT_EQ(shown, QList<int>({3, 2, 3, 1, 0}));

    // A text of the user's own, copied meanwhile, stays; the countdown ends without a word.
    m_guard.Copy(u"Pin-4711"_s);
    Clipboard().setText(u"eigener Text"_s);
    EXPECT_EQ(m_guard.SecondsLeft(), 0);
    m_clock.Advance(5000);
    m_guard.Poll();
    m_guard.ClearOwn();
    EXPECT_EQ(Clipboard().text(), u"eigener Text"_s);

    // 0: never emptied by time, but locking and quitting still take it.
    security::SetClipboardSeconds(0);
    m_guard.Copy(u"Pin-4711"_s);
    EXPECT_EQ(m_guard.SecondsLeft(), 0);
    m_clock.Advance(3600 * 1000);
    m_guard.Poll();
    EXPECT_EQ(Clipboard().text(), u"Pin-4711"_s);
    m_guard.ClearOwn();
    EXPECT_FALSE(Clipboard().text().contains(u"Pin"_s));
}

TEST_F(ClipboardGuardTest, OnWaylandTheToolsAskAndEmptyWithoutNeedingTheFocus) {
    // Recording stand-ins for wl-paste and wl-copy in a folder of the test's own.
    QTemporaryDir dir;
    const QString log = dir.filePath(u"calls"_s);
    const auto script = [&](const QString& name, const QString& body) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(
            (u"#!/bin/sh\necho \""_s + name + u" $*\" >> '"_s + log + u"'\n"_s + body + u"\n"_s).toUtf8());
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    };
    const QString held = dir.filePath(u"held"_s);
    const QString paste = script(u"paste"_s, u"cat '"_s + held + u"'"_s);
    const QString copy = script(u"copy"_s, QString());
    CClipboardGuard::UseWaylandTools(copy, paste);
    const auto hold = [&](const QByteArray& text) {
        QFile file(held);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    };
    const auto calls = [&] {
        QFile file(log);
        const QString text = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        QFile::remove(log);
        return text;
    };

    m_guard.Copy(u"Paßwort"_s);
    hold("Pa\xC3\x9Fwort");
    m_guard.ClearOwn();
    EXPECT_EQ(calls(), u"paste --no-newline --type text\ncopy --clear\n"_s);

    m_guard.Copy(u"Paßwort"_s);
    hold("fremd");
    m_guard.ClearOwn();
    EXPECT_EQ(calls(), u"paste --no-newline --type text\n"_s) << "another text is left alone";
    CClipboardGuard::UseWaylandTools(QString(), QString());
}

TEST(IdleWatch, ReportsOnceAfterTheMinutesWithoutInputAndInputStartsAgain) {
    CPrivateSettings store;
    CFakeClock clock;
    CIdleWatch watch;
    QSignalSpy idle(&watch, &CIdleWatch::idleTimeout);
    clock.Advance(3600 * 1000);
    watch.Poll();
    EXPECT_EQ(idle.count(), 0) << "LockMinutes 0: never";
    security::SetLockMinutes(2);
    watch.Touch();
    clock.Advance(119 * 1000);
    watch.Poll();
    EXPECT_EQ(idle.count(), 0);
    // A key in a window of the program counts as input.
    QWidget window;
    window.show();
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, u"a"_s);
    QCoreApplication::sendEvent(window.windowHandle(), &key);
    clock.Advance(119 * 1000);
    watch.Poll();
    EXPECT_EQ(idle.count(), 0);
    clock.Advance(1000);
    watch.Poll();
    watch.Poll();
    EXPECT_EQ(idle.count(), 1);
}

}  // namespace
