// Shared by the dialog suites: a private settings file and answered message boxes per test,
// controls found by their numeric id, and dialogs driven without a modal loop.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QSettings>
#include <QString>
#include <QTest>
#include <QVariant>
#include <QWidget>

#include "message_box_answers.h"
#include "modal_driver.h"
#include "platform/settings_store.h"
#include "private_settings.h"
#include "qt_printers.h"

namespace dialog_test {

// Read back in place of a value that is not stored.
constexpr int kMissing = -424242;

inline int Stored(const char* section, const char* name) {
    return CSettingsStore::ReadInt(section, name, kMissing);
}

inline void ClearStore() {
    CSettingsStore::Open()->clear();
}

// A private settings file and answered message boxes for every test.
class DialogTest : public ::testing::Test {
protected:
    // Runs the dialog's DoModal with step driving the shown dialog.
    template <class Dialog>
    static int Run(Dialog& dialog, const ModalHook& step) {
        const CModalDriver driver{step};
        return dialog.DoModal();
    }

    CPrivateSettings m_settings;
    CMessageBoxAnswers m_boxes;
};

// The one control with the numeric id, of the given class; fails the test otherwise.
template <class T>
T* Control(const QWidget& dialog, int id) {
    T* found = nullptr;
    int count = 0;
    for (T* widget : dialog.findChildren<T*>()) {
        if (widget->property("controlId").toInt() == id && widget->property("controlId").isValid()) {
            found = widget;
            ++count;
        }
    }
    EXPECT_EQ(count, 1) << "control " << id;
    return found;
}

// The controls that Tab visits, in order, by their object names.
inline QStringList TabOrder(QWidget& dialog) {
    QStringList names;
    for (QWidget* w = dialog.nextInFocusChain(); w != &dialog; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled()) {
            names << w->objectName();
        }
    }
    return names;
}

// Types text key by key, also characters without a key of their own.
inline void Type(QWidget* widget, const QString& text) {
    for (QChar c : text) {
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

inline void PressEscape(QWidget& dialog) {
    QTest::keyClick(&dialog, Qt::Key_Escape);
}

inline void CloseBox(QWidget& dialog) {
    dialog.close();
}

}  // namespace dialog_test
