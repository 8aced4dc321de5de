// Shared by the suites of the program's window: a private settings store, answered message boxes,
// driven dialogs, a document with its main window, and vault files written and read by the core.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/command_actions.h"
#include "app/main_frame.h"
#include "controls/sort_list_ctrl.h"
#include "document/zelmora_doc.h"
#include "message_box_answers.h"
#include "modal_driver.h"
#include "platform/text_codec.h"
#include "private_settings.h"
#include "vault/vault_file.h"
#include "view/zelmora_view.h"

namespace app_test {

using Fields = std::array<std::string, 4>;

// Dialog steps for CModalDriver.
inline ModalHook TypePassword(const QString& password) {
    return [password](QDialog& dialog) {
        auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("passwordEdit"));
        ASSERT_NE(edit, nullptr) << dialog.windowTitle().toStdString();
        edit->setText(password);
        dialog.accept();
    };
}

// The password change: the new password and its repeat.
inline ModalHook TypeNewPassword(const QString& password, const QString& repeat) {
    return [password, repeat](QDialog& dialog) {
        auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("passwordEdit"));
        auto* again = dialog.findChild<QLineEdit*>(QStringLiteral("repeatEdit"));
        ASSERT_NE(edit, nullptr);
        ASSERT_NE(again, nullptr);
        edit->setText(password);
        again->setText(repeat);
        dialog.accept();
    };
}
inline ModalHook TypeNewPassword(const QString& password) {
    return TypeNewPassword(password, password);
}

inline ModalHook Cancel() {
    return [](QDialog& dialog) { dialog.reject(); };
}

inline ModalHook ChooseFile(const QString& path) {
    return [path](QDialog& dialog) {
        auto* files = qobject_cast<QFileDialog*>(&dialog);
        ASSERT_NE(files, nullptr) << dialog.windowTitle().toStdString();
        files->selectFile(path);
        static_cast<QDialog*>(files)->accept();
    };
}

inline ModalHook EnterEntry(const QString& seite, const QString& name, const QString& passwort,
                            const QString& kommentar) {
    return [=](QDialog& dialog) {
        const char* names[4] = {"siteEdit", "nameEdit", "passwordEdit", "commentEdit"};
        const QString texts[4] = {seite, name, passwort, kommentar};
        for (int i = 0; i < 4; ++i) {
            auto* edit = dialog.findChild<QLineEdit*>(QString::fromLatin1(names[i]));
            ASSERT_NE(edit, nullptr) << names[i];
            edit->setText(texts[i]);
        }
        dialog.accept();
    };
}

inline ModalHook Accept() {
    return [](QDialog& dialog) { dialog.accept(); };
}

inline void WriteVault(const QString& path, const std::vector<Fields>& entries, const std::string& password) {
    CVaultData data;
    for (const Fields& e : entries) {
        data.AddEntry(e[0], e[1], e[2], e[3]);
    }
    data.SetVaultPassword(password);
    ASSERT_TRUE(SaveVaultFile(PathToCore(path), data).ok());
}

inline std::vector<Fields> ReadVault(const QString& path, const std::string& password) {
    CVaultData data;
    data.SetVaultPassword(password);
    const SVaultResult result = LoadVaultFile(PathToCore(path), data);
    EXPECT_TRUE(result.ok()) << path.toStdString();
    std::vector<Fields> entries;
    for (int i = 0; i < data.GetEntryCount(); ++i) {
        const CEntry& e = data.GetEntryAt(i);
        entries.push_back({e.GetSeite(), e.GetName(), e.GetPasswort(), e.GetKommentar()});
    }
    return entries;
}

inline std::vector<Fields> DocEntries(const CZelmoraDoc& doc) {
    std::vector<Fields> entries;
    for (int i = 0; i < doc.GetEntryCount(); ++i) {
        const CEntry& e = doc.GetEntryAt(i);
        entries.push_back({e.GetSeite(), e.GetName(), e.GetPasswort(), e.GetKommentar()});
    }
    return entries;
}

inline QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A document with its main window and view, as the program builds them, new and empty.
class AppTest : public ::testing::Test {
protected:
    AppTest() : m_doc(std::make_unique<CZelmoraDoc>()), m_frame(std::make_unique<CMainFrame>(*m_doc)) {
        m_doc->OnNewDocument();
        View().OnInitialUpdate();
    }
    ~AppTest() override {
        m_frame.reset();
        m_doc.reset();
    }

    QString Path(const QString& name) const { return m_dir.filePath(name); }
    CZelmoraDoc& Doc() { return *m_doc; }
    CMainFrame& Frame() { return *m_frame; }
    CZelmoraView& View() { return m_frame->View(); }
    CSortListCtrl& List() { return View().List(); }
    QAction* Action(int id) { return m_frame->Actions().Get(id); }

    // Selects exactly the rows given (display positions).
    void Select(std::initializer_list<int> rows) {
        for (int row = 0; row < List().GetItemCount(); ++row) {
            List().SetItemState(row, 0, CSortListCtrl::kSelected);
        }
        for (const int row : rows) {
            List().SetItemState(row, CSortListCtrl::kSelected, CSortListCtrl::kSelected);
        }
        m_frame->UpdateCommandUI();
    }

    // The texts of the last message boxes.
    QStringList BoxTexts() const {
        QStringList texts;
        for (const SMessageBoxCall& call : m_boxes.Calls()) {
            texts << call.text;
        }
        return texts;
    }

    CPrivateSettings m_settings;
    CMessageBoxAnswers m_boxes;
    QTemporaryDir m_dir;
    std::unique_ptr<CZelmoraDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
};

}  // namespace app_test
